// GetINI on any record bytes: record keys a restore asks for, and the key
// of the record's own first line, always read (the file exists) and a
// value never spans a line.

#include <string>

#include "FuzzSupport.h"
#include "backup/InformationRecord.h"

namespace {

// The first and last key a backup writes, an item's key, and the empty key.
constexpr const char* kKeys[] = {"BackupComputer", "BackupItem", "BackupContacts", ""};

void check(const std::string& key, const std::string& record) {
    auto value = backup::GetINI(key, record);
    FUZZ_CHECK(value.has_value(), "key \"" + key + "\": an existing record did not read");
    FUZZ_CHECK(value->find('\n') == std::string::npos, "key \"" + key + "\": " + *value);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const auto record = (fuzz::Scratch() / backup::kInfoRecordName).string();
    fuzz::WriteBytes(record, bytes);
    for (const char* key : kKeys) check(key, record);
    check(bytes.substr(0, bytes.find_first_of("=\r\n")), record);
    return 0;
}
