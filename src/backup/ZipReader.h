#pragma once
// Internal to the zip component: an archive opened for reading.

#include <zip.h>

#include "backup/ZipComponent.h"

namespace backup {

struct ZipComponent::Reader {
    explicit Reader(zip_t* archive) : za(archive) {}
    ~Reader() { zip_discard(za); }
    Reader(const Reader&) = delete;
    Reader& operator=(const Reader&) = delete;
    zip_t* za;
};

}  // namespace backup
