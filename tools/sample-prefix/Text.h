#pragma once
// Filler that looks and compresses like what people write: prose from a word
// table, wrapped like a mail client wraps it, and base64 of random bytes for
// attachments. Also the names and date formats the generated files share.
// The natural style draws a larger vocabulary by word frequency and varies
// sentences and paragraphs, so that it compresses as real correspondence does
// rather than as a short table repeated.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "Random.h"

namespace sample {

enum class TextStyle { Plain, Natural };

class TextFiller {
public:
    explicit TextFiller(Rng& seedSource, TextStyle style = TextStyle::Plain) : fast_(seedSource), style_(style) {}

    // Appends paragraphs of wrapped prose (CRLF line ends), each line starting
    // with `linePrefix`, until about `bytes` have been appended.
    void prose(std::string& out, std::size_t bytes, std::string_view linePrefix = {});
    // The same as HTML paragraphs.
    void html(std::string& out, std::size_t bytes);
    // One sentence of `words` words without line breaks, capitalised, no full stop.
    void phrase(std::string& out, int words);
    // Base64 of random bytes in 76-column lines, about `bytes` long.
    void base64(std::string& out, std::size_t bytes);
    // Raw random bytes.
    void randomBytes(std::string& out, std::size_t bytes);

private:
    void paragraph(std::string& out, std::size_t bytes, std::string_view linePrefix);
    void naturalParagraph(std::string& out, std::size_t bytes, std::string_view linePrefix);
    std::size_t paragraphSize();
    std::string_view word();
    std::string_view naturalToken(std::string& scratch);

    FastRng fast_;
    TextStyle style_;
};

struct Person {
    std::string name;
    std::string address;
};

// A made-up correspondent: first and last name, address at an example domain.
Person makePerson(Rng& rng);
// A made-up mail subject (without any "Re:").
std::string makeSubject(Rng& rng);

// Seconds since 1970 (UTC) as "Tue, 14 Feb 2012 09:31:07 +0100" for a zone
// `zoneMinutes` east of UTC.
std::string mailDate(std::int64_t unixSeconds, int zoneMinutes);
// Seconds since 1970 as "20120214T093107Z".
std::string icsDate(std::int64_t unixSeconds);

}  // namespace sample
