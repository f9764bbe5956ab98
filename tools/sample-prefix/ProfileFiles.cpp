#include "ProfileFiles.h"

#include <cstdio>

#include "platform/Registry.h"

namespace sample {

namespace {

std::string toUtf16File(const std::string& utf8) {
    std::vector<std::uint8_t> units = platform::utf8ToUtf16le(utf8);
    std::string out = "\xFF\xFE";
    out.append(units.begin(), units.end());
    return out;
}

std::string entry(const std::string& name, const char* type, const std::string& value) {
    return "\t<" + name + " type=\"" + type + "\">" + value + "</" + name + ">\r\n";
}

std::string dword(std::uint32_t v) {
    char buf[12];
    std::snprintf(buf, sizeof buf, "%08x", v);
    return buf;
}

std::string xmlFile(const std::string& entries) {
    return toUtf16File("<?xml version=\"1.0\" encoding=\"utf-16\" ?>\r\n<MessageAccount>\r\n" + entries +
                       "</MessageAccount>\r\n");
}

// Calendar lines longer than 75 octets continue on lines starting with a space.
std::string foldCalendarLines(const std::string& text) {
    std::string out;
    std::size_t column = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        bool continuation = (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80;
        if (column >= 75 && text[i] != '\r' && !continuation) {
            out += "\r\n ";
            column = 1;
        }
        out += text[i];
        column = text[i] == '\n' ? 0 : column + 1;
    }
    return out;
}

void appendLittleEndian(std::string& out, std::uint64_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

}  // namespace

std::string accountFile(const Account& a, const std::string& user) {
    std::string e = entry("Account_Name", "SZ", a.folder);
    if (a.kind == AccountKind::News) {
        e += entry("Connection_Type", "DWORD", dword(3));
        e += entry("NNTP_Server", "SZ", a.incomingServer);
        e += entry("NNTP_Display_Name", "SZ", user);
        e += entry("NNTP_Email_Address", "SZ", a.address);
        e += entry("NNTP_Port", "DWORD", dword(119));
        e += entry("NNTP_Use_Descriptions", "DWORD", dword(1));
        return xmlFile(e);
    }
    const std::string& p = a.protocol;
    e += entry("Connection_Type", "DWORD", dword(3));
    e += entry(p + "_Server", "SZ", a.incomingServer);
    e += entry(p + "_User_Name", "SZ", a.address);
    e += entry(p + "_Password2", "BINARY", "01000000d08c9ddf0115d1118c7a00c04fc297eb0100000045");
    e += entry(p + "_Prompt_Password", "DWORD", dword(0));
    if (p != "HTTPMail") e += entry(p + "_Port", "DWORD", dword(p == "IMAP" ? 993 : 995));
    e += entry("SMTP_Server", "SZ", a.outgoingServer);
    e += entry("SMTP_Display_Name", "SZ", user);
    e += entry("SMTP_Email_Address", "SZ", a.address);
    e += entry("SMTP_Port", "DWORD", dword(587));
    e += entry("SMTP_Secure_Connection", "DWORD", dword(1));
    e += entry("Account_ID", "SZ", a.guid);
    return xmlFile(e);
}

std::string directoryAccountFile(int which) {
    const char* name = which == 0 ? "Active Directory" : "Company Directory";
    const char* server = which == 0 ? "ldap.corp.example.org" : "directory.example.com";
    std::string e = entry("Account_Name", "SZ", name);
    e += entry("Connection_Type", "DWORD", dword(3));
    e += entry("LDAP_Server", "SZ", server);
    e += entry("LDAP_Port", "DWORD", dword(389));
    e += entry("LDAP_Search_Base", "SZ", "dc=example,dc=org");
    e += entry("LDAP_Timeout", "DWORD", dword(60));
    e += entry("LDAP_Maximum_Results", "DWORD", dword(100));
    e += entry("LDAP_Resolve_Flag", "DWORD", dword(which));
    return xmlFile(e);
}

std::string calendarFile(Rng& rng, TextFiller& filler, const std::string& calendarName) {
    std::string s = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Sample Profile//Calendar 1.0//EN\r\n"
                    "X-WR-CALNAME:" + calendarName + "\r\nMETHOD:PUBLISH\r\n";
    int events = 3 + static_cast<int>(rng.below(5));
    for (int i = 0; i < events; ++i) {
        std::int64_t start = 1293840000 + rng.below(2 * 365 * 86400) / 900 * 900;  // 2011-2012
        s += "BEGIN:VEVENT\r\nUID:" + makeGuid(rng) + "\r\nDTSTAMP:" + icsDate(start - 86400) +
             "\r\nDTSTART:" + icsDate(start) + "\r\nDTEND:" + icsDate(start + 1800 * (1 + rng.below(6))) +
             "\r\nSUMMARY:";
        filler.phrase(s, 2 + static_cast<int>(rng.below(4)));
        s += "\r\nDESCRIPTION:";
        filler.phrase(s, 6 + static_cast<int>(rng.below(12)));
        s += "\r\nLOCATION:";
        filler.phrase(s, 2);
        s += "\r\nEND:VEVENT\r\n";
    }
    return foldCalendarLines(s + "END:VCALENDAR\r\n");
}

void writeDatabase(OutputTree& tree, const std::string& relativePath, std::uint64_t bytes,
                   std::uint32_t pageSize, TextFiller& filler, Rng& rng) {
    OutputTree::Stream out(tree, relativePath);
    std::uint64_t pages = (bytes + pageSize - 1) / pageSize;
    std::string page;
    page.reserve(pageSize + 256);
    for (std::uint64_t n = 0; n < pages; ++n) {
        page.clear();
        filler.randomBytes(page, 4);                          // checksum
        appendLittleEndian(page, n == 0 ? 0x89ABCDEF : n, 4);  // signature on the header page
        appendLittleEndian(page, 0x620, 4);                   // format version
        page.append(28, '\0');
        // Pages are 30-90% full of records, the rest free space.
        std::size_t used = pageSize * (30 + rng.below(61)) / 100;
        while (n > 0 && page.size() < used) {
            std::size_t recordStart = page.size();
            page.append(2, '\0');
            filler.randomBytes(page, 8);  // record id and column tags
            filler.phrase(page, 3 + static_cast<int>(rng.below(10)));
            auto length = static_cast<std::uint16_t>(page.size() - recordStart);
            page[recordStart] = static_cast<char>(length & 0xFF);
            page[recordStart + 1] = static_cast<char>(length >> 8);
        }
        page.resize(pageSize, '\0');
        out.append(page);
    }
    out.finish();
}

std::string jpegImage(TextFiller& filler, std::size_t bytes) {
    std::string s("\xFF\xD8\xFF\xE0\x00\x10JFIF\x00\x01\x01\x00\x00\x01\x00\x01\x00\x00", 20);
    filler.randomBytes(s, bytes > 22 ? bytes - 22 : 0);
    return s + "\xFF\xD9";
}

std::string stationeryPage(const std::string& title, const std::string& image, TextFiller& filler) {
    std::string s = "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.0 Transitional//EN\">\r\n<HTML><HEAD>\r\n"
                    "<TITLE>" + title + "</TITLE>\r\n<STYLE>\r\nBODY {\r\n\tFONT-SIZE: 10pt; "
                    "COLOR: #000066; FONT-FAMILY: Arial\r\n}\r\n</STYLE>\r\n</HEAD>\r\n";
    s += image.empty() ? "<BODY bgColor=#ffffff>\r\n" : "<BODY background=\"" + image + "\">\r\n";
    filler.html(s, 400);
    return s + "</BODY></HTML>\r\n";
}

std::string programPlaceholder() {
    std::string s("MZ\x90\x00\x03\x00\x00\x00\x04\x00\x00\x00\xFF\xFF\x00\x00", 16);
    s.resize(0x40, '\0');
    s += "This program cannot be run in DOS mode.\r\r\n$";
    s.resize(4096, '\0');
    return s;
}

}  // namespace sample
