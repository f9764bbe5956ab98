#include "MessageShapes.h"

#include <algorithm>
#include <cmath>

namespace sample {

namespace {

constexpr double kMedianBytes = 8192;
constexpr double kSigma = 1.6;  // puts the mean near 29 KB and one in a few thousand above 2 MB
constexpr std::uint64_t kMinBytes = 600;
constexpr std::uint64_t kMaxBytes = 8 << 20;
// With half a standard deviation of noise on the size's own deviate, this
// threshold gives a third of the messages an attachment, most of them the
// large ones, a few small ones too.
constexpr double kAttachmentNoise = 0.5;
constexpr double kAttachmentThreshold = 0.4815;
// The sum of uniforms below has thinner tails than a true normal; the files
// of a megabyte or more that real mailboxes hold come from their own draw.
constexpr std::uint32_t kLargeOneIn = 400;
constexpr double kLargeFrom = 1 << 20;

// A standard normal deviate as the sum of twelve uniforms (Irwin-Hall): exact
// integer arithmetic, so the same seed gives the same sizes everywhere.
double standardNormal(Rng& rng) {
    std::uint64_t sum = 0;
    for (int i = 0; i < 12; ++i) sum += rng.next32();
    return static_cast<double>(sum) / 4294967296.0 - 6.0;
}

}  // namespace

MessageShape drawRealisticShape(Rng& rng) {
    if (rng.below(kLargeOneIn) == 0) {
        double spread = std::log(static_cast<double>(kMaxBytes) / kLargeFrom);
        double bytes = kLargeFrom * std::exp(spread * rng.next32() / 4294967296.0);
        return {static_cast<std::uint64_t>(bytes), true};
    }
    double z = standardNormal(rng);
    double noise = standardNormal(rng);
    MessageShape shape;
    shape.attachment = z + kAttachmentNoise * noise > kAttachmentThreshold;
    auto bytes = static_cast<std::uint64_t>(kMedianBytes * std::exp(kSigma * z));
    shape.bytes = std::clamp(bytes, kMinBytes, kMaxBytes);
    return shape;
}

MessageShape drawSmallShape(Rng& rng) {
    return {250 + rng.below(1700), false};
}

std::vector<MessageShape> planShapes(Rng& rng, std::uint64_t budget, std::size_t atLeast) {
    std::vector<MessageShape> shapes;
    std::uint64_t sum = 0;
    while (sum < budget || shapes.size() < atLeast) {
        MessageShape shape = drawRealisticShape(rng);
        if (sum < budget && sum + shape.bytes > budget) shape.bytes = std::max(budget - sum, kMinBytes);
        sum += shape.bytes;
        shapes.push_back(shape);
    }
    return shapes;
}

std::vector<MessageShape> drawShapes(Rng& rng, std::uint64_t count) {
    std::vector<MessageShape> shapes;
    shapes.reserve(count);
    for (std::uint64_t i = 0; i < count; ++i) shapes.push_back(drawRealisticShape(rng));
    return shapes;
}

}  // namespace sample
