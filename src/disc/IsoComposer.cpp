#include "disc/IsoComposer.h"

#include "disc/DiscCodes.h"

#include <libburn/libburn.h>
#include <libisofs/libisofs.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <mutex>
#include <vector>

namespace fs = std::filesystem;

namespace disc {
namespace {

void InitialiseLibisofs() {
    static std::once_flag once;
    std::call_once(once, [] {
        iso_init();
        // Problems come back as return codes; nothing goes to stderr.
        char never[] = "NEVER", all[] = "ALL";
        iso_set_msgs_severities(never, never, all);
    });
}

struct ImageDeleter {
    void operator()(IsoImage* image) const { iso_image_unref(image); }
};
using ImageHandle = std::unique_ptr<IsoImage, ImageDeleter>;

std::string IsoPath(const std::string& imagePath) {
    std::string path = imagePath;
    std::replace(path.begin(), path.end(), '\\', '/');
    return path;
}

bool AddChildren(IsoImage* iso, IsoDir* dir, const ImageNode& node, ErrorRecord* error) {
    for (const auto& [name, child] : node.children) {
        if (child->item.isFolder) {
            IsoDir* sub = nullptr;
            const int rc = iso_tree_add_new_dir(dir, child->item.name.c_str(), &sub);
            if (rc < 0 || !AddChildren(iso, sub, *child, error)) {
                if (rc < 0) *error = {kSystemError, iso_error_to_msg(rc), {}, {}, rc};
                return false;
            }
            continue;
        }
        IsoNode* added = nullptr;
        const int rc = iso_tree_add_new_node(iso, dir, child->item.name.c_str(), child->item.sourcePath.c_str(), &added);
        if (rc < 0) {
            *error = {kSourceFileError, "The source file cannot be read.", {},
                      {rc, iso_error_to_msg(rc), child->item.sourcePath}, 0};
            return false;
        }
    }
    return true;
}

ImageHandle Compose(const DiscImage& image, const IsoSettings& settings, ErrorRecord* error) {
    InitialiseLibisofs();
    IsoImage* raw = nullptr;
    if (iso_image_new(settings.volumeId.c_str(), &raw) < 0) {
        *error = {kSystemError, "The image could not be created.", {}, {}, 0};
        return nullptr;
    }
    ImageHandle iso(raw);
    iso_tree_set_follow_symlinks(raw, 1);
    iso_image_set_volume_id(raw, settings.volumeId.c_str());
    if (!AddChildren(raw, iso_image_get_root(raw), image.root(), error)) return nullptr;
    return iso;
}

struct OptsDeleter {
    void operator()(IsoWriteOpts* opts) const { iso_write_opts_free(opts); }
};

burn::burn_source* StreamOf(IsoImage* iso, const IsoSettings& settings, bool sizeOnly) {
    IsoWriteOpts* raw = nullptr;
    if (iso_write_opts_new(&raw, 0) < 0) return nullptr;
    std::unique_ptr<IsoWriteOpts, OptsDeleter> opts(raw);
    iso_write_opts_set_iso_level(raw, 3);  // files over 4 GiB
    iso_write_opts_set_rockridge(raw, 1);
    iso_write_opts_set_joliet(raw, VolumeTypeHasJoliet(settings.volumeType) ? 1 : 0);
    iso_write_opts_set_joliet_longer_paths(raw, 1);
    iso_write_opts_set_allow_deep_paths(raw, 1);
    iso_write_opts_set_relaxed_vol_atts(raw, 1);  // the label as the user typed it
    if (!settings.useFileDates) {
        iso_write_opts_set_replace_timestamps(raw, 2);
        iso_write_opts_set_default_timestamp(raw, std::time(nullptr));
    }
    iso_write_opts_set_will_cancel(raw, sizeOnly ? 1 : 0);
    ::burn_source* stream = nullptr;
    if (iso_image_create_burn_source(iso, raw, &stream) < 0) return nullptr;
    // libisofs and libburn declare the same C structure, in different C++ scopes.
    return reinterpret_cast<burn::burn_source*>(stream);
}

// Reads blocks of a written disc through libburn.
int ReadDriveBlock(IsoDataSource* src, uint32_t lba, uint8_t* buffer) {
    off_t count = 0;
    const int rc = burn::burn_read_data(static_cast<burn::burn_drive*>(src->data), static_cast<off_t>(lba) * kBlockSize,
                                  reinterpret_cast<char*>(buffer), kBlockSize, &count, 2);
    return rc > 0 && count == kBlockSize ? 1 : ISO_DATA_SOURCE_FAILURE;
}
int NoOp(IsoDataSource*) { return 1; }
void NoFree(IsoDataSource*) {}
int NoBlock(IsoDataSource*, uint32_t, uint8_t*) { return ISO_DATA_SOURCE_FAILURE; }

// Compares one disc file with its source: a VerifyResult.
int CompareFile(IsoImage* written, const ImageItem& item) {
    std::FILE* source = std::fopen(item.sourcePath.c_str(), "rb");
    if (!source) return kSourceUnreadable;
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> closer(source, std::fclose);
    IsoNode* node = nullptr;
    if (iso_tree_path_to_node(written, IsoPath(item.imagePath).c_str(), &node) != 1 || !ISO_NODE_IS_FILE(node)) {
        return kDiscFileUnreadable;
    }
    IsoStream* stream = iso_file_get_stream(reinterpret_cast<IsoFile*>(node));
    std::error_code ec;
    const auto sourceSize = fs::file_size(item.sourcePath, ec);
    if (ec) return kSourceUnreadable;
    if (static_cast<std::uintmax_t>(iso_stream_get_size(stream)) != sourceSize) return kSizesDiffer;
    if (iso_stream_open(stream) < 0) return kDiscFileUnreadable;
    std::vector<char> fromDisc(1 << 16), fromSource(1 << 16);
    int result = kMatched;
    for (;;) {
        const int got = iso_stream_read(stream, fromDisc.data(), fromDisc.size());
        if (got < 0) { result = kDiscFileUnreadable; break; }
        const std::size_t want = static_cast<std::size_t>(got);
        if (std::fread(fromSource.data(), 1, want, source) != want) { result = kSourceUnreadable; break; }
        if (std::memcmp(fromDisc.data(), fromSource.data(), want) != 0) { result = kContentsDiffer; break; }
        if (got == 0) break;
    }
    iso_stream_close(stream);
    return result;
}

bool VerifyFrom(IsoDataSource* src, const DiscImage& image, const VerifyListener& listener) {
    InitialiseLibisofs();
    const std::vector<ImageItem> files = image.files();
    const long total = static_cast<long>(files.size());
    if (listener.start) listener.start(total);
    IsoImage* raw = nullptr;
    IsoReadOpts* opts = nullptr;
    ImageHandle written;
    if (iso_image_new("verify", &raw) >= 0) {
        written.reset(raw);
        if (iso_read_opts_new(&opts, 0) >= 0 && iso_image_import(raw, src, opts, nullptr) < 0) written.reset();
        if (opts) iso_read_opts_free(opts);
    }
    long matched = 0, position = 0;
    for (const auto& item : files) {
        if (listener.cancelled && listener.cancelled()) break;
        const int result = written ? CompareFile(written.get(), item) : kDiscFileUnreadable;
        if (result == kMatched) ++matched;
        if (listener.file) listener.file({item.imagePath, item.sourcePath}, result, ++position, total);
    }
    if (listener.complete) listener.complete(position, matched);
    return matched == total;
}

}  // namespace

burn::burn_source* CreateImageStream(const DiscImage& image, const IsoSettings& settings, ErrorRecord* error) {
    ImageHandle iso = Compose(image, settings, error);
    if (!iso) return nullptr;
    burn::burn_source* stream = StreamOf(iso.get(), settings, false);
    if (!stream) *error = {kSystemError, "The image stream could not be started.", {}, {}, 0};
    return stream;
}

double ComputeImageSize(const DiscImage& image, const IsoSettings& settings) {
    ErrorRecord ignored;
    ImageHandle iso = Compose(image, settings, &ignored);
    burn::burn_source* stream = iso ? StreamOf(iso.get(), settings, true) : nullptr;
    if (!stream) return 0;
    const double size = static_cast<double>(stream->get_size(stream));
    stream->cancel(stream);
    burn::burn_source_free(stream);
    return size;
}

bool VerifyWrittenImage(burn::burn_drive* drive, const DiscImage& image, const VerifyListener& listener) {
    IsoDataSource src{0, 1, NoOp, NoOp, ReadDriveBlock, NoFree, drive};
    return VerifyFrom(&src, image, listener);
}

bool VerifyImageFile(const std::string& isoPath, const DiscImage& image, const VerifyListener& listener) {
    IsoDataSource* src = nullptr;
    if (iso_data_source_new_from_file(isoPath.c_str(), &src) < 0) src = nullptr;
    if (!src) {
        IsoDataSource none{0, 1, NoOp, NoOp, NoBlock, NoFree, nullptr};
        return VerifyFrom(&none, image, listener);
    }
    const bool ok = VerifyFrom(src, image, listener);
    iso_data_source_unref(src);
    return ok;
}

}  // namespace disc
