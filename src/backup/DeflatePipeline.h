#pragma once
// Members deflated ahead of the writer on every core. The writer asks for
// the members in order and gets each one's compressed bytes piece by piece;
// meanwhile workers read and compress the next files, and cut large files
// into chunks that are compressed side by side. How far they may run ahead
// is bounded, so memory stays small whatever the number of files.

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "backup/DeflateChunks.h"

namespace backup {

class EarlierFolderArchive;
struct ReusableEntry;

struct PipelineFile {
    std::string path;        // empty: a member without contents (a folder entry)
    std::uint64_t size = 0;  // as planned; the member holds what is read
    std::int64_t mtime = 0;  // seconds since 1970
    std::uint32_t mode = 0;  // st_mode
    bool store = false;      // stored blocks instead of compression
    // Where the member's deflated bytes may be copied from, should the file
    // read now be the one that entry holds (`name` is the member's name).
    EarlierFolderArchive* earlier = nullptr;
    const ReusableEntry* reuse = nullptr;
    std::string_view name;
    // The file was found to hold what `reuse` holds (size and CRC-32): its
    // earlier deflated bytes are copied piece by piece, the file not read again.
    bool verified = false;
    // A copy is proven by the read-back of the backup that holds it, which
    // is written anew without copies should that fail: the earlier bytes
    // are copied on the file's size and CRC-32 without being inflated first.
    bool provenLater = false;
};

// One piece of a member's deflate stream.
struct DeflatedPiece {
    PipelineFile file;           // the member's file
    Bytes bytes;
    std::uint32_t crc = 0;       // of the raw bytes of this piece
    std::uint64_t rawSize = 0;
    bool last = false;           // the member's final piece
    bool copied = false;         // the bytes come from the earlier archive as they were
    std::string error;           // why the file could not be read
};

// A member's CRC and size, summed over its pieces in order.
struct MemberSum {
    std::uint32_t crc = 0;
    std::uint64_t size = 0;
    void add(std::uint32_t pieceCrc, std::uint64_t pieceSize);
    void add(const DeflatedPiece& piece) { add(piece.crc, piece.rawSize); }
};

class DeflatePipeline {
public:
    static constexpr std::uint64_t kChunk = 4 << 20;

    // `fileAt(i)` describes member i of `count`; it is called on the
    // workers' threads, in order, one call at a time.
    DeflatePipeline(std::size_t count, std::function<PipelineFile(std::size_t)> fileAt, int level);
    ~DeflatePipeline();
    DeflatePipeline(const DeflatePipeline&) = delete;
    DeflatePipeline& operator=(const DeflatePipeline&) = delete;

    // The next piece, in member order; blocks until it is ready.
    DeflatedPiece next();
    // The first read error a piece reported, for the writer's message.
    std::string firstError();
    // Gives back a piece's bytes once written, for a later piece to fill:
    // large buffers reused stay mapped, new ones fault in page by page.
    void recycle(Bytes&& bytes);
    // Of the members given out whole so far: copied from an earlier archive,
    // and compressed (folder entries count in neither).
    std::uint64_t copiedFiles() const { return copied_; }
    std::uint64_t compressedFiles() const { return compressed_; }

private:
    struct Unit {
        std::uint64_t index;
        PipelineFile file;
        std::uint64_t offset;
        std::uint64_t length;  // as planned; the last piece reads on to the end
        std::uint64_t weight;  // what it adds to bytesAhead_
        bool last;
    };
    struct Done {
        DeflatedPiece piece;
        std::uint64_t accounted;  // what the unit added to bytesAhead_
    };
    bool claim(Unit& unit);  // under lock
    struct Worker;  // what one worker keeps from unit to unit
    void work();
    DeflatedPiece produce(const Unit& unit, Worker& worker);
    static DeflatedPiece copyVerified(const Unit& unit, Bytes bytes);
    Bytes spareBytes(std::uint64_t length);

    const std::size_t count_;
    const std::function<PipelineFile(std::size_t)> fileAt_;
    const int level_;
    const std::size_t workerCount_;  // known before the workers start, who read it

    std::mutex mutex_;
    std::condition_variable ready_;
    std::condition_variable room_;
    bool stopping_ = false;
    // The file being cut into units, and where the cutting is.
    std::size_t member_ = 0;
    PipelineFile current_;
    bool haveCurrent_ = false;
    std::uint64_t offset_ = 0;
    std::uint64_t nextUnit_ = 0;
    std::uint64_t consumed_ = 0;
    std::uint64_t bytesAhead_ = 0;
    std::map<std::uint64_t, Done> done_;
    std::string firstError_;
    std::uint64_t copied_ = 0, compressed_ = 0;  // touched by the writer's thread only
    std::vector<Bytes> spares_;
    std::vector<std::thread> workers_;
};

}  // namespace backup
