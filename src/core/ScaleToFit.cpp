#include "core/ScaleToFit.h"

#include <algorithm>
#include <cmath>

namespace orvane {

namespace {
// Products like 0.6 * 100 land a hair above the integer in binary floating point; without this
// slack ceil() would turn an exact 0.6 into 0.61.
constexpr double kSlack = 1e-9;

int scaledSide(int side, double factor) {
    return std::max(1, static_cast<int>(std::ceil(side * factor - 1e-6)));
}
} // namespace

QImage scaleToFit(const QImage& image, const QSizeF& size) {
    if (image.isNull()) {
        return image;
    }
    const double factor = std::max(size.width() / image.width(), size.height() / image.height());
    if (!(factor > 0.0) || factor >= 1.0) { // also rejects NaN
        return image;
    }
    const double rounded = std::ceil(factor * 100.0 - kSlack) / 100.0;
    if (rounded >= 1.0) {
        return image;
    }
    return image.scaled(scaledSide(image.width(), rounded), scaledSide(image.height(), rounded),
                        Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

} // namespace orvane
