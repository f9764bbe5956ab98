// Reading back a protected member of a backup this program just wrote: its
// raw bytes through OpenSSL's AES (libzip decrypts block by block), the
// authentication code and, as this program writes it, the CRC checked.

#include <zip.h>

#include "backup/DeflateChunks.h"
#include "backup/InflateStream.h"
#include "backup/WinZipAes.h"
#include "backup/ZipComponent.h"
#include "backup/ZipReader.h"

namespace backup {

namespace {

constexpr std::size_t kHeader = 18, kCode = 10;  // salt and check value; authentication code

// The member's data as it is decrypted: inflated (or passed as stored),
// counted and summed, never more than the size it declares.
class Plain {
public:
    Plain(const ZipMember& m, const std::function<bool(const char*, std::size_t)>& sink) : member_(m), sink_(sink) {
        ready_ = m.stored || inflater_.reset();
    }
    bool take(const char* data, std::size_t n) {
        if (!ready_) return false;
        if (member_.stored) return pass(data, n);
        return inflater_.feed(data, n, [this](const char* out, std::size_t k) { return pass(out, k); });
    }
    // The whole member was read: sizes and (written for 20 bytes and more) CRC agree.
    bool whole() const {
        return (member_.stored || inflater_.ended()) && size_ == member_.size &&
               (member_.size < 20 || crc_ == member_.crc);
    }

private:
    bool pass(const char* data, std::size_t n) {
        size_ += n;
        crc_ = Crc32(crc_, data, n);
        return size_ <= member_.size && (n == 0 || sink_(data, n));
    }
    const ZipMember& member_;
    const std::function<bool(const char*, std::size_t)>& sink_;
    InflateStream inflater_;
    bool ready_ = false;
    std::uint64_t size_ = 0;
    std::uint32_t crc_ = 0;
};

}  // namespace

bool ZipComponent::readBackProtected(const ZipMember& member, const std::function<bool(const char*, std::size_t)>& sink) {
    zip_file_t* file = zip_fopen_index(reader_->za, member.index, ZIP_FL_ENCRYPTED);
    if (!file) return fail(std::string("cannot read the member: ") + zip_error_strerror(zip_get_error(reader_->za)));
    WinZipAes aes;
    Plain plain(member, sink);
    buffer_.resize(1 << 20);
    std::string held;  // the last ten bytes may be the authentication code
    bool started = false, ok = true;
    for (;;) {
        const zip_int64_t n = zip_fread(file, buffer_.data(), buffer_.size());
        if (n < 0) {
            ok = fail(std::string("the member is damaged: ") + zip_error_strerror(zip_file_get_error(file)));
            break;
        }
        if (n == 0) break;
        held.append(buffer_.data(), static_cast<std::size_t>(n));
        if (!started && held.size() >= kHeader) {
            const auto* header = reinterpret_cast<const unsigned char*>(held.data());
            if (!aes.beginReading(decryptionPassword_, header)) {
                ok = fail("the password does not open the member");
                break;
            }
            held.erase(0, kHeader);
            started = true;
        }
        if (started && held.size() > kCode) {
            const std::size_t k = held.size() - kCode;
            if (!aes.decrypt(held.data(), k) || !plain.take(held.data(), k)) {
                ok = fail("the member is damaged (it does not inflate to its size)");
                break;
            }
            held.erase(0, k);
        }
    }
    zip_fclose(file);
    if (!ok) return false;
    const auto* code = reinterpret_cast<const unsigned char*>(held.data());
    if (!started || held.size() != kCode || !aes.authentic(code)) return fail("the member is damaged (authentication failed)");
    if (!plain.whole()) return fail("the member is damaged (check failed)");
    return true;
}

}  // namespace backup
