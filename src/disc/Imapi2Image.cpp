#include "disc/Imapi2Image.h"

#include "disc/DiscCodes.h"
#include "disc/Imapi2Device.h"
#include "disc/Imapi2Engine.h"
#include "platform/FsPath.h"
#include "platform/win32/WideText.h"

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace disc {
namespace {

using imapi2::Call;
using imapi2::Object;
using imapi2::Variant;

// Estimate: the system area, volume descriptors and path tables, and per
// file system one block per folder plus this much directory record per entry.
constexpr long kVolumeBlocks = 32;
constexpr long kRecordBytes = 256;

// Image paths are "\"-separated from the root; IMAPI2FS takes them relative.
std::wstring RelativePath(const std::string& imagePath) {
    return platform::wide(imagePath.size() > 1 && imagePath[0] == '\\' ? imagePath.substr(1) : imagePath);
}

Variant Now() {
    SYSTEMTIME now;
    GetSystemTime(&now);
    Variant v;
    v.get()->vt = VT_DATE;
    SystemTimeToVariantTime(&now, &v.get()->date);
    return v;
}

bool AddFile(IDispatch* root, const ImageItem& item, bool useFileDates, ErrorRecord* error) {
    imapi2::Ref<IStream> stream;
    HRESULT hr = imapi2::OpenFileStream(platform::wide(item.sourcePath), stream.put());
    if (FAILED(hr)) {
        *error = {kSourceFileError, "The source file cannot be read.", {}, {hr, HresultText(hr), item.sourcePath}, 0};
        return false;
    }
    const std::wstring path = RelativePath(item.imagePath);
    hr = Call(root, L"AddFile", {Variant::of(path), Variant::of(static_cast<IUnknown*>(stream.get()))});
    if (FAILED(hr)) {
        *error = {kSystemError, "The file " + item.imagePath + " could not be taken into the image: " +
                  HresultText(hr) + ".", {}, {}, hr};
        return false;
    }
    if (!useFileDates) {
        Variant added;
        if (SUCCEEDED(Call(root, L"Item", {Variant::of(path)}, &added))) {
            imapi2::Put(added.toObject().get(), L"LastModifiedTime", Now());
            imapi2::Put(added.toObject().get(), L"CreationTime", Now());
        }
    }
    return true;
}

bool AddChildren(IDispatch* root, const ImageNode& node, bool useFileDates, ErrorRecord* error) {
    for (const auto& [name, child] : node.children) {
        if (!child->item.isFolder) {
            if (!AddFile(root, child->item, useFileDates, error)) return false;
            continue;
        }
        const HRESULT hr = Call(root, L"AddDirectory", {Variant::of(RelativePath(child->item.imagePath))});
        if (FAILED(hr)) {
            *error = {kSystemError, "The folder " + child->item.imagePath + " could not be made in the image: " +
                      HresultText(hr) + ".", {}, {}, hr};
            return false;
        }
        if (!AddChildren(root, *child, useFileDates, error)) return false;
    }
    return true;
}

int FileSystemCount(int volumeType) {
    const int count = (volumeType & 1) + ((volumeType >> 1) & 1) + ((volumeType >> 2) & 1);
    return count > 0 ? count : 1;
}

void CountEntries(const ImageNode& node, long* folders, long* entries, long* dataBlocks) {
    ++*folders;
    for (const auto& [name, child] : node.children) {
        ++*entries;
        if (child->item.isFolder) CountEntries(*child, folders, entries, dataBlocks);
        else *dataBlocks += static_cast<long>((child->item.size + kBlockSize - 1) / kBlockSize);
    }
}

int Compare(const fs::path& disc, const ImageItem& item) {
    std::error_code ec;
    const fs::path source = platform::fsPath(item.sourcePath);
    std::ifstream from(source, std::ios::binary), copy(disc, std::ios::binary);
    const auto sourceSize = fs::file_size(source, ec);
    if (!from || ec) return kSourceUnreadable;
    const auto discSize = fs::file_size(disc, ec);
    if (!copy || ec) return kDiscFileUnreadable;
    if (sourceSize != discSize) return kSizesDiffer;
    std::vector<char> a(1 << 16), b(1 << 16);
    while (from && copy) {
        from.read(a.data(), static_cast<std::streamsize>(a.size()));
        copy.read(b.data(), static_cast<std::streamsize>(b.size()));
        if (from.gcount() != copy.gcount()) return kDiscFileUnreadable;
        if (std::memcmp(a.data(), b.data(), static_cast<std::size_t>(from.gcount())) != 0) return kContentsDiffer;
    }
    return kMatched;
}

// Windows mounts a freshly written disc a moment after the write ends.
bool VolumeReady(const fs::path& volume) {
    for (int i = 0; i < 30; ++i) {
        std::error_code ec;
        if (fs::is_directory(volume, ec)) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
    }
    return false;
}

}  // namespace

Object ComposeImapi2Image(const imapi2::ObjectFactory& factory, const DiscImage& image,
                          const Imapi2ImageOptions& options, IDispatch* recorder, ErrorRecord* error, HRESULT* hr) {
    Object fsi;
    *hr = factory(L"IMAPI2FS.MsftFileSystemImage", fsi.put());
    if (FAILED(*hr) || !fsi) return {};
    // The medium's limits first; the choices below override its file systems.
    if (recorder) Call(fsi.get(), L"ChooseImageDefaults", {Variant::of(recorder)});
    imapi2::Put(fsi.get(), L"FileSystemsToCreate", Variant::of(static_cast<long>(options.volumeType & 7)));
    imapi2::Put(fsi.get(), L"VolumeName", Variant::of(platform::wide(options.volumeId)));
    Variant root;
    *hr = imapi2::Get(fsi.get(), L"Root", &root);
    if (FAILED(*hr) || !root.toObject()) {
        *error = {kSystemError, "The image could not be created: " + HresultText(*hr) + ".", {}, {}, *hr};
        return {};
    }
    if (!AddChildren(root.toObject().get(), image.root(), options.useFileDates, error)) return {};
    Variant result;
    *hr = Call(fsi.get(), L"CreateResultImage", {}, &result);
    if (FAILED(*hr) || !result.toObject()) {
        *error = {kSystemError, "The image could not be composed: " + HresultText(*hr) + ".", {}, {}, *hr};
        return {};
    }
    return result.toObject();
}

double EstimateImageSize(const DiscImage& image, int volumeType) {
    long folders = 0, entries = 0, dataBlocks = 0;
    CountEntries(image.root(), &folders, &entries, &dataBlocks);
    const long recordBlocks = (entries * kRecordBytes + kBlockSize - 1) / kBlockSize;
    const long blocks = kVolumeBlocks + FileSystemCount(volumeType) * (folders + recordBlocks) + dataBlocks;
    return static_cast<double>(blocks) * kBlockSize;
}

bool VerifyOnVolume(const std::wstring& volume, const DiscImage& image, DiscEvents& events,
                    const std::atomic<bool>& abort, long* checked, long* matched) {
    const std::vector<ImageItem> files = image.files();
    const long total = static_cast<long>(files.size());
    events.verifyStart(total);
    const bool readable = !volume.empty() && VolumeReady(fs::path(volume));
    long position = 0;
    *checked = *matched = 0;
    for (const auto& item : files) {
        if (abort) break;
        // Without a volume nothing can be read back: said so, file by file.
        const int result = volume.empty() ? kSkipped
                           : readable     ? Compare(fs::path(volume) / RelativePath(item.imagePath), item)
                                          : kDiscFileUnreadable;
        if (result != kSkipped) ++*checked;
        if (result == kMatched) ++*matched;
        events.verifyFile({item.imagePath, item.sourcePath}, result, ++position, total);
    }
    events.verifyComplete(*checked, *matched);
    return *checked == *matched && (volume.empty() || position == total);
}

}  // namespace disc
