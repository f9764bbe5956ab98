// Any bytes opened as a backup: the restore's inspection (with a password
// at hand for protected archives), the member list, a full read check, and
// the members the record names unpacked into a scratch folder, nested
// folder archives listed too. Nothing is written outside the scratch folder.

#include <algorithm>
#include <filesystem>
#include <string>

#include "FuzzSupport.h"
#include "session/MainSession.h"
#include "items/MemberNames.h"
#include "platform/MemoryRegistry.h"
#include "platform/RecordingLauncher.h"
#include "platform/RecordingProcesses.h"
#include "platform/ScriptedDialogs.h"
#include "platform/ScriptedWineServer.h"
#include "platform/Text.h"
#include "restore/Inspection.h"

namespace {

namespace fs = std::filesystem;

// Inputs are small, but a deflate stream may claim or expand to far more.
constexpr std::uint64_t kReadLimit = 16 << 20;

platform::Environment scratchEnvironment() {
    platform::Environment env;
    env.winePrefix = (fuzz::Scratch() / "prefix").string();
    env.programFolder = (fuzz::Scratch() / "home").string();
    env.executableFolder = (fuzz::Scratch() / "bin").string();
    env.resourceFolder = (fuzz::Scratch() / "bin").string();
    env.userName = "owner";
    env.computerName = "DESKTOP-01";
    env.userProfile = "C:\\users\\owner";
    return env;
}

std::uint64_t totalSize(const backup::ZipComponent& zip) {
    std::uint64_t total = 0;
    for (const auto& m : zip.members()) total += std::min<std::uint64_t>(m.size, kReadLimit);
    return total;
}

// Unpacks a member the record names and, when it is a folder archive, lists it.
void unpack(backup::ZipComponent& zip, const std::string& name, const fs::path& out) {
    auto member = zip.findMember(name);
    if (!items::MemberFileName(name).has_value() || !member || member->size > kReadLimit) return;
    if (!zip.extractMember(*member, out.string())) return;
    const fs::path file = out / member->name;
    FUZZ_CHECK(fs::exists(file), file.string());
    if (platform::endsWith(platform::toLowerAscii(name), ".zip")) {
        backup::ZipComponent nested;
        if (nested.openArchive(file.string())) nested.members();
    }
    fs::remove(file);
}

void inspect(const std::string& archive, const fs::path& out) {
    platform::Environment env = scratchEnvironment();
    platform::MemoryRegistry registry;
    platform::ScriptedDialogs dialogs;
    dialogs.passwords.push_back("secret");
    platform::RecordingLauncher launcher;
    platform::RecordingProcesses processes;
    platform::ScriptedWineServer wine{env.winePrefix};
    platform::Services services{env, registry, dialogs, launcher, processes, wine};
    session::MainSession session(services, "");
    restore::RestoreState state;
    const auto inspection = restore::InspectBackupFile(session, state, archive);
    session.Zip1.members();
    if (inspection.outcome == restore::InspectionOutcome::Valid) {
        if (totalSize(session.Zip1) < kReadLimit) session.Zip1.testAll();
        for (std::size_t k = 0; k < items::kItemCount; ++k) {
            if (!inspection.present[k]) continue;
            for (const auto& name : items::SplitMembers(session.items.RestoreItemMembers[k]))
                unpack(session.Zip1, name, out);
        }
    }
    session.Shutdown();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const fs::path archive = fuzz::Scratch() / "input.wlm";
    const fs::path out = fuzz::Scratch() / "out";
    fuzz::WriteBytes(archive, data, size);
    fs::create_directories(out);
    inspect(archive.string(), out);
    fs::remove_all(out);
    return 0;
}
