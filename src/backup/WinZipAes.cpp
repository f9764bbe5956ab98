#include "backup/WinZipAes.h"

#include <openssl/core_names.h>
#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/rand.h>

#include <algorithm>
#include <bit>
#include <cstring>
#include <vector>

namespace backup {

namespace {

constexpr int kIterations = 1000;
constexpr std::size_t kKeyBytes = 32;
constexpr std::size_t kBlocksPerRefill = 1024;  // 16 KB of key stream at a time

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
    EVP_CIPHER_CTX* cipher = EVP_CIPHER_CTX_new();
    EVP_MAC* macAlgorithm = EVP_MAC_fetch(nullptr, "HMAC", nullptr);
    EVP_MAC_CTX* mac = macAlgorithm ? EVP_MAC_CTX_new(macAlgorithm) : nullptr;
    std::uint64_t counterLow = 0, counterHigh = 0;  // one 128-bit little-endian counter, as WinZip counts
    std::vector<unsigned char> counters = std::vector<unsigned char>(16 * kBlocksPerRefill);
    std::vector<unsigned char> stream = std::vector<unsigned char>(16 * kBlocksPerRefill);
    std::size_t used = 16 * kBlocksPerRefill;  // key stream bytes already spent
    bool authenticating = true;

    ~State() {
        EVP_MAC_CTX_free(mac);
        EVP_MAC_free(macAlgorithm);
        EVP_CIPHER_CTX_free(cipher);
    }
};

WinZipAes::WinZipAes() : state_(std::make_unique<State>()) {}
WinZipAes::~WinZipAes() = default;

bool WinZipAes::begin(const std::string& password, std::string& out) {
    std::array<unsigned char, 16> salt{};
    return RAND_bytes(salt.data(), static_cast<int>(salt.size())) == 1 && beginWithSalt(password, salt, out);
}

// Keys for the cipher and the authentication code from the password and
// salt; `check` gets the two-byte password check value.
bool WinZipAes::deriveKeys(const std::string& password, const unsigned char* salt, unsigned char* check) {
    State& s = *state_;
    if (!s.cipher || !s.mac) return false;
    unsigned char keys[2 * kKeyBytes + 2];
    if (PKCS5_PBKDF2_HMAC_SHA1(password.data(), static_cast<int>(password.size()), salt, 16, kIterations,
                               sizeof keys, keys) != 1) {
        return false;
    }
    char digest[] = "SHA1";
    const OSSL_PARAM params[] = {OSSL_PARAM_construct_utf8_string(OSSL_MAC_PARAM_DIGEST, digest, 0),
                                 OSSL_PARAM_construct_end()};
    const bool ok = EVP_EncryptInit_ex(s.cipher, EVP_aes_256_ecb(), nullptr, keys, nullptr) == 1 &&
                    EVP_CIPHER_CTX_set_padding(s.cipher, 0) == 1 &&
                    EVP_MAC_init(s.mac, keys + kKeyBytes, kKeyBytes, params) == 1;
    s.counterLow = s.counterHigh = 0;
    s.used = s.stream.size();
    check[0] = keys[2 * kKeyBytes];
    check[1] = keys[2 * kKeyBytes + 1];
    OPENSSL_cleanse(keys, sizeof keys);
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

bool WinZipAes::beginReading(const std::string& password, const unsigned char* saltAndCheck, bool authenticate) {
    unsigned char check[2];
    state_->authenticating = authenticate;
    return deriveKeys(password, saltAndCheck, check) && check[0] == saltAndCheck[16] && check[1] == saltAndCheck[17];
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
    int written = 0;
    if (EVP_EncryptUpdate(s.cipher, s.stream.data(), &written, s.counters.data(),
                          static_cast<int>(s.counters.size())) != 1) {
        return false;
    }
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
    return applyKeyStream(bytes, size) && EVP_MAC_update(state_->mac, bytes, size) == 1;
}

bool WinZipAes::decrypt(char* data, std::size_t size) {
    auto* bytes = reinterpret_cast<unsigned char*>(data);
    return (!state_->authenticating || EVP_MAC_update(state_->mac, bytes, size) == 1) && applyKeyStream(bytes, size);
}

bool WinZipAes::authentic(const unsigned char* code) {
    if (!state_->authenticating) return false;
    std::string mine;
    return finish(mine) && CRYPTO_memcmp(mine.data(), code, 10) == 0;
}

bool WinZipAes::finish(std::string& out) {
    unsigned char code[EVP_MAX_MD_SIZE];
    std::size_t length = 0;
    if (EVP_MAC_final(state_->mac, code, &length, sizeof code) != 1 || length < 10) return false;
    out.append(reinterpret_cast<const char*>(code), 10);
    return true;
}

}  // namespace backup
