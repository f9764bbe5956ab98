#pragma once
// A raw deflate stream inflated piece by piece as its bytes arrive, for the
// read-back checks that see a member only as a stream.

#include <zlib.h>

#include <cstddef>
#include <functional>
#include <vector>

namespace backup {

class InflateStream {
public:
    InflateStream();
    ~InflateStream();
    InflateStream(const InflateStream&) = delete;
    InflateStream& operator=(const InflateStream&) = delete;

    // Ready for a new stream; false when zlib cannot be set up.
    bool reset();
    // Inflates the next bytes, giving the output to `out` as it comes.
    // False when they are no deflate data, follow the stream's end, or
    // `out` refuses.
    bool feed(const char* data, std::size_t size, const std::function<bool(const char*, std::size_t)>& out);
    bool ended() const { return ended_; }

private:
    z_stream z_{};
    bool ready_ = false;
    bool ended_ = false;
    std::vector<char> out_;
};

}  // namespace backup
