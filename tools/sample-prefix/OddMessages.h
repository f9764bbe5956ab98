#pragma once
// Messages of the shapes that trip up mail converters, for the tests of the
// mail export: "From " lines in bodies, CR LF and LF line ends, 8-bit and
// encoded-word headers, the client's own first line before the headers, an
// empty body, no final line end, and files that hold no message at all.
// Fixed bytes, written only when asked for, so no other output changes.

#include <string>
#include <vector>

namespace sample {

struct OddMessage {
    std::string folder;  // below the account, "/" between names
    std::string file;
    std::string bytes;
};

std::vector<OddMessage> oddMessages();

}  // namespace sample
