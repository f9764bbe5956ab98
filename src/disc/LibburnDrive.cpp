#include "disc/LibburnDrive.h"

#include "disc/DiscCodes.h"

#include <libburn/libburn.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <mutex>
#include <thread>

namespace fs = std::filesystem;

using namespace burn;

namespace disc {
namespace {

using namespace std::chrono_literals;

constexpr char kStdioPrefix[] = "stdio:";

int MediaTypeOf(int profile) {
    switch (profile) {
    case 0x09: return kCdR;
    case 0x0a: return kCdRw;
    case 0x11: case 0x15: return kDvdR;
    case 0x13: case 0x14: return kDvdRw;
    case 0x1a: return kDvdPlusRw;
    case 0x1b: case 0x2b: return kDvdPlusR;
    case 0x12: return kDvdRam;
    case 0x41: return kBdR;
    case 0x43: return kBdRe;
    case 0xffff: return kStdioFile;
    case 0x08: case 0x10: case 0x40: case 0x42: return kReadOnlyDisc;
    default: return kNoMedia;
    }
}

// Media that are written over in place rather than appended to.
bool Overwritable(int mediaType) {
    return mediaType == kDvdPlusRw || mediaType == kDvdRam || mediaType == kBdRe || mediaType == kStdioFile ||
           mediaType == kDvdRw;
}

int EraseCapabilityOf(int profile) {
    switch (profile) {
    case 0x0a: return kBlankCdRw;
    case 0x13: case 0x14: return kBlankDvdRw;
    case 0x12: return kFormatDvdRam;
    case 0x1a: return kFormatDvdPlusRw;
    case 0x43: return kFormatBdRe;
    default: return 0;
    }
}

void DrainMessages() {
    int code = 0, osErrno = 0;
    char text[BURN_MSGS_MESSAGE_LEN], severity[80];
    char all[] = "ALL";
    while (burn_msgs_obtain(all, &code, text, &osErrno, severity) == 1) {}
}

std::string Trimmed(const char* text) {
    std::string s(text);
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return s;
}

}  // namespace

bool InitialiseLibburn() {
    static std::once_flag once;
    static bool ready = false;
    std::call_once(once, [] {
        ready = burn_initialize() == 1;
        // Everything is queued for the error records; nothing is printed.
        char all[] = "ALL", never[] = "NEVER", id[] = "tarnhold: ";
        if (ready) burn_msgs_set_severities(all, never, id);
    });
    return ready;
}

std::vector<std::string> DriveAddresses(const std::string& pseudoDrives) {
    std::vector<std::string> addresses;
    burn_drive_info* infos = nullptr;
    unsigned int count = 0;
    // The scan runs on libburn's own thread, filling infos and count, and
    // says 0 until it has finished.
    int scanned;
    while ((scanned = burn_drive_scan(&infos, &count)) == 0) std::this_thread::sleep_for(10ms);
    if (scanned > 0) {
        for (unsigned int i = 0; i < count; ++i) {
            char address[BURN_DRIVE_ADR_LEN];
            if (burn_drive_get_adr(&infos[i], address) > 0) addresses.emplace_back(address);
        }
        burn_drive_info_free(infos);
    }
    std::size_t from = 0;
    while (from <= pseudoDrives.size()) {
        const std::size_t to = std::min(pseudoDrives.find(';', from), pseudoDrives.size());
        if (to > from) addresses.push_back(pseudoDrives.substr(from, to - from));
        from = to + 1;
    }
    return addresses;
}

std::unique_ptr<LibburnDrive> LibburnDrive::Open(DriveOwner& owner, const std::string& address, std::string* problem) {
    std::unique_ptr<LibburnDrive> drive(new LibburnDrive(owner, address));
    if (address.rfind(kStdioPrefix, 0) == 0) {
        drive->stdioPath_ = address.substr(sizeof kStdioPrefix - 1);
        const fs::path folder = fs::path(drive->stdioPath_).parent_path();
        std::error_code ec;
        if (drive->stdioPath_.empty() || (!folder.empty() && !fs::is_directory(folder, ec))) {
            *problem = "The disc drive " + address + " cannot be used: the folder " + folder.string() +
                       " does not exist.";
            return nullptr;
        }
    }
    if (!drive->grab(true)) {
        *problem = "The disc drive " + address + " cannot be opened.";
        return nullptr;
    }
    drive->name_ = drive->stdioPath_.empty() ? Trimmed(drive->info_->vendor) + " " + Trimmed(drive->info_->product)
                                             : address;
    drive->RefreshMedia(false);
    return drive;
}

LibburnDrive::~LibburnDrive() { release(false); }

bool LibburnDrive::grab(bool /*load*/) {
    if (drive_) return true;
    std::string address = address_;
    if (burn_drive_scan_and_grab(&info_, address.data(), 1) != 1 || !info_) return false;
    drive_ = info_[0].drive;
    return true;
}

void LibburnDrive::release(bool eject) {
    if (!drive_) return;
    burn_drive_release(drive_, eject ? 1 : 0);
    burn_drive_info_free(info_);
    drive_ = nullptr;
    info_ = nullptr;
}

bool LibburnDrive::IsWriter() const {
    if (!drive_) return !stdioPath_.empty();
    switch (burn_drive_get_drive_role(drive_)) {
    case 1: return info_->write_cdr || info_->write_cdrw || info_->write_dvdr || info_->write_dvdram;
    case 2: case 3: case 5: return true;
    default: return false;
    }
}

int LibburnDrive::profile() const {
    int code = 0;
    char name[80];
    return drive_ && burn_disc_get_profile(drive_, &code, name) == 1 ? code : 0;
}

void LibburnDrive::RefreshMedia(bool /*full*/) {
    media_ = {};
    speeds_.clear();
    capabilities_.clear();
    if (!grab(true)) return;
    const burn_disc_status status = burn_disc_get_status(drive_);
    if (status == BURN_DISC_BLANK || status == BURN_DISC_APPENDABLE || status == BURN_DISC_FULL) {
        media_.MediaType = MediaTypeOf(profile());
        const bool overwritable = Overwritable(media_.MediaType);
        media_.IsWritable = media_.MediaType != kReadOnlyDisc && media_.MediaType != kNoMedia &&
                            (status != BURN_DISC_FULL || overwritable);
        media_.IsRewritable = burn_disc_erasable(drive_) == 1 || overwritable;
    }
    int count = 0, profiles[64];
    char current[64];
    if (burn_drive_get_all_profiles(drive_, &count, profiles, current) == 1) {
        for (int i = 0; i < count; ++i) {
            if (int cap = EraseCapabilityOf(profiles[i])) capabilities_.push_back(cap);
        }
    }
    burn_write_opts* opts = burn_write_opts_new(drive_);
    if (opts && burn_write_opts_set_underrun_proof(opts, 1) == 1) capabilities_.push_back(kBufferProtection);
    if (opts) burn_write_opts_free(opts);
    burn_speed_descriptor* list = nullptr;
    if (burn_drive_get_speedlist(drive_, &list) == 1) {
        for (auto* s = list; s; s = s->next) {
            if (s->write_speed > 0 && std::find(speeds_.begin(), speeds_.end(), s->write_speed) == speeds_.end()) {
                speeds_.push_back(s->write_speed);
            }
        }
        burn_drive_free_speedlist(&list);
    }
    std::sort(speeds_.rbegin(), speeds_.rend());
}

bool LibburnDrive::SupportsCapability(int code) const {
    return std::find(capabilities_.begin(), capabilities_.end(), code) != capabilities_.end();
}

std::int64_t LibburnDrive::FreeBlocks(bool /*writable*/) {
    if (!drive_) return 0;
    burn_write_opts* opts = burn_write_opts_new(drive_);
    const off_t bytes = opts ? burn_disc_available_space(drive_, opts) : 0;
    if (opts) burn_write_opts_free(opts);
    return static_cast<std::int64_t>(bytes / kBlockSize);
}

int LibburnDrive::WriteSpeed(int index) const {
    return index >= 0 && index < WriteSpeedCount() ? speeds_[static_cast<std::size_t>(index)] : 0;
}

double LibburnDrive::SpeedMultiplier(int speed) const {
    // libburn speeds are kB/s; one times is 176.4 for CD, 1385 for DVD, 4495.625 for BD.
    const int type = media_.MediaType;
    const double single = type == kCdR || type == kCdRw ? 176.4 : type == kBdR || type == kBdRe ? 4495.625 : 1385.0;
    return speed / single;
}

bool LibburnDrive::Eject() {
    if (owner_.busy()) return false;
    if (!stdioPath_.empty()) return true;
    release(true);
    media_ = {};
    return true;
}

bool LibburnDrive::CloseTray() {
    if (owner_.busy()) return false;
    const bool ok = grab(true);
    RefreshMedia(false);
    return ok;
}

int LibburnDrive::EraseMode() const {
    switch (media_.MediaType) {
    case kCdRw: case kDvdRw: return kEraseByBlanking;
    case kDvdPlusRw: case kDvdRam: case kBdRe: return kEraseByFormatting;
    default: return 0;
    }
}

void LibburnDrive::reassess() {
    if (drive_ && stdioPath_.empty()) burn_drive_re_assess(drive_, 0);
}

bool LibburnDrive::erase(bool quick, int mode, const std::function<void(int)>& progress, DeviceErrorRecord* error) {
    if (!drive_) {
        *error = {0, "The drive is not open.", address_, 0};
        return false;
    }
    DrainMessages();
    if (mode == kEraseByBlanking) burn_disc_erase(drive_, quick ? 1 : 0);
    else burn_disc_format(drive_, 0, 0);
    std::this_thread::sleep_for(1s);  // the drive leaves idle only once the command is under way
    burn_progress p{};
    while (burn_drive_get_status(drive_, &p) != BURN_DRIVE_IDLE) {
        if (p.sectors > 0) progress(static_cast<int>(100.0 * p.sector / p.sectors));
        std::this_thread::sleep_for(200ms);
    }
    const bool failed = TakeLibburnMessage(error);
    RefreshMedia(false);
    return !failed;
}

bool TakeLibburnMessage(DeviceErrorRecord* record) {
    int code = 0, osErrno = 0;
    char text[BURN_MSGS_MESSAGE_LEN], severity[80];
    char sorry[] = "SORRY";
    bool found = false;
    while (burn_msgs_obtain(sorry, &code, text, &osErrno, severity) == 1) {
        if (!found) *record = {code, severity, text, osErrno};
        found = true;
    }
    return found;
}

BurnJob::~BurnJob() {
    if (opts_) burn_write_opts_free(opts_);
    if (disc_) burn_disc_free(disc_);
}

bool BurnJob::prepare(burn_source* stream, ErrorRecord* error) {
    burn_drive* d = drive_.handle();
    auto fail = [&](const std::string& why) {
        DeviceErrorRecord detail;
        TakeLibburnMessage(&detail);
        *error = {kDeviceError, why, {detail.number, why, detail.description, detail.detailCode}, {}, 0};
        if (stream) burn_source_free(stream);
        return false;
    };
    if (!d) return fail("The drive is not open.");
    DrainMessages();
    drive_.RefreshMedia(false);
    if (!drive_.Media().IsWritable) return fail("The medium in the drive cannot be written.");
    disc_ = burn_disc_create();
    burn_session* session = burn_session_create();
    burn_track* track = burn_track_create();
    burn_track_define_data(track, 0, 0, 1, BURN_MODE1);
    const bool sourced = burn_track_set_source(track, stream) == BURN_SOURCE_OK;
    burn_source_free(stream);  // the track holds its own reference
    stream = nullptr;
    burn_session_add_track(session, track, BURN_POS_END);
    burn_disc_add_session(disc_, session, BURN_POS_END);
    burn_track_free(track);
    burn_session_free(session);
    if (!sourced) return fail("The data image could not be attached to the track.");

    opts_ = burn_write_opts_new(d);
    burn_write_opts_set_perform_opc(opts_, 0);
    // Media written over in place have no further sessions to leave open.
    const bool multi = !settings_.FinalizeDisc && !Overwritable(drive_.Media().MediaType);
    burn_write_opts_set_multi(opts_, multi ? 1 : 0);
    burn_write_opts_set_simulate(opts_, settings_.TestWrite ? 1 : 0);
    burn_write_opts_set_underrun_proof(opts_, settings_.BufferProtect ? 1 : 0);
    const bool atOnce = settings_.WriteMode == 248;
    burn_write_opts_set_write_type(opts_, atOnce ? BURN_WRITE_SAO : BURN_WRITE_TAO,
                                   atOnce ? BURN_BLOCK_SAO : BURN_BLOCK_MODE1);
    char reasons[BURN_REASONS_LEN];
    if (burn_write_opts_auto_write_type(opts_, disc_, reasons, 1 | 2) == BURN_WRITE_NONE &&
        burn_write_opts_auto_write_type(opts_, disc_, reasons, 2) == BURN_WRITE_NONE) {
        return fail(std::string("The medium cannot be written this way: ") + reasons);
    }
    burn_drive_set_speed(d, 0, settings_.WriteSpeed);
    return true;
}

void BurnJob::run(const std::function<void(int, int)>& report) {
    burn_drive* d = drive_.handle();
    burn_disc_write(opts_, disc_);
    while (burn_drive_get_status(d, nullptr) == BURN_DRIVE_SPAWNING) std::this_thread::sleep_for(10ms);
    burn_progress p{};
    for (burn_drive_status s; (s = burn_drive_get_status(d, &p)) != BURN_DRIVE_IDLE;) {
        const int percent = p.sectors > 0 ? std::clamp(static_cast<int>(100.0 * p.sector / p.sectors), 0, 100) : 0;
        switch (s) {
        case BURN_DRIVE_WRITING_PREGAP: report(kWritingPregap, percent); break;
        case BURN_DRIVE_WRITING: report(kWritingData, percent); break;
        case BURN_DRIVE_WRITING_SYNC: report(kFlushingData, 100); break;
        case BURN_DRIVE_CLOSING_TRACK: report(kClosingTrack, 100); break;
        case BURN_DRIVE_WRITING_LEADIN: report(kWritingLeadIn, percent); break;
        case BURN_DRIVE_WRITING_LEADOUT: report(kWritingLeadOut, percent); break;
        case BURN_DRIVE_CLOSING_SESSION: report(kUpdatingVolume, 100); break;
        default: break;
        }
        std::this_thread::sleep_for(50ms);
    }
}

void BurnJob::cancel() {
    if (cancelled_) return;
    cancelled_ = true;
    burn_drive_cancel(drive_.handle());
}

bool BurnJob::finish(ErrorRecord* error) {
    if (burn_drive_wrote_well(drive_.handle()) == 1) return true;
    DeviceErrorRecord detail;
    TakeLibburnMessage(&detail);
    const std::string why = "The disc was not written.";
    *error = {kDeviceError, why, {detail.number, why, detail.description, detail.detailCode}, {}, 0};
    return false;
}

}  // namespace disc
