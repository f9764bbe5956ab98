#pragma once
// A libzip source whose bytes are already deflated (and, with a password,
// encrypted) by the program: libzip writes them as they come, so
// compression and encryption run on every core instead of inside zip_close.

#include <zip.h>

#include <string>

#include "backup/DeflatePipeline.h"

namespace backup {

// The member's pieces come from `pipeline`, whose next member is this one
// (libzip reads its sources in entry order). With a non-empty password the
// member is WinZip AES-256. Null, with the archive's error set, on failure.
zip_source_t* MakePipelineSource(zip_t* za, DeflatePipeline& pipeline, const PipelineFile& planned,
                                 const std::string& password);

}  // namespace backup
