#pragma once
// Random numbers that come out the same on every standard library: the
// std::mt19937 engine is fully specified, its distributions are not, so the
// ranges are derived from the raw engine output here. Bulk content (text,
// attachment bytes) comes from a faster generator seeded from the engine.

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace sample {

class Rng {
public:
    explicit Rng(std::uint32_t seed) : engine_(seed) {}

    std::uint32_t next32() { return static_cast<std::uint32_t>(engine_()); }
    std::uint64_t next64() { return (std::uint64_t{next32()} << 32) | next32(); }
    // Uniform in [0, n) by multiply-shift; the bias is far below what matters here.
    std::uint32_t below(std::uint32_t n) {
        return static_cast<std::uint32_t>((std::uint64_t{next32()} * n) >> 32);
    }
    // Uniform in [lo, hi].
    std::uint64_t between(std::uint64_t lo, std::uint64_t hi) {
        std::uint64_t span = hi - lo + 1;
        return span > 0xFFFFFFFFu ? lo + next64() % span
                                  : lo + below(static_cast<std::uint32_t>(span));
    }
    bool percent(std::uint32_t chance) { return below(100) < chance; }
    template <class T>
    const T& pick(const std::vector<T>& items) {
        return items[below(static_cast<std::uint32_t>(items.size()))];
    }

private:
    std::mt19937 engine_;
};

// xoshiro256**: a few cycles per 64 bits, for megabytes of filler.
class FastRng {
public:
    explicit FastRng(Rng& seedSource) {
        for (auto& s : state_) s = seedSource.next64() | 1;
    }
    std::uint64_t next() {
        const std::uint64_t result = rotl(state_[1] * 5, 7) * 9;
        const std::uint64_t t = state_[1] << 17;
        state_[2] ^= state_[0];
        state_[3] ^= state_[1];
        state_[1] ^= state_[2];
        state_[0] ^= state_[3];
        state_[2] ^= t;
        state_[3] = rotl(state_[3], 45);
        return result;
    }
    std::uint32_t below(std::uint32_t n) {
        return static_cast<std::uint32_t>(((next() >> 32) * n) >> 32);
    }

private:
    static std::uint64_t rotl(std::uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }
    std::uint64_t state_[4];
};

// "{8-4-4-4-12}" in upper-case hex, as Windows writes GUIDs.
std::string makeGuid(Rng& rng);
// `digits` upper-case hex digits.
std::string makeHex(Rng& rng, int digits);

}  // namespace sample
