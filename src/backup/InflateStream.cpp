#include "backup/InflateStream.h"

namespace backup {

InflateStream::InflateStream() : out_(1 << 16) {}

InflateStream::~InflateStream() {
    if (ready_) inflateEnd(&z_);
}

bool InflateStream::reset() {
    ended_ = false;
    if (ready_) return inflateReset(&z_) == Z_OK;
    ready_ = inflateInit2(&z_, -15) == Z_OK;
    return ready_;
}

bool InflateStream::feed(const char* data, std::size_t size, const std::function<bool(const char*, std::size_t)>& out) {
    if (!ready_) return false;
    z_.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data));
    z_.avail_in = static_cast<uInt>(size);
    // Until the input is used up and zlib holds no more output for it.
    while (!ended_) {
        z_.next_out = reinterpret_cast<Bytef*>(out_.data());
        z_.avail_out = static_cast<uInt>(out_.size());
        const int ret = inflate(&z_, Z_NO_FLUSH);
        const std::size_t produced = out_.size() - z_.avail_out;
        if (produced > 0 && !out(out_.data(), produced)) return false;
        if (ret == Z_STREAM_END) ended_ = true;
        else if (ret == Z_BUF_ERROR) break;
        else if (ret != Z_OK) return false;
        if (z_.avail_in == 0 && z_.avail_out != 0) break;
    }
    return z_.avail_in == 0;
}

}  // namespace backup
