#pragma once
// What the disc writing window decides, whatever toolkit draws it: the data
// image shown as a folder tree and a file list kept in step with the image's
// events, the writer, speed, volume type and options, the write with its
// verification and every message on the way. The Qt and the Win32 window
// implement DiscWriteWindowView and call DiscWriteWindowLogic.

#include <array>
#include <string>
#include <utility>
#include <vector>

#include "disc/DiscEngine.h"
#include "disc/PostedDiscEvents.h"
#include "platform/Dialogs.h"

namespace disc {

inline constexpr const char* kDiscWindowCaption = "Backup Windows Live Mail Data to CD/DVD";
inline constexpr const char* kImageFileTitle = "Drag and Drop Files or Folders";
inline constexpr const char* kRootKey = "\\";
inline constexpr const char* kNewDiscName = "New Disc";
inline constexpr const char* kBackupDiscName = "Windows Live Mail Data Backup CD";
inline constexpr std::array<const char*, 3> kFileColumns{"File Name", "Size", "Date"};
inline constexpr const char* kDeviceLabel = "Device:";
inline constexpr const char* kWriteSpeedLabel = "Write Speed:";
inline constexpr const char* kVolumeTypeLabel = "Volume Type:";
inline constexpr const char* kVolumeIdLabel = "Volume ID:";
inline constexpr const char* kWriteDiscCaption = "&Write Disc";
inline constexpr const char* kCancelWriteCaption = "&Cancel";
inline constexpr const char* kNoDevicesMessage =
    "There are no compatible devices reported.\r\nSome older devices are not currently supported.";

enum class WriteOption { BufferProtect, CacheImage, FinalizeDisc, TestWrite, AutoVerify, Mode2XA, UseFileDates, DiscAtOnce };
struct WriteOptionRow {
    WriteOption option;
    const char* name;
    const char* caption;
    const char* tooltip;  // nullptr: none
    bool checkedAtStart;
};
// In the order the window shows them, four to a row.
inline constexpr std::array<WriteOptionRow, 8> kWriteOptions{{
    {WriteOption::BufferProtect, "chkUseBufferProtect", "Use Buffer Protection", "Eliminates buffer underrun problems.", false},
    {WriteOption::CacheImage, "chkCacheImage", "Cache Image", "Not needed for DVD formats...Use for CDR/W only.", false},
    {WriteOption::FinalizeDisc, "chkFinalizeDisc", "Finalize Disc", "Not valid for DVD+RW and DVD-RAM formats.", false},
    {WriteOption::TestWrite, "chkTestWrite", "Test Write", "Not valid for DVD formats.", false},
    {WriteOption::AutoVerify, "chkAutoVerify", "Auto-Verify Data", nullptr, false},
    {WriteOption::Mode2XA, "chkUseMode2XA", "Mode2XA (CD Only)", "Please see help file for details on Mode2XA", false},
    {WriteOption::UseFileDates, "chkUseFileDates", "Use File Dates", nullptr, true},
    {WriteOption::DiscAtOnce, "chkDiscAtOnce", "Disc-At-Once", "Eliminates buffer underrun problems.", false},
}};

inline constexpr std::array<std::pair<const char*, int>, 5> kVolumeTypes{{
    {"ISO9660", kIso9660},
    {"UDF", kUdf},
    {"ISO9660/Joliet Bridge", kJolietBridge},
    {"ISO9660/UDF (DVDVideo) Bridge", kUdfDvdVideoBridge},
    {"ISO9660/Joliet/UDF Bridge", kJolietUdfBridge},
}};
inline constexpr int kDefaultVolumeType = 4;  // the index of the last: every reader

enum class FileCommand { ClearAll, Separator, RemoveFolder, RenameFolder, RemoveFile, RenameFile, Exit };
struct FileMenuRow {
    FileCommand command;
    const char* caption;  // nullptr for a separator
    bool onTree;          // in the folder tree's pop-up menu
    bool onList;          // in the file list's pop-up menu
};
inline constexpr const char* kFileMenuCaption = "&File";
inline constexpr std::array<FileMenuRow, 8> kFileMenu{{
    {FileCommand::ClearAll, "Clear All Items", true, true},
    {FileCommand::Separator, nullptr, false, false},
    {FileCommand::RemoveFolder, "Remove Folder", true, false},
    {FileCommand::RenameFolder, "Rename Folder", true, false},
    {FileCommand::RemoveFile, "Remove File", false, true},
    {FileCommand::RenameFile, "Rename File", false, true},
    {FileCommand::Separator, nullptr, false, false},
    {FileCommand::Exit, "Exit", false, false},
}};
enum class DeviceCommand { Eject, CloseTray, Erase };
inline constexpr const char* kDeviceMenuCaption = "&Device";
inline constexpr std::array<std::pair<DeviceCommand, const char*>, 3> kDeviceMenu{{
    {DeviceCommand::Eject, "Eject"},
    {DeviceCommand::CloseTray, "Close Tray"},
    {DeviceCommand::Erase, "Erase Disc..."},
}};

enum class Choice { Devices, WriteSpeed, VolumeType };
// An entry of a drop-down list: its text and the number it stands for.
using ChoiceEntry = std::pair<std::string, int>;

class DiscWriteWindowView {
public:
    virtual ~DiscWriteWindowView() = default;
    // The folder tree; nodes are found by their image path, the root's is "\".
    virtual void clearFolders() = 0;
    // An empty parent key adds the root, with the disc's picture.
    virtual void addFolderNode(const std::string& parentKey, const std::string& key, const std::string& text) = 0;
    virtual void rekeyFolderNode(const std::string& oldKey, const std::string& newKey, const std::string& text) = 0;
    virtual void removeFolderNode(const std::string& key) = 0;
    virtual void setFolderText(const std::string& key, const std::string& text) = 0;
    virtual void expandFolder(const std::string& key) = 0;
    virtual std::string selectedFolder() const = 0;  // empty: none
    // The file list of the folder shown.
    virtual void clearFiles() = 0;
    virtual void addFileRow(const std::string& key, const std::string& name, const std::string& size,
                            const std::string& date) = 0;
    virtual std::string selectedFile() const = 0;  // empty: none
    // Opens the row's name for editing; the window calls EditEnded once the
    // editor has let go of the row.
    virtual void beginRename(const std::string& key, bool folder) = 0;
    virtual std::string volumeText() const = 0;
    virtual void setVolumeText(const std::string& text) = 0;
    // Filling a list raises no change of choice.
    virtual void fillChoices(Choice list, const std::vector<ChoiceEntry>& entries, int current) = 0;
    virtual int chosenNumber(Choice list) const = 0;  // -1: nothing chosen
    virtual bool optionChecked(WriteOption option) const = 0;
    virtual void setOptionChecked(WriteOption option, bool on) = 0;
    virtual void setOptionEnabled(WriteOption option, bool on) = 0;
    // Every control that composes or starts a write, the menus among them;
    // Cancel is enabled the other way round, the pointer busy while not.
    virtual void setComposing(bool enabled) = 0;
    virtual void setBusyPointer(bool busy) = 0;
    // Lets the window repaint while a large folder is being added.
    virtual void letEventsRun() = 0;
    virtual void setStatus(int panel, const std::string& text) = 0;  // 0 state, 1 files, 2 folders
    virtual void setProgress(int percent) = 0;
    // The erase window over the chosen writer, modally.
    virtual void showEraseWindow(DiscDevice& device, DiscEngine& engine) = 0;
    virtual void closeWindow() = 0;
};

class DiscWriteWindowLogic : private DiscEvents, private DiscImageEvents {
public:
    DiscWriteWindowLogic(DiscEngine& engine, platform::Dialogs& dialogs, DiscWriteWindowView& view, Poster post);
    ~DiscWriteWindowLogic() override;
    DiscWriteWindowLogic(const DiscWriteWindowLogic&) = delete;
    DiscWriteWindowLogic& operator=(const DiscWriteWindowLogic&) = delete;

    // The window's opening; false when the engine could not start. A backup
    // run hands over the file it has just written as `pendingName`/`pendingPath`.
    bool Form_Load(const std::string& pendingName = {}, const std::string& pendingPath = {});
    bool ready() const { return ready_; }
    bool mayClose() const { return ready_; }
    DiscEngine& engine() { return engine_; }

    void cboDevices_Click();
    void cmdWriteDisc_Click();
    void cmdCancel_Click();
    void chkUseFileDates_Click();
    void txtVolIdentifier_Change();
    void tvwFolders_Click();
    void RefreshFileList();
    void ShowImageSize();
    // Files and folders dropped from the desktop, as host paths.
    void DropPaths(const std::vector<std::string>& paths);
    void FileMenu(FileCommand command);
    void DeviceMenu(DeviceCommand command);
    void EditEnded(const std::string& key, const std::string& newName, bool folder);

private:
    void FillDevices();
    void FillWriteSpeeds();
    bool CheckFreeSpace();
    void EnableControls(bool enabled);
    void ResetToRoot();
    void ShowFolder(const std::string& imagePath);
    void RemoveSelected(bool folder);
    void RenameSelected(bool folder);
    void status(const std::string& text) { view_.setStatus(0, text); }
    void say(const std::string& text, platform::Icon icon) { dialogs_.message(text, icon); }

    // Engine events, on the window's thread through the relay.
    void writeState(int state, int progress) override;
    void verifyStart(long count) override;
    void verifyFile(const VerifiedFile& file, int result, long position, long total) override;
    void verifyComplete(long checked, long matched) override;
    bool fileWarning(const FileRecord& record) override;
    void trackReading(int track, long value, const std::string& text) override;
    void writeError(const ErrorRecord& error) override;

    // Image events, raised before the image call returns.
    void itemAdded(const ImageItem& item) override;
    void fileListed(const ImageItem& item) override;
    void itemRenamed(const ImageItem& item) override;
    void itemRemoved(const ImageItem& item) override;
    bool replaceFile(const ImageItem& existing, const std::string& newSource) override;
    void imageCleared() override;

    DiscEngine& engine_;
    platform::Dialogs& dialogs_;
    DiscWriteWindowView& view_;
    PostedDiscEvents relay_;
    DiscDevice* device_ = nullptr;
    bool ready_ = true;
};

}  // namespace disc
