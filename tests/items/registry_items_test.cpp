#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "backup/InformationRecord.h"
#include "items/ItemFunctions.h"
#include "items/ItemFixture.h"
#include "items/MemberExtraction.h"
#include "support/RawZip.h"
#include "platform/HostPath.h"
#include "platform/Text.h"

using namespace items;
using platform::Hive;
using platform::RegValue;
using testing_support::ItemFixture;
using testing_support::readFile;
using testing_support::writeFile;
namespace fs = std::filesystem;

namespace {

const std::string kClient = "Software\\Microsoft\\Windows Live Mail";

const std::array<std::pair<std::size_t, const char*>, 5> kRegistryItems{{
    {kMailRules, "\\Rules\\Mail"},
    {kNewsRules, "\\Rules\\News"},
    {kJunkMail, "\\PerPassportSettings"},
    {kSignatures, "\\signatures"},
    {kSettings, "\\Advanced Settings"},
}};

}  // namespace

TEST(RegistryItems, WithoutClientSubkeysNothingIsTouched) {
    ItemFixture f;
    f.platform.registry.createKey(Hive::CurrentUser, kClient);
    ASSERT_TRUE(f.Zip1.newArchive(f.archivePath()));
    for (const auto& entry : kCatalogue) {
        if (entry.index == kMailRules || entry.index == kNewsRules || entry.index == kJunkMail ||
            entry.index == kSignatures || entry.index == kSettings) {
            EXPECT_FALSE(entry.backup(f.ctx)) << entry.caption;
            EXPECT_FALSE(entry.restore(f.ctx)) << entry.caption;
        }
    }
    EXPECT_TRUE(f.platform.registry.subkeys(Hive::CurrentUser, kClient).empty());
    EXPECT_FALSE(fs::exists(f.ctx.InfoRecordPath));
    EXPECT_TRUE(fs::is_empty(f.platform.env.programFolder));
}

TEST(RegistryItems, BackupStagesDistinctFilesAndRestoreReplacesTheTrees) {
    ItemFixture f;
    auto& reg = f.platform.registry;
    reg.createKey(Hive::CurrentUser, kClient + "\\Rules\\Mail\\000");
    reg.setValue(Hive::CurrentUser, kClient + "\\Rules\\Mail\\000", RegValue::string("Name", platform::REG_SZ, "rule"));
    reg.createKey(Hive::CurrentUser, kClient + "\\signatures\\00000000");
    reg.setValue(Hive::CurrentUser, kClient + "\\Advanced Settings", RegValue::dword("x", 1));  // no key: refused
    ASSERT_TRUE(f.Zip1.newArchive(f.archivePath()));
    std::set<std::string> staged;
    for (const auto& [item, suffix] : kRegistryItems) {
        ASSERT_TRUE(kCatalogue[item].backup(f.ctx)) << suffix;
        const std::string& staging = f.ctx.stagingFiles[item];
        ASSERT_FALSE(staging.empty());
        EXPECT_EQ(staging.back(), '\0');
        const std::string name = platform::bareName(platform::cutAtNul(staging));
        EXPECT_EQ(name.substr(0, 3), item == kSettings ? "OBS" : "OBR");
        staged.insert(name);
    }
    EXPECT_EQ(staged.size(), 5u);
    // Keys that did not exist are created empty and stored as the single line "\".
    EXPECT_TRUE(reg.keyExists(Hive::CurrentUser, kClient + "\\PerPassportSettings"));
    EXPECT_EQ(readFile(platform::cutAtNul(f.ctx.stagingFiles[kJunkMail])), "\\\r\n");
    EXPECT_EQ(readFile(platform::cutAtNul(f.ctx.stagingFiles[kMailRules])), "\\\r\n\\000\r\n\"Name\"= sz:rule\r\n");
    const std::string record = readFile(f.ctx.InfoRecordPath);
    const std::string rulesName = platform::bareName(platform::cutAtNul(f.ctx.stagingFiles[kMailRules]));
    EXPECT_EQ(record.substr(0, record.find("\r\n")), "BackupmailRules=" + rulesName + '\0');
    ASSERT_TRUE(f.Zip1.writeArchive());
    f.Zip1.closeArchive();
    for (const auto& s : f.ctx.stagingFiles) {
        if (!s.empty()) fs::remove(platform::cutAtNul(s));
    }

    // Later changes are undone by the restore; rules made since are gone.
    reg.createKey(Hive::CurrentUser, kClient + "\\Rules\\Mail\\001");
    reg.setValue(Hive::CurrentUser, kClient + "\\PerPassportSettings", RegValue::dword("Level", 3));
    ASSERT_TRUE(f.Zip1.openArchive(f.archivePath()));
    for (const auto& [item, suffix] : kRegistryItems) {
        f.ctx.RestoreItemMembers[item] = *backup::GetINI(std::string(kCatalogue[item].recordKey), f.ctx.InfoRecordPath);
        ASSERT_TRUE(kCatalogue[item].restore(f.ctx)) << suffix;
    }
    EXPECT_EQ(reg.subkeys(Hive::CurrentUser, kClient + "\\Rules\\Mail"), (std::vector<std::string>{"000"}));
    EXPECT_EQ(reg.value(Hive::CurrentUser, kClient + "\\Rules\\Mail\\000", "Name")->text(), "rule");
    EXPECT_TRUE(reg.values(Hive::CurrentUser, kClient + "\\PerPassportSettings").empty());
    // The extracted files are gone again; only the record stays in the program folder.
    RemoveScratchFolder(f.ctx);
    std::vector<std::string> left;
    for (const auto& e : fs::directory_iterator(f.platform.env.programFolder)) left.push_back(e.path().filename().string());
    EXPECT_EQ(left, (std::vector<std::string>{"oebackup.dat"}));

    f.ctx.RestoreItemMembers[kMailRules] = "..\\" + rulesName;
    EXPECT_FALSE(RestoremailRules(f.ctx));
    f.ctx.RestoreItemMembers[kMailRules] = "OBRFFFF.tmp";
    EXPECT_FALSE(RestoremailRules(f.ctx));
}

TEST(RegistryItems, AMemberNamedLikeAProgramFileNeverTouchesTheProgramFolder) {
    ItemFixture f;
    auto& reg = f.platform.registry;
    reg.createKey(Hive::CurrentUser, kClient + "\\Rules\\Mail\\000");
    const std::string log = "12/5/2026 8:00:00 AM Backup Mail Rules Succeeded!\r\n";
    const std::string settings = "[General]\r\nrunliveafterrestore=0\r\n";
    writeFile(f.platform.env.programFile("brlog.dat"), log);
    writeFile(f.platform.env.programFile("settings.dat"), settings);
    testing_support::writeRawZip(f.archivePath(), {{"brlog.dat", "\\\r\n\"Name\"= sz:from brlog\r\n"},
                                                   {"settings.dat", "\\\r\n\"Name\"= sz:from settings\r\n"}});
    ASSERT_TRUE(f.Zip1.openArchive(f.archivePath()));
    f.ctx.RestoreItemMembers[kMailRules] = std::string("brlog.dat") + '\0';
    f.ctx.RestoreItemMembers[kJunkMail] = "settings.dat";
    ASSERT_TRUE(RestoremailRules(f.ctx)) << f.ctx.failure;
    ASSERT_TRUE(RestoreJunkmail(f.ctx)) << f.ctx.failure;
    EXPECT_EQ(reg.value(Hive::CurrentUser, kClient + "\\Rules\\Mail", "Name")->text(), "from brlog");
    EXPECT_EQ(reg.value(Hive::CurrentUser, kClient + "\\PerPassportSettings", "Name")->text(), "from settings");
    EXPECT_EQ(readFile(f.platform.env.programFile("brlog.dat")), log);
    EXPECT_EQ(readFile(f.platform.env.programFile("settings.dat")), settings);
    // The run's private folder goes with what was taken out into it.
    ASSERT_FALSE(f.ctx.privateFolder.empty());
    RemoveScratchFolder(f.ctx);
    std::vector<std::string> left;
    for (const auto& e : fs::directory_iterator(f.platform.env.programFolder)) left.push_back(e.path().filename().string());
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"brlog.dat", "settings.dat"}));

    f.ctx.RestoreItemMembers[kMailRules] = "CON";
    EXPECT_FALSE(RestoremailRules(f.ctx));
    EXPECT_EQ(f.ctx.failure, "the backup names the member \"CON\", which is no plain file name");
}

namespace {

// A registry that Wine holds out of reach, or whose file cannot be replaced.
class TroubledRegistry : public platform::MemoryRegistry {
public:
    std::string readProblem;
    std::string writeProblem;
    bool flush() override { return writeProblem.empty(); }
    std::string lastError() const override { return writeProblem; }
    std::string liveReadProblem(Hive) override { return readProblem; }
};

}  // namespace

TEST(RegistryItems, AnItemFailsNamingWhyWhenItsKeysCannotBeReadOrWritten) {
    ItemFixture f;
    TroubledRegistry reg;
    items::RegistryAccess access(reg, f.platform.dialogs);
    items::ItemContext ctx{f.platform.env, access, f.Zip1, f.Zip2};
    ctx.InfoRecordPath = f.ctx.InfoRecordPath;
    reg.createKey(Hive::CurrentUser, kClient + "\\Rules\\Mail\\000");
    reg.setValue(Hive::CurrentUser, kClient + "\\Rules\\Mail\\000", RegValue::string("Name", platform::REG_SZ, "rule"));
    ASSERT_TRUE(f.Zip1.newArchive(f.archivePath()));

    reg.readProblem = "Wine is running in the prefix and its registry could not be read through Wine";
    EXPECT_FALSE(BackupmailRules(ctx));
    EXPECT_EQ(ctx.failure, reg.readProblem);

    reg.readProblem.clear();
    ctx.failure.clear();
    ASSERT_TRUE(BackupmailRules(ctx));
    EXPECT_EQ(ctx.failure, "");
    ASSERT_TRUE(f.Zip1.writeArchive());
    f.Zip1.closeArchive();
    fs::remove(platform::cutAtNul(ctx.stagingFiles[kMailRules]));

    // The keys are imported, but the file is not replaced: a failed restore.
    ASSERT_TRUE(f.Zip1.openArchive(f.archivePath()));
    reg.writeProblem = "user.reg could not be replaced: No space left on device";
    ctx.RestoreItemMembers[kMailRules] = *backup::GetINI("BackupmailRules", ctx.InfoRecordPath);
    EXPECT_FALSE(RestoremailRules(ctx));
    EXPECT_EQ(ctx.failure, reg.writeProblem);
}
