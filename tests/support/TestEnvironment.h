#pragma once
// Platform bundles for tests: an in-memory registry, scripted dialogs and
// recording launcher/processes over private temporary folders.

#include "platform/MemoryRegistry.h"
#include "platform/RecordingLauncher.h"
#include "platform/RecordingProcesses.h"
#include "platform/ScriptedDialogs.h"
#include "platform/ScriptedWineServer.h"
#include "platform/Services.h"
#include "platform/WineRegistry.h"
#include "support/TestSupport.h"

namespace testing_support {

// Every value below the current user's key `path`, by key path and value
// name, as "type:text:size".
void registryBelow(platform::Registry& reg, const std::string& path, Snapshot* out);

// A Windows-like environment whose prefix and program folder live in `root`.
platform::Environment makeEnvironment(const std::filesystem::path& root);

struct TestPlatform {
    explicit TestPlatform(const std::filesystem::path& root) : env(makeEnvironment(root)) {}

    platform::Environment env;
    platform::MemoryRegistry registry;
    platform::ScriptedDialogs dialogs;
    platform::RecordingLauncher launcher;
    platform::RecordingProcesses processes;
    platform::ScriptedWineServer wine{env.winePrefix};
    platform::Services services{env, registry, dialogs, launcher, processes, wine};
};

// The same over a prefix the sample generator makes first (with
// `generatorArgs`) in a fresh temporary folder, its registry read from the
// prefix's files as the program reads them.
struct GeneratedPlatform {
    explicit GeneratedPlatform(const std::vector<std::string>& generatorArgs) : generated(generate(generatorArgs)) {}

    TempDir dir;
    bool generated;  // before the environment, which makes its folders
    platform::Environment env = makeEnvironment(dir.path());
    platform::WineRegistry registry{env.winePrefix};
    platform::ScriptedDialogs dialogs;
    platform::RecordingLauncher launcher;
    platform::RecordingProcesses processes;
    platform::ScriptedWineServer wine{env.winePrefix};
    platform::Services services{env, registry, dialogs, launcher, processes, wine};

private:
    bool generate(const std::vector<std::string>& generatorArgs) {
        makeSamplePrefix(dir / "prefix", generatorArgs);
        return true;
    }
};

}  // namespace testing_support
