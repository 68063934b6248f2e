#include "screens/inquiry/ScreenshotLimits.h"

#include <QBuffer>
#include <QImage>

namespace orvane {

QByteArray screenshotJpeg(const QImage& image) {
    QByteArray bytes;
    if (image.isNull())
        return bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "JPEG", 70))
        bytes.clear();
    return bytes;
}

} // namespace orvane
