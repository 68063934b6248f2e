#include "sandbox/Artwork.h"

#include <QBuffer>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace orvane::sandbox {

namespace {
// Segments a..g of a seven-segment digit, as bit masks.
constexpr int kSegments[10] = {0x3F, 0x06, 0x5B, 0x4F, 0x66, 0x6D, 0x7D, 0x07, 0x7F, 0x6F};

void drawDigit(QPainter& painter, int digit, const QRectF& box) {
    const qreal w = box.width();
    const qreal h = box.height();
    const qreal t = w * 0.18; // stroke thickness
    const qreal x = box.x();
    const qreal y = box.y();
    const QRectF segments[7] = {
        {x + t, y, w - 2 * t, t},                           // a: top
        {x + w - t, y + t, t, h / 2 - 1.5 * t},             // b: top right
        {x + w - t, y + h / 2 + t / 2, t, h / 2 - 1.5 * t}, // c: bottom right
        {x + t, y + h - t, w - 2 * t, t},                   // d: bottom
        {x, y + h / 2 + t / 2, t, h / 2 - 1.5 * t},         // e: bottom left
        {x, y + t, t, h / 2 - 1.5 * t},                     // f: top left
        {x + t, y + h / 2 - t / 2, w - 2 * t, t},           // g: middle
    };
    for (int s = 0; s < 7; ++s) {
        if (kSegments[digit] & (1 << s)) {
            painter.drawRoundedRect(segments[s], t / 3, t / 3);
        }
    }
}

void drawNumber(QPainter& painter, qint64 number, const QRectF& area) {
    const QString digits = QString::number(number);
    const qreal gap = area.height() * 0.12;
    const qreal digitWidth =
        qMin(area.height() * 0.55, (area.width() - gap * (digits.size() - 1)) / digits.size());
    const qreal total = digits.size() * digitWidth + (digits.size() - 1) * gap;
    qreal x = area.center().x() - total / 2;
    for (QChar c : digits) {
        drawDigit(painter, c.digitValue(), QRectF(x, area.y(), digitWidth, area.height()));
        x += digitWidth + gap;
    }
}
} // namespace

QByteArray campaignArtwork(qint64 campid, ArtworkKind kind) {
    const QSize size = kind == ArtworkKind::Icon     ? QSize(128, 128)
                       : kind == ArtworkKind::Banner ? QSize(600, 300)
                                                     : QSize(600, 900);
    const int hue = static_cast<int>((campid * 47) % 360);
    const QColor base = QColor::fromHsv(hue, 170, 225);
    const QColor deep = QColor::fromHsv((hue + 30) % 360, 200, 150);

    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient gradient(0, 0, size.width(), size.height());
    gradient.setColorAt(0, base);
    gradient.setColorAt(1, deep);
    painter.setPen(Qt::NoPen);
    painter.setBrush(gradient);
    const qreal radius = kind == ArtworkKind::Icon ? 28 : 0;
    painter.drawRoundedRect(QRectF(QPointF(0, 0), size), radius, radius);

    // A few soft circles, placed by the id, so neighbouring campaigns look different.
    painter.setBrush(QColor(255, 255, 255, 46));
    for (int i = 0; i < 3; ++i) {
        const qreal r = size.height() * (0.18 + 0.09 * ((campid + i) % 3));
        const qreal cx = size.width() * (0.15 + 0.35 * ((campid / (i + 1) + i) % 3));
        const qreal cy = size.height() * (0.2 + 0.3 * ((campid + 2 * i) % 3));
        painter.drawEllipse(QPointF(cx, cy), r, r);
    }

    painter.setBrush(QColor(255, 255, 255, 235));
    if (kind == ArtworkKind::Icon) {
        drawNumber(painter, campid, QRectF(30, 46, 68, 36)); // clear of the rounded edge
    } else {
        const qreal h = size.height() * (kind == ArtworkKind::Banner ? 0.3 : 0.12);
        drawNumber(painter, campid,
                   QRectF(size.width() * 0.1, (size.height() - h) / 2, size.width() * 0.8, h));
    }
    painter.end();

    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

} // namespace orvane::sandbox
