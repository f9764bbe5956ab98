#pragma once
// Message sizes as a real mailbox has them: log-normal around a median of
// 8 KB with a tail to several megabytes, the large ones mostly carrying an
// attachment; and the short notes that fill a mailbox by count.

#include <cstdint>
#include <vector>

#include "MessageText.h"
#include "Random.h"

namespace sample {

// One message of the realistic profile; about a third carry an attachment.
MessageShape drawRealisticShape(Rng& rng);
// A short text-only note, a few hundred bytes to 2 KB with its headers.
MessageShape drawSmallShape(Rng& rng);

// Realistic shapes until their sizes add up to `budget` (the last one
// trimmed to fit), and at least `atLeast` of them.
std::vector<MessageShape> planShapes(Rng& rng, std::uint64_t budget, std::size_t atLeast);
// Exactly `count` realistic shapes.
std::vector<MessageShape> drawShapes(Rng& rng, std::uint64_t count);

}  // namespace sample
