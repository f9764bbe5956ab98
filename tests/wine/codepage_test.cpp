// Names and texts in the user's own language, on prefixes whose ANSI code
// page holds them and on one whose code page does not.

#include <gtest/gtest.h>

#include "wine/WinePrefixCopy.h"

using testing_support::readFile;
using testing_support::shellQuote;
using testing_support::writeFile;
using wine_support::kClientKey;
using wine_support::WinePrefixCopy;
namespace fs = std::filesystem;

namespace {

const std::string kCodePageKey = "HKLM\\System\\CurrentControlSet\\Control\\Nls\\CodePage";
const std::string kCyrillicFolder = "Почта";
const std::string kCyrillicSignature = "С уважением, Алиса — «до встречи»";

// A Russian user's account folder and signature.
void addCyrillicMail(WinePrefixCopy& p) {
    writeFile(p.mailStore() / kCyrillicFolder / "Inbox" / "{R1}.eml",
              "From: ivan@example.ru\r\nSubject: Привет\r\n\r\nКак дела?\r\n");
    p.addValue(kClientKey + "\\signatures\\00000002", "name", "REG_SZ", "Подпись");
    p.addValue(kClientKey + "\\signatures\\00000002", "text", "REG_SZ", kCyrillicSignature);
}

}  // namespace

TEST(RealWine, ACyrillicPrefixKeepsCyrillicFolderNamesAndSignaturesExactly) {
    SKIP_WITHOUT_WINE();
    WinePrefixCopy p;
    p.addValue(kCodePageKey, "ACP", "REG_SZ", "1251");
    addCyrillicMail(p);
    // The fixture's French texts are not in code page 1251; this user writes Russian.
    p.addValue(kClientKey + "\\Rules\\Mail\\000", "Accents", "REG_SZ", "ещё — €");
    p.addValue(kClientKey + "\\signatures\\00000001", "text", "REG_SZ", "Спасибо, \"Алиса\"");
    const wine_support::ItemSnapshot before = wine_support::itemSnapshot(p);
    ASSERT_NE(before.keys.find(kCyrillicSignature), std::string::npos);

    const std::string archive = p.file("ru.wlm").string();
    std::string out;
    ASSERT_EQ(p.tarnhold(" sf=alicexm=11111111111ps=bf=" + archive, &out), 0) << out << p.log();
    EXPECT_EQ(p.log().find("Fail!"), std::string::npos) << p.log();

    wine_support::wipeItems(p);
    ASSERT_EQ(p.cli("restore " + shellQuote(archive), &out), 0) << out;
    EXPECT_EQ(out.find("Fail"), std::string::npos) << out;
    const wine_support::ItemSnapshot after = wine_support::itemSnapshot(p);
    EXPECT_EQ(after.keys, wine_support::withEmptyExpandAsZeroLength(before.keys));
    EXPECT_EQ(after.store, before.store);
    EXPECT_EQ(after.store.count(kCyrillicFolder + "/Inbox/{R1}.eml"), 1u);
}

TEST(RealWine, NamesAWesternPrefixCannotHoldFailTheirItemsAndTheLogNamesThem) {
    SKIP_WITHOUT_WINE();
    WinePrefixCopy p;  // no ACP value: code page 1252
    addCyrillicMail(p);
    const std::string archive = p.file("west.wlm").string();
    std::string out;
    EXPECT_EQ(p.tarnhold(" sf=alicexm=11111111111ps=bf=" + archive, &out), 1) << out << p.log();
    ASSERT_TRUE(fs::exists(archive));  // the other items are in it

    const std::string log = p.log();
    const std::string folderMarks = "<U+041F><U+043E><U+0447><U+0442><U+0430>";  // "Почта"
    std::vector<std::string> failed;
    std::size_t at = 0;
    for (std::size_t end; (end = log.find("\r\n", at)) != std::string::npos; at = end + 2) {
        const std::string line = log.substr(at, end - at);
        if (line.find("Fail!") != std::string::npos) failed.push_back(line);
    }
    ASSERT_EQ(failed.size(), 2u) << log;
    EXPECT_NE(failed[0].find("Backup Mail Accounts & Messages"), std::string::npos) << failed[0];
    EXPECT_NE(failed[0].find(folderMarks), std::string::npos) << failed[0];
    EXPECT_NE(failed[1].find("Backup Signatures"), std::string::npos) << failed[1];
    EXPECT_NE(failed[1].find("signatures\\00000002"), std::string::npos) << failed[1];
    // Never silently turned into question marks.
    EXPECT_EQ(log.find("?????"), std::string::npos);
}
