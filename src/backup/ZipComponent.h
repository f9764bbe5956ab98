#pragma once
// The program's archive object over libzip: builds a backup or folder
// archive from files on disk, or opens one to find and extract members.
// Paths are host paths. Files are never read whole: they stream from disk
// while the archive is written and stream out again on extraction.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <utility>
#include <vector>

#include "backup/WinZipAes.h"

namespace backup {

struct PipelineFile;
class EarlierFolderArchive;
class ZipStreamWriter;

struct ZipMember {
    std::uint64_t index = 0;
    std::string name;              // relative path inside the archive, "/" separated
    std::uint64_t size = 0;        // uncompressed
    std::uint64_t compressedSize = 0;
    bool encrypted = false;
    bool directory = false;
    bool symlink = false;          // a link entry, never followed nor made
    bool stored = false;           // kept without compression
    std::uint32_t crc = 0;
};

// Called synchronously on the thread that works on the archive.
struct ZipNotifications {
    std::function<void(const std::string&)> addingFile;
    std::function<void(const std::string&)> unzippingFile;
    std::function<void(int)> writingProgress;  // whole percent, each at most once
    std::function<void(const std::string&)> checkingFile;  // the new archive read back, member by member
    // How far the read under way has got: bytes of member data read of all
    // it reads (one member for extractMember and testMember, every member
    // for testAll and unzipAll); a read that succeeds ends with done equal
    // to total. Unlike the others it also comes from unzipAll's worker
    // threads, several at once, so a call may carry less than an earlier one.
    std::function<void(std::uint64_t done, std::uint64_t total)> readProgress = {};
};

class ZipComponent {
public:
    ZipComponent();
    ~ZipComponent();
    ZipComponent(const ZipComponent&) = delete;
    ZipComponent& operator=(const ZipComponent&) = delete;

    void setWorkingFolder(const std::string& folder) { workingFolder_ = folder; }
    void setNotifications(ZipNotifications n) { notify_ = std::move(n); }
    const ZipNotifications& notifications() const { return notify_; }
    void setCompressionLevel(int level) { compressionLevel_ = level; }
    int compressionLevel() const { return compressionLevel_; }
    // Off (the default), writeArchive reads the new archive back whole and
    // flushes it to disk before it takes the place of the file at the path.
    // On for a folder archive: it is written front to back keeping a few
    // numbers per member (a mail folder may hold hundreds of thousands of
    // files), never encrypted, and proven inside the backup that holds it.
    void setFolderArchive(bool on) { folderArchive_ = on; }
    // Files that are unchanged since `earlier` was written (same name, size,
    // time and CRC-32) are copied from it as they are: a folder archive's
    // files from the earlier folder archive, a backup's compressed members
    // from the earlier backup. A backup lets go of `earlier` before it takes
    // the earlier one's place; should a copied member not read back, the
    // backup is written once more with everything compressed.
    void setEarlierFolderArchive(std::shared_ptr<EarlierFolderArchive> earlier) { earlier_ = std::move(earlier); }
    // Why the last backup written was written a second time without the
    // earlier one's data, or empty.
    const std::string& rewriteReason() const { return rewriteReason_; }
    // Of the last archive written: files copied, files compressed.
    std::pair<std::uint64_t, std::uint64_t> lastFileCounts() const { return fileCounts_; }

    // Writing: nothing touches the disk until writeArchive.
    bool newArchive(const std::string& path);
    // A file's full path adds it under its bare name; "<folder>/*.*" (or
    // "<folder>/*") adds what lies below the folder with relative paths,
    // subfolders too when includeSubfolders is 1.
    bool addFiles(const std::string& pathOrPattern, int includeSubfolders);
    // Adds a folder archive made for this archive under its bare name; the
    // read-back opens it and reads it whole too.
    bool addFolderArchive(const std::string& archivePath);
    // Adds the folder archive `packer` plans (a folder archive object given
    // its new archive's path and its files, from `hostFolder` and below,
    // whose files come to about `rawBytes`). A backup without a password
    // whose file can be made takes it in at once, as a stored member of the
    // file being written, and can pack it again from the folder should it
    // have to be written anew. Else the packer writes its file and that is
    // added. On failure nothing is added, and lastError says why.
    bool addFolderArchive(ZipComponent& packer, const std::string& hostFolder, std::uint64_t rawBytes);
    void setPassword(const std::string& password) { password_ = password; }
    void setProtection(int on) { protection_ = on == 1; }
    // Writes to a temporary file beside the target and renames it into place
    // only when complete (and proven, see setProveBeforeReplace); an earlier
    // file at the path survives a failure.
    bool writeArchive();
    // Asks a writeArchive running on another thread to stop.
    void cancel() { cancelled_ = true; }

    // Closes whatever is open or being built; harmless when nothing is.
    void closeArchive();

    // Reading.
    bool openArchive(const std::string& path);
    // Opens a folder archive where it lies inside `outer`, without a copy:
    // possible when the member is stored and not encrypted, else false
    // (and the member must be taken out first).
    bool openArchiveMember(const ZipComponent& outer, const ZipMember& member);
    static bool opensInPlace(const ZipMember& member) { return member.stored && !member.encrypted; }
    int isProtected(const std::string& path) const;
    void setDecryptionPassword(const std::string& password) { decryptionPassword_ = password; }
    // 1 when an encrypted member reads back to its end with the password,
    // authentication checked, or when nothing is encrypted; else 0.
    int verifyPassword();
    std::optional<ZipMember> findMember(const std::string& bareName) const;
    std::vector<ZipMember> members() const;
    // Whether an extraction takes the member: a name that stays below the
    // target (IsSafeMemberName), no link, and a size in proportion to its
    // compressed size. False, with the reason, otherwise.
    bool checkMember(const ZipMember& member);
    // Writes the member below `targetFolder` under its name; the file
    // appears only once it was read whole with its checks passed.
    bool extractMember(const ZipMember& member, const std::string& targetFolder);
    // Every member into `targetFolder`, a new folder nobody uses yet, on
    // every core, flushed to disk at the end; the number of files written,
    // or -1 (nothing written when any member fails checkMember).
    int unzipAll(const std::string& targetFolder);
    // The member's contents, refused when it declares more than `limit`
    // bytes.
    std::optional<std::string> readSmallMember(const ZipMember& member, std::size_t limit);
    // Reads every member to its end (checks CRCs and authentication).
    bool testAll();
    // The same for one member; the error names it as testAll's does.
    bool testMember(const ZipMember& member);

    // Streaming one member (ZipMemberStream.cpp): its bytes go to `sink` as
    // they inflate, after the checks of an extraction (checkMember) and
    // never more than it declares. `sink` may end the read early by
    // returning false, which is no failure; Whole: read to its end, its
    // checks passed. A failure's error names the member.
    enum class StreamEnd { Whole, Stopped, Failed };
    StreamEnd streamMember(const ZipMember& member, const std::function<bool(const char*, std::size_t)>& sink);
    // When the member was last changed (seconds since 1970), as its entry says.
    std::optional<std::int64_t> memberTime(const ZipMember& member) const;

    const std::string& lastError() const { return error_; }

private:
    // A planned member, small because a folder archive has one per file:
    // its name lives in names_, its file is folders_[folder] + name.
    struct Pending {
        static constexpr std::uint32_t kNoFile = 0xFFFFFFFF;  // a folder entry
        static constexpr std::uint32_t kPacked = 0xFFFFFFFE;  // a folder archive packed into the file
        static constexpr std::uint32_t kNotWritten = 0xFFFFFFFF;
        std::uint64_t nameAt;
        std::uint32_t nameLength;
        std::uint32_t folder;
        bool folderArchive;
        std::uint32_t entry = kNotWritten;  // its entry in the file being written, once there
    };
    // How a folder archive packed into the file is packed again.
    struct PackedFolder {
        std::size_t pending;
        std::string hostFolder;
        int level;
        std::uint64_t planned;  // bytes it may come to
    };
    struct Reader;
    class ReadTally;

    bool fail(const std::string& message);
    bool addOne(const std::string& memberName, std::uint32_t folder, bool folderArchive = false);
    bool addOneFile(const std::string& path, bool folderArchive);
    std::uint32_t sourceFolder(const std::string& folder);
    std::string_view memberName(const Pending& p) const;
    std::string sourcePath(const Pending& p) const;
    bool isPending(std::string_view name) const;
    void hashNames();
    void dropPendingFrom(std::size_t first);
    bool addFolderContents(std::uint32_t root, const std::string& prefix, bool recurse);
    bool commitTo(const std::string& temporaryPath);
    bool streamTo(const std::string& path);
    bool streamInto(ZipStreamWriter& writer);
    bool openStream();
    bool packInto(ZipComponent& packer, const std::string& name);
    bool packStored(ZipComponent& packer, const std::string& name, std::uint64_t planned);
    bool writeRest();
    bool writeStreamed();
    bool rewriteStreamed();
    void dropStream();
    PipelineFile planFile(const Pending& p, bool store) const;
    PipelineFile planReused(const Pending& p) const;
    PipelineFile planMember(const Pending& p);
    // planReused, a large file read through for its CRC first, since its
    // pieces are written before its end is read.
    PipelineFile planVerified(const Pending& p) const;
    bool copiedMemberAtFault() const;
    std::string unreadableSourceNote() const;
    // Whether the member, deflated and not encrypted, inflates whole in the
    // chunks this program's writer cut it into (see ChunkedInflate.h).
    bool inflatesInChunks(const ZipMember& member);
    // Streams the member to `sink`, never more than the size it declares.
    bool readMember(const ZipMember& member, const std::function<bool(const char*, std::size_t)>& sink);
    // The same for a stored, unencrypted member, read straight from the file.
    bool readStoredInPlace(const ZipMember& member, const std::function<bool(const char*, std::size_t)>& sink);
    // Reads the new archive back whole and flushes it to disk.
    bool proveWritten(const std::string& temporaryPath);
    bool readBackWhole(const std::string& temporaryPath);
    // `written`: what the writer kept of the member (empty when unknown).
    bool readBackProtected(const ZipMember& member, const std::function<bool(const char*, std::size_t)>& sink,
                           const WrittenAes& written);
    std::string readBackMember(const std::string& path, const std::string& name, bool folderArchive,
                               const WrittenAes& written) const;
    bool extractTo(const ZipMember& member, const std::string& targetFolder, bool intoFreshFolder);
    bool writeMemberTo(const ZipMember& member, const std::string& path, const std::string& shownAs);

    std::string workingFolder_;
    ZipNotifications notify_;
    int compressionLevel_ = 6;
    bool folderArchive_ = false;
    std::shared_ptr<EarlierFolderArchive> earlier_;
    std::string rewriteReason_;
    std::pair<std::uint64_t, std::uint64_t> fileCounts_;
    std::vector<std::string> copiedMembers_;  // of the backup being written
    std::vector<std::string> packedCopies_;   // its folder archives that hold copies
    bool copiesProvenLater_ = false;          // see PipelineFile::provenLater
    // The file being written as its folder archives are packed, when that
    // can be done (Streamed); Scratch: they are written apart and added.
    enum class StreamMode { Undecided, Streamed, Scratch } streamMode_ = StreamMode::Undecided;
    std::unique_ptr<ZipStreamWriter> stream_;
    std::string streamPath_;
    std::string streamBroken_;  // why the file being written cannot be finished
    std::vector<PackedFolder> packedFolders_;

    std::string newPath_;
    std::vector<Pending> pending_;
    std::vector<std::string> folders_;
    std::string names_;
    std::unordered_set<std::uint64_t> nameHashes_;  // finds a name added twice
    bool namesHashed_ = false;
    std::string password_;
    bool protection_ = false;
    std::vector<WrittenAes> writtenCodes_;  // per pending member, as commitTo encrypted it
    std::atomic<bool> cancelled_{false};

    bool reopen(ZipComponent& copy) const;
    int unzipShare(const std::vector<ZipMember>& list, std::size_t first, std::size_t last,
                   const std::string& targetFolder);
    bool readWhole(const ZipMember& member);

    Reader* reader_ = nullptr;
    ReadTally* tally_ = nullptr;      // the public read under way, for readProgress
    std::string openPath_;            // the file opened, or the one holding it
    std::optional<std::uint64_t> openMember_;  // the member it was opened as
    std::string decryptionPassword_;
    std::vector<char> buffer_;  // reads stream through it
    std::string error_;
};

}  // namespace backup
