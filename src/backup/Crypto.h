#pragma once
// The cryptographic primitives WinZip AES is made of, from the system's
// library: OpenSSL on Linux, libgcrypt on Windows (whose AES and SHA-1 use
// the processor's instructions, where Windows' own CNG under Wine does not);
// random bytes from the system itself.

#include <cstddef>
#include <memory>
#include <string>

namespace backup::crypto {

bool RandomBytes(unsigned char* out, std::size_t size);
bool Pbkdf2HmacSha1(const std::string& password, const unsigned char* salt, std::size_t saltSize, int iterations,
                    unsigned char* out, std::size_t outSize);
// Overwrites secrets so they do not linger in freed memory.
void Cleanse(void* data, std::size_t size);
bool EqualInConstantTime(const void* a, const void* b, std::size_t size);

// AES-256 block by block (ECB), for a counter mode of its own.
class Aes256Blocks {
public:
    Aes256Blocks();
    ~Aes256Blocks();
    Aes256Blocks(const Aes256Blocks&) = delete;
    Aes256Blocks& operator=(const Aes256Blocks&) = delete;
    bool setKey(const unsigned char* key32);
    // `size` is a multiple of 16.
    bool encrypt(const unsigned char* in, unsigned char* out, std::size_t size);

private:
    struct State;
    std::unique_ptr<State> state_;
};

class HmacSha1 {
public:
    static constexpr std::size_t kSize = 20;
    HmacSha1();
    ~HmacSha1();
    HmacSha1(const HmacSha1&) = delete;
    HmacSha1& operator=(const HmacSha1&) = delete;
    bool start(const unsigned char* key, std::size_t size);
    bool update(const unsigned char* data, std::size_t size);
    bool finish(unsigned char* out20);

private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace backup::crypto
