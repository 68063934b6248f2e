#include "ui/Snapshot.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QPixmap>
#include <QWidget>

#include "core/Log.h"

namespace orvane {

bool grabToPng(QWidget* widget, const QString& path) {
    if (!widget) {
        Log::error("grabToPng: no widget for", path);
        return false;
    }
    const QPixmap pixmap = widget->grab();
    if (pixmap.isNull()) {
        Log::error("grabToPng: empty render for", path);
        return false;
    }
    if (!QDir().mkpath(QFileInfo(path).absolutePath()) || !pixmap.save(path, "PNG")) {
        Log::error("grabToPng: cannot write", path);
        return false;
    }
    return true;
}

bool isUniformImage(const QImage& image) {
    if (image.isNull())
        return true;
    const QImage img = image.convertToFormat(QImage::Format_ARGB32);
    const QRgb first = img.pixel(0, 0);
    for (int y = 0; y < img.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(img.constScanLine(y));
        for (int x = 0; x < img.width(); ++x) {
            if (line[x] != first)
                return false;
        }
    }
    return true;
}

} // namespace orvane
