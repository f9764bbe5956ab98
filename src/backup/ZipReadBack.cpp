// Reading back a protected member of a backup this program just wrote: its
// raw bytes through OpenSSL's AES (libzip decrypts block by block), the
// authentication code and, as this program writes it, the CRC checked.

#include <zip.h>

#include <algorithm>
#include <cstring>

#include "backup/DeflateChunks.h"
#include "backup/InflateStream.h"
#include "backup/WinZipAes.h"
#include "backup/ZipComponent.h"
#include "backup/ZipNames.h"
#include "backup/ZipReader.h"

namespace backup {

namespace {

constexpr std::size_t kHeader = 18, kCode = 10;  // salt and check value; authentication code

// A stream of stored blocks only, as this program deflates the members it
// keeps uncompressed: the data are passed on where they lie, without the
// copy an inflater makes. Any other block is damage.
class StoredBlocks {
public:
    bool take(const char* data, std::size_t n, const std::function<bool(const char*, std::size_t)>& pass) {
        while (n > 0) {
            if (ended_) return false;  // bytes after the final block
            if (left_ > 0) {
                const std::size_t k = std::min<std::size_t>(n, left_);
                if (!pass(data, k)) return false;
                data += k, n -= k, left_ -= k;
                ended_ = left_ == 0 && final_;
                continue;
            }
            header_[have_++] = static_cast<unsigned char>(*data++);
            --n;
            if (have_ < sizeof header_) continue;
            have_ = 0;
            const unsigned length = header_[1] | (header_[2] << 8);
            if ((header_[0] & 0x6) != 0 || (length ^ (header_[3] | (header_[4] << 8))) != 0xFFFF) return false;
            final_ = header_[0] & 1;
            left_ = length;
            ended_ = left_ == 0 && final_;
        }
        return true;
    }
    bool ended() const { return ended_; }

private:
    unsigned char header_[5] = {};
    std::size_t have_ = 0;
    std::size_t left_ = 0;
    bool final_ = false, ended_ = false;
};

// The member's data as it is decrypted: inflated (or passed as stored),
// counted and summed, never more than the size it declares.
class Plain {
public:
    Plain(const ZipMember& m, const std::function<bool(const char*, std::size_t)>& sink)
        : member_(m), sink_(sink), storedBlocks_(!m.stored && ShouldStore(m.name)) {
        ready_ = m.stored || storedBlocks_ || inflater_.reset();
    }
    bool take(const char* data, std::size_t n) {
        if (!ready_) return false;
        if (member_.stored) return pass(data, n);
        const auto passOn = [this](const char* out, std::size_t k) { return pass(out, k); };
        if (storedBlocks_) return blocks_.take(data, n, passOn);
        return inflater_.feed(data, n, passOn);
    }
    // The whole member was read: sizes and (written for 20 bytes and more) CRC agree.
    bool whole() const {
        const bool ended = member_.stored || (storedBlocks_ ? blocks_.ended() : inflater_.ended());
        return ended && size_ == member_.size && (member_.size < 20 || crc_ == member_.crc);
    }

private:
    bool pass(const char* data, std::size_t n) {
        size_ += n;
        crc_ = Crc32(crc_, data, n);
        return size_ <= member_.size && (n == 0 || sink_(data, n));
    }
    const ZipMember& member_;
    const std::function<bool(const char*, std::size_t)>& sink_;
    const bool storedBlocks_;
    StoredBlocks blocks_;
    InflateStream inflater_;
    bool ready_ = false;
    std::uint64_t size_ = 0;
    std::uint32_t crc_ = 0;
};

// Up to `size` bytes of the member, fewer only at its end; -1 on damage.
zip_int64_t readUpTo(zip_file_t* file, char* into, std::size_t size) {
    std::size_t at = 0;
    while (at < size) {
        const zip_int64_t n = zip_fread(file, into + at, size - at);
        if (n < 0) return -1;
        if (n == 0) break;
        at += static_cast<std::size_t>(n);
    }
    return static_cast<zip_int64_t>(at);
}

}  // namespace

bool ZipComponent::readBackProtected(const ZipMember& member, const std::function<bool(const char*, std::size_t)>& sink,
                                     const WrittenAes& written) {
    zip_file_t* file = zip_fopen_index(reader_->za, member.index, ZIP_FL_ENCRYPTED);
    if (!file) return fail(std::string("cannot read the member: ") + zip_error_strerror(zip_get_error(reader_->za)));
    // What was written is known: the decrypted data must give the CRC the
    // member was written with (which every change of the encrypted bytes
    // alters) and the code on disk must be the one computed as it was
    // written, so the code need not be computed again. Members too short to
    // carry a CRC are authenticated.
    const bool byWrittenCode = written.code.size() == kCode && member.size >= 20;
    WinZipAes aes;
    Plain plain(member, sink);
    // Decrypted where it is read; the last ten bytes are held back, as they
    // may be the authentication code.
    buffer_.resize(kCode + (1 << 20));
    unsigned char header[kHeader];
    std::size_t held = 0;
    bool ok = true;
    const zip_int64_t got = readUpTo(file, reinterpret_cast<char*>(header), kHeader);
    if (got < 0) ok = fail(std::string("the member is damaged: ") + zip_error_strerror(zip_file_get_error(file)));
    else if (got < static_cast<zip_int64_t>(kHeader)) ok = fail("the member is damaged (authentication failed)");
    else if (!aes.beginReading(decryptionPassword_, header, !byWrittenCode, written.keys)) ok = fail("the password does not open the member");
    while (ok) {
        const zip_int64_t n = zip_fread(file, buffer_.data() + held, buffer_.size() - held);
        if (n < 0) {
            ok = fail(std::string("the member is damaged: ") + zip_error_strerror(zip_file_get_error(file)));
            break;
        }
        if (n == 0) break;
        held += static_cast<std::size_t>(n);
        if (held <= kCode) continue;
        const std::size_t k = held - kCode;
        if (!aes.decrypt(buffer_.data(), k) || !plain.take(buffer_.data(), k)) {
            ok = fail("the member is damaged (it does not inflate to its size)");
            break;
        }
        std::memmove(buffer_.data(), buffer_.data() + k, kCode);
        held = kCode;
    }
    zip_fclose(file);
    if (!ok) return false;
    const auto* code = reinterpret_cast<const unsigned char*>(buffer_.data());
    const bool authentic = byWrittenCode ? std::memcmp(code, written.code.data(), kCode) == 0 : aes.authentic(code);
    if (held != kCode || !authentic) return fail("the member is damaged (authentication failed)");
    if (!plain.whole()) return fail("the member is damaged (check failed)");
    return true;
}

}  // namespace backup
