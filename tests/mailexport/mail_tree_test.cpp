#include <gtest/gtest.h>

#include "mailexport/MailTree.h"

using namespace mailexport;

namespace {

backup::ZipMember member(const std::string& name, std::uint64_t size = 10) {
    backup::ZipMember m;
    m.name = name;
    m.size = name.back() == '/' ? 0 : size;
    m.directory = name.back() == '/';
    return m;
}

std::vector<std::string> pathsOf(const AccountTree& tree) {
    std::vector<std::string> paths;
    for (const auto& f : tree.folders) paths.push_back(f.path);
    return paths;
}

AccountTree sampleTree() {
    return ReadAccountTree({member("Inbox/Agenda (0000001E).eml", 100), member("Inbox/Family & Friends/"),
                            member("Inbox/Projects/Question (00000023).eml", 40), member("Inbox2/x.EML", 7),
                            member("Sent Items/Budget (0000001F).eml", 5), member("account{AC}.oeaccount", 900),
                            member("Inbox/notes.txt", 3)});
}

}  // namespace

TEST(MailTree, FoldersComeAfterTheirParentsAndOnlyEmlFilesAreMessages) {
    const AccountTree tree = sampleTree();
    EXPECT_EQ(pathsOf(tree), (std::vector<std::string>{"", "Inbox", "Inbox/Family & Friends", "Inbox/Projects",
                                                        "Inbox2", "Sent Items"}));
    const MailFolder& account = tree.folders[0];
    EXPECT_TRUE(account.messages.empty());
    ASSERT_EQ(account.otherFiles.size(), 1u);
    EXPECT_EQ(tree.members[account.otherFiles[0]].name, "account{AC}.oeaccount");
    const MailFolder& inbox = tree.folders[1];
    EXPECT_EQ(inbox.messages.size(), 1u);
    EXPECT_EQ(inbox.messageBytes, 100u);
    EXPECT_EQ(inbox.otherFiles.size(), 1u);  // notes.txt is no message
    EXPECT_TRUE(inbox.hasSubfolders);
    EXPECT_EQ(tree.folders[2].parent, 1u);
    EXPECT_TRUE(tree.folders[2].messages.empty());
    EXPECT_EQ(tree.folders[4].messages.size(), 1u);  // ".EML" counts too
    EXPECT_FALSE(tree.folders[5].hasSubfolders);
}

TEST(MailTree, FoldersAreFoundByPathAndComeWithTheirSubfolders) {
    const AccountTree tree = sampleTree();
    EXPECT_EQ(tree.find("Inbox/Projects"), 3u);
    EXPECT_EQ(tree.find("inbox/projects"), 3u);
    EXPECT_EQ(tree.find(""), 0u);
    EXPECT_FALSE(tree.find("Outbox"));
    EXPECT_EQ(tree.subtree(1), (std::vector<std::size_t>{1, 2, 3}));
    EXPECT_EQ(tree.subtree(0).size(), tree.folders.size());
    EXPECT_EQ(tree.subtree(5), (std::vector<std::size_t>{5}));
    EXPECT_EQ(LastName("Inbox/Projects"), "Projects");
    EXPECT_EQ(LastName("Inbox"), "Inbox");
    // An empty archive is still an account.
    EXPECT_EQ(pathsOf(ReadAccountTree({})), std::vector<std::string>{""});
}
