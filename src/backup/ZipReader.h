#pragma once
// Internal to the zip component: an archive opened for reading.

#include <zip.h>

#include "backup/ZipComponent.h"

namespace backup {

struct ZipComponent::Reader {
    explicit Reader(zip_t* archive, zip_t* holder = nullptr) : za(archive), outer(holder) {}
    ~Reader() {
        zip_discard(za);
        if (outer) zip_discard(outer);
    }
    Reader(const Reader&) = delete;
    Reader& operator=(const Reader&) = delete;
    zip_t* za;
    zip_t* outer;  // the archive that holds this one as a stored member, if so
};

}  // namespace backup
