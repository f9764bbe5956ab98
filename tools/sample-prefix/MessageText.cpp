#include "MessageText.h"

#include <algorithm>
#include <array>
#include <cstdio>

namespace sample {

namespace {

constexpr std::int64_t kFirstDate = 1262304000;  // 2010-01-01
constexpr std::uint32_t kDateSpan = 3 * 365 * 86400;
constexpr std::array kZones = {60, 120, 0, -300, 60, 330};

struct Attachment {
    const char* name;
    const char* type;
};
constexpr std::array kAttachments = {
    Attachment{"report.pdf", "application/pdf"},
    Attachment{"IMG_0412.JPG", "image/jpeg"},
    Attachment{"budget 2012.xlsx", "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet"},
    Attachment{"minutes.docx", "application/vnd.openxmlformats-officedocument.wordprocessingml.document"},
    Attachment{"photos.zip", "application/x-zip-compressed"},
};

bool isAscii(const std::string& s) {
    for (char c : s)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

// Header text as RFC 2047 carries what is not ASCII.
std::string encodedWord(const std::string& name) {
    std::string out = "=?utf-8?Q?";
    char hex[4];
    for (char c : name) {
        auto u = static_cast<unsigned char>(c);
        if (c == ' ') out += '_';
        else if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) out += c;
        else {
            std::snprintf(hex, sizeof hex, "=%02X", u);
            out += hex;
        }
    }
    return out + "?=";
}

// A display name as a header carries it: quoted, or encoded when not ASCII.
std::string headerName(const std::string& name) {
    return isAscii(name) ? "\"" + name + "\"" : encodedWord(name);
}

std::string headerText(const std::string& text) {
    return isAscii(text) ? text : encodedWord(text);
}

// Random base64 as signatures and hashes carry it, without line breaks.
std::string base64Text(Rng& rng, std::size_t chars) {
    static constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string s;
    for (std::size_t i = 0; i < chars; ++i) s.push_back(kAlphabet[rng.below(64)]);
    return s;
}

constexpr std::string_view kPreamble = "This is a multi-part message in MIME format.\r\n\r\n";
constexpr std::string_view kTextHeaders =
    "Content-Type: text/plain;\r\n\tcharset=\"utf-8\"\r\nContent-Transfer-Encoding: 8bit\r\n\r\n";

std::string mailbox(const Person& p) {
    return headerName(p.name) + " <" + p.address + ">";
}

std::string domainOf(const std::string& address) {
    return address.substr(address.find('@') + 1);
}

}  // namespace

MessageShape drawShape(Rng& rng, std::uint64_t averageBytes) {
    // 85% plain at 0.30-1.00 of the average, 15% with an attachment at
    // 2.00-3.97: together they average 1.00.
    MessageShape shape;
    shape.attachment = rng.percent(15);
    std::uint64_t perMille = shape.attachment ? rng.between(2000, 3970) : rng.between(300, 1000);
    shape.bytes = averageBytes * perMille / 1000;
    return shape;
}

struct MessageWriter::Parts {
    Person correspondent;
    std::string subject;
    std::string date;
    std::string messageId;
    bool outgoing = false;
    bool reply = false;
    bool html = false;
    bool signature = false;
    bool attachment = false;
    bool signed_ = false;  // a DKIM signature in the headers
    std::int64_t when = 0;
    std::string boundary;
    std::string altBoundary;
};

MessageWriter::MessageWriter(Rng& rng, const std::string& user, bool realistic)
    : rng_(rng), filler_(rng, realistic ? TextStyle::Natural : TextStyle::Plain), user_(user),
      realistic_(realistic) {}

std::string MessageWriter::boundary() {
    return "----=_NextPart_00" + std::to_string(rng_.below(3)) + "_" + makeHex(rng_, 4) + "_" +
           makeHex(rng_, 8) + "." + makeHex(rng_, 8);
}

std::string MessageWriter::build(const Account& account, const MailFolder& folder,
                                 const MessageShape& shape, std::string& out) {
    Parts p;
    p.correspondent = makePerson(rng_);
    std::uint32_t kind = rng_.below(100);
    p.reply = kind < 30;
    p.subject = (p.reply ? "Re: " : kind < 38 ? "Fwd: " : "") + subject();
    p.when = kFirstDate + rng_.below(kDateSpan);
    p.date = mailDate(p.when, kZones[rng_.below(kZones.size())]);
    p.outgoing = folder.outgoing;
    std::string idDomain = p.outgoing ? domainOf(account.address) : domainOf(p.correspondent.address);
    p.messageId = "<" + makeHex(rng_, 16) + "." + makeHex(rng_, 4) + "@" + idDomain + ">";
    if (realistic_) chooseRealisticParts(account, shape, p);
    else chooseParts(account, shape, p);

    out.clear();
    out += headers(account, folder, p);
    std::size_t bodyBytes = shape.bytes > out.size() + 100 ? shape.bytes - out.size() : 100;
    body(p, bodyBytes, out);
    return p.subject;
}

void MessageWriter::chooseParts(const Account& account, const MessageShape& shape, Parts& p) {
    p.attachment = shape.attachment && account.kind == AccountKind::Mail;
    p.html = !p.attachment && account.kind == AccountKind::Mail && shape.bytes >= 1500 && rng_.percent(30);
    p.signature = rng_.percent(50);
    if (p.attachment) p.boundary = boundary();
    if (p.html) p.altBoundary = boundary();
}

void MessageWriter::chooseRealisticParts(const Account& account, const MessageShape& shape, Parts& p) {
    bool mail = account.kind == AccountKind::Mail;
    p.attachment = shape.attachment;
    p.html = mail && shape.bytes >= 2500 && rng_.percent(65);
    p.signature = rng_.percent(60);
    p.signed_ = mail && !p.outgoing && shape.bytes >= 4096 && rng_.percent(70);
    if (p.attachment) p.boundary = boundary();
    if (p.html) p.altBoundary = boundary();
}

std::string MessageWriter::subject() {
    if (!realistic_ || rng_.percent(20)) return makeSubject(rng_);
    std::string s;
    filler_.phrase(s, 2 + static_cast<int>(rng_.below(6)));
    return s;
}

// The DKIM signature a receiving server finds on incoming mail: a few hundred
// bytes of base64 that compress no better than the attachments.
std::string MessageWriter::signatureHeader(const Parts& p) {
    std::string b = base64Text(rng_, 344);
    return "DKIM-Signature: v=1; a=rsa-sha256; c=relaxed/relaxed; d=" + domainOf(p.correspondent.address) +
           "; s=s" + std::to_string(1024 + rng_.below(3) * 1024) + ";\r\n\tt=" + std::to_string(p.when) +
           "; h=from:to:subject:date:message-id:mime-version;\r\n\tbh=" + base64Text(rng_, 43) + "=;\r\n\tb=" +
           b.substr(0, 172) + "\r\n\t " + b.substr(172) + "\r\n";
}

std::string MessageWriter::headers(const Account& account, const MailFolder& folder, const Parts& p) {
    std::string h;
    std::string me = headerName(user_) + " <" + account.address + ">";
    if (account.kind == AccountKind::News) {
        h += "From: " + mailbox(p.correspondent) + "\r\n";
        h += "Newsgroups: " + folder.path + "\r\n";
        h += "Path: " + account.incomingServer + "!not-for-mail\r\n";
    } else {
        if (!p.outgoing) {
            h += "Received: from mx" + std::to_string(rng_.below(9) + 1) + "." +
                 domainOf(p.correspondent.address) + " ([192.0.2." + std::to_string(rng_.below(250) + 1) +
                 "])\r\n\tby " + account.incomingServer + " with ESMTP;\r\n\t" + p.date + "\r\n";
        }
        if (p.signed_) h += signatureHeader(p);
        h += "From: " + (p.outgoing ? me : mailbox(p.correspondent)) + "\r\n";
        h += "To: " + (p.outgoing ? mailbox(p.correspondent) : me) + "\r\n";
    }
    h += "Subject: " + headerText(p.subject) + "\r\n";
    h += "Date: " + p.date + "\r\n";
    h += "Message-ID: " + p.messageId + "\r\n";
    if (p.reply) h += "References: <" + makeHex(rng_, 12) + "@" + domainOf(p.correspondent.address) + ">\r\n";
    h += "MIME-Version: 1.0\r\n";
    if (p.attachment) h += "Content-Type: multipart/mixed;\r\n\tboundary=\"" + p.boundary + "\"\r\n";
    else if (p.html) h += "Content-Type: multipart/alternative;\r\n\tboundary=\"" + p.altBoundary + "\"\r\n";
    else h += "Content-Type: text/plain;\r\n\tcharset=\"utf-8\"\r\nContent-Transfer-Encoding: 8bit\r\n";
    h += "X-Priority: 3\r\n\r\n";
    return h;
}

void MessageWriter::body(const Parts& p, std::size_t bytes, std::string& out) {
    if (realistic_) return realisticBody(p, bytes, out);
    if (p.attachment) {
        std::size_t text = bytes / 4 > 200 ? bytes / 4 : 200;
        out += kPreamble;
        out += "--" + p.boundary + "\r\n";
        out += kTextHeaders;
        textBody(p, text, out);
        attachmentPart(p, bytes > text + 400 ? bytes - text - 400 : 76, out);
    } else if (p.html) {
        out += kPreamble;
        alternativeParts(p, bytes, out);
    } else {
        textBody(p, bytes, out);
    }
}

// An attachment follows a short text, or the text and its HTML alternative.
void MessageWriter::realisticBody(const Parts& p, std::size_t bytes, std::string& out) {
    if (!p.attachment && !p.html) return textBody(p, bytes, out);
    out += kPreamble;
    if (!p.attachment) return alternativeParts(p, bytes, out);
    std::size_t text = std::min<std::size_t>(bytes / 2, 500 + rng_.below(4000));
    out += "--" + p.boundary + "\r\n";
    if (p.html) {
        out += "Content-Type: multipart/alternative;\r\n\tboundary=\"" + p.altBoundary + "\"\r\n\r\n";
        alternativeParts(p, text, out);
    } else {
        out += kTextHeaders;
        textBody(p, text, out);
    }
    attachmentPart(p, bytes > text + 400 ? bytes - text - 400 : 76, out);
}

void MessageWriter::alternativeParts(const Parts& p, std::size_t bytes, std::string& out) {
    out += "--" + p.altBoundary + "\r\n";
    out += kTextHeaders;
    textBody(p, bytes * 2 / 5, out);
    out += "\r\n--" + p.altBoundary + "\r\n";
    out += "Content-Type: text/html;\r\n\tcharset=\"utf-8\"\r\nContent-Transfer-Encoding: 8bit\r\n\r\n";
    out += "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.0 Transitional//EN\">\r\n<HTML><HEAD>\r\n"
           "<META content=\"text/html; charset=utf-8\" http-equiv=Content-Type></HEAD>\r\n"
           "<BODY style=\"PADDING-LEFT: 10px; PADDING-RIGHT: 10px; PADDING-TOP: 15px\">\r\n";
    filler_.html(out, bytes * 3 / 5 > 600 ? bytes * 3 / 5 - 600 : 100);
    out += "</BODY></HTML>\r\n\r\n--" + p.altBoundary + "--\r\n";
}

void MessageWriter::attachmentPart(const Parts& p, std::size_t encodedBytes, std::string& out) {
    const Attachment& a = kAttachments[rng_.below(kAttachments.size())];
    out += "\r\n--" + p.boundary + "\r\n";
    out += std::string("Content-Type: ") + a.type + ";\r\n\tname=\"" + a.name + "\"\r\n";
    out += "Content-Transfer-Encoding: base64\r\n";
    out += std::string("Content-Disposition: attachment;\r\n\tfilename=\"") + a.name + "\"\r\n\r\n";
    filler_.base64(out, encodedBytes);
    out += "\r\n--" + p.boundary + "--\r\n";
}

void MessageWriter::textBody(const Parts& p, std::size_t bytes, std::string& out) {
    std::string signature = p.signature ? "\r\n-- \r\n" + (p.outgoing ? user_ : p.correspondent.name) + "\r\n" : "";
    std::string original = p.reply ? "\r\n----- Original Message -----\r\nFrom: " + p.correspondent.name +
                                         "\r\nSent: " + p.date + "\r\nSubject: " + p.subject.substr(4) + "\r\n\r\n"
                                   : "";
    std::size_t extras = signature.size() + original.size();
    std::size_t text = bytes > extras + 100 ? bytes - extras : 100;
    std::size_t own = p.reply ? text * 3 / 5 : text;
    filler_.prose(out, own);
    out += signature;
    if (!p.reply) return;
    out += original;
    filler_.prose(out, text - own, "> ");
}

std::string messageFileName(const std::string& subject, std::uint64_t number) {
    // At most 40 bytes, not cutting a UTF-8 sequence in two.
    std::size_t length = std::min<std::size_t>(subject.size(), 40);
    while (length < subject.size() && (static_cast<unsigned char>(subject[length]) & 0xC0) == 0x80) --length;
    std::string name;
    for (char c : subject.substr(0, length)) {
        bool unsafe = c == '/' || c == '\\' || c == ':' || c == '*' || c == '?' || c == '"' ||
                      c == '<' || c == '>' || c == '|';
        name += unsafe ? '_' : c;
    }
    char id[24];
    std::snprintf(id, sizeof id, " (%08llX).eml", static_cast<unsigned long long>(number));
    return name + id;
}

}  // namespace sample
