#pragma once
// WinZip AES-256 encryption of one member (AE-2), done by the program so
// that it runs where the member is prepared and uses the processor's AES
// instructions (also to read a new backup back quickly): a random salt and the password check value
// first, then the bytes in AES-CTR with a little-endian counter from 1, and
// at the end ten bytes of HMAC-SHA1 over what was encrypted.

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace backup {

// What the writer of a protected member knows of it, so that reading the
// new member back needs neither the key derivation nor the authentication
// code a second time.
struct WrittenAes {
    std::string code;  // the ten-byte authentication code as written
    std::string keys;  // the salt, then the keys derived from it
    WrittenAes() = default;
    WrittenAes(const WrittenAes&) = default;
    WrittenAes& operator=(const WrittenAes&) = default;
    ~WrittenAes();
};

class WinZipAes {
public:
    static constexpr std::size_t kOverhead = 16 + 2 + 10;  // salt, check value, authentication code

    WinZipAes();
    ~WinZipAes();
    WinZipAes(const WinZipAes&) = delete;
    WinZipAes& operator=(const WinZipAes&) = delete;

    // Derives the keys; appends the salt and the check value to `out`.
    bool begin(const std::string& password, std::string& out);
    // The salt is given instead of drawn, for tests against known output.
    bool beginWithSalt(const std::string& password, const std::array<unsigned char, 16>& salt, std::string& out);
    // Encrypts `data` in place and adds it to the authentication code.
    bool update(char* data, std::size_t size);
    // Appends the authentication code.
    bool finish(std::string& out);
    // The salt and the keys derived from it, once begun.
    const std::string& keyMaterial() const;

    // Reading: the keys from the password and the salt the member starts
    // with; false when the check value shows a wrong password. Without
    // `authenticate` no authentication code is computed (authentic() then
    // fails): for a reader that checks the decrypted data otherwise.
    // `known`, the key material a writer kept, stands in for the derivation
    // when it was made from the member's salt.
    bool beginReading(const std::string& password, const unsigned char* saltAndCheck, bool authenticate = true,
                      const std::string& known = {});
    // Adds `data` to the authentication code, then decrypts it in place.
    bool decrypt(char* data, std::size_t size);
    // True when `code` (ten bytes) is the authentication code of what was read.
    bool authentic(const unsigned char* code);

private:
    struct State;
    bool refill();
    bool deriveKeys(const std::string& password, const unsigned char* salt, unsigned char* check,
                    const std::string& known = {});
    bool applyKeyStream(unsigned char* bytes, std::size_t size);
    std::unique_ptr<State> state_;
};

}  // namespace backup
