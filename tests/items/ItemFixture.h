#pragma once
// A store laid out on disk in a temporary prefix, an in-memory registry and
// the two archive objects, wired into one item context.

#include <filesystem>

#include "backup/ZipComponent.h"
#include "items/ItemContext.h"
#include "support/TestEnvironment.h"

namespace testing_support {

struct ItemFixture {
    ItemFixture() : platform(dir.path()) {
        ctx.MailStoreRoot = profile() + "\\AppData\\Local\\Microsoft\\Windows Live Mail";
        ctx.ContactsFolder = profile() + "\\AppData\\Local\\Microsoft\\Windows Live Contacts";
        ctx.StationeryFolder = profile() + "\\Documents\\My Stationery";
        ctx.InfoRecordPath = platform.env.programFile("oebackup.dat");
        std::filesystem::create_directories(store());
    }

    // The user's profile as the items name it: in the prefix of the test
    // off Windows; on Windows, where such a path is the file itself, in the
    // test's own folder, so that tests running side by side never meet.
    std::string profile() const {
#ifdef _WIN32
        return dir.str() + "\\users\\owner";
#else
        return "C:\\users\\owner";
#endif
    }
    std::filesystem::path host(const std::string& windowsPath) const { return platform.env.hostPath(windowsPath); }
    std::filesystem::path store() const { return host(ctx.MailStoreRoot); }
    std::filesystem::path contacts() const { return host(ctx.ContactsFolder); }
    std::filesystem::path stationery() const { return host(ctx.StationeryFolder); }
    std::string archivePath() const { return (dir / "backup.wlm").string(); }

    TempDir dir;
    TestPlatform platform;
    items::RegistryAccess registry{platform.registry, platform.dialogs};
    backup::ZipComponent Zip1;
    backup::ZipComponent Zip2;
    items::ItemContext ctx{platform.env, registry, Zip1, Zip2};
};

}  // namespace testing_support
