#include "core/KitResources.h"

#include "core/Log.h"

namespace orvane {

QImage kitImage(const QString& name) {
    QImage image(QStringLiteral(":/orvane/images/%1.png").arg(name));
    if (image.isNull()) {
        Log::error("kitImage : no image named", name);
    }
    return image;
}

} // namespace orvane
