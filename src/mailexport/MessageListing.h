#pragma once
// What a listing shows of a folder's messages: date, sender, subject (in
// UTF-8, encoded words decoded) and size, read from each message's headers
// as it inflates; a message is read no further than its headers.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "backup/ZipComponent.h"
#include "mailexport/MailTree.h"

namespace mailexport {

struct MessageRow {
    enum class Kind { Message, NotAMessage, Damaged };
    Kind kind = Kind::Message;
    std::string member;  // its name in the folder archive
    std::uint64_t size = 0;
    std::optional<std::int64_t> date;  // from its Date field
    std::string sender;
    std::string subject;
    std::string problem;  // why it is damaged
};

// The rows of a folder's own messages, in archive order.
std::vector<MessageRow> ListMessages(backup::ZipComponent& zip, const AccountTree& tree, std::size_t folder);

}  // namespace mailexport
