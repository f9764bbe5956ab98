#include <gtest/gtest.h>

#include "mailexport/ExportLayout.h"
#include "mailexport/WindowsNames.h"

using namespace mailexport;

namespace {

backup::ZipMember member(const std::string& name, std::uint64_t size = 10) {
    backup::ZipMember m;
    m.name = name;
    m.directory = name.back() == '/';
    m.size = m.directory ? 0 : size;
    return m;
}

OpenedAccount account(const std::string& name, std::vector<backup::ZipMember> members) {
    OpenedAccount a;
    a.archive.name = name;
    a.tree = ReadAccountTree(std::move(members));
    return a;
}

std::vector<OpenedAccount> twoAccounts() {
    std::vector<OpenedAccount> accounts;
    accounts.push_back(account("Hotmail (owner)", {member("Inbox/a (01).eml", 100), member("Inbox/Projects/b (02).eml"),
                                                   member("Inbox/Family & Friends/"), member("account{A}.oeaccount")}));
    accounts.push_back(account("hotmail (OWNER)", {member("INBOX/c (03).eml")}));
    return accounts;
}

std::vector<OpenedAccount> firstAccount() {
    auto accounts = twoAccounts();
    accounts.pop_back();
    return accounts;
}

std::vector<std::string> placesOf(const ExportLayout& layout) {
    std::vector<std::string> places;
    for (const auto& f : layout.folders) places.push_back(f.place + (f.subfolderFolder ? " +sbd" : ""));
    return places;
}

}  // namespace

TEST(ExportLayout, MboxFilesNestAsThunderbirdKeepsThem) {
    std::string why;
    const auto accounts = twoAccounts();
    const auto layout = PlanLayout(accounts, {0, 0}, Format::Mbox, "/tmp/out", &why);
    ASSERT_TRUE(layout) << why;
    EXPECT_EQ(placesOf(*layout),
              (std::vector<std::string>{"Hotmail (owner) +sbd", "Hotmail (owner).sbd/Inbox +sbd",
                                        "Hotmail (owner).sbd/Inbox.sbd/Family & Friends",
                                        "Hotmail (owner).sbd/Inbox.sbd/Projects", "hotmail (OWNER) (2) +sbd",
                                        "hotmail (OWNER) (2).sbd/INBOX"}));
    EXPECT_EQ(layout->folders[1].shownPath, "Hotmail (owner)/Inbox");
    EXPECT_EQ(layout->folders[1].entries.size(), 1u);
    EXPECT_TRUE(layout->folders[1].entryPlaces.empty());
    EXPECT_EQ(layout->entryCount, 3u);
    EXPECT_EQ(layout->entryBytes, 120u);
    EXPECT_EQ(layout->entryBlocks, 3u * 4096);
}

TEST(ExportLayout, AChosenFolderIsTheTopOfItsExport) {
    std::string why;
    const auto mbox = PlanLayout(firstAccount(), {1}, Format::Mbox, "/t", &why);
    ASSERT_TRUE(mbox) << why;
    EXPECT_EQ(placesOf(*mbox), (std::vector<std::string>{"Inbox +sbd", "Inbox.sbd/Family & Friends",
                                                         "Inbox.sbd/Projects"}));
}

TEST(ExportLayout, EmlFilesAndAFolderRestoreKeepTheTree) {
    std::string why;
    const auto one = firstAccount();
    const auto eml = PlanLayout(one, {0}, Format::Eml, "/t", &why);
    ASSERT_TRUE(eml) << why;
    EXPECT_EQ(placesOf(*eml), (std::vector<std::string>{"Hotmail (owner)", "Hotmail (owner)/Inbox",
                                                        "Hotmail (owner)/Inbox/Family & Friends",
                                                        "Hotmail (owner)/Inbox/Projects"}));
    EXPECT_TRUE(eml->folders[0].entryPlaces.empty());  // the account file is no message
    EXPECT_EQ(eml->folders[1].entryPlaces, std::vector<std::string>{"Hotmail (owner)/Inbox/a (01).eml"});
    const auto files = PlanLayout(one, {0}, Format::Files, "/t", &why);
    ASSERT_TRUE(files) << why;
    EXPECT_EQ(files->folders[0].entryPlaces, std::vector<std::string>{"Hotmail (owner)/account{A}.oeaccount"});
    EXPECT_EQ(files->entryCount, 3u);
}

TEST(ExportLayout, NamesAreCutToFitWindowsPathsOrRefused) {
    std::string why;
    const std::string longName(100, 'n');
    std::vector<OpenedAccount> accounts;
    accounts.push_back(account("A", {member(longName + "/" + longName + "/" + longName + " (01).eml")}));
    for (std::size_t targetLength : {41, 150}) {
        const std::string target = "/" + std::string(targetLength - 1, 't');
        for (Format format : {Format::Eml, Format::Mbox}) {
            const auto layout = PlanLayout(accounts, {0}, format, target, &why);
            ASSERT_TRUE(layout) << why;
            ASSERT_EQ(layout->folders.size(), 3u);
            std::size_t longest = 0;
            for (const auto& f : layout->folders) {
                const std::size_t name = LastName(f.place).size();
                EXPECT_TRUE(name == 1 || (name >= kShortestName && name <= longName.size())) << f.place;
                const std::size_t path = target.size() + 1 + f.place.size();
                if (format == Format::Eml) EXPECT_LE(path, kMaxFolderPath) << f.place;
                else EXPECT_LE(path + (f.subfolderFolder ? 4 : 0), f.subfolderFolder ? kMaxFolderPath : kMaxFilePath);
                longest = std::max(longest, path);
                for (const auto& place : f.entryPlaces) {
                    EXPECT_LE(target.size() + 1 + place.size(), kMaxFilePath) << place;
                    EXPECT_TRUE(place.ends_with(".eml")) << place;
                    longest = std::max(longest, target.size() + 1 + place.size());
                }
            }
            // Names are cut no more than the levels below them need.
            if (targetLength == 150) EXPECT_GT(longest, 240u);
            else EXPECT_EQ(LastName(layout->folders[1].place), longName);
        }
    }
    // With no room left for names that still say something, nothing is planned.
    EXPECT_FALSE(PlanLayout(accounts, {0}, Format::Eml, "/" + std::string(199, 't'), &why));
    EXPECT_NE(why.find("\"A\" would need a longer path below the target folder than Windows allows"),
              std::string::npos) << why;
}
