// The realistic sample profile: the same bytes for the same seed, mail that
// is shaped and compresses like a real mailbox, the main account's share, the
// extra short messages and the store's size.

#include <gtest/gtest.h>


#include <algorithm>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "support/TestSupport.h"

namespace {

namespace fs = std::filesystem;
using testing_support::makeSamplePrefix;
using testing_support::readFile;
using testing_support::TempDir;

const std::vector<std::string> kFourAccounts = {"Hotmail (tester)", "Gmail", "news.example.net", "Work Mail"};

fs::path storeOf(const fs::path& prefix) {
    return prefix / "drive_c/users/tester/AppData/Local/Microsoft/Windows Live Mail";
}

std::vector<fs::path> messagesBelow(const fs::path& folder) {
    std::vector<fs::path> files;
    for (const auto& e : fs::recursive_directory_iterator(folder))
        if (e.is_regular_file() && e.path().extension() == ".eml") files.push_back(e.path());
    return files;
}

std::map<std::string, std::string> filesOf(const fs::path& root) {
    std::map<std::string, std::string> files;
    for (const auto& e : fs::recursive_directory_iterator(root))
        if (e.is_regular_file()) files[fs::relative(e.path(), root).string()] = readFile(e.path());
    return files;
}

std::uint64_t bytesBelow(const fs::path& folder) {
    std::uint64_t total = 0;
    for (const auto& e : fs::recursive_directory_iterator(folder))
        if (e.is_regular_file()) total += e.file_size();
    return total;
}

double deflateRatio(const std::string& data) {
    return static_cast<double>(data.size()) / static_cast<double>(testing_support::zlibCompressedSize(data, 6));
}

bool contains(const std::string& text, const char* what) {
    return text.find(what) != std::string::npos;
}

// How often each word (ASCII letters, lower-cased) occurs in the body of a
// plain text message.
void countWords(const std::string& message, std::map<std::string, int>& counts) {
    std::string word;
    for (std::size_t i = message.find("\r\n\r\n"); i < message.size(); ++i) {
        char c = message[i];
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) {
            word += static_cast<char>(c | 0x20);
        } else if (!word.empty()) {
            ++counts[word];
            word.clear();
        }
    }
}

TEST(RealisticProfile, SameSeedGivesSameBytesAndAnotherSeedDiffers) {
    TempDir t;
    std::vector<std::string> args = {"--realistic", "--user", "tester", "--size-mb", "3", "--main-account-share", "60",
                                     "--extra-small-messages", "40"};
    auto with = [&](const char* seed) {
        auto a = args;
        a.insert(a.end(), {"--seed", seed});
        return a;
    };
    makeSamplePrefix(t / "a", with("9"));
    makeSamplePrefix(t / "b", with("9"));
    makeSamplePrefix(t / "c", with("10"));
    auto a = filesOf(t / "a");
    EXPECT_TRUE(a == filesOf(t / "b"));
    EXPECT_FALSE(a == filesOf(t / "c"));
}

TEST(RealisticProfile, MessagesAreShapedAndCompressLikeRealMail) {
    TempDir t;
    makeSamplePrefix(t / "p", {"--realistic", "--user", "tester", "--seed", "4", "--accounts", "4", "--messages", "100"});
    std::vector<std::size_t> sizes;
    int attachments = 0, alternatives = 0;
    std::string textOnly, attached;
    std::map<std::string, int> words;
    for (const auto& account : kFourAccounts) {
        for (const auto& m : messagesBelow(storeOf(t / "p") / account)) {
            std::string text = readFile(m);
            sizes.push_back(text.size());
            bool attachment = contains(text, "Content-Transfer-Encoding: base64\r\n");
            attachments += attachment;
            if (contains(text, "multipart/alternative")) {
                ++alternatives;
                EXPECT_TRUE(contains(text, "Content-Type: text/plain") && contains(text, "Content-Type: text/html"))
                    << m;
            }
            (attachment ? attached : textOnly) += text;
            if (!contains(text, "multipart/")) countWords(text, words);
        }
    }
    ASSERT_EQ(sizes.size(), 400u);
    double n = static_cast<double>(sizes.size());
    EXPECT_GT(attachments / n, 0.24);
    EXPECT_LT(attachments / n, 0.43);
    EXPECT_GT(alternatives / n, 0.25);

    std::sort(sizes.begin(), sizes.end());
    EXPECT_GT(sizes[sizes.size() / 2], 5u * 1024);
    EXPECT_LT(sizes[sizes.size() / 2], 12u * 1024);
    EXPECT_GT(sizes.back(), 200u * 1024);  // the log-normal tail
    EXPECT_LT(sizes.back(), 9u << 20);

    // A vocabulary of many hundred words, drawn by Zipf's law: the commonest
    // word makes up about a tenth of the text.
    int total = 0;
    auto commonest = words.begin();
    for (auto it = words.begin(); it != words.end(); ++it) {
        total += it->second;
        if (it->second > commonest->second) commonest = it;
    }
    EXPECT_GT(words.size(), 800u);
    EXPECT_EQ(commonest->first, "the");
    EXPECT_GT(commonest->second, total / 15);
    EXPECT_LT(commonest->second, total / 6);

    // Text as deflate meets real correspondence; attachments hardly shrink.
    EXPECT_GT(deflateRatio(textOnly), 2.5);
    EXPECT_LT(deflateRatio(textOnly), 3.5);
    EXPECT_LT(deflateRatio(attached), 1.6);
}

TEST(RealisticProfile, TheMainAccountTakesItsShare) {
    TempDir t;
    makeSamplePrefix(t / "p", {"--realistic", "--user", "tester", "--accounts", "4", "--messages", "25",
                               "--main-account-share", "90"});
    std::vector<std::size_t> counts;
    for (const auto& account : kFourAccounts) counts.push_back(messagesBelow(storeOf(t / "p") / account).size());
    EXPECT_EQ(counts[0], 90u);
    for (std::size_t i = 1; i < counts.size(); ++i) {
        EXPECT_GE(counts[i], 3u) << kFourAccounts[i];
        EXPECT_LE(counts[i], 4u) << kFourAccounts[i];
    }
}

TEST(RealisticProfile, ExtraSmallMessagesSpreadOverTheAccounts) {
    TempDir t;
    makeSamplePrefix(t / "p", {"--realistic", "--user", "tester", "--accounts", "4", "--messages", "0",
                               "--extra-small-messages", "400"});
    std::set<fs::path> folders;
    for (const auto& account : kFourAccounts) {
        auto messages = messagesBelow(storeOf(t / "p") / account);
        EXPECT_EQ(messages.size(), 100u) << account;
        for (const auto& m : messages) {
            folders.insert(m.parent_path());
            EXPECT_GE(fs::file_size(m), 300u) << m;
            EXPECT_LE(fs::file_size(m), 2048u) << m;
        }
    }
    EXPECT_GT(folders.size(), 12u);
}

TEST(RealisticProfile, StoreSizeFollowsSizeMbAndTheDatabaseHoldsItsPart) {
    TempDir t;
    makeSamplePrefix(t / "p", {"--realistic", "--user", "tester", "--size-mb", "6"});
    fs::path store = storeOf(t / "p");
    double target = 6.0 * 1024 * 1024;
    auto size = static_cast<double>(bytesBelow(store));
    EXPECT_GT(size, target * 0.9);
    EXPECT_LT(size, target * 1.1);
    auto database = static_cast<double>(fs::file_size(store / "Mail.MSMessageStore"));
    EXPECT_GT(database, size / 3);
    EXPECT_LT(database, size / 2);
}

TEST(RealisticProfile, RefusesAShareAbove100) {
    TempDir t;
    std::string output;
    std::string cmd = testing_support::shellQuote(TARNHOLD_SAMPLE_TOOL) + " " +
                      testing_support::shellQuote((t / "p").string()) + " --realistic --main-account-share 101";
    EXPECT_EQ(testing_support::runCommand(cmd, &output), 2) << output;
    EXPECT_FALSE(fs::exists(t / "p"));
}

}  // namespace
