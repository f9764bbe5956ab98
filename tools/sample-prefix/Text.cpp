#include "Text.h"

#include <array>
#include <cstdio>

#include "Words.h"

namespace sample {

namespace {

// Common words, weighted by repetition towards the short ones, so that the
// text compresses roughly as ordinary correspondence does. (Typed with
// to_array: deducing a list this long exceeds clang's nesting limit.)
constexpr auto kWords = std::to_array<const char*>({
    "the", "the", "the", "and", "and", "to", "to", "of", "of", "a", "a", "in", "in", "is",
    "it", "you", "that", "we", "for", "for", "on", "be", "this", "with", "are", "have",
    "will", "can", "as", "at", "not", "your", "all", "our", "but", "from", "if", "or", "by",
    "so", "me", "my", "an", "do", "just", "about", "would", "there", "what", "when", "they",
    "was", "were", "been", "has", "had", "more", "one", "some", "like", "them", "out", "up",
    "also", "time", "week", "next", "last", "today", "tomorrow", "morning", "afternoon",
    "evening", "meeting", "project", "report", "draft", "schedule", "budget", "invoice",
    "order", "delivery", "customer", "team", "office", "holiday", "weekend", "family",
    "dinner", "lunch", "coffee", "trip", "flight", "hotel", "train", "station", "car",
    "garden", "house", "kitchen", "school", "children", "birthday", "party", "present",
    "photos", "pictures", "document", "attachment", "version", "changes", "review",
    "comments", "question", "questions", "answer", "problem", "issue", "solution", "idea",
    "plan", "plans", "proposal", "contract", "agreement", "price", "prices", "quote",
    "payment", "account", "details", "address", "number", "phone", "call", "email",
    "message", "letter", "note", "list", "items", "copy", "file", "files", "folder",
    "backup", "computer", "printer", "network", "server", "password", "update", "software",
    "please", "thanks", "thank", "sorry", "hope", "think", "know", "need", "want", "send",
    "sent", "receive", "received", "check", "checked", "confirm", "confirmed", "agree",
    "discuss", "discussed", "prepare", "prepared", "finish", "finished", "start", "started",
    "arrive", "arrived", "leave", "left", "bring", "brought", "meet", "met", "ask", "asked",
    "tell", "told", "see", "saw", "look", "looking", "forward", "back", "soon", "later",
    "already", "still", "again", "maybe", "perhaps", "probably", "certainly", "really",
    "quite", "very", "much", "many", "few", "little", "good", "great", "nice", "fine",
    "better", "best", "new", "old", "small", "large", "long", "short", "early", "late",
    "first", "second", "final", "other", "same", "different", "important", "urgent",
    "possible", "available", "ready", "happy", "busy", "free", "open", "closed", "usual",
    "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday", "Sunday",
    "January", "March", "April", "June", "September", "October", "December",
    "room", "floor", "building", "city", "town", "road", "street", "river", "lake",
    "weather", "rain", "snow", "sun", "summer", "winter", "spring", "autumn", "season",
    "book", "books", "film", "music", "concert", "tickets", "game", "match", "club",
    "doctor", "appointment", "dentist", "bank", "shop", "market", "groceries", "bread",
    "milk", "cheese", "wine", "cake", "recipe", "oven", "table", "chairs", "window",
    "door", "keys", "bike", "bus", "airport", "luggage", "passport", "visa", "map",
    "minutes", "hours", "days", "weeks", "months", "year", "years", "deadline", "date",
    "figures", "numbers", "totals", "results", "sales", "costs", "expenses", "receipt",
    "supplier", "warehouse", "stock", "shipment", "parcel", "package", "label", "form",
    "application", "interview", "position", "manager", "colleague", "colleagues",
    "department", "board", "minutes", "agenda", "presentation", "slides", "summary",
    "because", "although", "however", "therefore", "otherwise", "instead", "while",
    "before", "after", "during", "until", "since", "between", "through", "without",
    "which", "who", "where", "why", "how", "then", "than", "only", "even", "well", "here",
    "caf\xc3\xa9", "na\xc3\xafve", "r\xc3\xa9sum\xc3\xa9", "M\xc3\xbcller", "Z\xc3\xbcrich",
});

constexpr std::array kFirstNames = {
    "Alice", "Bernd", "Carla", "David", "Elena", "Frank", "Greta", "Hugo", "Ines", "Jonas",
    "Karin", "Lukas", "Maria", "Nils", "Olga", "Paul", "Rosa", "Stefan", "Tanja", "Ulrich",
    "Vera", "Walter", "Yvonne", "Ren\xc3\xa9", "Chlo\xc3\xa9", "J\xc3\xbcrgen", "Sean", "Priya",
};
constexpr std::array kLastNames = {
    "Weber", "Novak", "Lindqvist", "Moreau", "Okafor", "Brennan", "Castillo", "Hartmann",
    "Jansen", "Kowalski", "Larsen", "Marino", "Nakamura", "Olsen", "Petrov", "Quinn",
    "Rossi", "Schubert", "Tanaka", "Vogel", "Whitfield", "Young", "Zimmermann", "Ferreira",
};
constexpr std::array kDomains = {
    "example.org", "example.com", "example.net", "mail.example.org", "post.example.com",
    "corp.example.net", "family.example.org",
};
constexpr std::array kSubjects = {
    "Meeting on Thursday", "Quarterly figures", "Holiday photos", "Invoice 2011-0417",
    "Your order has been dispatched", "Dinner on Saturday?", "Draft of the proposal",
    "Minutes of the board meeting", "New phone number", "Flight times", "Birthday party",
    "Budget for next year", "Printer on the second floor", "Question about the contract",
    "Agenda for Monday", "Weekend plans", "Recipe you asked for", "Updated schedule",
    "Tickets for the concert", "Project status", "Password reset", "Team lunch",
    "Summer timetable", "Shipment delayed", "Revised quote", "Interview next week",
    "Garden club newsletter", "Reminder: dentist appointment", "Photos from the trip",
    "Server maintenance tonight", "Expenses for March", "Welcome to the team",
};
constexpr std::array kMonths = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
constexpr std::array kWeekdays = {"Thu", "Fri", "Sat", "Sun", "Mon", "Tue", "Wed"};  // from 1970-01-01

constexpr std::size_t kLineWidth = 72;
constexpr std::uint32_t kPhrasePercent = 8;  // of the natural text's words, a common phrase instead

template <class Source, class Table>
const char* pickFrom(Source& rng, const Table& table) {
    return table[rng.below(static_cast<std::uint32_t>(table.size()))];
}

struct Civil {
    int year, month, day, hour, minute, second, weekday;
};

// The calendar date of a day count since 1970 (proleptic Gregorian).
Civil civilFrom(std::int64_t unixSeconds) {
    std::int64_t days = unixSeconds >= 0 ? unixSeconds / 86400 : (unixSeconds - 86399) / 86400;
    auto secs = static_cast<int>(unixSeconds - days * 86400);
    Civil c{};
    c.weekday = static_cast<int>(((days % 7) + 7) % 7);
    std::int64_t z = days + 719468;
    std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    auto doe = static_cast<unsigned>(z - era * 146097);
    unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    unsigned mp = (5 * doy + 2) / 153;
    c.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    c.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    c.year = static_cast<int>(static_cast<std::int64_t>(yoe) + era * 400 + (c.month <= 2 ? 1 : 0));
    c.hour = secs / 3600;
    c.minute = secs / 60 % 60;
    c.second = secs % 60;
    return c;
}

const ZipfWords& naturalWords() {
    static const ZipfWords words;
    return words;
}

// Words appended to a paragraph, lines broken before kLineWidth as a mail
// client wraps them.
class LineWrapper {
public:
    LineWrapper(std::string& out, std::string_view prefix) : out_(out), prefix_(prefix), column_(prefix.size()) {
        out_.append(prefix);
    }
    void word(std::string_view w, bool capital) {
        if (column_ + 1 + w.size() > kLineWidth) {
            out_.append("\r\n");
            out_.append(prefix_);
            column_ = prefix_.size();
        } else if (column_ > prefix_.size()) {
            out_.push_back(' ');
            ++column_;
        }
        out_.append(w);
        if (capital && w[0] >= 'a' && w[0] <= 'z') out_[out_.size() - w.size()] = static_cast<char>(w[0] - 32);
        column_ += w.size();
    }
    void mark(char c) {
        out_.push_back(c);
        ++column_;
    }

private:
    std::string& out_;
    std::string_view prefix_;
    std::size_t column_;
};

}  // namespace

std::string_view TextFiller::word() {
    if (style_ == TextStyle::Natural) return naturalWords().pick(fast_);
    return kWords[fast_.below(static_cast<std::uint32_t>(kWords.size()))];
}

// Mostly a word; now and then a number, a time, an amount or a name, as
// letters carry them.
std::string_view TextFiller::naturalToken(std::string& scratch) {
    std::uint32_t roll = fast_.below(100);
    if (roll >= 5 + kPhrasePercent) return word();
    if (roll >= 5) return pickFrom(fast_, commonPhrases());
    if (roll >= 3) return roll == 3 ? pickFrom(fast_, kFirstNames) : pickFrom(fast_, kLastNames);
    char buf[32];
    switch (fast_.below(5)) {
    case 0: std::snprintf(buf, sizeof buf, "%u", fast_.below(100)); break;
    case 1: std::snprintf(buf, sizeof buf, "%u", 2005 + fast_.below(9)); break;
    case 2: std::snprintf(buf, sizeof buf, "%u:%02u", 7 + fast_.below(13), fast_.below(4) * 15); break;
    case 3: std::snprintf(buf, sizeof buf, "%u.%02u", 1 + fast_.below(2000), fast_.below(100)); break;
    default: std::snprintf(buf, sizeof buf, "#%u", 1000 + fast_.below(900000)); break;
    }
    scratch = buf;
    return scratch;
}

void TextFiller::naturalParagraph(std::string& out, std::size_t bytes, std::string_view linePrefix) {
    const std::size_t start = out.size();
    LineWrapper line(out, linePrefix);
    std::string scratch;
    std::uint32_t wordsLeft = 0;
    while (out.size() - start < bytes) {
        bool capital = wordsLeft == 0;
        // Sentences of 3 to 24 words, most near a dozen, and a few short ones.
        if (capital) wordsLeft = fast_.below(10) == 0 ? 1 + fast_.below(3)
                                                      : 3 + fast_.below(8) + fast_.below(8) + fast_.below(8);
        line.word(naturalToken(scratch), capital);
        if (--wordsLeft == 0) {
            std::uint32_t mark = fast_.below(20);
            line.mark(mark < 2 ? '?' : mark == 2 ? '!' : '.');
        } else if (fast_.below(10) == 0) {
            line.mark(',');
        }
    }
    if (wordsLeft > 0) {
        if (out.back() == ',') out.back() = '.';
        else out.push_back('.');
    }
    out.append("\r\n");
}

std::size_t TextFiller::paragraphSize() {
    if (style_ == TextStyle::Natural) return 40 + fast_.below(300) + fast_.below(500);
    return 150 + fast_.below(450);
}

void TextFiller::paragraph(std::string& out, std::size_t bytes, std::string_view linePrefix) {
    if (style_ == TextStyle::Natural) return naturalParagraph(out, bytes, linePrefix);
    const std::size_t start = out.size();
    out.append(linePrefix);
    std::size_t column = linePrefix.size();
    int wordsLeft = 0;
    while (out.size() - start < bytes) {
        bool capital = wordsLeft == 0;
        if (capital) wordsLeft = 5 + static_cast<int>(fast_.below(14));
        std::string_view w = word();
        if (column + 1 + w.size() > kLineWidth) {
            out.append("\r\n");
            out.append(linePrefix);
            column = linePrefix.size();
        } else if (column > linePrefix.size()) {
            out.push_back(' ');
            ++column;
        }
        out.append(w);
        if (capital && w[0] >= 'a' && w[0] <= 'z') out[out.size() - w.size()] = static_cast<char>(w[0] - 32);
        column += w.size();
        if (--wordsLeft == 0) {
            std::uint32_t mark = fast_.below(10);
            out.push_back(mark == 0 ? '?' : mark == 1 ? '!' : '.');
            ++column;
        } else if (fast_.below(9) == 0) {
            out.push_back(',');
            ++column;
        }
    }
    if (wordsLeft > 0) {
        if (out.back() == ',') out.back() = '.';
        else out.push_back('.');
    }
    out.append("\r\n");
}

void TextFiller::prose(std::string& out, std::size_t bytes, std::string_view linePrefix) {
    const std::size_t start = out.size();
    while (out.size() - start < bytes) {
        if (out.size() > start) {
            out.append(linePrefix);
            out.append("\r\n");
        }
        std::size_t used = out.size() - start;
        // A separator that reaches the size ends the text. The plain style
        // goes on with one more paragraph there, as its seeded output always has.
        if (style_ == TextStyle::Natural && used >= bytes) break;
        std::size_t left = bytes - used;
        std::size_t size = paragraphSize();
        paragraph(out, size < left ? size : left, linePrefix);
    }
}

void TextFiller::html(std::string& out, std::size_t bytes) {
    constexpr std::string_view open = "<DIV><FONT face=Arial size=2>";
    constexpr std::string_view close = "</FONT></DIV>\r\n<DIV>&nbsp;</DIV>\r\n";
    constexpr std::size_t tags = open.size() + close.size();
    const std::size_t start = out.size();
    while (out.size() - start + tags + 40 < bytes) {
        std::size_t left = bytes - (out.size() - start) - tags;
        std::size_t size = paragraphSize();
        out.append(open);
        paragraph(out, size < left ? size : left, {});
        out.append(close);
    }
}

void TextFiller::phrase(std::string& out, int words) {
    for (int i = 0; i < words; ++i) {
        if (i > 0) out.push_back(' ');
        std::string_view w = word();
        out.append(w);
        if (i == 0 && w[0] >= 'a' && w[0] <= 'z') out[out.size() - w.size()] = static_cast<char>(w[0] - 32);
    }
}

void TextFiller::base64(std::string& out, std::size_t bytes) {
    static constexpr char kAlphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    constexpr std::size_t kLine = 76;
    std::size_t lines = bytes > kLine ? bytes / (kLine + 2) : 1;
    out.reserve(out.size() + lines * (kLine + 2));
    char line[kLine + 2];
    line[kLine] = '\r';
    line[kLine + 1] = '\n';
    for (std::size_t l = 0; l < lines; ++l) {
        // 76 characters are 19 groups of 24 random bits; two groups per draw.
        for (std::size_t g = 0; g < kLine / 4; g += 2) {
            std::uint64_t bits = fast_.next();
            for (std::size_t k = 0; k < 8 && (g * 4 + k) < kLine; ++k) {
                line[g * 4 + k] = kAlphabet[bits & 63];
                bits >>= 6;
            }
        }
        out.append(line, sizeof line);
    }
}

void TextFiller::randomBytes(std::string& out, std::size_t bytes) {
    std::size_t start = out.size();
    out.resize(start + bytes);
    for (std::size_t i = 0; i < bytes; i += 8) {
        std::uint64_t bits = fast_.next();
        for (std::size_t k = 0; k < 8 && i + k < bytes; ++k) {
            out[start + i + k] = static_cast<char>(bits & 0xFF);
            bits >>= 8;
        }
    }
}

// The plain letter an accented Latin-1 letter (the second byte after 0xC3 in
// UTF-8) is written as in an address.
char plainLetter(unsigned char second) {
    if (second >= 0xA0 && second <= 0xA5) return 'a';
    if (second == 0xA7) return 'c';
    if (second >= 0xA8 && second <= 0xAB) return 'e';
    if (second >= 0xAC && second <= 0xAF) return 'i';
    if (second >= 0xB2 && second <= 0xB6) return 'o';
    if (second >= 0xB9 && second <= 0xBC) return 'u';
    return 'x';
}

Person makePerson(Rng& rng) {
    std::string first = pickFrom(rng, kFirstNames);
    std::string last = pickFrom(rng, kLastNames);
    std::string name = first + "." + last;
    std::string local;
    for (std::size_t i = 0; i < name.size(); ++i) {
        auto u = static_cast<unsigned char>(name[i]);
        if (u < 0x80) local.push_back(static_cast<char>(u >= 'A' && u <= 'Z' ? u + 32 : u));
        else if (u == 0xC3 && i + 1 < name.size()) local.push_back(plainLetter(static_cast<unsigned char>(name[++i])));
    }
    return {first + " " + last, local + "@" + pickFrom(rng, kDomains)};
}

std::string makeSubject(Rng& rng) {
    return pickFrom(rng, kSubjects);
}

std::string mailDate(std::int64_t unixSeconds, int zoneMinutes) {
    Civil c = civilFrom(unixSeconds + zoneMinutes * 60);
    int zone = zoneMinutes < 0 ? -zoneMinutes : zoneMinutes;
    char buf[64];
    std::snprintf(buf, sizeof buf, "%s, %d %s %04d %02d:%02d:%02d %c%02d%02d", kWeekdays[c.weekday],
                  c.day, kMonths[c.month - 1], c.year, c.hour, c.minute, c.second,
                  zoneMinutes < 0 ? '-' : '+', zone / 60, zone % 60);
    return buf;
}

std::string icsDate(std::int64_t unixSeconds) {
    Civil c = civilFrom(unixSeconds);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d%02d%02dT%02d%02d%02dZ", c.year, c.month, c.day, c.hour,
                  c.minute, c.second);
    return buf;
}

}  // namespace sample
