#include "backup/Crypto.h"

#include <openssl/core_names.h>
#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/rand.h>

namespace backup::crypto {

bool RandomBytes(unsigned char* out, std::size_t size) { return RAND_bytes(out, static_cast<int>(size)) == 1; }

bool Pbkdf2HmacSha1(const std::string& password, const unsigned char* salt, std::size_t saltSize, int iterations,
                    unsigned char* out, std::size_t outSize) {
    return PKCS5_PBKDF2_HMAC_SHA1(password.data(), static_cast<int>(password.size()), salt, static_cast<int>(saltSize),
                                  iterations, static_cast<int>(outSize), out) == 1;
}

void Cleanse(void* data, std::size_t size) { OPENSSL_cleanse(data, size); }

bool EqualInConstantTime(const void* a, const void* b, std::size_t size) { return CRYPTO_memcmp(a, b, size) == 0; }

struct Aes256Blocks::State {
    EVP_CIPHER_CTX* cipher = EVP_CIPHER_CTX_new();
    ~State() { EVP_CIPHER_CTX_free(cipher); }
};

Aes256Blocks::Aes256Blocks() : state_(std::make_unique<State>()) {}
Aes256Blocks::~Aes256Blocks() = default;

bool Aes256Blocks::setKey(const unsigned char* key32) {
    return state_->cipher && EVP_EncryptInit_ex(state_->cipher, EVP_aes_256_ecb(), nullptr, key32, nullptr) == 1 &&
           EVP_CIPHER_CTX_set_padding(state_->cipher, 0) == 1;
}

bool Aes256Blocks::encrypt(const unsigned char* in, unsigned char* out, std::size_t size) {
    int written = 0;
    return EVP_EncryptUpdate(state_->cipher, out, &written, in, static_cast<int>(size)) == 1;
}

struct HmacSha1::State {
    EVP_MAC* algorithm = EVP_MAC_fetch(nullptr, "HMAC", nullptr);
    EVP_MAC_CTX* mac = algorithm ? EVP_MAC_CTX_new(algorithm) : nullptr;
    ~State() {
        EVP_MAC_CTX_free(mac);
        EVP_MAC_free(algorithm);
    }
};

HmacSha1::HmacSha1() : state_(std::make_unique<State>()) {}
HmacSha1::~HmacSha1() = default;

bool HmacSha1::start(const unsigned char* key, std::size_t size) {
    char digest[] = "SHA1";
    const OSSL_PARAM params[] = {OSSL_PARAM_construct_utf8_string(OSSL_MAC_PARAM_DIGEST, digest, 0),
                                 OSSL_PARAM_construct_end()};
    return state_->mac && EVP_MAC_init(state_->mac, key, size, params) == 1;
}

bool HmacSha1::update(const unsigned char* data, std::size_t size) {
    return EVP_MAC_update(state_->mac, data, size) == 1;
}

bool HmacSha1::finish(unsigned char* out20) {
    unsigned char code[EVP_MAX_MD_SIZE];
    std::size_t length = 0;
    if (EVP_MAC_final(state_->mac, code, &length, sizeof code) != 1 || length < kSize) return false;
    for (std::size_t i = 0; i < kSize; ++i) out20[i] = code[i];
    return true;
}

}  // namespace backup::crypto
