#include "win32/frmMaindvdwrite.h"

#include <commctrl.h>
#include <shellapi.h>
#include <windowsx.h>

#include <map>
#include <memory>
#include <vector>

#include "disc/DiscWriteWindow.h"
#include "platform/win32/WideText.h"
#include "win32/ControlIds.h"
#include "win32/ModalForm.h"
#include "win32/ShellIcons.h"
#include "win32/frmErase.h"

namespace win32 {

namespace {

using disc::Choice;
using disc::WriteOption;

constexpr int kClientWidth = 640;
constexpr int kClientHeight = 466;
// Pictures of the image lists, in the order they are added.
enum Picture : int { kDiscPicture, kFolderPicture, kFilePicture };

int optionId(WriteOption option) { return ids::writeOption + static_cast<int>(option); }

class frmMaindvdwrite : public ModalForm, private disc::DiscWriteWindowView {
public:
    frmMaindvdwrite(platform::Dialogs& dialogs, HWND owner, std::unique_ptr<disc::DiscEngine> engine)
        : ModalForm(disc::kDiscWindowCaption, kClientWidth, kClientHeight, owner),
          dialogs_(dialogs),
          engine_(std::move(engine)) {
        buildImagePane();
        buildWritePane();
        buildMenus();
        DragAcceptFiles(handle(), TRUE);
        disc::DiscWriteWindowView& view = *this;
        logic_ = std::make_unique<disc::DiscWriteWindowLogic>(
            *engine_, dialogs_, view, [this](std::function<void()> work) { post(std::move(work)); });
    }
    ~frmMaindvdwrite() override {
        logic_.reset();  // waits for a write still running, before the window goes
        if (pictures_) ImageList_Destroy(pictures_);
    }

    void show(const std::string& pendingName, const std::string& pendingPath) {
        if (!logic_->Form_Load(pendingName, pendingPath)) {
            PostQuitMessage(1);  // no engine: the program cannot go on
            return;
        }
        showModal();
    }

protected:
    bool mayClose() override { return logic_->mayClose(); }
    bool handleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    void buildImagePane();
    void buildWritePane();
    void buildMenus();
    HWND tree() const { return control(ids::tvwFolders); }
    HWND list() const { return control(ids::lvwImageFiles); }
    HWND choiceBox(Choice which) const;
    bool notified(const NMHDR& header, LRESULT& result);
    void popUpFileMenu(HWND view, LPARAM where);
    void dropped(HDROP drop);
    HTREEITEM node(const std::string& key) const;

    // disc::DiscWriteWindowView
    void clearFolders() override;
    void addFolderNode(const std::string& parentKey, const std::string& key, const std::string& text) override;
    void rekeyFolderNode(const std::string& oldKey, const std::string& newKey, const std::string& text) override;
    void removeFolderNode(const std::string& key) override;
    void setFolderText(const std::string& key, const std::string& text) override;
    void expandFolder(const std::string& key) override;
    std::string selectedFolder() const override;
    void clearFiles() override;
    void addFileRow(const std::string& key, const std::string& name, const std::string& size,
                    const std::string& date) override;
    std::string selectedFile() const override;
    void beginRename(const std::string& key, bool folder) override;
    std::string volumeText() const override { return windowText(control(ids::txtVolIdentifier)); }
    void setVolumeText(const std::string& text) override { setWindowText(control(ids::txtVolIdentifier), text); }
    void fillChoices(Choice which, const std::vector<disc::ChoiceEntry>& entries, int current) override;
    int chosenNumber(Choice which) const override;
    bool optionChecked(WriteOption option) const override { return isChecked(control(optionId(option))); }
    void setOptionChecked(WriteOption option, bool on) override { setChecked(control(optionId(option)), on); }
    void setOptionEnabled(WriteOption option, bool on) override { EnableWindow(control(optionId(option)), on); }
    void setComposing(bool enabled) override;
    void setBusyPointer(bool busy) override;
    void letEventsRun() override { RedrawWindow(handle(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN); }
    void setStatus(int panel, const std::string& text) override;
    void setProgress(int percent) override;
    void showEraseWindow(disc::DiscDevice& device, disc::DiscEngine& engine) override {
        ShowEraseWindow(dialogs_, device, engine, handle());
    }
    void closeWindow() override { PostMessageW(handle(), WM_CLOSE, 0, 0); }

    platform::Dialogs& dialogs_;
    std::unique_ptr<disc::DiscEngine> engine_;
    HIMAGELIST pictures_ = nullptr;
    HMENU menuBar_ = nullptr;
    HMENU fileMenu_ = nullptr;
    std::map<std::string, HTREEITEM> nodes_;
    std::map<HTREEITEM, std::string> keys_;
    std::vector<std::string> fileKeys_;  // by row: the list is never sorted
    bool renaming_ = false;              // an edit the window itself opened
    bool rebuilding_ = false;            // nodes going or coming: no choice of the user
    bool busy_ = false;
    std::unique_ptr<disc::DiscWriteWindowLogic> logic_;  // last: it goes first
};

void frmMaindvdwrite::buildImagePane() {
    label(disc::kImageFileTitle, {8, 8, 400, 16}, ids::lblImageFileTitle);
    add(WC_TREEVIEWW, "",
        WS_TABSTOP | WS_BORDER | TVS_HASLINES | TVS_HASBUTTONS | TVS_LINESATROOT | TVS_EDITLABELS | TVS_SHOWSELALWAYS,
        ids::tvwFolders, {8, 28, 220, 228}, WS_EX_CLIENTEDGE);
    add(WC_LISTVIEWW, "", WS_TABSTOP | LVS_REPORT | LVS_EDITLABELS | LVS_SINGLESEL | LVS_SHOWSELALWAYS,
        ids::lvwImageFiles, {236, 28, 396, 228}, WS_EX_CLIENTEDGE);
    ListView_SetExtendedListViewStyle(list(), LVS_EX_FULLROWSELECT);
    const int widths[] = {150, 86, 140};
    for (int c = 0; c < 3; ++c) {
        std::wstring caption = platform::wide(disc::kFileColumns[static_cast<std::size_t>(c)]);
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
        column.fmt = c == 1 ? LVCFMT_RIGHT : LVCFMT_LEFT;
        column.cx = scaled(widths[c]);
        column.pszText = caption.data();
        ListView_InsertColumn(list(), c, &column);
    }
    const int size = GetSystemMetrics(SM_CXSMICON);
    pictures_ = ImageList_Create(size, size, ILC_COLOR32 | ILC_MASK, 3, 0);
    const std::pair<SHSTOCKICONID, int> icons[] = {
        {SIID_DRIVECD, kShell32CdDriveIcon}, {SIID_FOLDER, kShell32FolderIcon}, {SIID_DOCNOASSOC, kShell32DocumentIcon}};
    for (const auto& [stock, resource] : icons) {
        HICON icon = ShellIcon(stock, resource, /*small*/ true);
        ImageList_AddIcon(pictures_, icon ? icon : LoadIconW(nullptr, IDI_APPLICATION));
        if (icon) DestroyIcon(icon);
    }
    TreeView_SetImageList(tree(), pictures_, TVSIL_NORMAL);
    ListView_SetImageList(list(), pictures_, LVSIL_SMALL);
}

void frmMaindvdwrite::buildWritePane() {
    const DWORD dropDown = WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST;
    label(disc::kDeviceLabel, {8, 269, 82, 16});
    add(WC_COMBOBOXW, "", dropDown, ids::cboDevices, {92, 266, 540, 200});
    label(disc::kWriteSpeedLabel, {8, 297, 82, 16});
    add(WC_COMBOBOXW, "", dropDown, ids::cboWriteSpeed, {92, 294, 140, 200});
    label(disc::kVolumeTypeLabel, {250, 297, 90, 16});
    add(WC_COMBOBOXW, "", dropDown, ids::cboVolumeType, {344, 294, 288, 200});
    label(disc::kVolumeIdLabel, {8, 325, 82, 16});
    edit(ids::txtVolIdentifier, {92, 322, 540, 22});
    for (std::size_t i = 0; i < disc::kWriteOptions.size(); ++i) {
        const auto& row = disc::kWriteOptions[i];
        const int column = static_cast<int>(i % 4), line = static_cast<int>(i / 4);
        checkBox(optionId(row.option), row.caption, {8 + column * 158, 352 + line * 22, 154, 18});
    }
    onCommand(optionId(WriteOption::UseFileDates), [this] { logic_->chkUseFileDates_Click(); });
    add(PROGRESS_CLASSW, "", 0, ids::prgTotalProgress, {8, 406, 300, 18});
    SendMessageW(control(ids::prgTotalProgress), PBM_SETRANGE32, 0, 100);
    // Neither is the default button: Enter in a text box must never start a write.
    button(ids::cmdWriteDisc, disc::kWriteDiscCaption, {452, 402, 86, 26});
    button(ids::cmdCancelWrite, disc::kCancelWriteCaption, {546, 402, 86, 26});
    onCommand(ids::cmdWriteDisc, [this] { logic_->cmdWriteDisc_Click(); });
    onCommand(ids::cmdCancelWrite, [this] { logic_->cmdCancel_Click(); });
    HWND bar = add(STATUSCLASSNAMEW, "", SBARS_SIZEGRIP, ids::sbrStatus, {0, 0, 0, 0});
    const int parts[] = {scaled(380), scaled(510), -1};
    SendMessageW(bar, SB_SETPARTS, 3, reinterpret_cast<LPARAM>(parts));
    // Tool tips of the options, as the other windows' tips read.
    HWND tips = CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, 0, 0, 0, 0, handle(), nullptr,
                                GetModuleHandleW(nullptr), nullptr);
    for (const auto& row : disc::kWriteOptions) {
        if (!row.tooltip) continue;
        std::wstring tip = platform::wide(row.tooltip);
        TOOLINFOW info{};
        info.cbSize = sizeof(info);
        info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        info.hwnd = handle();
        info.uId = reinterpret_cast<UINT_PTR>(control(optionId(row.option)));
        info.lpszText = tip.data();
        SendMessageW(tips, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info));
    }
}

void frmMaindvdwrite::buildMenus() {
    menuBar_ = CreateMenu();
    fileMenu_ = CreatePopupMenu();
    for (std::size_t i = 0; i < disc::kFileMenu.size(); ++i) {
        const auto& row = disc::kFileMenu[i];
        const int id = ids::mnuDiscFile + static_cast<int>(i);
        if (!row.caption) {
            AppendMenuW(fileMenu_, MF_SEPARATOR, 0, nullptr);
            continue;
        }
        AppendMenuW(fileMenu_, MF_STRING, static_cast<UINT_PTR>(id), platform::wide(row.caption).c_str());
        onCommand(id, [this, command = row.command] { logic_->FileMenu(command); });
    }
    HMENU device = CreatePopupMenu();
    for (std::size_t i = 0; i < disc::kDeviceMenu.size(); ++i) {
        const auto& [command, caption] = disc::kDeviceMenu[i];
        const int id = ids::mnuDiscDevice + static_cast<int>(i);
        AppendMenuW(device, MF_STRING, static_cast<UINT_PTR>(id), platform::wide(caption).c_str());
        onCommand(id, [this, chosen = command] { logic_->DeviceMenu(chosen); });
    }
    AppendMenuW(menuBar_, MF_POPUP, reinterpret_cast<UINT_PTR>(fileMenu_), platform::wide(disc::kFileMenuCaption).c_str());
    AppendMenuW(menuBar_, MF_POPUP, reinterpret_cast<UINT_PTR>(device), platform::wide(disc::kDeviceMenuCaption).c_str());
    SetMenu(handle(), menuBar_);
    // The menu bar takes its room from the client area: the window grows by it.
    RECT frame{0, 0, scaled(kClientWidth), scaled(kClientHeight)};
    AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongPtrW(handle(), GWL_STYLE)), TRUE,
                       static_cast<DWORD>(GetWindowLongPtrW(handle(), GWL_EXSTYLE)));
    SetWindowPos(handle(), nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    SendMessageW(control(ids::sbrStatus), WM_SIZE, 0, 0);
}

// ---- Events -----------------------------------------------------------------

bool frmMaindvdwrite::handleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (ModalForm::handleMessage(message, wParam, lParam, result)) return true;
    switch (message) {
        case WM_NOTIFY: return notified(*reinterpret_cast<const NMHDR*>(lParam), result);
        case WM_COMMAND: {
            const int id = LOWORD(wParam), code = HIWORD(wParam);
            if (id == ids::cboDevices && code == CBN_SELCHANGE) logic_->cboDevices_Click();
            else if (id == ids::txtVolIdentifier && code == EN_CHANGE) logic_->txtVolIdentifier_Change();
            else return false;
            result = 0;
            return true;
        }
        case WM_CONTEXTMENU: {
            HWND from = reinterpret_cast<HWND>(wParam);
            if (from != tree() && from != list()) return false;
            popUpFileMenu(from, lParam);
            result = 0;
            return true;
        }
        case WM_DROPFILES:
            dropped(reinterpret_cast<HDROP>(wParam));
            result = 0;
            return true;
        case WM_SETCURSOR:
            if (!busy_) return false;
            SetCursor(LoadCursorW(nullptr, IDC_WAIT));
            result = TRUE;
            return true;
        default: return false;
    }
}

bool frmMaindvdwrite::notified(const NMHDR& header, LRESULT& result) {
    result = 0;
    if (header.idFrom == static_cast<UINT_PTR>(ids::tvwFolders)) {
        switch (header.code) {
            case TVN_SELCHANGEDW:
                // Only what the user chose; a tree being rebuilt moves its selection too.
                if (!rebuilding_) logic_->tvwFolders_Click();
                return true;
            case TVN_DELETEITEMW: {
                const HTREEITEM gone = reinterpret_cast<const NMTREEVIEWW&>(header).itemOld.hItem;
                auto key = keys_.find(gone);
                if (key != keys_.end()) {
                    nodes_.erase(key->second);
                    keys_.erase(key);
                }
                return true;
            }
            case TVN_BEGINLABELEDITW: result = renaming_ ? FALSE : TRUE; return true;
            case TVN_ENDLABELEDITW: {
                renaming_ = false;
                const auto& edit = reinterpret_cast<const NMTVDISPINFOW&>(header);
                auto key = keys_.find(edit.item.hItem);
                if (edit.item.pszText && key != keys_.end()) {
                    // After the edit box has gone; the tree keeps the old name until the image renames.
                    post([this, k = key->second, name = platform::utf8(edit.item.pszText)] { logic_->EditEnded(k, name, true); });
                }
                result = FALSE;
                return true;
            }
            default: return false;
        }
    }
    if (header.idFrom == static_cast<UINT_PTR>(ids::lvwImageFiles)) {
        switch (header.code) {
            case LVN_BEGINLABELEDITW: result = renaming_ ? FALSE : TRUE; return true;
            case LVN_ENDLABELEDITW: {
                renaming_ = false;
                const auto& edit = reinterpret_cast<const NMLVDISPINFOW&>(header);
                const auto row = static_cast<std::size_t>(edit.item.iItem);
                if (edit.item.pszText && row < fileKeys_.size()) {
                    post([this, k = fileKeys_[row], name = platform::utf8(edit.item.pszText)] {
                        logic_->EditEnded(k, name, false);
                    });
                }
                result = FALSE;
                return true;
            }
            default: return false;
        }
    }
    return false;
}

void frmMaindvdwrite::popUpFileMenu(HWND view, LPARAM where) {
    POINT at{GET_X_LPARAM(where), GET_Y_LPARAM(where)};
    if (at.x == -1 && at.y == -1) {  // from the keyboard: at the control's corner
        RECT box{};
        GetWindowRect(view, &box);
        at = {box.left + 8, box.top + 8};
    }
    const bool onTree = view == tree();
    HMENU menu = CreatePopupMenu();
    for (std::size_t i = 0; i < disc::kFileMenu.size(); ++i) {
        const auto& row = disc::kFileMenu[i];
        if (!row.caption || !(onTree ? row.onTree : row.onList)) continue;
        AppendMenuW(menu, MF_STRING, static_cast<UINT_PTR>(ids::mnuDiscFile + static_cast<int>(i)),
                    platform::wide(row.caption).c_str());
    }
    TrackPopupMenu(menu, TPM_LEFTALIGN | TPM_RIGHTBUTTON, at.x, at.y, 0, handle(), nullptr);
    DestroyMenu(menu);
}

void frmMaindvdwrite::dropped(HDROP drop) {
    std::vector<std::string> paths;
    const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
        std::wstring path(DragQueryFileW(drop, i, nullptr, 0) + 1, L'\0');
        path.resize(DragQueryFileW(drop, i, path.data(), static_cast<UINT>(path.size())));
        paths.push_back(platform::utf8(path));
    }
    DragFinish(drop);
    if (!paths.empty() && logic_->ready()) logic_->DropPaths(paths);
}

// ---- disc::DiscWriteWindowView ------------------------------------------------

HTREEITEM frmMaindvdwrite::node(const std::string& key) const {
    auto found = nodes_.find(key);
    return found == nodes_.end() ? nullptr : found->second;
}

void frmMaindvdwrite::clearFolders() {
    rebuilding_ = true;
    TreeView_DeleteAllItems(tree());
    rebuilding_ = false;
}

void frmMaindvdwrite::addFolderNode(const std::string& parentKey, const std::string& key, const std::string& text) {
    HTREEITEM parent = parentKey.empty() ? TVI_ROOT : node(parentKey);
    if (!parent) return;
    std::wstring caption = platform::wide(text);
    TVINSERTSTRUCTW insert{};
    insert.hParent = parent;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
    insert.item.pszText = caption.data();
    insert.item.iImage = insert.item.iSelectedImage = parentKey.empty() ? kDiscPicture : kFolderPicture;
    HTREEITEM item = TreeView_InsertItem(tree(), &insert);
    if (!item) return;
    nodes_[key] = item;
    keys_[item] = key;
}

void frmMaindvdwrite::rekeyFolderNode(const std::string& oldKey, const std::string& newKey, const std::string& text) {
    HTREEITEM item = node(oldKey);
    if (!item) return;
    nodes_.erase(oldKey);
    nodes_[newKey] = item;
    keys_[item] = newKey;
    setFolderText(newKey, text);
}

void frmMaindvdwrite::removeFolderNode(const std::string& key) {
    HTREEITEM item = node(key);
    if (!item) return;
    rebuilding_ = true;
    TreeView_DeleteItem(tree(), item);  // its keys go with TVN_DELETEITEM
    rebuilding_ = false;
}

void frmMaindvdwrite::setFolderText(const std::string& key, const std::string& text) {
    HTREEITEM item = node(key);
    if (!item) return;
    std::wstring caption = platform::wide(text);
    TVITEMW change{};
    change.mask = TVIF_TEXT;
    change.hItem = item;
    change.pszText = caption.data();
    TreeView_SetItem(tree(), &change);
}

void frmMaindvdwrite::expandFolder(const std::string& key) {
    if (HTREEITEM item = node(key)) TreeView_Expand(tree(), item, TVE_EXPAND);
}

std::string frmMaindvdwrite::selectedFolder() const {
    auto key = keys_.find(TreeView_GetSelection(tree()));
    return key == keys_.end() ? std::string() : key->second;
}

void frmMaindvdwrite::clearFiles() {
    ListView_DeleteAllItems(list());
    fileKeys_.clear();
}

void frmMaindvdwrite::addFileRow(const std::string& key, const std::string& name, const std::string& size,
                                 const std::string& date) {
    std::wstring texts[] = {platform::wide(name), platform::wide(size), platform::wide(date)};
    LVITEMW row{};
    row.mask = LVIF_TEXT | LVIF_IMAGE;
    row.iItem = static_cast<int>(fileKeys_.size());
    row.iImage = kFilePicture;
    row.pszText = texts[0].data();
    const int at = ListView_InsertItem(list(), &row);
    if (at < 0) return;
    ListView_SetItemText(list(), at, 1, texts[1].data());
    ListView_SetItemText(list(), at, 2, texts[2].data());
    fileKeys_.push_back(key);
}

std::string frmMaindvdwrite::selectedFile() const {
    const int row = ListView_GetNextItem(list(), -1, LVNI_SELECTED);
    return row < 0 || static_cast<std::size_t>(row) >= fileKeys_.size() ? std::string()
                                                                           : fileKeys_[static_cast<std::size_t>(row)];
}

void frmMaindvdwrite::beginRename(const std::string& key, bool folder) {
    renaming_ = true;
    if (folder) {
        SetFocus(tree());
        if (HTREEITEM item = node(key); item && TreeView_EditLabel(tree(), item)) return;
    } else {
        for (std::size_t row = 0; row < fileKeys_.size(); ++row) {
            if (fileKeys_[row] != key) continue;
            SetFocus(list());
            if (ListView_EditLabel(list(), static_cast<int>(row))) return;
        }
    }
    renaming_ = false;
}

HWND frmMaindvdwrite::choiceBox(Choice which) const {
    switch (which) {
        case Choice::Devices: return control(ids::cboDevices);
        case Choice::WriteSpeed: return control(ids::cboWriteSpeed);
        case Choice::VolumeType: return control(ids::cboVolumeType);
    }
    return nullptr;
}

void frmMaindvdwrite::fillChoices(Choice which, const std::vector<disc::ChoiceEntry>& entries, int current) {
    HWND box = choiceBox(which);
    SendMessageW(box, CB_RESETCONTENT, 0, 0);
    for (const auto& [text, number] : entries) {
        const LRESULT at = SendMessageW(box, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(platform::wide(text).c_str()));
        SendMessageW(box, CB_SETITEMDATA, static_cast<WPARAM>(at), static_cast<LPARAM>(number));
    }
    SendMessageW(box, CB_SETCURSEL, static_cast<WPARAM>(current), 0);  // tells no CBN_SELCHANGE
}

int frmMaindvdwrite::chosenNumber(Choice which) const {
    HWND box = choiceBox(which);
    const LRESULT at = SendMessageW(box, CB_GETCURSEL, 0, 0);
    return at == CB_ERR ? -1 : static_cast<int>(SendMessageW(box, CB_GETITEMDATA, static_cast<WPARAM>(at), 0));
}

void frmMaindvdwrite::setComposing(bool enabled) {
    for (int id : {ids::cboDevices, ids::cboWriteSpeed, ids::lvwImageFiles, ids::tvwFolders, ids::cmdWriteDisc,
                   ids::cboVolumeType, ids::txtVolIdentifier}) {
        EnableWindow(control(id), enabled);
    }
    for (const auto& row : disc::kWriteOptions) EnableWindow(control(optionId(row.option)), enabled);
    for (UINT menu = 0; menu < 2; ++menu) EnableMenuItem(menuBar_, menu, MF_BYPOSITION | (enabled ? MF_ENABLED : MF_GRAYED));
    DrawMenuBar(handle());
    EnableWindow(control(ids::cmdCancelWrite), !enabled);
}

void frmMaindvdwrite::setBusyPointer(bool busy) {
    busy_ = busy;
    SetCursor(LoadCursorW(nullptr, busy ? IDC_WAIT : IDC_ARROW));
}

void frmMaindvdwrite::setStatus(int panel, const std::string& text) {
    SendMessageW(control(ids::sbrStatus), SB_SETTEXTW, static_cast<WPARAM>(panel),
                 reinterpret_cast<LPARAM>(platform::wide(text).c_str()));
}

void frmMaindvdwrite::setProgress(int percent) {
    SendMessageW(control(ids::prgTotalProgress), PBM_SETPOS, static_cast<WPARAM>(percent), 0);
}

}  // namespace

void ShowDiscWindow(platform::Dialogs& dialogs, HWND owner, std::unique_ptr<disc::DiscEngine> engine,
                    const std::string& pendingName, const std::string& pendingPath) {
    frmMaindvdwrite window(dialogs, owner, std::move(engine));
    window.show(pendingName, pendingPath);
}

}  // namespace win32
