// The five registry-backed items: each key tree travels as one staging file
// in the registry text format.

#include <array>
#include <filesystem>

#include "backup/FileNaming.h"
#include "backup/InformationRecord.h"
#include "items/ItemFunctions.h"
#include "items/MemberExtraction.h"
#include "items/RegistryTextFormat.h"
#include "platform/HostPath.h"
#include "platform/Text.h"
#include "platform/FsPath.h"

namespace items {

namespace {

struct RegistryItem {
    std::size_t index;
    const char* keySuffix;      // below the client key
    const char* stagingPrefix;  // of the staging file's name
};

constexpr RegistryItem kMailRulesItem{kMailRules, "\\Rules\\Mail", "OBR"};
constexpr RegistryItem kNewsRulesItem{kNewsRules, "\\Rules\\News", "OBR"};
constexpr RegistryItem kJunkMailItem{kJunkMail, "\\PerPassportSettings", "OBR"};
constexpr RegistryItem kSignaturesItem{kSignatures, "\\signatures", "OBR"};
constexpr RegistryItem kSettingsItem{kSettings, "\\Advanced Settings", "OBS"};
constexpr std::array kRegistryItems{kMailRulesItem, kNewsRulesItem, kJunkMailItem, kSignaturesItem, kSettingsItem};

// The items need a client key with at least one subkey.
bool clientHasSubkeys(ItemContext& ctx) {
    return !ctx.registry.ListRegistrySubkeys(kClientKey).empty();
}

bool backupKey(ItemContext& ctx, const RegistryItem& item) {
    if (!clientHasSubkeys(ctx)) return false;
    // Keys read from files that a running Wine may have overwritten are no backup.
    const std::string problem = ctx.registry.registry().liveReadProblem(platform::Hive::CurrentUser);
    if (!problem.empty()) return ctx.fail(problem);
    const std::string key = std::string(kClientKey) + item.keySuffix;
    if (!ctx.registry.RegistryKeyExists(key)) ctx.registry.CreateRegistryKey(key);
    // The recorded staging name keeps the NUL that ends the staging path.
    const std::string staging = backup::sGetTempFile(ctx.scratchFolder(), item.stagingPrefix);
    ctx.stagingFiles[item.index] = staging;
    if (staging.empty()) return ctx.fail("no scratch file could be made in " + ctx.scratchFolder());
    const std::string path = platform::cutAtNul(staging);
    std::string why;
    if (!ExportRegistryTree(ctx.registry, key, path, &why)) return ctx.fail(why);
    if (!ctx.Zip1.addFiles(path, 1)) return ctx.fail(ctx.Zip1.lastError());
    return backup::SaveINI(std::string(kCatalogue[item.index].recordKey), platform::bareName(staging),
                           ctx.InfoRecordPath);
}

bool restoreKey(ItemContext& ctx, const RegistryItem& item) {
    if (!clientHasSubkeys(ctx)) return false;
    const std::string member = RestoreMembers(ctx, item.index).front();
    ctx.restoringMember(item.index, member);
    // Never into the program folder, where its name could be one of the program's own files.
    const auto path = ExtractToScratch(ctx, member);
    if (!path) return false;
    std::string why;
    const bool imported = ImportRegistryTree(ctx.registry, std::string(kClientKey) + item.keySuffix, *path, &why);
    std::error_code ec;
    std::filesystem::remove(platform::fsPath(*path), ec);
    if (!imported) return ctx.fail(why);
    // The item is restored only once its keys are in the registry files.
    auto& registry = ctx.registry.registry();
    if (!registry.flush()) return ctx.fail(registry.lastError());
    return true;
}

}  // namespace

bool IsRegistryItem(std::size_t item) {
    for (const auto& r : kRegistryItems) {
        if (r.index == item) return true;
    }
    return false;
}

bool BackupmailRules(ItemContext& ctx) { return backupKey(ctx, kMailRulesItem); }
bool RestoremailRules(ItemContext& ctx) { return restoreKey(ctx, kMailRulesItem); }
bool BackupnewsRules(ItemContext& ctx) { return backupKey(ctx, kNewsRulesItem); }
bool RestorenewsRules(ItemContext& ctx) { return restoreKey(ctx, kNewsRulesItem); }
bool Backupjunkmail(ItemContext& ctx) { return backupKey(ctx, kJunkMailItem); }
bool RestoreJunkmail(ItemContext& ctx) { return restoreKey(ctx, kJunkMailItem); }
bool Backupsignatures(ItemContext& ctx) { return backupKey(ctx, kSignaturesItem); }
bool RestoreSignatures(ItemContext& ctx) { return restoreKey(ctx, kSignaturesItem); }
bool BackupSettings(ItemContext& ctx) { return backupKey(ctx, kSettingsItem); }
bool RestoreSettings(ItemContext& ctx) { return restoreKey(ctx, kSettingsItem); }

}  // namespace items
