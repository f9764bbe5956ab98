#include <gtest/gtest.h>

#include "backup/ZipComponent.h"
#include "support/RawZip.h"

using backup::ZipComponent;
using testing_support::RawEntry;
using testing_support::readFile;
using testing_support::TempDir;
using testing_support::writeFile;
using testing_support::writeRawZip;

namespace {

// Text that deflate shrinks but not to nothing, over several read chunks.
std::string mailText(std::size_t bytes) {
    std::string text;
    for (unsigned n = 0; text.size() < bytes; ++n) text += "Line " + std::to_string(n * 2654435761u) + " of the body\r\n";
    return text.substr(0, bytes);
}

std::string streamed(ZipComponent& zip, const backup::ZipMember& m, ZipComponent::StreamEnd* end,
                     std::size_t stopAfter = std::string::npos) {
    std::string got;
    *end = zip.streamMember(m, [&](const char* data, std::size_t n) {
        got.append(data, n);
        return got.size() < stopAfter;
    });
    return got;
}

}  // namespace

TEST(ZipMemberStream, AMemberStreamsWholeOrAsFarAsTheReaderWants) {
    TempDir dir;
    const std::string body = mailText(3 << 20);
    writeRawZip(dir / "a.zip", {{"Inbox/m.eml", body}, {"Inbox/", ""}});
    ZipComponent zip;
    ASSERT_TRUE(zip.openArchive((dir / "a.zip").string()));
    const auto m = zip.findMember("Inbox/m.eml");
    ASSERT_TRUE(m);
    ZipComponent::StreamEnd end;
    EXPECT_EQ(streamed(zip, *m, &end), body);
    EXPECT_EQ(end, ZipComponent::StreamEnd::Whole);
    const std::string start = streamed(zip, *m, &end, 10);
    EXPECT_EQ(end, ZipComponent::StreamEnd::Stopped);
    EXPECT_LT(start.size(), body.size());
    EXPECT_EQ(start, body.substr(0, start.size()));
    EXPECT_TRUE(zip.memberTime(*m));
    EXPECT_EQ(streamed(zip, *zip.findMember("Inbox/"), &end), "");
    EXPECT_EQ(end, ZipComponent::StreamEnd::Whole);
}

TEST(ZipMemberStream, DamageAndUnsafeNamesFailNamingTheMember) {
    TempDir dir;
    const std::string body = mailText(200000);
    writeRawZip(dir / "a.zip", {{"Inbox/m.eml", body}, {"../escape.eml", "x"}});
    std::string bytes = readFile(dir / "a.zip");
    bytes[30 + 11 + 20000] = static_cast<char>(bytes[30 + 11 + 20000] ^ 0x40);  // inside the first member's data
    writeFile(dir / "damaged.zip", bytes);
    ZipComponent zip;
    ASSERT_TRUE(zip.openArchive((dir / "damaged.zip").string()));
    ZipComponent::StreamEnd end;
    streamed(zip, *zip.findMember("Inbox/m.eml"), &end);
    EXPECT_EQ(end, ZipComponent::StreamEnd::Failed);
    EXPECT_NE(zip.lastError().find("\"Inbox/m.eml\": the member is damaged"), std::string::npos) << zip.lastError();
    EXPECT_EQ(streamed(zip, *zip.findMember("../escape.eml"), &end), "");
    EXPECT_EQ(end, ZipComponent::StreamEnd::Failed);
    EXPECT_NE(zip.lastError().find("no plain path"), std::string::npos) << zip.lastError();
}
