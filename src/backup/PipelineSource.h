#pragma once
// libzip sources whose bytes are already deflated (and, with a password,
// encrypted) by the program: libzip writes them as they come, so
// compression runs on every core and encryption outside zip_close.

#include <zip.h>

#include <string>

#include "backup/DeflatePipeline.h"
#include "backup/WinZipAes.h"

namespace backup {

// The member's pieces come from `pipeline`, whose next member is this one
// (libzip reads its sources in entry order). With a non-empty password the
// member is WinZip AES-256, and `written` receives its authentication code
// and keys once the member is written. Null, with the archive's error set, on failure.
zip_source_t* MakePipelineSource(zip_t* za, DeflatePipeline& pipeline, const PipelineFile& planned,
                                 const std::string& password, WrittenAes* written = nullptr);

// A file kept uncompressed (a folder archive) as stored deflate blocks,
// encrypted with the non-empty password; `why` receives the reason when the
// file cannot be read.
zip_source_t* MakeStoredFileSource(zip_t* za, const PipelineFile& planned, const std::string& password,
                                   WrittenAes* written, std::string* why);

}  // namespace backup
