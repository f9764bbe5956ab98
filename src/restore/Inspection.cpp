#include "restore/Inspection.h"

#include <filesystem>

#include "session/MainSession.h"
#include "backup/InformationRecord.h"
#include "platform/AtomicFile.h"
#include "platform/Text.h"
#include "platform/FsPath.h"

namespace restore {

namespace {

// The record keys as the inspection asks for them; matched without regard to case.
const std::array<const char*, items::kItemCount> kInspectionKeys{
    "Backupmailaccountsandmessages", "BackupmailRules", "BackupldapAccounts", "BackupNewsRules",
    "Backupjunkmail", "BackupContacts", "Backupmaildatabase", "Backupsignatures",
    "BackupStationeries", "BackupSettings", "BackupCalendars"};

std::string recordValue(const std::string& key, const std::string& record) {
    return backup::GetINI(key, record).value_or("");
}

bool unlock(session::MainSession& session, RestoreState& state, const std::string& path) {
    if (auto typed = session.services.dialogs.askPassword()) state.RestorePassword = *typed;
    session.Zip1.openArchive(path);
    session.Zip1.setDecryptionPassword(state.RestorePassword);
    if (session.Zip1.verifyPassword() == 1) return true;
    session.services.dialogs.message(kWrongPasswordMessage, platform::Icon::Information);
    return false;
}

void readRecord(session::MainSession& session, RestoreState& state, Inspection* result) {
    const std::string& record = session.InfoRecordPath;
    result->POBinfo = "Computer:" + recordValue("BackupComputer", record) + "\r\nUser:" +
                      recordValue("BackupLogonUser", record) + "\r\nDate:" + recordValue("BackupTime", record);
    result->FileInfo = backup::DecodeDescription(recordValue("BackupInformation", record));
    state.RestoreItemFlags = result->RestoreItemFlags = platform::trimBlanks(recordValue("BackupItem", record));
    if (state.RestoreItemFlags.size() != backup::kItemFlagsLength) {
        session.services.dialogs.message(kInvalidBackupMessage, platform::Icon::Critical);
        state.InvalidBackupFile = true;
        result->outcome = InspectionOutcome::Invalid;
        return;
    }
    for (std::size_t k = 0; k < items::kItemCount; ++k) {
        if (state.RestoreItemFlags[k] != '1') continue;
        result->present[k] = true;
        session.items.RestoreItemMembers[k] = platform::trimBlanks(recordValue(kInspectionKeys[k], record));
    }
    state.InvalidBackupFile = false;
    result->outcome = InspectionOutcome::Valid;
}

}  // namespace

Inspection InspectBackupFile(session::MainSession& session, RestoreState& state, const std::string& typed) {
    Inspection result;
    session.Zip1.closeArchive();
    session.Zip2.closeArchive();
    // Typed as the prefix names it (C:\...) or as the host does, relative or not.
    const std::string path = session.services.env.hostPath(typed);
    if (session.Zip1.isProtected(path) == 1) {
        if (!unlock(session, state, path)) {
            session.Zip1.closeArchive();
            result.outcome = InspectionOutcome::WrongPassword;
            return result;
        }
    } else {
        session.Zip1.openArchive(path);
    }
    state.RestoreSourceFile = session.services.env.fullPath(typed);
    session.InfoRecordPath = session.items.InfoRecordPath = session::InfoRecordPathFor(session.services.env);
    // An older record must never stand in for a backup that holds none.
    std::error_code ec;
    std::filesystem::remove(platform::fsPath(session.InfoRecordPath), ec);
    // Read whole into memory, so only a record of sensible size is read at all.
    auto member = session.Zip1.findMember(backup::kInfoRecordName);
    auto record = member ? session.Zip1.readSmallMember(*member, backup::kInfoRecordLimit) : std::nullopt;
    if (record) platform::writeFileAtomically(session.InfoRecordPath, *record);
    readRecord(session, state, &result);
    return result;
}

}  // namespace restore
