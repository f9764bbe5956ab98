#include "disc/Imapi2Device.h"

#include "disc/DiscCodes.h"
#include "platform/win32/WideText.h"

#include <algorithm>
#include <cstdio>

namespace disc {
namespace {

using imapi2::Call;
using imapi2::Get;
using imapi2::Object;
using imapi2::Put;
using imapi2::Variant;

constexpr wchar_t kRecorderClass[] = L"IMAPI2.MsftDiscRecorder2";
constexpr wchar_t kDataFormatClass[] = L"IMAPI2.MsftDiscFormat2Data";
constexpr wchar_t kClientName[] = L"Tarnhold";
// IMAPI_FORMAT2_DATA_MEDIA_STATE bits that say the medium takes no data.
constexpr long kMediaUnusable = 0xFC00;
// IMAPI_SECTORS_PER_SECOND_AT_1X_*.
constexpr double kCdSectorsAt1x = 75, kDvdSectorsAt1x = 680, kBdSectorsAt1x = 2195;

// A capability: the drive supports one of the media profiles and lists one
// of the feature pages only a writer of them has.
struct CapabilityRule {
    int capability;
    std::vector<long> profiles;
    std::vector<long> features;
};

const std::vector<CapabilityRule>& CapabilityRules() {
    static const std::vector<CapabilityRule> rules{
        {kBlankCdRw, {0x0a}, {0x2d, 0x2e, 0x37}},
        {kBlankDvdRw, {0x13, 0x14}, {0x2f, 0x2c}},
        {kFormatDvdRam, {0x12}, {0x20, 0x23}},
        {kFormatDvdPlusRw, {0x1a}, {0x23}},
        {kFormatBdRe, {0x43}, {0x41, 0x23}},
    };
    return rules;
}

bool HasAny(const std::vector<long>& list, const std::vector<long>& wanted) {
    return std::any_of(wanted.begin(), wanted.end(),
                       [&](long w) { return std::find(list.begin(), list.end(), w) != list.end(); });
}

std::vector<long> Longs(IDispatch* object, const wchar_t* name) {
    Variant list;
    std::vector<long> out;
    if (SUCCEEDED(Get(object, name, &list))) {
        for (const auto& e : list.elements()) out.push_back(e.toLong(-1));
    }
    return out;
}

std::string Trimmed(const std::wstring& text) {
    std::string s = platform::utf8(text);
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return s;
}

bool Rewritable(int mediaType) {
    return mediaType == kCdRw || mediaType == kDvdRw || mediaType == kDvdPlusRw || mediaType == kDvdRam ||
           mediaType == kBdRe;
}

}  // namespace

int MediaTypeOfPhysical(long physicalType) {
    switch (physicalType) {
    case 2: return kCdR;
    case 3: return kCdRw;
    case 5: return kDvdRam;
    case 6: case 8: return kDvdPlusR;
    case 7: case 13: return kDvdPlusRw;
    case 9: case 11: return kDvdR;
    case 10: return kDvdRw;
    case 18: return kBdR;
    case 19: return kBdRe;
    case 1: case 4: case 14: case 17: return kReadOnlyDisc;
    default: return kNoMedia;  // none, or a kind (HD DVD, random-access disk) the program has no code for
    }
}

std::vector<int> CapabilitiesOf(const std::vector<long>& featurePages, const std::vector<long>& profiles) {
    std::vector<int> out;
    for (const auto& rule : CapabilityRules()) {
        if (HasAny(profiles, rule.profiles) && HasAny(featurePages, rule.features)) out.push_back(rule.capability);
    }
    // IMAPI2 reads no feature page bits through automation; the pages that
    // carry the buffer-underrun-free bit (CD track-at-once, CD mastering,
    // DVD-R write) stand for it, as every drive of this century that lists
    // them has it.
    if (HasAny(featurePages, {0x2d, 0x2e, 0x2f})) out.push_back(kBufferProtection);
    return out;
}

std::string HresultText(HRESULT hr) {
    char code[16];
    std::snprintf(code, sizeof code, "0x%08lX", static_cast<unsigned long>(hr));
    const std::string system = platform::systemErrorText(static_cast<unsigned long>(hr));
    return system.rfind("error ", 0) == 0 ? std::string("error ") + code : system + " (" + code + ")";
}

std::unique_ptr<Imapi2Device> Imapi2Device::Open(Imapi2Owner& owner, const std::wstring& uniqueId,
                                                 std::string* problem) {
    std::unique_ptr<Imapi2Device> device(new Imapi2Device(owner, uniqueId));
    HRESULT hr = S_OK;
    const Object recorder = device->openRecorder(&hr);
    if (!recorder) {
        *problem = "The disc drive " + platform::utf8(uniqueId) + " cannot be opened: " + HresultText(hr) + ".";
        return nullptr;
    }
    device->name_ = Trimmed(imapi2::GetText(recorder.get(), L"VendorId")) + " " +
                    Trimmed(imapi2::GetText(recorder.get(), L"ProductId"));
    Object format = device->openFormat(kDataFormatClass, recorder.get(), &hr);
    Variant supported;
    device->writer_ = format && SUCCEEDED(Call(format.get(), L"IsRecorderSupported", {Variant::of(recorder.get())},
                                               &supported)) && supported.toBool();
    device->RefreshMedia(false);
    return device;
}

Object Imapi2Device::openRecorder(HRESULT* hr) const {
    Object recorder;
    *hr = owner_.factory()(kRecorderClass, recorder.put());
    if (FAILED(*hr) || !recorder) return {};
    *hr = Call(recorder.get(), L"InitializeDiscRecorder", {Variant::of(id_)});
    return SUCCEEDED(*hr) ? recorder : Object();
}

Object Imapi2Device::openFormat(const wchar_t* progId, IDispatch* recorder, HRESULT* hr) const {
    Object format;
    *hr = owner_.factory()(progId, format.put());
    if (FAILED(*hr) || !format) return {};
    *hr = Put(format.get(), L"Recorder", Variant::of(recorder));
    if (FAILED(*hr)) return {};
    Put(format.get(), L"ClientName", Variant::of(std::wstring(kClientName)));
    return format;
}

void Imapi2Device::RefreshMedia(bool /*full*/) {
    imapi2::ComScope com;
    media_ = {};
    speeds_.clear();
    HRESULT hr = S_OK;
    const Object recorder = openRecorder(&hr);
    if (!recorder) return;
    capabilities_ = CapabilitiesOf(Longs(recorder.get(), L"SupportedFeaturePages"),
                                   Longs(recorder.get(), L"SupportedProfiles"));
    const Object format = openFormat(kDataFormatClass, recorder.get(), &hr);
    Variant physical;
    if (!format || FAILED(Get(format.get(), L"CurrentPhysicalMediaType", &physical))) return;  // no medium
    media_.MediaType = MediaTypeOfPhysical(physical.toLong());
    Variant supported;
    const bool takesData = SUCCEEDED(Call(format.get(), L"IsCurrentMediaSupported", {Variant::of(recorder.get())},
                                          &supported)) && supported.toBool();
    const long status = imapi2::GetLong(format.get(), L"CurrentMediaStatus");
    media_.IsWritable = takesData && media_.MediaType != kNoMedia && media_.MediaType != kReadOnlyDisc &&
                        (status & kMediaUnusable) == 0;
    media_.IsRewritable = Rewritable(media_.MediaType);
    for (long speed : Longs(format.get(), L"SupportedWriteSpeeds")) {
        if (speed > 0 && std::find(speeds_.begin(), speeds_.end(), speed) == speeds_.end()) {
            speeds_.push_back(static_cast<int>(speed));
        }
    }
    std::sort(speeds_.rbegin(), speeds_.rend());
}

bool Imapi2Device::SupportsCapability(int code) const {
    return std::find(capabilities_.begin(), capabilities_.end(), code) != capabilities_.end();
}

std::int64_t Imapi2Device::FreeBlocks(bool /*writable*/) {
    imapi2::ComScope com;
    HRESULT hr = S_OK;
    const Object recorder = openRecorder(&hr);
    const Object format = recorder ? openFormat(kDataFormatClass, recorder.get(), &hr) : Object();
    return format ? std::max<long>(0, imapi2::GetLong(format.get(), L"FreeSectorsOnMedia")) : 0;
}

int Imapi2Device::WriteSpeed(int index) const {
    return index >= 0 && index < WriteSpeedCount() ? speeds_[static_cast<std::size_t>(index)] : 0;
}

double Imapi2Device::SpeedMultiplier(int speed) const {
    // IMAPI2 speeds are sectors per second.
    const int type = media_.MediaType;
    const double single = type == kCdR || type == kCdRw ? kCdSectorsAt1x
                          : type == kBdR || type == kBdRe ? kBdSectorsAt1x : kDvdSectorsAt1x;
    return speed / single;
}

bool Imapi2Device::Eject() {
    if (owner_.busy()) return false;
    imapi2::ComScope com;
    HRESULT hr = S_OK;
    const Object recorder = openRecorder(&hr);
    if (!recorder || FAILED(Call(recorder.get(), L"EjectMedia"))) return false;
    media_ = {};
    speeds_.clear();
    return true;
}

bool Imapi2Device::CloseTray() {
    if (owner_.busy()) return false;
    imapi2::ComScope com;
    HRESULT hr = S_OK;
    const Object recorder = openRecorder(&hr);
    const bool ok = recorder && SUCCEEDED(Call(recorder.get(), L"CloseTray"));
    RefreshMedia(false);
    return ok;
}

int Imapi2Device::EraseMode() const {
    switch (media_.MediaType) {
    case kCdRw: case kDvdRw: return kEraseByBlanking;
    case kDvdPlusRw: case kDvdRam: case kBdRe: return kEraseByFormatting;
    default: return 0;
    }
}

std::wstring Imapi2Device::volumePath() const {
    imapi2::ComScope com;
    HRESULT hr = S_OK;
    const Object recorder = openRecorder(&hr);
    Variant paths;
    if (!recorder || FAILED(Get(recorder.get(), L"VolumePathNames", &paths))) return {};
    for (const auto& path : paths.elements()) {
        if (!path.toText().empty()) return path.toText();
    }
    return {};
}

}  // namespace disc
