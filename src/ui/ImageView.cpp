#include "ui/ImageView.h"

#include <algorithm>

#include <QPainter>
#include <QPainterPath>

namespace orvane {

ImageView::ImageView(QWidget* parent)
    : QWidget(parent) {}

void ImageView::setImage(const QImage& image) {
    m_image = image;
    update();
    Q_EMIT imageChanged();
}

void ImageView::clearImage() {
    if (m_image.isNull())
        return;
    m_image = QImage();
    update();
    Q_EMIT imageChanged();
}

void ImageView::setContentMode(ContentMode mode) {
    m_mode = mode;
    update();
}

void ImageView::setCornerRadius(qreal radius) {
    m_cornerRadius = std::max<qreal>(0, radius);
    update();
}

void ImageView::setPlaceholder(const QImage& placeholder) {
    m_placeholder = placeholder;
    update();
}

void ImageView::setBackgroundColor(const QColor& color) {
    m_background = color;
    update();
}

QRectF ImageView::targetRect(const QSizeF& viewSize, const QSizeF& imageSize, ContentMode mode) {
    const QRectF bounds(QPointF(0, 0), viewSize);
    if (imageSize.isEmpty() || viewSize.isEmpty() || mode == ContentMode::ScaleToFill)
        return bounds;
    const qreal sx = viewSize.width() / imageSize.width();
    const qreal sy = viewSize.height() / imageSize.height();
    const qreal scale = mode == ContentMode::AspectFit ? std::min(sx, sy) : std::max(sx, sy);
    QRectF r(QPointF(0, 0), imageSize * scale);
    r.moveCenter(bounds.center());
    return r;
}

QSize ImageView::sizeHint() const {
    if (!m_image.isNull())
        return m_image.size() / std::max<qreal>(1, m_image.devicePixelRatio());
    return {40, 40};
}

void ImageView::paintEvent(QPaintEvent*) {
    const QImage& shown = m_image.isNull() ? m_placeholder : m_image;
    if (shown.isNull() && !m_background.isValid())
        return;
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    const QRectF bounds = rect();
    if (m_cornerRadius > 0) {
        QPainterPath clip;
        clip.addRoundedRect(bounds, m_cornerRadius, m_cornerRadius);
        p.setClipPath(clip);
    } else {
        p.setClipRect(bounds);
    }
    if (m_background.isValid())
        p.fillRect(bounds, m_background);
    if (!shown.isNull()) {
        const QSizeF logical = QSizeF(shown.size()) / std::max<qreal>(1, shown.devicePixelRatio());
        p.drawImage(targetRect(bounds.size(), logical, m_mode), shown);
    }
}

} // namespace orvane
