#pragma once
// The messages of the store as the client saves them: one RFC 822 file per
// message, CRLF line ends, MIME headers, plain or HTML bodies and now and
// then a base64 attachment.

#include <cstdint>
#include <string>

#include "Accounts.h"
#include "Random.h"
#include "Text.h"

namespace sample {

// How large one message is, and whether it carries an attachment; the sizes
// average `averageBytes`, attachments making the large ones as in real mail.
struct MessageShape {
    std::uint64_t bytes = 0;
    bool attachment = false;
};
MessageShape drawShape(Rng& rng, std::uint64_t averageBytes);

class MessageWriter {
public:
    // A realistic writer uses natural text, HTML alternatives in most of the longer mail
    // the messages, attachments wherever the shape asks for one, signed
    // headers on incoming mail and subjects of their own.
    MessageWriter(Rng& rng, const std::string& user, bool realistic = false);

    // Replaces `out` with a message of about shape.bytes for a folder of the
    // account; returns its subject.
    std::string build(const Account& account, const MailFolder& folder, const MessageShape& shape,
                      std::string& out);

private:
    struct Parts;
    void chooseParts(const Account& account, const MessageShape& shape, Parts& parts);
    void chooseRealisticParts(const Account& account, const MessageShape& shape, Parts& parts);
    std::string subject();
    std::string headers(const Account& account, const MailFolder& folder, const Parts& parts);
    std::string signatureHeader(const Parts& parts);
    void body(const Parts& parts, std::size_t bytes, std::string& out);
    void realisticBody(const Parts& parts, std::size_t bytes, std::string& out);
    void alternativeParts(const Parts& parts, std::size_t bytes, std::string& out);
    void attachmentPart(const Parts& parts, std::size_t encodedBytes, std::string& out);
    void textBody(const Parts& parts, std::size_t bytes, std::string& out);
    std::string boundary();

    Rng& rng_;
    TextFiller filler_;
    std::string user_;
    bool realistic_;
};

// A file name for a message: its subject made safe for file systems, and a
// number unique in the store.
std::string messageFileName(const std::string& subject, std::uint64_t number);

}  // namespace sample
