#pragma once
// The disc engine over Windows' own disc writing service, IMAPI2 (drives,
// media, writing, erasing) and IMAPI2FS (the file system image).

#include "disc/DiscEngine.h"

#include <functional>
#include <memory>

struct IDispatch;

namespace disc {

// Makes an automation object of a ProgID ("IMAPI2.MsftDiscMaster2", ...);
// returns an HRESULT.
using Imapi2ObjectFactory = std::function<long(const wchar_t* progId, IDispatch** out)>;

std::unique_ptr<DiscEngine> CreateImapi2Engine();
// The same over objects from elsewhere (the tests' stand-ins).
std::unique_ptr<DiscEngine> CreateImapi2Engine(Imapi2ObjectFactory factory);

// The image size when IMAPI2FS cannot compose the image: each file rounded
// up to whole blocks, plus directory records and the volume's descriptors.
double EstimateImageSize(const DiscImage& image, int volumeType);

}  // namespace disc
