#include "backup/Crypto.h"

#include <windows.h>
#include <bcrypt.h>
#include <gcrypt.h>

namespace backup::crypto {

namespace {

// libgcrypt wants its version checked once before any other call.
bool ready() {
    static const bool initialised = [] {
        if (!gcry_check_version(GCRYPT_VERSION)) return false;
        gcry_control(GCRYCTL_DISABLE_SECMEM, 0);
        gcry_control(GCRYCTL_INITIALIZATION_FINISHED, 0);
        return true;
    }();
    return initialised;
}

}  // namespace

// The system's own generator: libgcrypt's would gather entropy by polling
// system statistics, slowly, and under Wine not reliably.
bool RandomBytes(unsigned char* out, std::size_t size) {
    return BCRYPT_SUCCESS(BCryptGenRandom(nullptr, out, static_cast<ULONG>(size), BCRYPT_USE_SYSTEM_PREFERRED_RNG));
}

bool Pbkdf2HmacSha1(const std::string& password, const unsigned char* salt, std::size_t saltSize, int iterations,
                    unsigned char* out, std::size_t outSize) {
    return ready() && gcry_kdf_derive(password.data(), password.size(), GCRY_KDF_PBKDF2, GCRY_MD_SHA1, salt, saltSize,
                                      static_cast<unsigned long>(iterations), outSize, out) == 0;
}

void Cleanse(void* data, std::size_t size) {
    // Volatile stores, which the compiler may not leave out.
    auto* bytes = static_cast<volatile unsigned char*>(data);
    for (std::size_t i = 0; i < size; ++i) bytes[i] = 0;
}

bool EqualInConstantTime(const void* a, const void* b, std::size_t size) {
    const auto* x = static_cast<const unsigned char*>(a);
    const auto* y = static_cast<const unsigned char*>(b);
    unsigned char difference = 0;
    for (std::size_t i = 0; i < size; ++i) difference = static_cast<unsigned char>(difference | (x[i] ^ y[i]));
    return difference == 0;
}

struct Aes256Blocks::State {
    gcry_cipher_hd_t cipher = nullptr;
    ~State() {
        if (cipher) gcry_cipher_close(cipher);
    }
};

Aes256Blocks::Aes256Blocks() : state_(std::make_unique<State>()) {}
Aes256Blocks::~Aes256Blocks() = default;

bool Aes256Blocks::setKey(const unsigned char* key32) {
    if (!ready()) return false;
    if (!state_->cipher && gcry_cipher_open(&state_->cipher, GCRY_CIPHER_AES256, GCRY_CIPHER_MODE_ECB, 0) != 0) {
        state_->cipher = nullptr;
        return false;
    }
    return gcry_cipher_setkey(state_->cipher, key32, 32) == 0;
}

bool Aes256Blocks::encrypt(const unsigned char* in, unsigned char* out, std::size_t size) {
    return state_->cipher && gcry_cipher_encrypt(state_->cipher, out, size, in, size) == 0;
}

struct HmacSha1::State {
    gcry_md_hd_t mac = nullptr;
    ~State() {
        if (mac) gcry_md_close(mac);
    }
};

HmacSha1::HmacSha1() : state_(std::make_unique<State>()) {}
HmacSha1::~HmacSha1() = default;

bool HmacSha1::start(const unsigned char* key, std::size_t size) {
    if (!ready()) return false;
    if (state_->mac) {
        gcry_md_close(state_->mac);
        state_->mac = nullptr;
    }
    if (gcry_md_open(&state_->mac, GCRY_MD_SHA1, GCRY_MD_FLAG_HMAC) != 0) {
        state_->mac = nullptr;
        return false;
    }
    return gcry_md_setkey(state_->mac, key, size) == 0;
}

bool HmacSha1::update(const unsigned char* data, std::size_t size) {
    if (!state_->mac) return false;
    gcry_md_write(state_->mac, data, size);
    return true;
}

bool HmacSha1::finish(unsigned char* out20) {
    if (!state_->mac) return false;
    const unsigned char* code = gcry_md_read(state_->mac, GCRY_MD_SHA1);
    if (!code) return false;
    for (std::size_t i = 0; i < kSize; ++i) out20[i] = code[i];
    return true;
}

}  // namespace backup::crypto
