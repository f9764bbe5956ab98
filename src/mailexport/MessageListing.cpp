#include "mailexport/MessageListing.h"

#include "mailexport/EncodedWords.h"
#include "mailexport/MailDates.h"
#include "mailexport/MessageHeaders.h"

namespace mailexport {

namespace {

// The charset the message declares for its text: bare 8-bit header bytes
// are most likely in it too.
std::string declaredCharset(const MessageStart& start) {
    return CharsetParameter(start.field("Content-Type").value_or(""));
}

// The sender and subject a listing shows, decoded.
std::string shownSender(const MessageStart& start) {
    return DecodeHeaderText(FirstMailboxName(start.field("From").value_or("")), declaredCharset(start));
}

std::string shownSubject(const MessageStart& start) {
    return DecodeHeaderText(start.field("Subject").value_or(""), declaredCharset(start));
}

MessageRow rowOf(backup::ZipComponent& zip, const backup::ZipMember& member) {
    MessageRow row;
    row.member = member.name;
    row.size = member.size;
    HeaderCollector headers;
    const auto end = zip.streamMember(member, [&](const char* data, std::size_t n) {
        return !headers.take(std::string_view(data, n));
    });
    if (end == backup::ZipComponent::StreamEnd::Failed) {
        row.kind = MessageRow::Kind::Damaged;
        row.problem = zip.lastError();
        return row;
    }
    if (headers.state() == HeaderScan::Incomplete) headers.finish();
    if (headers.state() == HeaderScan::NotAMessage) {
        row.kind = MessageRow::Kind::NotAMessage;
        return row;
    }
    const MessageStart& start = headers.start();
    if (auto date = start.field("Date")) row.date = ParseMailDate(*date);
    row.sender = shownSender(start);
    row.subject = shownSubject(start);
    return row;
}

}  // namespace

std::vector<MessageRow> ListMessages(backup::ZipComponent& zip, const AccountTree& tree, std::size_t folder) {
    std::vector<MessageRow> rows;
    for (std::size_t index : tree.folders[folder].messages) rows.push_back(rowOf(zip, tree.members[index]));
    return rows;
}

}  // namespace mailexport
