#pragma once
// The records the disc engine hands to its listeners.

#include <cstdint>
#include <ctime>
#include <string>

namespace disc {

// One file or folder of the data image. Image paths use "\": the root is "\".
struct ImageItem {
    bool isFolder = false;
    std::string imagePath;
    std::string previousPath;  // set on rename
    std::string name;
    std::string parent;        // the parent folder's image path
    std::uint64_t size = 0;
    std::time_t date = 0;
    std::string sourcePath;    // host path of a file's source
};

struct FileRecord {
    long number = 0;
    std::string description;
    std::string fileName;
};

struct DeviceErrorRecord {
    long number = 0;
    std::string description;
    std::string detail;
    long detailCode = 0;
};

struct ErrorRecord {
    int Category = 0;
    std::string description;
    DeviceErrorRecord DeviceError;
    FileRecord FileError;
    long SystemCode = 0;
};

struct VerifiedFile {
    std::string discPath;
    std::string sourcePath;
};

}  // namespace disc
