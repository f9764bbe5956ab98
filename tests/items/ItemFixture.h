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
        ctx.MailStoreRoot = "C:\\users\\owner\\AppData\\Local\\Microsoft\\Windows Live Mail";
        ctx.ContactsFolder = "C:\\users\\owner\\AppData\\Local\\Microsoft\\Windows Live Contacts";
        ctx.StationeryFolder = "C:\\users\\owner\\Documents\\My Stationery";
        ctx.InfoRecordPath = platform.env.programFile("oebackup.dat");
        std::filesystem::create_directories(store());
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
