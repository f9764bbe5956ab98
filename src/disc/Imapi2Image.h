#pragma once
// The data image as IMAPI2FS composes it, and the read-back of a written
// disc through the volume Windows mounts it on.

#include "disc/DiscEngine.h"
#include "disc/Imapi2Dispatch.h"

#include <atomic>
#include <string>

namespace disc {

struct Imapi2ImageOptions {
    std::string volumeId;
    int volumeType = 7;  // the program's codes are IMAPI2FS's FsiFileSystems masks
    bool useFileDates = true;
};

// The composed IFileSystemImageResult, sized for the medium in `recorder`
// when one is given. Empty with *hr set when IMAPI2FS is missing; empty with
// *error filled when the image cannot be composed.
imapi2::Object ComposeImapi2Image(const imapi2::ObjectFactory& factory, const DiscImage& image,
                                  const Imapi2ImageOptions& options, IDispatch* recorder, ErrorRecord* error,
                                  HRESULT* hr);

// Compares every file of the image with its copy below `volume` ("E:\"), or
// reports each one skipped when there is no volume. True when none differs.
bool VerifyOnVolume(const std::wstring& volume, const DiscImage& image, DiscEvents& events,
                    const std::atomic<bool>& abort, long* checked, long* matched);

}  // namespace disc
