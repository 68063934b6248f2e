#pragma once

#include <QImage>
#include <QString>

namespace orvane {

// Names of the images compiled into the kit (ticked and empty check box, 20 x 20).
inline const QString kTickBoxImage = QStringLiteral("tick-box-20");
inline const QString kUncheckedBoxImage = QStringLiteral("empty-box-20");

// The kit's own image `name` (":/orvane/images/<name>.png"); a null image when there is none.
QImage kitImage(const QString& name);

} // namespace orvane
