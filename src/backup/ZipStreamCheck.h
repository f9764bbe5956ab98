#pragma once
// Checks a plain zip file given as a stream of bytes, front to back, the
// way a folder archive is read back out of the backup that holds it: every
// local header, every member inflated and its CRC and sizes compared, then
// the central directory against what came before it, and the end records.
// It never seeks and keeps a few numbers per member, so a folder archive of
// hundreds of thousands of files is checked in little memory.

#include <cstdint>
#include <string>
#include <vector>

#include "backup/ChunkedInflate.h"
#include "backup/DeflateChunks.h"
#include "backup/InflateStream.h"

namespace backup {

class ZipStreamCheck {
public:
    // How a member larger than a megabyte is inflated: in the chunks the
    // program's writer cuts a large file into, with libdeflate, several
    // times faster; or as one zlib stream, which takes any deflate stream.
    enum class Large { InChunks, AsOneStream };

    explicit ZipStreamCheck(Large large = Large::InChunks);
    ~ZipStreamCheck();
    ZipStreamCheck(const ZipStreamCheck&) = delete;
    ZipStreamCheck& operator=(const ZipStreamCheck&) = delete;

    // The next bytes of the archive; false once a fault was found.
    bool feed(const char* data, std::size_t size);
    // After the last bytes: true when the archive was whole and sound.
    bool finish();
    const std::string& error() const { return error_; }
    // The fault was found by inflating in chunks, which a sound stream cut
    // otherwise fails too: only a check AsOneStream has the last word.
    bool failedInChunks() const { return failedInChunks_; }
    std::size_t memberCount() const { return entries_.size(); }

private:
    enum class Stage { Signature, Local, LocalNames, Data, Central, CentralNames, Zip64End, Locator, End, Comment, Done };
    struct Entry {
        std::uint64_t offset, compressedSize, size, nameHash;
        std::uint32_t crc;
    };

    bool fail(const std::string& why);
    bool gather(const char*& data, std::size_t& size);
    bool step();
    bool signature();
    bool localNames();
    bool centralNames();
    bool zip64End();
    bool locator();
    bool end();
    void consumeData(const char*& data, std::size_t& size);
    bool inflateWhole();
    bool finishChunks();
    bool endOfMember();
    void expect(Stage stage, std::size_t bytes);

    Stage stage_ = Stage::Signature;
    std::size_t wanted_ = 4;
    std::string held_;
    std::uint64_t position_ = 0;       // bytes fed so far
    std::uint64_t recordAt_ = 0;       // where the record in held_ began
    std::vector<Entry> entries_;
    Entry current_{};                  // the member being read, or the central record being compared
    std::uint16_t method_ = 0;
    std::uint64_t remaining_ = 0;      // compressed bytes of the member still to come
    std::uint64_t inflated_ = 0;
    std::uint32_t crc_ = 0;
    bool streamEnded_ = false;
    InflateStream inflater_;
    // A small member is gathered whole and inflated at once: several times
    // faster than inflating it as a stream, and folder archives are mostly
    // small members.
    bool whole_ = false;
    Bytes packed_, unpacked_;
    Decompressor wholeInflater_;
    const Large large_;
    bool chunked_ = false;  // the member is inflated in chunks
    bool failedInChunks_ = false;
    ChunkedInflate chunks_;
    std::size_t centralIndex_ = 0;
    std::uint64_t centralAt_ = 0;
    std::uint64_t zip64EndAt_ = 0;
    bool zip64End_ = false;
    std::uint16_t nameLength_ = 0, extraLength_ = 0, commentLength_ = 0;
    std::string error_;
};

}  // namespace backup
