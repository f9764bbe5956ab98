#include <gtest/gtest.h>

#include <filesystem>

#include "mailexport/OutputFile.h"
#include "support/TestSupport.h"

using mailexport::OutputFile;
using testing_support::readFile;
using testing_support::TempDir;
using testing_support::writeFile;
namespace fs = std::filesystem;

TEST(OutputFile, AppearsUnderItsNameOnlyWhenComplete) {
    TempDir dir;
    OutputFile out;
    ASSERT_TRUE(out.open((dir / "staged").string(), (dir / "Inbox").string()));
    ASSERT_TRUE(out.write("first\n"));
    EXPECT_FALSE(fs::exists(dir / "Inbox"));
    ASSERT_TRUE(out.commit(1300180953));
    EXPECT_EQ(readFile(dir / "Inbox"), "first\n");
    EXPECT_FALSE(fs::exists(dir / "staged"));
    const auto when = fs::last_write_time(dir / "Inbox");
    EXPECT_EQ(std::chrono::duration_cast<std::chrono::seconds>(
                  std::chrono::file_clock::to_sys(when).time_since_epoch()).count(), 1300180953);
}

TEST(OutputFile, WhatWasDroppedIsGoneEvenAfterItReachedTheDisk) {
    TempDir dir;
    OutputFile out;
    ASSERT_TRUE(out.open((dir / "staged").string(), (dir / "Inbox").string()));
    ASSERT_TRUE(out.write("kept\n"));
    const auto mark = out.size();
    ASSERT_TRUE(out.write(std::string(3 << 20, 'x')));  // flushed in pieces on the way
    out.cutBackTo(mark);
    ASSERT_TRUE(out.write("next\n"));
    const auto second = out.size();
    ASSERT_TRUE(out.write("dropped while pending"));
    out.cutBackTo(second);
    ASSERT_TRUE(out.commit());
    EXPECT_EQ(readFile(dir / "Inbox"), "kept\nnext\n");
}

TEST(OutputFile, NeverTakesTheNameOfWhatExists) {
    TempDir dir;
    writeFile(dir / "Inbox", "someone's mail");
    OutputFile out;
    ASSERT_TRUE(out.open((dir / "staged").string(), (dir / "Inbox").string()));
    ASSERT_TRUE(out.write("export"));
    EXPECT_FALSE(out.commit());
    EXPECT_NE(out.error().find("exists already"), std::string::npos) << out.error();
    EXPECT_EQ(readFile(dir / "Inbox"), "someone's mail");
    EXPECT_FALSE(fs::exists(dir / "staged"));

    OutputFile abandoned;
    ASSERT_TRUE(abandoned.open((dir / "staged2").string(), (dir / "Sent").string()));
    ASSERT_TRUE(abandoned.write("half"));
    abandoned.abandon();
    EXPECT_FALSE(fs::exists(dir / "staged2"));
    EXPECT_FALSE(fs::exists(dir / "Sent"));
}
