#pragma once
// The contents of the profile's files other than messages: account files,
// calendars, database and log files, stationery, the program's placeholder.

#include <cstdint>
#include <string>

#include "Accounts.h"
#include "OutputTree.h"
#include "Random.h"
#include "Text.h"

namespace sample {

// account{GUID}.oeaccount of a mail or news account: XML in UTF-16LE with a BOM.
std::string accountFile(const Account& account, const std::string& user);
// The same for directory (LDAP) account number `which` (0 or 1).
std::string directoryAccountFile(int which);
// One calendar (.ics) with a few events.
std::string calendarFile(Rng& rng, TextFiller& filler, const std::string& calendarName);

// A database or transaction log: `pageSize` pages of records with text
// fields and free space, like the client's ESE files; `bytes` rounded up to pages.
void writeDatabase(OutputTree& tree, const std::string& relativePath, std::uint64_t bytes,
                   std::uint32_t pageSize, TextFiller& filler, Rng& rng);

std::string jpegImage(TextFiller& filler, std::size_t bytes);
std::string stationeryPage(const std::string& title, const std::string& image, TextFiller& filler);
std::string programPlaceholder();

}  // namespace sample
