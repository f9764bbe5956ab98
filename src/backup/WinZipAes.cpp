#include "backup/WinZipAes.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <vector>

#include "backup/Crypto.h"

namespace backup {

namespace {

constexpr int kIterations = 1000;
constexpr std::size_t kKeyBytes = 32;
constexpr std::size_t kBlocksPerRefill = 1024;  // 16 KB of key stream at a time
constexpr std::size_t kSaltBytes = 16;
constexpr std::size_t kDerivedBytes = 2 * kKeyBytes + 2;  // cipher key, authentication key, check value

void storeLittleEndian(unsigned char* at, std::uint64_t value) {
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(at, &value, 8);
    } else {
        for (int i = 0; i < 8; ++i) at[i] = static_cast<unsigned char>(value >> (8 * i));
    }
}

// bytes ^= key, eight bytes at a time.
void xorInto(unsigned char* bytes, const unsigned char* key, std::size_t n) {
    std::size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        std::uint64_t a, b;
        std::memcpy(&a, bytes + i, 8);
        std::memcpy(&b, key + i, 8);
        a ^= b;
        std::memcpy(bytes + i, &a, 8);
    }
    for (; i < n; ++i) bytes[i] ^= key[i];
}

}  // namespace

struct WinZipAes::State {
    crypto::Aes256Blocks cipher;
    crypto::HmacSha1 mac;
    std::uint64_t counterLow = 0, counterHigh = 0;  // one 128-bit little-endian counter, as WinZip counts
    std::vector<unsigned char> counters = std::vector<unsigned char>(16 * kBlocksPerRefill);
    std::vector<unsigned char> stream = std::vector<unsigned char>(16 * kBlocksPerRefill);
    std::size_t used = 16 * kBlocksPerRefill;  // key stream bytes already spent
    bool authenticating = true;
    std::string material;  // salt and derived keys
    ~State() { crypto::Cleanse(material.data(), material.size()); }
};

WrittenAes::~WrittenAes() { crypto::Cleanse(keys.data(), keys.size()); }

WinZipAes::WinZipAes() : state_(std::make_unique<State>()) {}
WinZipAes::~WinZipAes() = default;

const std::string& WinZipAes::keyMaterial() const { return state_->material; }

bool WinZipAes::begin(const std::string& password, std::string& out) {
    std::array<unsigned char, 16> salt{};
    return crypto::RandomBytes(salt.data(), salt.size()) && beginWithSalt(password, salt, out);
}

// Keys for the cipher and the authentication code from the password and
// salt; `check` gets the two-byte password check value.
bool WinZipAes::deriveKeys(const std::string& password, const unsigned char* salt, unsigned char* check,
                           const std::string& known) {
    State& s = *state_;
    unsigned char keys[kDerivedBytes];
    if (known.size() == kSaltBytes + kDerivedBytes && std::memcmp(known.data(), salt, kSaltBytes) == 0) {
        std::memcpy(keys, known.data() + kSaltBytes, kDerivedBytes);
    } else if (!crypto::Pbkdf2HmacSha1(password, salt, kSaltBytes, kIterations, keys, sizeof keys)) {
        return false;
    }
    crypto::Cleanse(s.material.data(), s.material.size());
    s.material.assign(reinterpret_cast<const char*>(salt), kSaltBytes);
    s.material.append(reinterpret_cast<const char*>(keys), kDerivedBytes);
    const bool ok = s.cipher.setKey(keys) && s.mac.start(keys + kKeyBytes, kKeyBytes);
    s.counterLow = s.counterHigh = 0;
    s.used = s.stream.size();
    check[0] = keys[2 * kKeyBytes];
    check[1] = keys[2 * kKeyBytes + 1];
    crypto::Cleanse(keys, sizeof keys);
    return ok;
}

bool WinZipAes::beginWithSalt(const std::string& password, const std::array<unsigned char, 16>& salt,
                                     std::string& out) {
    unsigned char check[2];
    if (!deriveKeys(password, salt.data(), check)) return false;
    out.append(reinterpret_cast<const char*>(salt.data()), salt.size());
    out.append(reinterpret_cast<const char*>(check), 2);
    return true;
}

bool WinZipAes::beginReading(const std::string& password, const unsigned char* saltAndCheck, bool authenticate,
                             const std::string& known) {
    unsigned char check[2];
    state_->authenticating = authenticate;
    return deriveKeys(password, saltAndCheck, check, known) && check[0] == saltAndCheck[16] &&
           check[1] == saltAndCheck[17];
}

// The next stretch of key stream: the counter blocks encrypted.
bool WinZipAes::refill() {
    State& s = *state_;
    unsigned char* block = s.counters.data();
    for (std::size_t i = 0; i < kBlocksPerRefill; ++i, block += 16) {
        if (++s.counterLow == 0) ++s.counterHigh;
        storeLittleEndian(block, s.counterLow);
        storeLittleEndian(block + 8, s.counterHigh);
    }
    if (!s.cipher.encrypt(s.counters.data(), s.stream.data(), s.counters.size())) return false;
    s.used = 0;
    return true;
}

// CTR mode: the same key stream encrypts and decrypts.
bool WinZipAes::applyKeyStream(unsigned char* bytes, std::size_t size) {
    State& s = *state_;
    for (std::size_t done = 0; done < size;) {
        if (s.used == s.stream.size() && !refill()) return false;
        const std::size_t n = std::min(size - done, s.stream.size() - s.used);
        xorInto(bytes + done, s.stream.data() + s.used, n);
        done += n;
        s.used += n;
    }
    return true;
}

bool WinZipAes::update(char* data, std::size_t size) {
    auto* bytes = reinterpret_cast<unsigned char*>(data);
    return applyKeyStream(bytes, size) && state_->mac.update(bytes, size);
}

bool WinZipAes::decrypt(char* data, std::size_t size) {
    auto* bytes = reinterpret_cast<unsigned char*>(data);
    return (!state_->authenticating || state_->mac.update(bytes, size)) && applyKeyStream(bytes, size);
}

bool WinZipAes::authentic(const unsigned char* code) {
    if (!state_->authenticating) return false;
    std::string mine;
    return finish(mine) && crypto::EqualInConstantTime(mine.data(), code, 10);
}

bool WinZipAes::finish(std::string& out) {
    unsigned char code[crypto::HmacSha1::kSize];
    if (!state_->mac.finish(code)) return false;
    out.append(reinterpret_cast<const char*>(code), 10);
    return true;
}

}  // namespace backup
