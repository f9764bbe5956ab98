#include "backup/PipelineSource.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "backup/DeflateChunks.h"
#include "backup/WinZipAes.h"
#include "platform/RawFile.h"

namespace backup {

namespace {

// The libzip side of a member whose bytes the program prepares: the
// pieces come from next(), are encrypted in place when asked, and are
// handed to libzip after the salt and check value and before the
// authentication code.
class PreparedSource {
public:
    PreparedSource(const PipelineFile& planned, const std::string& password, WrittenAes* written)
        : planned_(planned), password_(password), written_(written) {
        zip_error_init(&error_);
    }
    virtual ~PreparedSource() { zip_error_fini(&error_); }
    PreparedSource(const PreparedSource&) = delete;
    PreparedSource& operator=(const PreparedSource&) = delete;

    zip_int64_t call(void* data, zip_uint64_t length, zip_source_cmd_t command) {
        switch (command) {
        case ZIP_SOURCE_OPEN: return 0;
        case ZIP_SOURCE_READ: return read(static_cast<char*>(data), length);
        case ZIP_SOURCE_CLOSE: return 0;
        case ZIP_SOURCE_STAT: return stat(static_cast<zip_stat_t*>(data), length);
        case ZIP_SOURCE_ERROR: return zip_error_to_data(&error_, data, length);
        case ZIP_SOURCE_FREE: delete this; return 0;
        case ZIP_SOURCE_SUPPORTS:
            return zip_source_make_command_bitmap(ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE,
                                                  ZIP_SOURCE_STAT, ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE, -1);
        default: zip_error_set(&error_, ZIP_ER_OPNOTSUPP, 0); return -1;
        }
    }

protected:
    // The next piece of the member's deflate stream into `body` (which may
    // keep its capacity from the piece before): false when the file cannot
    // be read. `last` is set with the member's final piece; sum() counts
    // the raw bytes.
    virtual bool next(Bytes& body, bool& last) = 0;
    MemberSum& sum() { return sum_; }

private:
    // Before the member is read its planned size stands; afterwards the CRC
    // and size of what was read, as libzip needs them for the headers.
    zip_int64_t stat(zip_stat_t* st, zip_uint64_t length) {
        if (length < sizeof *st) {
            zip_error_set(&error_, ZIP_ER_INVAL, 0);
            return -1;
        }
        zip_stat_init(st);
        st->size = finished_ ? sum_.size : planned_.size;
        st->comp_method = ZIP_CM_DEFLATE;
        st->encryption_method = password_.empty() ? ZIP_EM_NONE : ZIP_EM_AES_256;
        st->mtime = static_cast<time_t>(planned_.mtime);
        st->valid = ZIP_STAT_SIZE | ZIP_STAT_COMP_METHOD | ZIP_STAT_ENCRYPTION_METHOD | ZIP_STAT_MTIME;
        if (finished_) {
            st->crc = sum_.crc;
            st->valid |= ZIP_STAT_CRC;
        }
        return sizeof *st;
    }

    // What is left of the head (salt and check value, or the authentication
    // code), then of the piece.
    zip_int64_t read(char* out, zip_uint64_t length) {
        while (at_ == head_.size() + body_.size() && !ended_) {
            if (!refill()) return -1;
        }
        std::size_t n = 0;
        if (at_ < head_.size()) {
            n = std::min<std::size_t>(length, head_.size() - at_);
            std::memcpy(out, head_.data() + at_, n);
        } else {
            n = std::min<std::size_t>(length, head_.size() + body_.size() - at_);
            std::memcpy(out, body_.data() + (at_ - head_.size()), n);
        }
        at_ += n;
        return static_cast<zip_int64_t>(n);
    }

    bool refill() {
        head_.clear();
        at_ = 0;
        if (!started_ && !password_.empty() && !aes_.begin(password_, head_)) return failed(ZIP_ER_INTERNAL);
        started_ = true;
        if (finished_) {  // after the last piece: the authentication code
            body_.clear();
            if (!password_.empty() && !aes_.finish(head_)) return failed(ZIP_ER_INTERNAL);
            if (written_) {
                written_->code = head_;
                written_->keys = aes_.keyMaterial();
            }
            ended_ = true;
            return true;
        }
        if (!next(body_, finished_)) return failed(ZIP_ER_READ);
        if (!password_.empty() && !aes_.update(body_.data(), body_.size())) return failed(ZIP_ER_INTERNAL);
        return true;
    }

    bool failed(int code) {
        zip_error_set(&error_, code, 0);
        return false;
    }

    const PipelineFile planned_;
    const std::string password_;
    WrittenAes* const written_;
    WinZipAes aes_;
    zip_error_t error_;
    std::string head_;
    Bytes body_;
    std::size_t at_ = 0;
    bool started_ = false, finished_ = false, ended_ = false;
    MemberSum sum_;
};

// Pieces deflated ahead on every core.
class PipelineSource final : public PreparedSource {
public:
    PipelineSource(DeflatePipeline& pipeline, const PipelineFile& planned, const std::string& password,
                   WrittenAes* written)
        : PreparedSource(planned, password, written), pipeline_(pipeline) {}

private:
    bool next(Bytes& body, bool& last) override {
        pipeline_.recycle(std::move(body));
        DeflatedPiece piece = pipeline_.next();
        if (!piece.error.empty()) return false;  // the pipeline keeps the reason
        sum().add(piece);
        last = piece.last;
        body = std::move(piece.bytes);
        return true;
    }

    DeflatePipeline& pipeline_;
};

// A file kept uncompressed, read block by block into one stored block at
// a time: what the writer reads is still in the cache when it encrypts it
// and when libzip copies it.
class StoredFileSource final : public PreparedSource {
public:
    StoredFileSource(const PipelineFile& planned, const std::string& password, WrittenAes* written, std::string* why)
        : PreparedSource(planned, password, written), path_(planned.path), why_(why) {}

private:
    static constexpr std::size_t kBlock = 65535, kHeader = 5;

    bool next(Bytes& body, bool& last) override {
        if (!opened_ && !file_.openForReading(path_)) return cannotRead();
        opened_ = true;
        body.resize(kHeader + kBlock);
        std::size_t n = 0;
        while (n < kBlock) {
            const long long got = file_.readAt(offset_ + n, body.data() + kHeader + n, kBlock - n);
            if (got < 0) return cannotRead();
            if (got == 0) break;
            n += static_cast<std::size_t>(got);
        }
        offset_ += n;
        // A full block may be followed by more; the end then comes as an
        // empty final block.
        last = n < kBlock;
        body.resize(kHeader + n);
        body[0] = static_cast<char>(last ? 1 : 0);
        body[1] = static_cast<char>(n & 0xFF);
        body[2] = static_cast<char>(n >> 8);
        body[3] = static_cast<char>(~n & 0xFF);
        body[4] = static_cast<char>((~n >> 8) & 0xFF);
        sum().add(Crc32(0, body.data() + kHeader, n), n);
        return true;
    }

    bool cannotRead() {
        if (why_ && why_->empty()) *why_ = "the file \"" + path_ + "\" cannot be read: " + file_.error();
        return false;
    }

    const std::string path_;
    std::string* const why_;
    platform::RawFile file_;
    bool opened_ = false;
    std::uint64_t offset_ = 0;
};

zip_int64_t dispatch(void* state, void* data, zip_uint64_t length, zip_source_cmd_t command) {
    return static_cast<PreparedSource*>(state)->call(data, length, command);
}

zip_source_t* sourceOver(zip_t* za, PreparedSource* state) {
    zip_source_t* source = zip_source_function(za, dispatch, state);
    if (!source) delete state;
    return source;
}

}  // namespace

zip_source_t* MakePipelineSource(zip_t* za, DeflatePipeline& pipeline, const PipelineFile& planned,
                                 const std::string& password, WrittenAes* written) {
    return sourceOver(za, new PipelineSource(pipeline, planned, password, written));
}

zip_source_t* MakeStoredFileSource(zip_t* za, const PipelineFile& planned, const std::string& password,
                                   WrittenAes* written, std::string* why) {
    return sourceOver(za, new StoredFileSource(planned, password, written, why));
}

}  // namespace backup
