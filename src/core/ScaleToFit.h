#pragma once

#include <QImage>
#include <QSizeF>

namespace orvane {

// Down-scales `image` so that it just covers `size`: the factor is the larger of the two ratios
// target/image, raised to the next hundredth (0.3333 -> 0.34), and both sides are multiplied by
// it. Images are never enlarged: when the factor is 1 or more, or cannot be computed (a null
// image, a target with no positive side), the same image (same cacheKey()) is returned.
// Examples: 1000x500 into 300x300 -> 600x300; into 250x100 -> 250x125.
// Transparency is kept, so icons with alpha do not gain a black background. Thread-safe.
QImage scaleToFit(const QImage& image, const QSizeF& size);

} // namespace orvane
