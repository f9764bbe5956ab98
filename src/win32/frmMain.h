#pragma once
// The main window in Win32: four tabs, the item boxes, target and source
// fields, the password fields, a progress panel, three buttons and the menu
// bar. It draws and wires; what it decides is app::MainWindowLogic's.

#include <windows.h>

#include <array>
#include <string>

#include "app/MainWindow.h"
#include "win32/Form.h"
#include "win32/ProductHeading.h"
#include "win32/TabPages.h"

namespace win32 {

class frmMain : public Form, private app::MainWindowView {
public:
    // `programPath` is the executable the scheduled task starts.
    frmMain(session::MainSession& session, std::string programPath);

    app::MainWindowLogic& logic() { return logic_; }

protected:
    bool handleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    bool mayClose() override;

private:
    void buildBackupPage();
    void buildRestorePage();
    void buildLogPage();
    void buildAboutPage();
    void buildProgressPanel();
    void buildButtons();
    void buildMenus();
    void itemFrame(int frameId, const char* label, int firstBox, int userLabelY, const char* userLabel, int userField,
                   int top);
    void popUpItemMenu(LPARAM where);
    HWND box(app::ItemBoxes boxes, std::size_t index) const;
    HWND field(app::MainField field) const;

    // app::MainWindowView
    bool itemChecked(app::ItemBoxes boxes, std::size_t index) const override;
    void setItemChecked(app::ItemBoxes boxes, std::size_t index, bool on) override;
    bool itemEnabled(app::ItemBoxes boxes, std::size_t index) const override;
    void setItemEnabled(app::ItemBoxes boxes, std::size_t index, bool on) override;
    std::string text(app::MainField field) const override;
    void setText(app::MainField field, const std::string& text) override;
    bool protectChecked() const override;
    void setPasswordBoxesUsable(bool usable) override;
    int currentTab() const override;
    void setApplyCaption(const std::string& caption) override;
    void setApplyEnabled(bool enabled) override;
    void showRunning(bool running) override;
    void showProgressPanel(bool shown) override;
    void setStatusLine(app::StatusLine line, const std::string& text) override;
    int progress() const override;
    void setProgress(int value) override;
    void showLogLines(const std::vector<std::string>& lines) override;
    void post(std::function<void()> work) override { Form::post(std::move(work)); }
    void startWorker(std::function<void()> work) override;
    bool runKeepingWindowAlive(const std::function<bool()>& task) override;
    void showAbout() override;
    void showSettings() override;
    void showSchedule(schedule::TaskScheduler& scheduler) override;
    void showDiscWindow(const std::string& pendingName, const std::string& pendingPath) override;
    void endProgram() override;

    session::MainSession& session_;
    app::MainWindowLogic logic_;
    TabPages tabs_;
    HMENU menuBar_ = nullptr;
    ProductHeading heading_;
    HBRUSH greyBrush_ = nullptr;
};

}  // namespace win32
