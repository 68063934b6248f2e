#pragma once

#include <QString>

class QImage;
class QWidget;

namespace orvane {

// Renders `widget` (and its children, alerts and overlays included, since they live inside the
// window) with QWidget::grab() and writes it as PNG to `path`, creating missing folders. False
// when the widget is null, renders empty, or the file cannot be written. Main thread only.
bool grabToPng(QWidget* widget, const QString& path);

// True when every pixel of `image` has the same colour (or the image is null): a blank render.
bool isUniformImage(const QImage& image);

} // namespace orvane
