#pragma once
// The vocabulary of the realistic text: common English words in order of how
// often they are written, and a sampler that draws them by Zipf's law.

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "Random.h"

namespace sample {

// The words, most frequent first.
std::span<const char* const> rankedWords();
// Groups of words that come up again and again in letters.
std::span<const char* const> commonPhrases();

// Draws the word of rank r (from 1) with weight 1/r, as word frequencies in
// natural language fall off. Integer weights keep the draws the same on
// every platform.
class ZipfWords {
public:
    ZipfWords();
    std::string_view pick(FastRng& rng) const;

private:
    std::span<const char* const> words_;
    std::vector<std::uint64_t> cumulative_;  // weight of ranks 1..r
};

}  // namespace sample
