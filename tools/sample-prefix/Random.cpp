#include "Random.h"

namespace sample {

std::string makeGuid(Rng& rng) {
    return "{" + makeHex(rng, 8) + "-" + makeHex(rng, 4) + "-" + makeHex(rng, 4) + "-" +
           makeHex(rng, 4) + "-" + makeHex(rng, 12) + "}";
}

std::string makeHex(Rng& rng, int digits) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string s;
    for (int i = 0; i < digits; ++i) s.push_back(kHex[rng.below(16)]);
    return s;
}

}  // namespace sample
