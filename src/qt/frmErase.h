#pragma once
// The erase window in Qt: draws the quick-erase box, the status and the
// progress, and hands the buttons to the toolkit-free EraseWindowLogic.

#include <QDialog>

#include "disc/EraseWindow.h"

class QCheckBox;
class QLabel;
class QProgressBar;
class QPushButton;

namespace disc {

class frmErase : public QDialog, private EraseWindowView {
    Q_OBJECT
public:
    explicit frmErase(platform::Dialogs& dialogs, QWidget* parent = nullptr);
    ~frmErase() override;

    // Keeps the device and the engine, readies the buttons, shows the window modally.
    void ShowErase(DiscDevice* objDevice, DiscEngine* objEngine);
    // The same without the modal loop, for callers that drive the window themselves.
    void PrepareErase(DiscDevice* objDevice, DiscEngine* objEngine) { logic_.PrepareErase(objDevice, objEngine); }
    void cmdErase_Click() { logic_.cmdErase_Click(); }
    bool busy() const { return logic_.busy(); }

    QCheckBox* chkQuikErase = nullptr;
    QPushButton* cmdErase = nullptr;
    QPushButton* cmdCancel = nullptr;
    QLabel* lblStatus = nullptr;
    QProgressBar* prgEraseProgress = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    bool quickEraseChecked() const override;
    void setStatus(const std::string& text) override;
    void setProgress(int percent) override;
    void setButtonsEnabled(bool enabled) override;
    void closeWindow() override { close(); }

    EraseWindowLogic logic_;
};

}  // namespace disc
