#include "disc/EraseWindow.h"

#include "disc/DiscTexts.h"

namespace disc {

EraseWindowLogic::~EraseWindowLogic() {
    relay_.release();
    if (mobjEngine) {
        mobjEngine->Wait();
        mobjEngine->setEvents(nullptr);
    }
}

void EraseWindowLogic::PrepareErase(DiscDevice* objDevice, DiscEngine* objEngine) {
    device_ = objDevice;
    mobjEngine = objEngine;
    mobjEngine->setEvents(&relay_);
    view_.setButtonsEnabled(true);
    busy_ = false;
}

void EraseWindowLogic::cmdErase_Click() {
    device_->RefreshMedia(false);
    const DiscMedia media = device_->Media();
    const char* refusal = media.MediaType == kNoMedia ? "No Media Loaded."
                          : !media.IsRewritable     ? "The current media is not re-writable."
                          : !SupportsErasePair(*device_, media.MediaType)
                              ? "Selected drive does not support re-writable discs of this format."
                              : nullptr;
    if (refusal) {
        dialogs_.message(refusal, platform::Icon::Information);
        view_.closeWindow();
        return;
    }
    if (!device_->StartErase(view_.quickEraseChecked(), device_->EraseMode())) {
        dialogs_.message("Could not start Erase operation!!!", platform::Icon::Critical);
        view_.closeWindow();
    }
}

void EraseWindowLogic::eraseState(int state, int progress) {
    switch (state) {
        case kEraseStarted:
            busy_ = true;
            view_.setStatus("Erasing Disc...Please Wait!!");
            view_.setButtonsEnabled(false);
            view_.setProgress(progress);
            break;
        case kErasing: view_.setProgress(progress); break;
        case kEraseCompleted:
            view_.setStatus("Erase operation complete!!!");
            dialogs_.message("Erase Completed!!!", platform::Icon::Information);
            finished(nullptr);
            break;
        case kEraseFailed: finished("Error Erasing Disc!!!"); break;
        default: break;
    }
}

void EraseWindowLogic::finished(const char* statusText) {
    if (statusText) view_.setStatus(statusText);
    view_.setButtonsEnabled(true);
    busy_ = false;
    view_.closeWindow();
}

void EraseWindowLogic::deviceError(const DeviceErrorRecord& error) {
    dialogs_.message(FormatEraseDeviceError(error), platform::Icon::Critical);
    view_.setButtonsEnabled(true);
}

}  // namespace disc
