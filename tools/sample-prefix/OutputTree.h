#pragma once
// The files of the generated prefix, written below one root folder with
// plain buffered writes (a 1 GB profile is hundreds of thousands of files),
// counting what was written for the summary and for sizing the store.

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace sample {

class OutputTree {
public:
    explicit OutputTree(std::filesystem::path root) : root_(std::move(root)) {}

    // A file written piece by piece; finish() writes the rest and closes it.
    class Stream {
    public:
        Stream(OutputTree& tree, const std::string& relativePath);
        ~Stream();  // closes without reporting, for the error path only
        Stream(const Stream&) = delete;
        Stream& operator=(const Stream&) = delete;
        void append(std::string_view data);
        void finish();
        std::uint64_t written() const { return written_ + buffer_.size(); }

    private:
        void drain();
        OutputTree& tree_;
        std::string path_;
        int fd_ = -1;
        std::string buffer_;
        std::uint64_t written_ = 0;
    };

    // Paths are relative to the root with "/" between names; missing folders
    // are created. Failures throw std::runtime_error naming the path.
    void makeFolder(const std::string& relativePath);
    void writeFile(const std::string& relativePath, std::string_view contents);
    void makeSymlink(const std::string& target, const std::string& relativePath);

    const std::filesystem::path& root() const { return root_; }
    std::uint64_t files() const { return files_; }
    std::uint64_t bytes() const { return bytes_; }

private:
    int openForWrite(const std::string& relativePath);
    void writeAll(int fd, std::string_view data, const std::string& relativePath);
    void closeFile(int fd, const std::string& relativePath);

    std::filesystem::path root_;
    std::string lastFolder_;  // saves a stat per file when writing into one folder
    std::uint64_t files_ = 0;
    std::uint64_t bytes_ = 0;
};

}  // namespace sample
