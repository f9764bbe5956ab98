#include "disc/DiscWriteWindow.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>

#include "disc/DiscTexts.h"
#include "platform/FsPath.h"
#include "platform/HostPath.h"

namespace disc {

using platform::Icon;

DiscWriteWindowLogic::DiscWriteWindowLogic(DiscEngine& engine, platform::Dialogs& dialogs, DiscWriteWindowView& view,
                                           Poster post)
    : engine_(engine), dialogs_(dialogs), view_(view), relay_(*this, std::move(post)) {
    engine_.setEvents(&relay_);
    engine_.Image().setEvents(this);
}

DiscWriteWindowLogic::~DiscWriteWindowLogic() {
    relay_.release();
    engine_.AbortWrite();
    engine_.Wait();
    engine_.setEvents(nullptr);
    engine_.Image().setEvents(nullptr);
}

bool DiscWriteWindowLogic::Form_Load(const std::string& pendingName, const std::string& pendingPath) {
    if (!engine_.InitializeDevices(false)) {
        say("Devices Cannot be initialized...Contact support!", Icon::None);
        return false;
    }
    for (const auto& row : kWriteOptions) view_.setOptionChecked(row.option, row.checkedAtStart);
    FillDevices();
    EnableControls(true);
    engine_.Image().Clear();
    std::vector<ChoiceEntry> types;
    for (const auto& [text, code] : kVolumeTypes) types.emplace_back(text, code);
    view_.fillChoices(Choice::VolumeType, types, kDefaultVolumeType);
    WriteSettings& s = engine_.Settings();
    s.VolumeType = view_.chosenNumber(Choice::VolumeType);
    s.InitialSetting = 1;
    s.UseFileDates = true;
    ResetToRoot();
    view_.setVolumeText(kBackupDiscName);
    txtVolIdentifier_Change();
    if (!pendingName.empty() && !pendingPath.empty()) {
        engine_.Image().AddFile(pendingPath, ChildImagePath(kRootKey, pendingName));
        RefreshFileList();
    }
    return true;
}

void DiscWriteWindowLogic::FillDevices() {
    std::vector<ChoiceEntry> writers;
    for (int i = 0; i < engine_.DeviceCount(); ++i) {
        DiscDevice* device = engine_.Device(i);
        if (device && device->IsWriter()) writers.emplace_back(device->Name(), i);
    }
    view_.fillChoices(Choice::Devices, writers, writers.empty() ? -1 : 0);
    std::string problems;
    for (const auto& p : engine_.DeviceProblems()) problems += (problems.empty() ? "" : "\r\n") + p;
    if (!problems.empty()) say(problems, Icon::Information);
    if (writers.empty()) {
        say(kNoDevicesMessage, Icon::Information);
        return;
    }
    cboDevices_Click();
}

void DiscWriteWindowLogic::cboDevices_Click() {
    const int number = view_.chosenNumber(Choice::Devices);
    if (number < 0) return;
    device_ = engine_.Device(number);
    if (!device_) return;
    FillWriteSpeeds();
    const bool protect = device_->SupportsCapability(kBufferProtection);
    view_.setOptionEnabled(WriteOption::BufferProtect, protect);
    view_.setOptionChecked(WriteOption::BufferProtect, protect);
}

void DiscWriteWindowLogic::FillWriteSpeeds() {
    device_->RefreshMedia(false);
    std::vector<ChoiceEntry> speeds;
    for (int i = 0; i < device_->WriteSpeedCount(); ++i) {
        const int speed = device_->WriteSpeed(i);
        speeds.emplace_back(FormatSpeedMultiplier(device_->SpeedMultiplier(speed)), speed);
    }
    if (speeds.empty()) speeds.emplace_back("MAX", 0);
    view_.fillChoices(Choice::WriteSpeed, speeds, 0);
}

bool DiscWriteWindowLogic::CheckFreeSpace() {
    device_->RefreshMedia(true);
    const DiscMedia media = device_->Media();
    if (media.MediaType == kNoMedia || !media.IsWritable) {
        say("Please Insert Writable Media before continuing!", Icon::Information);
        return false;
    }
    const double freeBytes = static_cast<double>(device_->FreeBlocks(true)) * engine_.BlockSize();
    const std::string shortage = FreeSpaceShortage(freeBytes, engine_.ImageSize());
    if (!shortage.empty()) say(shortage, Icon::Information);
    return shortage.empty();
}

void DiscWriteWindowLogic::cmdWriteDisc_Click() {
    if (!device_) {
        say(kNoDevicesMessage, Icon::Information);
        return;
    }
    if (!CheckFreeSpace()) return;
    engine_.VolumeIdentifier() = view_.volumeText();
    WriteSettings& s = engine_.Settings();
    s.WriteControl = 1;
    s.WriteSpeed = std::max(0, view_.chosenNumber(Choice::WriteSpeed));
    s.VolumeType = view_.chosenNumber(Choice::VolumeType);
    s.AutoVerify = view_.optionChecked(WriteOption::AutoVerify);
    s.Mode2XA = view_.optionChecked(WriteOption::Mode2XA);
    s.CacheImage = view_.optionChecked(WriteOption::CacheImage);
    s.TestWrite = view_.optionChecked(WriteOption::TestWrite);
    s.FinalizeDisc = view_.optionChecked(WriteOption::FinalizeDisc);
    s.BufferProtect = view_.optionChecked(WriteOption::BufferProtect);
    s.WriteMode = view_.optionChecked(WriteOption::DiscAtOnce) ? 248 : 2;
    if (!engine_.StartWrite(device_)) {
        say("Disc Write could not be started.", Icon::Critical);
        return;
    }
    EnableControls(false);
}

void DiscWriteWindowLogic::cmdCancel_Click() {
    engine_.AbortWrite();
    status("Aborting Write...Please Wait!");
}

void DiscWriteWindowLogic::chkUseFileDates_Click() {
    engine_.Settings().UseFileDates = view_.optionChecked(WriteOption::UseFileDates);
}

void DiscWriteWindowLogic::txtVolIdentifier_Change() { view_.setFolderText(kRootKey, view_.volumeText()); }

void DiscWriteWindowLogic::EnableControls(bool enabled) {
    view_.setComposing(enabled);
    view_.setOptionEnabled(WriteOption::BufferProtect,
                           enabled && device_ && device_->SupportsCapability(kBufferProtection));
    ready_ = enabled;
    view_.setBusyPointer(!enabled);
    view_.letEventsRun();
}

void DiscWriteWindowLogic::ShowImageSize() {
    status("Data Image Size: " + FormatMegabytes(engine_.ImageSize()));
    view_.setStatus(1, "Files: " + std::to_string(engine_.Image().FileCount()));
    view_.setStatus(2, "Folders: " + std::to_string(engine_.Image().FolderCount()));
}

void DiscWriteWindowLogic::ResetToRoot() {
    view_.clearFiles();
    view_.clearFolders();
    view_.addFolderNode("", kRootKey, kNewDiscName);
    view_.setVolumeText(kNewDiscName);
    engine_.VolumeIdentifier() = kNewDiscName;
    ShowImageSize();
}

void DiscWriteWindowLogic::ShowFolder(const std::string& imagePath) {
    view_.setBusyPointer(true);
    view_.clearFiles();
    engine_.Image().ListFolder(imagePath);
    if (ready_) view_.setBusyPointer(false);
}

void DiscWriteWindowLogic::tvwFolders_Click() {
    const std::string folder = view_.selectedFolder();
    if (!folder.empty()) ShowFolder(folder);
}

void DiscWriteWindowLogic::RefreshFileList() {
    std::string folder = view_.selectedFolder();
    if (folder.empty()) folder = kRootKey;
    ShowFolder(folder);
    view_.expandFolder(folder);
    ShowImageSize();
}

void DiscWriteWindowLogic::DropPaths(const std::vector<std::string>& paths) {
    view_.setBusyPointer(true);
    std::string target = view_.selectedFolder();
    if (target.empty()) target = kRootKey;
    for (const std::string& path : paths) {
        const std::string name = platform::bareName(path);
        const std::string imagePath = ChildImagePath(target, name);
        std::error_code ec;
        if (std::filesystem::is_directory(platform::fsPath(path), ec)) engine_.Image().AddFolder(path + "\\*.*", imagePath);
        else engine_.Image().AddFile(path, imagePath);
    }
    RefreshFileList();
    view_.setBusyPointer(!ready_);
}

void DiscWriteWindowLogic::RemoveSelected(bool folder) {
    const std::string key = folder ? view_.selectedFolder() : view_.selectedFile();
    if (key.empty()) {
        say("No Item Selected.", Icon::Information);
        return;
    }
    if (!engine_.Image().RemoveItem(key)) say("Item could not be removed.", Icon::Information);
    RefreshFileList();
}

void DiscWriteWindowLogic::RenameSelected(bool folder) {
    const std::string key = folder ? view_.selectedFolder() : view_.selectedFile();
    if (key.empty()) {
        say("No Item Selected.", Icon::Information);
        return;
    }
    if (folder && key == kRootKey) {
        say("Root directory can not be renamed.", Icon::Information);
        return;
    }
    view_.beginRename(key, folder);
}

void DiscWriteWindowLogic::EditEnded(const std::string& key, const std::string& newName, bool folder) {
    const std::string oldName = key.substr(key.rfind('\\') + 1);
    const bool renamed = newName == oldName ||
                         (folder ? engine_.Image().RenameFolder(key, newName) : engine_.Image().RenameFile(key, newName));
    if (!renamed) {
        say(folder ? "Folder could not be renamed." : "File could not be renamed.", Icon::Information);
        if (folder) view_.setFolderText(key, oldName);  // the tree shows the name the image still has
    }
    RefreshFileList();
}

void DiscWriteWindowLogic::FileMenu(FileCommand command) {
    switch (command) {
        case FileCommand::ClearAll: engine_.Image().Clear(); break;
        case FileCommand::RemoveFolder: RemoveSelected(true); break;
        case FileCommand::RenameFolder: RenameSelected(true); break;
        case FileCommand::RemoveFile: RemoveSelected(false); break;
        case FileCommand::RenameFile: RenameSelected(false); break;
        case FileCommand::Exit: view_.closeWindow(); break;
        case FileCommand::Separator: break;
    }
}

void DiscWriteWindowLogic::DeviceMenu(DeviceCommand command) {
    if (!device_) return;
    switch (command) {
        case DeviceCommand::Eject: device_->Eject(); break;
        case DeviceCommand::CloseTray: device_->CloseTray(); break;
        case DeviceCommand::Erase:
            view_.showEraseWindow(*device_, engine_);
            engine_.setEvents(&relay_);  // the erase window borrowed the engine's events
            break;
    }
}

void DiscWriteWindowLogic::itemAdded(const ImageItem& item) {
    if (item.isFolder) {
        view_.addFolderNode(item.parent, item.imagePath, item.name);
        status("Adding...." + item.imagePath);
    }
    view_.letEventsRun();
}

void DiscWriteWindowLogic::fileListed(const ImageItem& item) {
    if (!item.isFolder) view_.addFileRow(item.imagePath, item.name, FormatKilobytes(item.size), FormatListDate(item.date));
}

void DiscWriteWindowLogic::itemRenamed(const ImageItem& item) {
    if (item.isFolder) view_.rekeyFolderNode(item.previousPath, item.imagePath, item.name);
}

void DiscWriteWindowLogic::itemRemoved(const ImageItem& item) {
    if (item.isFolder) view_.removeFolderNode(item.imagePath);
}

bool DiscWriteWindowLogic::replaceFile(const ImageItem& existing, const std::string& newSource) {
    const std::string question = "A file already exists in the image: \r\n" + existing.imagePath +
                                 "\r\nWould you like to replace it with: \r\n" + newSource + " ?";
    return dialogs_.message(question, Icon::Question, platform::Buttons::OkCancel, "Replace file...") ==
           platform::Answer::Ok;
}

void DiscWriteWindowLogic::imageCleared() { ResetToRoot(); }

void DiscWriteWindowLogic::writeState(int state, int progress) {
    switch (state) {
        case kPreparingImage: status("Preparing Image...."); break;
        case kWritingPregap:
        case kWritingData:
        case kFlushingData: view_.setProgress(progress); break;
        case kClosingTrack: status("Closing Track...."); break;
        case kWritingLeadIn: status("Writing Lead-in...."); break;
        case kWritingLeadOut: status("Writing Lead-out...."); break;
        case kUpdatingVolume: status("Updating Volume...."); break;
        case kWriteCompleted:
            status("Write Completed!");
            say(engine_.Settings().AutoVerify ? "Write and Verify Complete!" : "Write Complete!", Icon::Information);
            EnableControls(true);
            break;
        case kWriteCancelled:
            status("Write Cancelled....");
            say("Write Cancelled!", Icon::Information);
            EnableControls(true);
            break;
        case kWriteFailed:
            status("Write Error!");
            EnableControls(true);
            break;
        default: break;
    }
}

void DiscWriteWindowLogic::verifyStart(long count) {
    status("Auto-Verify... " + std::to_string(count) + " new files.");
}

void DiscWriteWindowLogic::verifyFile(const VerifiedFile& file, int result, long position, long total) {
    status("Auto-Verify... " + file.discPath);
    const double share = total > 0 ? 100.0 * static_cast<double>(position) / static_cast<double>(total) : 0.0;
    view_.setProgress(static_cast<int>(std::lround(share)));
    const std::string heading = VerifyErrorHeading(result);
    if (!heading.empty()) {
        say(heading + "\r\n" + file.discPath + " (disc)\r\n" + file.sourcePath + " (source)", Icon::None);
    }
}

void DiscWriteWindowLogic::verifyComplete(long checked, long matched) {
    status("Auto-Verify...Complete (" + std::to_string(matched) + " of " + std::to_string(checked) + " MATCHED)");
}

bool DiscWriteWindowLogic::fileWarning(const FileRecord& record) {
    const bool goOn = dialogs_.message("File Warning(" + std::to_string(record.number) + "):" + record.fileName +
                                           "\r\n" + record.description,
                                       Icon::Exclamation, platform::Buttons::OkCancel) == platform::Answer::Ok;
    status("File Warning!");
    return goOn;
}

void DiscWriteWindowLogic::trackReading(int track, long value, const std::string& text) {
    char heading[48];
    std::snprintf(heading, sizeof heading, "Track: %02d - Reading...%ld - ", track, value);
    status(heading + text);
}

void DiscWriteWindowLogic::writeError(const ErrorRecord& error) { say(FormatWriteError(error), Icon::Critical); }

}  // namespace disc
