// The disc engine over IMAPI2: drives and media through the disc master and
// its recorders, the image through IMAPI2FS, writing and erasing on the
// engine's own thread with COM of its own.

#include "disc/Imapi2Engine.h"

#include "disc/DiscCodes.h"
#include "disc/DiscTexts.h"
#include "disc/Imapi2Device.h"
#include "disc/Imapi2Dispatch.h"
#include "disc/Imapi2Image.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <thread>

namespace disc {
namespace {

using imapi2::Call;
using imapi2::Object;
using imapi2::Put;
using imapi2::Variant;

// The outgoing dispinterfaces of the data writer and of the eraser; both
// report through their member Update.
constexpr IID kDataWriterEvents{0x2735413C, 0x7F64, 0x5B0F, {0x8F, 0x00, 0x5D, 0x77, 0xAF, 0xBE, 0x26, 0x1E}};
constexpr IID kEraserEvents{0x2735413A, 0x7F64, 0x5B0F, {0x8F, 0x00, 0x5D, 0x77, 0xAF, 0xBE, 0x26, 0x1E}};
constexpr DISPID kUpdate = 0x200;
// IMAPI_FORMAT2_DATA_WRITE_ACTION values.
constexpr long kActionWritingData = 4, kActionFinalization = 5;

constexpr char kServiceMissing[] = "Windows' disc writing service (IMAPI2) is not available on this system.";

bool ClassMissing(HRESULT hr) {
    return hr == REGDB_E_CLASSNOTREG || hr == CO_E_CLASSSTRING || hr == CO_E_DLLNOTFOUND ||
           hr == HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND) || hr == HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
}

ErrorRecord DeviceFailure(const std::string& why, HRESULT hr) {
    return {kDeviceError, why, {hr, why, HresultText(hr), hr}, {}, 0};
}

bool Fail(ErrorRecord* error, const std::string& why, HRESULT hr) {
    *error = DeviceFailure(why, hr);
    return false;
}

class Imapi2Engine final : public DiscEngine, private Imapi2Owner {
public:
    explicit Imapi2Engine(imapi2::ObjectFactory factory) : factory_(std::move(factory)) {}
    ~Imapi2Engine() override {
        AbortWrite();
        Wait();
    }

    void setEvents(DiscEvents* events) override { events_ = events; }
    bool InitializeDevices(bool rescan) override;
    std::vector<std::string> DeviceProblems() const override { return problems_; }
    int DeviceCount() const override { return static_cast<int>(devices_.size()); }
    DiscDevice* Device(int index) override {
        return index >= 0 && index < DeviceCount() ? devices_[static_cast<std::size_t>(index)].get() : nullptr;
    }
    DiscImage& Image() override { return image_; }
    WriteSettings& Settings() override { return settings_; }
    std::string& VolumeIdentifier() override { return volumeId_; }
    int BlockSize() const override { return kBlockSize; }
    double ImageSize() override;
    bool StartWrite(DiscDevice* device) override;
    void AbortWrite() override;
    void Wait() override {
        if (worker_.joinable()) worker_.join();
    }

private:
    const imapi2::ObjectFactory& factory() const override { return factory_; }
    bool startErase(Imapi2Device& device, bool quick, int mode) override;
    bool busy() const override { return busy_; }
    DiscEvents& events() { return events_ ? *events_ : silent_; }
    Imapi2ImageOptions imageOptions() const { return {volumeId_, settings_.VolumeType, settings_.UseFileDates}; }
    bool launch(std::function<void()> work);
    void write(Imapi2Device& device);
    bool burn(Imapi2Device& device, ErrorRecord* error);
    Object prepareWriter(Imapi2Device& device, IDispatch* recorder, ErrorRecord* error);
    void progress(const std::vector<Variant>& args);
    bool verify(Imapi2Device& device);
    void erase(Imapi2Device& device, bool quick);
    bool eraseMedia(Imapi2Device& device, bool quick, DeviceErrorRecord* error);

    imapi2::ObjectFactory factory_;
    std::vector<std::unique_ptr<Imapi2Device>> devices_;
    std::vector<std::string> problems_;
    DiscImage image_;
    WriteSettings settings_;
    std::string volumeId_ = "New Disc";
    DiscEvents* events_ = nullptr;
    DiscEvents silent_;
    std::thread worker_;
    std::atomic<bool> busy_{false};
    std::atomic<bool> abort_{false};
    std::mutex activeLock_;
    Object active_;  // the writer of the running write, for AbortWrite
    int lastState_ = -1, lastProgress_ = -1;
    unsigned long sizedRevision_ = ~0UL;
    Imapi2ImageOptions sizedOptions_;
    double size_ = 0;
};

bool Imapi2Engine::InitializeDevices(bool) {
    if (busy_) return false;
    imapi2::ComScope com;
    devices_.clear();
    problems_.clear();
    Object master;
    const HRESULT hr = factory_(L"IMAPI2.MsftDiscMaster2", master.put());
    if (FAILED(hr) || !master) {
        problems_.push_back(ClassMissing(hr) ? std::string(kServiceMissing)
                                             : "Windows' disc writing service (IMAPI2) could not be started: " +
                                                   HresultText(hr) + ".");
        return true;  // no drives is a state the windows show, not a failure
    }
    const long count = imapi2::GetLong(master.get(), L"Count");
    for (long i = 0; i < count; ++i) {
        Variant id;
        if (FAILED(imapi2::Invoke(master.get(), L"Item", DISPATCH_PROPERTYGET | DISPATCH_METHOD, {Variant::of(i)},
                                  &id))) {
            continue;
        }
        std::string problem;
        auto device = Imapi2Device::Open(*this, id.toText(), &problem);
        if (device) devices_.push_back(std::move(device));
        else problems_.push_back(problem);
    }
    return true;
}

double Imapi2Engine::ImageSize() {
    const Imapi2ImageOptions now = imageOptions();
    if (sizedRevision_ == image_.revision() && now.volumeType == sizedOptions_.volumeType &&
        now.volumeId == sizedOptions_.volumeId) {
        return size_;
    }
    // IMAPI2FS's own count where it can compose the image, else the estimate.
    imapi2::ComScope com;
    ErrorRecord ignored;
    HRESULT hr = S_OK;
    const Object result = ComposeImapi2Image(factory_, image_, now, nullptr, &ignored, &hr);
    const long blocks = result ? imapi2::GetLong(result.get(), L"TotalBlocks", -1) : -1;
    const long blockSize = result ? imapi2::GetLong(result.get(), L"BlockSize", kBlockSize) : kBlockSize;
    size_ = blocks >= 0 ? static_cast<double>(blocks) * blockSize : EstimateImageSize(image_, now.volumeType);
    sizedRevision_ = image_.revision();
    sizedOptions_ = now;
    return size_;
}

bool Imapi2Engine::launch(std::function<void()> work) {
    if (busy_.exchange(true)) return false;
    Wait();
    abort_ = false;
    worker_ = std::thread([this, work = std::move(work)] {
        imapi2::ComScope com;
        work();
        busy_ = false;
    });
    return true;
}

bool Imapi2Engine::StartWrite(DiscDevice* device) {
    auto* drive = dynamic_cast<Imapi2Device*>(device);
    if (!drive || !drive->IsWriter() || image_.FileCount() + image_.FolderCount() == 0) return false;
    return launch([this, drive] { write(*drive); });
}

void Imapi2Engine::AbortWrite() {
    abort_ = true;
    // CancelWrite is meant for another thread while Write blocks the worker;
    // the progress sink cancels too, from inside the writer's own callback,
    // should this call not get through from the caller's apartment.
    std::lock_guard<std::mutex> hold(activeLock_);
    if (active_) Call(active_.get(), L"CancelWrite");
}

void Imapi2Engine::write(Imapi2Device& device) {
    lastState_ = kPreparingImage;
    lastProgress_ = 0;
    events().writeState(kPreparingImage, 0);
    ErrorRecord error;
    const bool written = burn(device, &error);
    if (abort_) return events().writeState(kWriteCancelled, 0);
    if (!written) {
        events().writeError(error);
        return events().writeState(kWriteFailed, 0);
    }
    const bool verified = !settings_.AutoVerify || verify(device);
    if (abort_) return events().writeState(kWriteCancelled, 0);
    events().writeState(verified ? kWriteCompleted : kWriteFailed, verified ? 100 : 0);
}

bool Imapi2Engine::burn(Imapi2Device& device, ErrorRecord* error) {
    if (settings_.TestWrite) {
        // IMAPI2 has no simulated write; burning the disc instead would be worse.
        return Fail(error, "Windows' disc writing service cannot make a test write; nothing was written.", E_NOTIMPL);
    }
    HRESULT hr = S_OK;
    const Object recorder = device.openRecorder(&hr);
    if (!recorder) return Fail(error, "The drive cannot be opened.", hr);
    const Object writer = prepareWriter(device, recorder.get(), error);
    if (!writer) return false;
    const Object result = ComposeImapi2Image(factory_, image_, imageOptions(), recorder.get(), error, &hr);
    if (!result) {
        // IMAPI2FS itself missing leaves the record empty.
        if (error->Category == 0) {
            *error = {kSystemError, "The image cannot be composed: " + HresultText(hr) + ".", {}, {}, hr};
        }
        return false;
    }
    Variant stream;
    hr = imapi2::Get(result.get(), L"ImageStream", &stream);
    if (FAILED(hr) || !stream.toUnknown()) return Fail(error, "The image stream cannot be read.", hr);
    {
        std::lock_guard<std::mutex> hold(activeLock_);
        if (abort_) return false;
        active_ = writer;
    }
    {
        imapi2::EventAdvice advice(writer.get(), kDataWriterEvents, [this](DISPID id, const std::vector<Variant>& a) {
            if (id == kUpdate) progress(a);
        });
        hr = Call(writer.get(), L"Write", {Variant::of(stream.toUnknown().get())});
    }
    std::lock_guard<std::mutex> hold(activeLock_);
    active_ = {};
    if (FAILED(hr) && !abort_) *error = DeviceFailure("The disc was not written.", hr);
    return SUCCEEDED(hr);
}

Object Imapi2Engine::prepareWriter(Imapi2Device& device, IDispatch* recorder, ErrorRecord* error) {
    HRESULT hr = S_OK;
    const Object writer = device.openFormat(L"IMAPI2.MsftDiscFormat2Data", recorder, &hr);
    if (!writer) {
        Fail(error, "The drive's data writer cannot be started.", hr);
        return {};
    }
    Variant supported;
    hr = Call(writer.get(), L"IsCurrentMediaSupported", {Variant::of(recorder)}, &supported);
    if (FAILED(hr) || !supported.toBool()) {
        Fail(error, "The medium in the drive cannot be written.", hr);
        return {};
    }
    // A medium written over in place has no further session to leave open;
    // IMAPI2 knows that itself. Track-at-once against disc-at-once, Mode 2 XA
    // and image caching are IMAPI2's own choices and have no setting here.
    Put(writer.get(), L"ForceMediaToBeClosed", Variant::of(settings_.FinalizeDisc));
    Put(writer.get(), L"BufferUnderrunFreeDisabled", Variant::of(!settings_.BufferProtect));
    const long speed = settings_.WriteSpeed > 0 ? settings_.WriteSpeed : -1;  // 0xFFFFFFFF: the fastest
    Call(writer.get(), L"SetWriteSpeed", {Variant::of(speed), Variant::of(false)});
    return writer;
}

void Imapi2Engine::progress(const std::vector<Variant>& args) {
    if (args.size() < 2) return;
    if (abort_) Call(args[0].toObject().get(), L"CancelWrite");
    const Object p = args[1].toObject();
    const long action = imapi2::GetLong(p.get(), L"CurrentAction", -1);
    int state = kPreparingImage, percent = 0;
    if (action == kActionWritingData) {
        const long start = imapi2::GetLong(p.get(), L"StartLba"), count = imapi2::GetLong(p.get(), L"SectorCount");
        const long last = imapi2::GetLong(p.get(), L"LastWrittenLba");
        state = kWritingData;
        percent = count > 0 ? static_cast<int>(std::clamp(100.0 * (last - start) / count, 0.0, 100.0)) : 0;
    } else if (action == kActionFinalization) {
        state = kClosingTrack;
        percent = 100;
    } else if (action > kActionFinalization) {
        return;  // completion is told once Write has returned
    }
    if (state == lastState_ && percent == lastProgress_) return;
    lastState_ = state;
    lastProgress_ = percent;
    events().writeState(state, percent);
}

bool Imapi2Engine::verify(Imapi2Device& device) {
    long checked = 0, matched = 0;
    const bool ok = VerifyOnVolume(device.volumePath(), image_, events(), abort_, &checked, &matched);
    if (!ok && !abort_) {
        events().writeError(VerifyMismatchError(checked, matched));
    }
    return ok;
}

bool Imapi2Engine::startErase(Imapi2Device& device, bool quick, int mode) {
    if (mode != kEraseByBlanking && mode != kEraseByFormatting) return false;
    return launch([this, &device, quick] { erase(device, quick); });
}

void Imapi2Engine::erase(Imapi2Device& device, bool quick) {
    events().eraseState(kEraseStarted, 0);
    DeviceErrorRecord error;
    const bool ok = eraseMedia(device, quick, &error);
    if (!ok) events().deviceError(error);
    device.RefreshMedia(false);
    events().eraseState(ok ? kEraseCompleted : kEraseFailed, ok ? 100 : 0);
}

bool Imapi2Engine::eraseMedia(Imapi2Device& device, bool quick, DeviceErrorRecord* error) {
    HRESULT hr = S_OK;
    const Object recorder = device.openRecorder(&hr);
    const Object eraser = recorder ? device.openFormat(L"IMAPI2.MsftDiscFormat2Erase", recorder.get(), &hr) : Object();
    if (eraser) {
        Put(eraser.get(), L"FullErase", Variant::of(!quick));
        // Update(object, elapsed seconds, estimated total seconds).
        imapi2::EventAdvice advice(eraser.get(), kEraserEvents, [this](DISPID id, const std::vector<Variant>& a) {
            if (id != kUpdate || a.size() < 3) return;
            const long elapsed = a[1].toLong(), total = a[2].toLong();
            events().eraseState(kErasing, total > 0 ? static_cast<int>(std::min(99L, 100 * elapsed / total)) : 0);
        });
        hr = Call(eraser.get(), L"EraseMedia");
        if (SUCCEEDED(hr)) return true;
    }
    *error = {hr, "The disc could not be erased.", HresultText(hr), hr};
    return false;
}

}  // namespace

std::unique_ptr<DiscEngine> CreateImapi2Engine() {
    return CreateImapi2Engine([](const wchar_t* progId, IDispatch** out) -> long {
        return imapi2::CreateByProgId(progId, out);
    });
}

std::unique_ptr<DiscEngine> CreateImapi2Engine(Imapi2ObjectFactory factory) {
    return std::make_unique<Imapi2Engine>([factory = std::move(factory)](const wchar_t* progId, IDispatch** out) {
        return static_cast<HRESULT>(factory(progId, out));
    });
}

}  // namespace disc
