#include "backup/PipelineSource.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "backup/WinZipAes.h"

namespace backup {

namespace {

class PipelineSource {
public:
    PipelineSource(DeflatePipeline& pipeline, const PipelineFile& planned, const std::string& password)
        : pipeline_(pipeline), planned_(planned), password_(password) {
        zip_error_init(&error_);
    }
    ~PipelineSource() { zip_error_fini(&error_); }

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

    zip_int64_t read(char* out, zip_uint64_t length) {
        while (at_ == bytes_.size() && !ended_) {
            if (!refill()) return -1;
        }
        const std::size_t n = std::min<std::size_t>(length, bytes_.size() - at_);
        std::memcpy(out, bytes_.data() + at_, n);
        at_ += n;
        return static_cast<zip_int64_t>(n);
    }

    // The next piece from the pipeline, encrypted when asked.
    bool refill() {
        bytes_.clear();
        at_ = 0;
        if (!started_ && !password_.empty() && !aes_.begin(password_, bytes_)) return failed(ZIP_ER_INTERNAL);
        started_ = true;
        if (finished_) {  // after the last piece: the authentication code
            if (!password_.empty() && !aes_.finish(bytes_)) return failed(ZIP_ER_INTERNAL);
            ended_ = true;
            return true;
        }
        DeflatedPiece piece = pipeline_.next();
        if (!piece.error.empty()) return failed(ZIP_ER_READ);  // the pipeline keeps the reason
        sum_.add(piece);
        finished_ = piece.last;
        const std::size_t at = bytes_.size();
        bytes_ += piece.bytes;
        if (!password_.empty() && !aes_.update(bytes_.data() + at, bytes_.size() - at)) return failed(ZIP_ER_INTERNAL);
        return true;
    }

    bool failed(int code) {
        zip_error_set(&error_, code, 0);
        return false;
    }

    DeflatePipeline& pipeline_;
    const PipelineFile planned_;
    const std::string password_;
    WinZipAes aes_;
    zip_error_t error_;
    std::string bytes_;
    std::size_t at_ = 0;
    bool started_ = false, finished_ = false, ended_ = false;
    MemberSum sum_;
};

zip_int64_t dispatch(void* state, void* data, zip_uint64_t length, zip_source_cmd_t command) {
    return static_cast<PipelineSource*>(state)->call(data, length, command);
}

}  // namespace

zip_source_t* MakePipelineSource(zip_t* za, DeflatePipeline& pipeline, const PipelineFile& planned,
                                 const std::string& password) {
    auto* state = new PipelineSource(pipeline, planned, password);
    zip_source_t* source = zip_source_function(za, dispatch, state);
    if (!source) delete state;
    return source;
}

}  // namespace backup
