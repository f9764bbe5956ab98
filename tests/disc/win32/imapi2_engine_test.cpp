// The disc engine over IMAPI2: the real one on the system it runs on (under
// Wine, which has no IMAPI2), and the same engine over stand-in automation
// objects that answer by name and log every call made to them.

#include "disc/DiscCodes.h"
#include "disc/Imapi2Device.h"
#include "disc/Imapi2Dispatch.h"
#include "disc/Imapi2Engine.h"
#include "platform/FsPath.h"
#include "platform/win32/WideText.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <olectl.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <map>
#include <mutex>
#include <thread>

using namespace disc;
using namespace disc::imapi2;
using namespace testing_support;

namespace {

constexpr IID kDataWriterEvents{0x2735413C, 0x7F64, 0x5B0F, {0x8F, 0x00, 0x5D, 0x77, 0xAF, 0xBE, 0x26, 0x1E}};
constexpr IID kEraserEvents{0x2735413A, 0x7F64, 0x5B0F, {0x8F, 0x00, 0x5D, 0x77, 0xAF, 0xBE, 0x26, 0x1E}};
const std::string kServiceMissing = "Windows' disc writing service (IMAPI2) is not available on this system.";

bool underWine() {
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

std::string Shown(const Variant& v) {
    switch (v.get()->vt) {
    case VT_BOOL: return v.toBool() ? "true" : "false";
    case VT_DISPATCH: case VT_UNKNOWN: return "<object>";
    default: return platform::utf8(v.toText());
    }
}

Variant Array(const std::vector<Variant>& items) {
    SAFEARRAY* array = SafeArrayCreateVector(VT_VARIANT, 0, static_cast<ULONG>(items.size()));
    for (LONG i = 0; i < static_cast<LONG>(items.size()); ++i) {
        SafeArrayPutElement(array, &i, const_cast<VARIANT*>(items[static_cast<std::size_t>(i)].get()));
    }
    Variant v;
    v.get()->vt = VT_ARRAY | VT_VARIANT;
    v.get()->parray = array;
    return v;
}

// Every call made to any stand-in, as "label.Name(args)" or "label.Name=value".
struct CallLog {
    std::mutex lock;
    std::vector<std::string> lines;
    void add(const std::string& line) {
        std::lock_guard<std::mutex> g(lock);
        lines.push_back(line);
    }
    bool has(const std::string& line) {
        std::lock_guard<std::mutex> g(lock);
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }
    long count(const std::string& prefix) {
        std::lock_guard<std::mutex> g(lock);
        return static_cast<long>(
            std::count_if(lines.begin(), lines.end(), [&](const std::string& l) { return l.rfind(prefix, 0) == 0; }));
    }
};

// One automation object: properties by name, methods as functions, and one
// event connection point when it has an events interface.
class Fake final : public IDispatch, public IConnectionPointContainer, public IConnectionPoint {
public:
    using Method = std::function<HRESULT(const std::vector<Variant>& args, Variant* result)>;
    Fake(std::string label, CallLog& log, const IID* events = nullptr)
        : label_(std::move(label)), log_(log), events_(events ? *events : IID_NULL), hasEvents_(events) {}
    std::map<std::wstring, Variant> props;
    std::map<std::wstring, Method> methods;

    // Calls the advised sink as IMAPI2 does: the arguments last first.
    void fire(DISPID id, std::vector<Variant> args) {
        if (!sink_) return;
        std::vector<VARIANT> reversed;
        for (auto it = args.rbegin(); it != args.rend(); ++it) reversed.push_back(*it->get());
        DISPPARAMS params{reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
        sink_->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr);
    }
    bool advised() const { return static_cast<bool>(sink_); }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (iid == IID_IUnknown || iid == IID_IDispatch) *out = static_cast<IDispatch*>(this);
        else if (iid == IID_IConnectionPointContainer && hasEvents_)
            *out = static_cast<IConnectionPointContainer*>(this);
        else return *out = nullptr, E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --refs_;
        if (!left) delete this;
        return left;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override { return *n = 0, S_OK; }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT, LCID, DISPID* id) override {
        auto at = std::find(names_.begin(), names_.end(), std::wstring(names[0]));
        if (at == names_.end()) at = names_.insert(names_.end(), names[0]);
        *id = static_cast<DISPID>(at - names_.begin()) + 1;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD kind, DISPPARAMS* p, VARIANT* result, EXCEPINFO*,
                                     UINT*) override {
        if (id < 1 || id > static_cast<DISPID>(names_.size())) return DISP_E_MEMBERNOTFOUND;
        const std::wstring name = names_[static_cast<std::size_t>(id - 1)];
        std::vector<Variant> args;
        for (UINT i = p->cArgs; i > 0; --i) {
            Variant a;
            VariantCopy(a.get(), &p->rgvarg[i - 1]);
            args.push_back(a);
        }
        const std::string member = label_ + "." + platform::utf8(name);
        if (kind & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
            log_.add(member + "=" + Shown(args.at(0)));
            props[name] = args.at(0);
            return S_OK;
        }
        if (methods.count(name)) {
            std::string shown;
            for (const auto& a : args) shown += (shown.empty() ? "" : ",") + Shown(a);
            log_.add(member + "(" + shown + ")");
            Variant out;
            const HRESULT hr = methods[name](args, &out);
            if (result) VariantCopy(result, out.get());
            return hr;
        }
        auto prop = props.find(name);
        if (prop == props.end() || !result) return DISP_E_MEMBERNOTFOUND;
        return VariantCopy(result, prop->second.get());
    }

    HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID iid, IConnectionPoint** out) override {
        if (iid != events_) return *out = nullptr, CONNECT_E_NOCONNECTION;
        *out = static_cast<IConnectionPoint*>(this);
        AddRef();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID* iid) override { return *iid = events_, S_OK; }
    HRESULT STDMETHODCALLTYPE GetConnectionPointContainer(IConnectionPointContainer** out) override {
        *out = this;
        AddRef();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Advise(IUnknown* sink, DWORD* cookie) override {
        if (sink_ || FAILED(sink->QueryInterface(events_, reinterpret_cast<void**>(sink_.put())))) {
            return CONNECT_E_ADVISELIMIT;
        }
        return *cookie = 7, S_OK;
    }
    HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) override {
        if (cookie != 7 || !sink_) return CONNECT_E_NOCONNECTION;
        sink_ = {};
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections**) override { return E_NOTIMPL; }

private:
    std::string label_;
    CallLog& log_;
    IID events_;
    bool hasEvents_;
    std::vector<std::wstring> names_;
    Ref<IDispatch> sink_;
    std::atomic<ULONG> refs_{1};
};

Ref<Fake> MakeFake(const std::string& label, CallLog& log, const IID* events = nullptr) {
    return Ref<Fake>(new Fake(label, log, events));
}

// A system of stand-ins: one master, recorders by unique id, one data
// writer, one eraser and one file system image with its root and result.
struct World {
    CallLog log;
    Ref<Fake> master = MakeFake("master", log);
    std::map<std::wstring, std::map<std::wstring, Variant>> recorders;  // unique id -> properties
    Ref<Fake> writer = MakeFake("writer", log, &kDataWriterEvents);
    Ref<Fake> eraser = MakeFake("eraser", log, &kEraserEvents);
    Ref<Fake> image = MakeFake("fsi", log);
    Ref<Fake> root = MakeFake("root", log);
    Ref<Fake> result = MakeFake("result", log);
    Ref<Fake> stream = MakeFake("stream", log);
    Ref<Fake> item = MakeFake("item", log);
    std::map<std::string, std::string> added;  // image path -> what its stream gave
    bool withFileSystemImage = true;

    World() {
        master->methods[L"Item"] = [this](const std::vector<Variant>& a, Variant* out) {
            std::vector<std::wstring> ids;
            for (const auto& [id, props] : recorders) ids.push_back(id);
            const long i = a.at(0).toLong(-1);
            if (i < 0 || i >= static_cast<long>(ids.size())) return E_INVALIDARG;
            *out = Variant::of(ids[static_cast<std::size_t>(i)]);
            return S_OK;
        };
        writer->methods[L"IsRecorderSupported"] = [](const std::vector<Variant>& a, Variant* out) {
            *out = Variant::of(GetText(a.at(0).toObject().get(), L"ProductId") != L"Reader");
            return S_OK;
        };
        writer->methods[L"IsCurrentMediaSupported"] = [this](const std::vector<Variant>&, Variant* out) {
            *out = Variant::of(writer->props.count(L"CurrentPhysicalMediaType") > 0);
            return S_OK;
        };
        for (const wchar_t* m : {L"SetWriteSpeed", L"CancelWrite"}) writer->methods[m] = Accept();
        writer->methods[L"Write"] = Accept();
        image->methods[L"ChooseImageDefaults"] = Accept();
        image->props[L"Root"] = Variant::of(static_cast<IDispatch*>(root.get()));
        image->methods[L"CreateResultImage"] = [this](const std::vector<Variant>&, Variant* out) {
            *out = Variant::of(static_cast<IDispatch*>(result.get()));
            return S_OK;
        };
        root->methods[L"AddDirectory"] = Accept();
        root->methods[L"AddFile"] = [this](const std::vector<Variant>& a, Variant*) {
            Ref<IUnknown> unknown = a.at(1).toUnknown();
            Ref<IStream> file;
            if (!unknown || FAILED(unknown->QueryInterface(IID_IStream, reinterpret_cast<void**>(file.put())))) {
                return E_INVALIDARG;
            }
            std::string data;
            char chunk[512];
            ULONG got = 0;
            while (SUCCEEDED(file->Read(chunk, sizeof chunk, &got)) && got > 0) data.append(chunk, got);
            added[platform::utf8(a.at(0).toText())] = data;
            return S_OK;
        };
        root->methods[L"Item"] = [this](const std::vector<Variant>&, Variant* out) {
            *out = Variant::of(static_cast<IDispatch*>(item.get()));
            return S_OK;
        };
        result->props[L"ImageStream"] = Variant::of(static_cast<IUnknown*>(static_cast<IDispatch*>(stream.get())));
        result->props[L"TotalBlocks"] = Variant::of(300L);
        result->props[L"BlockSize"] = Variant::of(2048L);
    }
    static Fake::Method Accept() {
        return [](const std::vector<Variant>&, Variant*) { return S_OK; };
    }

    void addRecorder(const std::wstring& id, const std::wstring& vendor, const std::wstring& product) {
        recorders[id] = {{L"VendorId", Variant::of(vendor)}, {L"ProductId", Variant::of(product)}};
        master->props[L"Count"] = Variant::of(static_cast<long>(recorders.size()));
    }
    // A blank DVD-RW in a drive that can blank it and format DVD+RW.
    void loadDvdRw() {
        writer->props[L"CurrentPhysicalMediaType"] = Variant::of(10L);
        writer->props[L"CurrentMediaStatus"] = Variant::of(2L);
        writer->props[L"FreeSectorsOnMedia"] = Variant::of(2295104L);
        writer->props[L"SupportedWriteSpeeds"] =
            Array({Variant::of(2720L), Variant::of(5440L), Variant::of(2720L), Variant::of(1360L)});
        for (auto& [id, props] : recorders) {
            props[L"SupportedFeaturePages"] = Array({Variant::of(0x2aL), Variant::of(0x2fL), Variant::of(0x23L)});
            props[L"SupportedProfiles"] = Array({Variant::of(0x11L), Variant::of(0x13L), Variant::of(0x1aL)});
        }
    }

    HRESULT create(const wchar_t* progId, IDispatch** out) {
        const std::wstring cls = progId;
        Ref<Fake> made;
        if (cls == L"IMAPI2.MsftDiscMaster2") made = master;
        else if (cls == L"IMAPI2.MsftDiscFormat2Data") made = writer;
        else if (cls == L"IMAPI2.MsftDiscFormat2Erase") made = eraser;
        else if (cls == L"IMAPI2FS.MsftFileSystemImage" && withFileSystemImage) made = image;
        else if (cls == L"IMAPI2.MsftDiscRecorder2") made = newRecorder();
        if (!made) return REGDB_E_CLASSNOTREG;
        *out = made.get();
        made->AddRef();
        return S_OK;
    }
    // A fresh recorder object takes its drive's properties on initialising.
    Ref<Fake> newRecorder() {
        Ref<Fake> recorder = MakeFake("recorder", log);
        Fake* self = recorder.get();
        recorder->methods[L"InitializeDiscRecorder"] = [this, self](const std::vector<Variant>& a, Variant*) {
            auto found = recorders.find(a.at(0).toText());
            if (found == recorders.end()) return E_FAIL;
            self->props = found->second;
            return S_OK;
        };
        for (const wchar_t* m : {L"EjectMedia", L"CloseTray"}) recorder->methods[m] = Accept();
        return recorder;
    }
    std::unique_ptr<DiscEngine> engine() {
        return CreateImapi2Engine([this](const wchar_t* progId, IDispatch** out) { return create(progId, out); });
    }
};

// What the engine reports, from its thread.
struct Events : DiscEvents {
    std::mutex lock;
    std::vector<std::pair<int, int>> states, eraseStates;
    std::vector<std::pair<std::string, int>> verified;
    std::vector<ErrorRecord> errors;
    std::vector<DeviceErrorRecord> deviceErrors;
    long checked = -1, matched = -1;

    void writeState(int state, int progress) override {
        std::lock_guard<std::mutex> g(lock);
        states.emplace_back(state, progress);
    }
    void verifyFile(const VerifiedFile& f, int result, long, long) override {
        std::lock_guard<std::mutex> g(lock);
        verified.emplace_back(f.discPath, result);
    }
    void verifyComplete(long c, long m) override {
        checked = c;
        matched = m;
    }
    void writeError(const ErrorRecord& e) override {
        std::lock_guard<std::mutex> g(lock);
        errors.push_back(e);
    }
    void eraseState(int state, int progress) override {
        std::lock_guard<std::mutex> g(lock);
        eraseStates.emplace_back(state, progress);
    }
    void deviceError(const DeviceErrorRecord& e) override { deviceErrors.push_back(e); }
    bool seen(int state) {
        std::lock_guard<std::mutex> g(lock);
        return std::any_of(states.begin(), states.end(), [&](const auto& s) { return s.first == state; });
    }
};

using States = std::vector<std::pair<int, int>>;

// Three files in two folders below a temp folder, taken into the image.
struct Sources {
    TempDir dir;
    Sources() {
        std::filesystem::create_directories(dir / "src" / "sub");
        writeFile(dir / "src" / "a.txt", "x");
        writeFile(dir / "src" / "sub" / "b.bin", std::string(3000, 'b'));
        writeFile(dir / "src" / "sub" / "c.dat", "");
    }
    std::string path(const std::string& rel) const { return platform::pathText(dir.path() / "src" / rel); }
    void addTo(DiscImage& image) const {
        ASSERT_TRUE(image.AddFile(path("a.txt"), "\\a.txt"));
        ASSERT_TRUE(image.AddFolder(path("sub") + "\\*.*", "\\sub"));
    }
};

// ---- the real engine on this system --------------------------------------

TEST(Imapi2Engine, UnderWineFindsNoDiscWritingServiceAndSaysSo) {
    if (!underWine()) GTEST_SKIP() << "only Wine is known to have no IMAPI2";
    // Wine 8 registers neither the disc master's ProgID nor its class.
    IDispatch* master = nullptr;
    EXPECT_EQ(CreateByProgId(L"IMAPI2.MsftDiscMaster2", &master), CO_E_CLASSSTRING);
    const CLSID masterClass{0x2735412E, 0x7F64, 0x5B0F, {0x8F, 0x00, 0x5D, 0x77, 0xAF, 0xBE, 0x26, 0x1E}};
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    EXPECT_EQ(CoCreateInstance(masterClass, nullptr, CLSCTX_ALL, IID_IDispatch, reinterpret_cast<void**>(&master)),
              REGDB_E_CLASSNOTREG);
    CoUninitialize();
    if (master) master->Release();

    auto engine = CreateImapi2Engine();
    ASSERT_TRUE(engine->InitializeDevices(false));
    EXPECT_EQ(engine->DeviceCount(), 0);
    EXPECT_EQ(engine->Device(0), nullptr);
    EXPECT_EQ(engine->DeviceProblems(), std::vector<std::string>{kServiceMissing});
    // Asking again neither piles the sentence up nor fails.
    ASSERT_TRUE(engine->InitializeDevices(true));
    EXPECT_EQ(engine->DeviceProblems().size(), 1u);
    EXPECT_FALSE(engine->StartWrite(nullptr));
    engine->AbortWrite();
    engine->Wait();
}

TEST(Imapi2Engine, WithoutImageServiceTheSizeIsTheBlockEstimate) {
    if (!underWine()) GTEST_SKIP() << "only Wine is known to have no IMAPI2FS";
    Sources sources;
    auto engine = CreateImapi2Engine();
    EXPECT_EQ(engine->BlockSize(), 2048);
    sources.addTo(engine->Image());
    // 32 volume blocks; per file system one block for each of the 2 folders
    // and 4 entries x 256 bytes of records (1 block); data 1 + 2 + 0 blocks.
    engine->Settings().VolumeType = kIso9660;
    EXPECT_EQ(engine->ImageSize(), (32 + 1 * (2 + 1) + 3) * 2048.0);
    engine->Settings().VolumeType = kJolietUdfBridge;  // three file systems
    EXPECT_EQ(engine->ImageSize(), (32 + 3 * (2 + 1) + 3) * 2048.0);
    EXPECT_EQ(engine->ImageSize(), EstimateImageSize(engine->Image(), kJolietUdfBridge));

    writeFile(sources.dir / "src" / "big.dat", std::string(5000, 'z'));
    ASSERT_TRUE(engine->Image().AddFile(sources.path("big.dat"), "\\big.dat"));
    EXPECT_EQ(engine->ImageSize(), (32 + 3 * (2 + 1) + 3 + 3) * 2048.0);
    for (int i = 0; i < 4; ++i) {  // 9 entries: the records take a second block
        writeFile(sources.dir / "src" / ("e" + std::to_string(i)), "");
        ASSERT_TRUE(engine->Image().AddFile(sources.path("e" + std::to_string(i)), "\\e" + std::to_string(i)));
    }
    EXPECT_EQ(engine->ImageSize(), (32 + 3 * (2 + 2) + 6) * 2048.0);
}

// ---- the engine over stand-ins ---------------------------------------------

TEST(Imapi2Engine, MissingServiceAndNoDrivesAreToldApart) {
    auto missing = CreateImapi2Engine([](const wchar_t*, IDispatch**) -> long { return REGDB_E_CLASSNOTREG; });
    ASSERT_TRUE(missing->InitializeDevices(false));
    EXPECT_EQ(missing->DeviceCount(), 0);
    EXPECT_EQ(missing->DeviceProblems(), std::vector<std::string>{kServiceMissing});

    World world;
    world.master->props[L"Count"] = Variant::of(0L);
    auto none = world.engine();
    ASSERT_TRUE(none->InitializeDevices(false));
    EXPECT_EQ(none->DeviceCount(), 0);
    EXPECT_TRUE(none->DeviceProblems().empty());
}

TEST(Imapi2Engine, ListsRecordersByVendorAndProductAndLeavesOutOnesThatFail) {
    World world;
    world.addRecorder(L"{1}", L"ACME    ", L"DVD Writer 9  ");
    world.addRecorder(L"{2}", L"Other", L"Reader");
    world.addRecorder(L"{3}", L"Broken", L"Drive");
    world.recorders.erase(L"{3}");  // still counted, but it cannot be initialised
    world.master->props[L"Count"] = Variant::of(3L);
    world.master->methods[L"Item"] = [](const std::vector<Variant>& a, Variant* out) {
        *out = Variant::of(std::wstring(L"{") + std::to_wstring(a.at(0).toLong() + 1) + L"}");
        return S_OK;
    };
    auto engine = world.engine();
    ASSERT_TRUE(engine->InitializeDevices(false));
    ASSERT_EQ(engine->DeviceCount(), 2);
    EXPECT_EQ(engine->Device(0)->Name(), "ACME DVD Writer 9");
    EXPECT_TRUE(engine->Device(0)->IsWriter());
    EXPECT_EQ(engine->Device(1)->Name(), "Other Reader");
    EXPECT_FALSE(engine->Device(1)->IsWriter());
    ASSERT_EQ(engine->DeviceProblems().size(), 1u);
    EXPECT_NE(engine->DeviceProblems()[0].find("{3} cannot be opened"), std::string::npos)
        << engine->DeviceProblems()[0];
    EXPECT_TRUE(world.log.has("writer.ClientName=Tarnhold"));
}

TEST(Imapi2Engine, MediaSpeedsFreeBlocksAndCapabilities) {
    World world;
    world.addRecorder(L"{1}", L"ACME", L"Writer");
    world.loadDvdRw();
    auto engine = world.engine();
    ASSERT_TRUE(engine->InitializeDevices(false));
    DiscDevice* d = engine->Device(0);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->Media().MediaType, kDvdRw);
    EXPECT_TRUE(d->Media().IsWritable);
    EXPECT_TRUE(d->Media().IsRewritable);
    EXPECT_EQ(d->FreeBlocks(true), 2295104);
    ASSERT_EQ(d->WriteSpeedCount(), 3);  // duplicates dropped, fastest first
    EXPECT_EQ(d->WriteSpeed(0), 5440);
    EXPECT_EQ(d->WriteSpeed(2), 1360);
    EXPECT_EQ(d->WriteSpeed(3), 0);
    EXPECT_DOUBLE_EQ(d->SpeedMultiplier(5440), 8.0);
    EXPECT_TRUE(d->SupportsCapability(kBlankDvdRw));
    EXPECT_TRUE(d->SupportsCapability(kFormatDvdPlusRw));
    EXPECT_TRUE(d->SupportsCapability(kBufferProtection));
    EXPECT_FALSE(d->SupportsCapability(kBlankCdRw));
    EXPECT_FALSE(d->SupportsCapability(kFormatBdRe));
    EXPECT_EQ(d->EraseMode(), kEraseByBlanking);
    EXPECT_TRUE(SupportsErasePair(*d, kDvdRw));

    world.writer->props[L"CurrentMediaStatus"] = Variant::of(0x4000L);  // finalized
    d->RefreshMedia(true);
    EXPECT_EQ(d->Media().MediaType, kDvdRw);
    EXPECT_FALSE(d->Media().IsWritable);
    world.writer->props.erase(L"CurrentPhysicalMediaType");  // the tray is empty
    d->RefreshMedia(true);
    EXPECT_EQ(d->Media().MediaType, kNoMedia);
    EXPECT_FALSE(d->Media().IsWritable);
    EXPECT_EQ(d->WriteSpeedCount(), 0);

    EXPECT_TRUE(d->Eject());
    EXPECT_TRUE(world.log.has("recorder.EjectMedia()"));
    EXPECT_TRUE(d->CloseTray());
    EXPECT_TRUE(world.log.has("recorder.CloseTray()"));
}

TEST(Imapi2Engine, PhysicalMediaTypesMapOntoTheProgramsCodes) {
    const std::map<long, int> expected{
        {0, kNoMedia}, {1, kReadOnlyDisc}, {2, kCdR}, {3, kCdRw}, {4, kReadOnlyDisc}, {5, kDvdRam},
        {6, kDvdPlusR}, {7, kDvdPlusRw}, {8, kDvdPlusR}, {9, kDvdR}, {10, kDvdRw}, {11, kDvdR},
        {12, kNoMedia}, {13, kDvdPlusRw}, {15, kNoMedia}, {17, kReadOnlyDisc}, {18, kBdR}, {19, kBdRe}};
    for (const auto& [physical, code] : expected) EXPECT_EQ(MediaTypeOfPhysical(physical), code) << physical;
    const auto cdWriter = CapabilitiesOf({0x2d, 0x2e}, {0x09, 0x0a});
    EXPECT_NE(std::find(cdWriter.begin(), cdWriter.end(), kBlankCdRw), cdWriter.end());
    // A drive that reads rewritable media but lists no writing feature can do nothing.
    EXPECT_TRUE(CapabilitiesOf({0x1e, 0x1f, 0x2a}, {0x0a, 0x13, 0x1a, 0x43}).empty());
    const auto bd = CapabilitiesOf({0x41}, {0x43});
    EXPECT_EQ(bd, std::vector<int>{kFormatBdRe});
}

struct Written {
    World world;
    Sources sources;
    Events events;
    std::unique_ptr<DiscEngine> engine;
    Written() {
        world.addRecorder(L"{1}", L"ACME", L"Writer");
        world.loadDvdRw();
        engine = world.engine();
        engine->setEvents(&events);
        engine->InitializeDevices(false);
        sources.addTo(engine->Image());
    }
    // The data writer's Write reports each IMAPI_FORMAT2_DATA_WRITE_ACTION.
    void writeReports(HRESULT outcome) {
        world.writer->methods[L"Write"] = [this, outcome](const std::vector<Variant>&, Variant*) {
            long writes = 0;
            for (long action : {0L, 2L, 3L, 4L, 4L, 4L, 5L, 6L}) {
                Ref<Fake> progress = MakeFake("progress", world.log);
                const long last = action == 4 ? 100 + 50 * writes++ : 0;
                progress->props = {{L"CurrentAction", Variant::of(action)}, {L"StartLba", Variant::of(100L)},
                                   {L"SectorCount", Variant::of(200L)}, {L"LastWrittenLba", Variant::of(last)}};
                world.writer->fire(0x200, {Variant::of(static_cast<IDispatch*>(world.writer.get())),
                                           Variant::of(static_cast<IDispatch*>(progress.get()))});
            }
            return outcome;
        };
    }
    bool write() {
        if (!engine->StartWrite(engine->Device(0))) return false;
        engine->Wait();
        return true;
    }
};

TEST(Imapi2Engine, WriteMapsTheSettingsOntoImapi2AndReportsItsProgress) {
    Written w;
    w.writeReports(S_OK);
    auto& s = w.engine->Settings();
    s.VolumeType = kJolietBridge;
    s.FinalizeDisc = true;
    s.BufferProtect = false;
    s.WriteSpeed = 2720;
    w.engine->VolumeIdentifier() = "BACKUP_1";
    ASSERT_TRUE(w.write());

    EXPECT_EQ(w.events.states, (States{{kPreparingImage, 0}, {kWritingData, 0}, {kWritingData, 25},
                                       {kWritingData, 50}, {kClosingTrack, 100}, {kWriteCompleted, 100}}));
    EXPECT_TRUE(w.events.errors.empty());
    for (const char* line : {"writer.Recorder=<object>", "writer.ClientName=Tarnhold",
                             "writer.ForceMediaToBeClosed=true", "writer.BufferUnderrunFreeDisabled=true",
                             "writer.SetWriteSpeed(2720,false)", "writer.IsCurrentMediaSupported(<object>)",
                             "fsi.ChooseImageDefaults(<object>)", "fsi.FileSystemsToCreate=3",
                             "fsi.VolumeName=BACKUP_1", "root.AddFile(a.txt,<object>)", "root.AddDirectory(sub)",
                             "root.AddFile(sub\\b.bin,<object>)", "root.AddFile(sub\\c.dat,<object>)",
                             "writer.Write(<object>)"}) {
        EXPECT_TRUE(w.world.log.has(line)) << line;
    }
    EXPECT_FALSE(w.world.writer->advised()) << "the progress sink was left connected";
    EXPECT_EQ(w.world.added, (std::map<std::string, std::string>{
                                 {"a.txt", "x"}, {"sub\\b.bin", std::string(3000, 'b')}, {"sub\\c.dat", ""}}));
    EXPECT_EQ(w.world.log.count("item."), 0) << "file dates were replaced though asked to be kept";

    // The other way round, and the fastest speed.
    s.FinalizeDisc = false;
    s.BufferProtect = true;
    s.WriteSpeed = 0;
    s.VolumeType = kUdf;
    s.UseFileDates = false;
    ASSERT_TRUE(w.write());
    EXPECT_EQ(w.world.log.count("item.LastModifiedTime="), 3);
    for (const char* line : {"writer.ForceMediaToBeClosed=false", "writer.BufferUnderrunFreeDisabled=false",
                             "writer.SetWriteSpeed(-1,false)", "fsi.FileSystemsToCreate=4"}) {
        EXPECT_TRUE(w.world.log.has(line)) << line;
    }
}

TEST(Imapi2Engine, FailingWriteIsAnErrorRecordThenWriteFailed) {
    Written w;
    const HRESULT refused = static_cast<HRESULT>(0xC0AA0205);
    w.writeReports(refused);
    ASSERT_TRUE(w.write());
    ASSERT_FALSE(w.events.states.empty());
    EXPECT_EQ(w.events.states.back(), std::make_pair(static_cast<int>(kWriteFailed), 0));
    EXPECT_FALSE(w.events.seen(kWriteCompleted));
    ASSERT_EQ(w.events.errors.size(), 1u);
    EXPECT_EQ(w.events.errors[0].Category, kDeviceError);
    EXPECT_EQ(w.events.errors[0].DeviceError.number, refused);
    EXPECT_NE(w.events.errors[0].DeviceError.detail.find("0xC0AA0205"), std::string::npos);
}

TEST(Imapi2Engine, WhatCannotBeWrittenIsRefusedBeforeWriting) {
    Written w;
    w.engine->Settings().TestWrite = true;  // IMAPI2 cannot simulate
    ASSERT_TRUE(w.write());
    EXPECT_EQ(w.events.states, (States{{kPreparingImage, 0}, {kWriteFailed, 0}}));
    EXPECT_EQ(w.events.errors.size(), 1u);
    EXPECT_EQ(w.world.log.count("writer.Write"), 0);

    w.engine->Settings().TestWrite = false;
    w.events.states.clear();
    w.world.writer->props.erase(L"CurrentPhysicalMediaType");  // the medium is not supported
    ASSERT_TRUE(w.write());
    EXPECT_EQ(w.events.states.back().first, kWriteFailed);
    EXPECT_EQ(w.world.log.count("writer.Write"), 0);

    w.engine->Image().Clear();
    EXPECT_FALSE(w.engine->StartWrite(w.engine->Device(0)));
}

TEST(Imapi2Engine, AbortWriteCancelsTheRunningWrite) {
    Written w;
    std::atomic<bool> cancelled{false};
    w.world.writer->methods[L"CancelWrite"] = [&](const std::vector<Variant>&, Variant*) {
        cancelled = true;
        return S_OK;
    };
    w.world.writer->methods[L"Write"] = [&](const std::vector<Variant>&, Variant*) {
        Ref<Fake> progress = MakeFake("progress", w.world.log);
        progress->props = {{L"CurrentAction", Variant::of(4L)}, {L"SectorCount", Variant::of(10L)}};
        for (int i = 0; i < 500 && !cancelled; ++i) {
            w.world.writer->fire(0x200, {Variant::of(static_cast<IDispatch*>(w.world.writer.get())),
                                         Variant::of(static_cast<IDispatch*>(progress.get()))});
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return cancelled ? static_cast<HRESULT>(0xC0AA0002) : S_OK;
    };
    ASSERT_TRUE(w.engine->StartWrite(w.engine->Device(0)));
    for (int i = 0; i < 500 && !w.events.seen(kWritingData); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    w.engine->AbortWrite();
    w.engine->Wait();
    EXPECT_TRUE(cancelled);
    EXPECT_EQ(w.events.states.back(), std::make_pair(static_cast<int>(kWriteCancelled), 0));
    EXPECT_TRUE(w.events.errors.empty());
}

TEST(Imapi2Engine, AutoVerifyComparesThroughTheVolumeOrSaysItSkipped) {
    Written w;
    w.engine->Settings().AutoVerify = true;
    ASSERT_TRUE(w.write());  // no volume path: nothing can be read back
    EXPECT_EQ(w.events.verified, (std::vector<std::pair<std::string, int>>{
                                     {"\\a.txt", kSkipped}, {"\\sub\\b.bin", kSkipped}, {"\\sub\\c.dat", kSkipped}}));
    EXPECT_EQ(w.events.states.back().first, kWriteCompleted);

    // The "disc" as Windows shows it, with one file not what was written.
    const auto volume = w.sources.dir / "volume";
    std::filesystem::create_directories(volume / "sub");
    writeFile(volume / "a.txt", "x");
    writeFile(volume / "sub" / "b.bin", std::string(2999, 'b') + "c");
    writeFile(volume / "sub" / "c.dat", "");
    w.world.recorders[L"{1}"][L"VolumePathNames"] = Array({Variant::of(platform::wide(platform::pathText(volume)))});
    w.events.verified.clear();
    ASSERT_TRUE(w.write());
    EXPECT_EQ(w.events.verified, (std::vector<std::pair<std::string, int>>{
                                     {"\\a.txt", kMatched},
                                     {"\\sub\\b.bin", kContentsDiffer},
                                     {"\\sub\\c.dat", kMatched}}));
    EXPECT_EQ(w.events.checked, 3);
    EXPECT_EQ(w.events.matched, 2);
    EXPECT_EQ(w.events.states.back().first, kWriteFailed);
    ASSERT_FALSE(w.events.errors.empty());

    writeFile(volume / "sub" / "b.bin", std::string(3000, 'b'));
    std::filesystem::remove(volume / "sub" / "c.dat");
    w.events.verified.clear();
    w.events.errors.clear();
    ASSERT_TRUE(w.write());
    EXPECT_EQ(w.events.verified[1].second, kMatched);
    EXPECT_EQ(w.events.verified[2].second, kDiscFileUnreadable);
    EXPECT_EQ(w.events.states.back().first, kWriteFailed);

    writeFile(volume / "sub" / "c.dat", "");
    w.events.errors.clear();
    ASSERT_TRUE(w.write());
    EXPECT_EQ(w.events.matched, 3);
    EXPECT_EQ(w.events.states.back().first, kWriteCompleted);
    EXPECT_TRUE(w.events.errors.empty());
}

TEST(Imapi2Engine, ImageSizeIsTheComposedImagesWhenImapi2fsIsThere) {
    Written w;
    EXPECT_EQ(w.engine->ImageSize(), 300 * 2048.0);
    w.world.result->props[L"TotalBlocks"] = Variant::of(301L);
    EXPECT_EQ(w.engine->ImageSize(), 300 * 2048.0) << "composed again though nothing changed";
    w.engine->Settings().VolumeType = kIso9660;
    EXPECT_EQ(w.engine->ImageSize(), 301 * 2048.0);
    EXPECT_TRUE(w.world.log.has("fsi.FileSystemsToCreate=1"));
    w.world.withFileSystemImage = false;
    w.engine->VolumeIdentifier() = "OTHER";
    EXPECT_EQ(w.engine->ImageSize(), EstimateImageSize(w.engine->Image(), kIso9660));
}

TEST(Imapi2Engine, EraseReportsItsStatesAndErrors) {
    World world;
    world.addRecorder(L"{1}", L"ACME", L"Writer");
    world.loadDvdRw();
    world.eraser->methods[L"EraseMedia"] = [&world](const std::vector<Variant>&, Variant*) {
        world.eraser->fire(0x200, {Variant::of(static_cast<IDispatch*>(world.eraser.get())), Variant::of(5L),
                                   Variant::of(10L)});
        return S_OK;
    };
    Events events;
    auto engine = world.engine();
    engine->setEvents(&events);
    ASSERT_TRUE(engine->InitializeDevices(false));
    DiscDevice* d = engine->Device(0);
    ASSERT_TRUE(d->StartErase(true, kEraseByBlanking));
    engine->Wait();
    EXPECT_EQ(events.eraseStates, (States{{kEraseStarted, 0}, {kErasing, 50}, {kEraseCompleted, 100}}));
    EXPECT_TRUE(world.log.has("eraser.FullErase=false"));
    EXPECT_TRUE(world.log.has("eraser.Recorder=<object>"));
    EXPECT_FALSE(world.eraser->advised());
    EXPECT_FALSE(d->StartErase(true, 0));

    world.eraser->methods[L"EraseMedia"] = [](const std::vector<Variant>&, Variant*) { return E_FAIL; };
    events.eraseStates.clear();
    ASSERT_TRUE(d->StartErase(false, kEraseByBlanking));
    engine->Wait();
    EXPECT_EQ(events.eraseStates, (States{{kEraseStarted, 0}, {kEraseFailed, 0}}));
    EXPECT_TRUE(world.log.has("eraser.FullErase=true"));
    ASSERT_EQ(events.deviceErrors.size(), 1u);
    EXPECT_EQ(events.deviceErrors[0].number, E_FAIL);
}

}  // namespace
