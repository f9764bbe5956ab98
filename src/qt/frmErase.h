#pragma once
// The erase window: erases a rewritable disc in the writer chosen in the
// disc writing window, through the same engine.

#include <QDialog>

#include "disc/DiscEngine.h"
#include "platform/Dialogs.h"

class QCheckBox;
class QLabel;
class QProgressBar;
class QPushButton;

namespace disc {

class frmErase : public QDialog, private DiscEvents {
    Q_OBJECT
public:
    explicit frmErase(platform::Dialogs& dialogs, QWidget* parent = nullptr);
    ~frmErase() override;

    // Keeps the device and the engine, readies the buttons, shows the window modally.
    void ShowErase(DiscDevice* objDevice, DiscEngine* objEngine);
    // The same without the modal loop, for callers that drive the window themselves.
    void PrepareErase(DiscDevice* objDevice, DiscEngine* objEngine);
    void cmdErase_Click();
    bool busy() const { return busy_; }

    QCheckBox* chkQuikErase = nullptr;
    QPushButton* cmdErase = nullptr;
    QPushButton* cmdCancel = nullptr;
    QLabel* lblStatus = nullptr;
    QProgressBar* prgEraseProgress = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    void eraseState(int state, int progress) override;
    void deviceError(const DeviceErrorRecord& error) override;
    void onEraseState(int state, int progress);
    void enableButtons(bool enabled);

    platform::Dialogs& dialogs_;
    DiscDevice* device_ = nullptr;
    DiscEngine* mobjEngine = nullptr;
    bool busy_ = false;
};

}  // namespace disc
