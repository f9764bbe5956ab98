#pragma once
// One disc recorder as IMAPI2 sees it. The device keeps only the recorder's
// unique id and what it last learned; every request opens fresh objects on
// the calling thread (with COM started there for the call), so no COM
// object is ever used outside its apartment.

#include "disc/DiscEngine.h"
#include "disc/Imapi2Dispatch.h"

#include <memory>
#include <string>
#include <vector>

namespace disc {

class Imapi2Device;

// What a device needs from the engine that owns it.
class Imapi2Owner {
public:
    virtual ~Imapi2Owner() = default;
    virtual const imapi2::ObjectFactory& factory() const = 0;
    virtual bool startErase(Imapi2Device& device, bool quick, int mode) = 0;
    virtual bool busy() const = 0;
};

// The program's media type of an IMAPI_MEDIA_PHYSICAL_TYPE.
int MediaTypeOfPhysical(long physicalType);
// The program's capabilities of a drive's feature pages and profiles.
std::vector<int> CapabilitiesOf(const std::vector<long>& featurePages, const std::vector<long>& profiles);

class Imapi2Device final : public DiscDevice {
public:
    // nullptr with *problem said in one sentence when the recorder cannot be opened.
    static std::unique_ptr<Imapi2Device> Open(Imapi2Owner& owner, const std::wstring& uniqueId, std::string* problem);

    std::string Name() const override { return name_; }
    bool IsWriter() const override { return writer_; }
    bool SupportsCapability(int code) const override;
    void RefreshMedia(bool full) override;
    DiscMedia Media() const override { return media_; }
    std::int64_t FreeBlocks(bool writable) override;
    int WriteSpeedCount() const override { return static_cast<int>(speeds_.size()); }
    int WriteSpeed(int index) const override;
    double SpeedMultiplier(int speed) const override;
    bool Eject() override;
    bool CloseTray() override;
    int EraseMode() const override;
    bool StartErase(bool quick, int mode) override { return owner_.startErase(*this, quick, mode); }

    // A recorder object for this drive, and a format object bound to it.
    imapi2::Object openRecorder(HRESULT* hr) const;
    imapi2::Object openFormat(const wchar_t* progId, IDispatch* recorder, HRESULT* hr) const;
    // Where Windows shows the disc's files ("E:\"), empty when nowhere.
    std::wstring volumePath() const;

private:
    Imapi2Device(Imapi2Owner& owner, std::wstring uniqueId) : owner_(owner), id_(std::move(uniqueId)) {}

    Imapi2Owner& owner_;
    std::wstring id_;
    std::string name_;
    bool writer_ = false;
    DiscMedia media_;
    std::vector<int> speeds_;
    std::vector<int> capabilities_;
};

// A one-sentence text of an HRESULT for the error records.
std::string HresultText(HRESULT hr);

}  // namespace disc
