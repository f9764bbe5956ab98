#include "items/MemberExtraction.h"

#include "items/MemberNames.h"
#include "platform/HostPath.h"
#include "platform/Folders.h"

namespace items {

namespace {

bool notPlain(ItemContext& ctx, const std::string& member) {
    return ctx.fail("the backup names the member \"" + member + "\", which is no plain file name");
}

bool extractInto(ItemContext& ctx, const std::string& name, const std::string& hostFolder) {
    auto found = ctx.Zip1.findMember(name);
    if (!found) return ctx.fail("the backup holds no member \"" + name + "\"");
    if (!ctx.Zip1.extractMember(*found, hostFolder)) return ctx.fail(ctx.Zip1.lastError());
    return true;
}

}  // namespace

std::string ScratchFolder(ItemContext& ctx) {
    if (ctx.privateFolder.empty()) ctx.privateFolder = platform::makeUniqueFolder(ctx.scratchFolder(), "scratch-");
    return ctx.privateFolder;
}

void RemoveScratchFolder(ItemContext& ctx) {
    if (ctx.privateFolder.empty()) return;
    platform::removeTree(ctx.privateFolder);
    ctx.privateFolder.clear();
}

std::optional<std::string> ExtractToScratch(ItemContext& ctx, const std::string& member) {
    const auto name = MemberFileName(member);
    if (!name) {
        notPlain(ctx, member);
        return std::nullopt;
    }
    const std::string scratch = ScratchFolder(ctx);
    if (scratch.empty()) {
        ctx.fail("no private folder could be made in " + ctx.env.programFolder);
        return std::nullopt;
    }
    if (!extractInto(ctx, *name, scratch)) return std::nullopt;
    return platform::joinHostPath(scratch, *name);
}

bool ExtractPlainMember(ItemContext& ctx, const std::string& member, const std::string& hostFolder) {
    const auto name = MemberFileName(member);
    return name ? extractInto(ctx, *name, hostFolder) : notPlain(ctx, member);
}

}  // namespace items
