#include "core/ScreenshotLimits.h"

#include <QBuffer>
#include <QImage>
#include <QImageReader>

#include "core/Log.h"

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

QList<QImage> readPickedImages(const QStringList& files) {
    QList<QImage> images;
    for (const QString& file : files) {
        QImageReader reader(file);
        reader.setAutoTransform(true);
        QImage image = reader.read();
        if (image.isNull()) {
            Log::error("ImagePicker pick : unreadable image", file, reader.errorString());
            continue;
        }
        images << image;
    }
    return images;
}

} // namespace orvane
