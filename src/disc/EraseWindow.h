#pragma once
// What the erase window decides, whatever toolkit draws it: erases a
// rewritable disc in the writer chosen in the disc writing window, through
// the same engine, whose events it borrows while it is open.

#include <string>

#include "disc/DiscEngine.h"
#include "disc/PostedDiscEvents.h"
#include "platform/Dialogs.h"

namespace disc {

inline constexpr const char* kEraseCaption = "Erase Re-Writable CD/DVD";
inline constexpr const char* kQuickEraseCaption = "Perform Quick Erase";
inline constexpr const char* kEraseButtonCaption = "&Erase";
inline constexpr const char* kEraseCancelCaption = "&Cancel";
inline constexpr const char* kEraseNote =
    "NOTE: If not performing a quick erase, it could take several minutes to completely erase the disc. This "
    "operation cannot be cancelled. A quick erase will erase the table of contents, but not the actual data.";

class EraseWindowView {
public:
    virtual ~EraseWindowView() = default;
    virtual bool quickEraseChecked() const = 0;
    virtual void setStatus(const std::string& text) = 0;
    virtual void setProgress(int percent) = 0;
    virtual void setButtonsEnabled(bool enabled) = 0;
    virtual void closeWindow() = 0;
};

class EraseWindowLogic : private DiscEvents {
public:
    EraseWindowLogic(platform::Dialogs& dialogs, EraseWindowView& view, Poster post)
        : dialogs_(dialogs), view_(view), relay_(*this, std::move(post)) {}
    ~EraseWindowLogic() override;
    EraseWindowLogic(const EraseWindowLogic&) = delete;
    EraseWindowLogic& operator=(const EraseWindowLogic&) = delete;

    // Keeps the device and the engine and readies the buttons.
    void PrepareErase(DiscDevice* objDevice, DiscEngine* objEngine);
    void cmdErase_Click();
    bool busy() const { return busy_; }
    bool mayClose() const { return !busy_; }

private:
    void eraseState(int state, int progress) override;
    void deviceError(const DeviceErrorRecord& error) override;
    void finished(const char* statusText);

    platform::Dialogs& dialogs_;
    EraseWindowView& view_;
    PostedDiscEvents relay_;
    DiscDevice* device_ = nullptr;
    DiscEngine* mobjEngine = nullptr;
    bool busy_ = false;
};

}  // namespace disc
