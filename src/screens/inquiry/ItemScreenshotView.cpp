#include "screens/inquiry/ItemScreenshotView.h"

#include <QPainter>

#include "ui/ImageView.h"
#include "ui/Storyboard.h"

namespace orvane {

namespace {

// A dark disc with a white cross, drawn at twice its size for sharp edges.
QImage deleteGlyph() {
    constexpr int side = ItemScreenshotView::kDeleteIconSize * 2;
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::white, 3));
    p.setBrush(QColor(40, 40, 44, 220));
    p.drawEllipse(QRectF(2, 2, side - 4, side - 4));
    p.setPen(QPen(Qt::white, 4, Qt::SolidLine, Qt::RoundCap));
    const qreal a = side * 0.34;
    const qreal b = side * 0.66;
    p.drawLine(QPointF(a, a), QPointF(b, b));
    p.drawLine(QPointF(a, b), QPointF(b, a));
    p.end();
    image.setDevicePixelRatio(2);
    return image;
}

} // namespace

ItemScreenshotView::ItemScreenshotView(const QRect& frame, QWidget* parent)
    : QWidget(parent)
    , m_contents(new QWidget(this)) {
    setObjectName(kViewIdentifier);
    setGeometry(frame);
    m_contents->setObjectName(QStringLiteral("contents"));
    iv_screenshot = new ImageView(m_contents);
    iv_screenshot->setObjectName(QStringLiteral("iv_screenshot"));
    iv_screenshot->setContentMode(ContentMode::AspectFill);
    iv_screenshot->setCornerRadius(8);
    iv_screenshot->setBackgroundColor(QColor(242, 242, 247));
    iv_screenshot_delete = new ImageView(m_contents);
    iv_screenshot_delete->setObjectName(QStringLiteral("iv_screenshot_delete"));
    iv_screenshot_delete->setImage(deleteGlyph());
    iv_screenshot_delete->setCursor(Qt::PointingHandCursor);
    layoutContents();
}

void ItemScreenshotView::registerView() {
    Storyboard::registerView(kViewIdentifier, [](QWidget* parent) -> QWidget* {
        return new ItemScreenshotView(QRect(), parent);
    });
}

void ItemScreenshotView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    layoutContents();
}

// The thumbnail leaves room above and to the right for the icon, which overlaps its corner.
void ItemScreenshotView::layoutContents() {
    m_contents->setGeometry(rect());
    const int inset = kDeleteIconSize / 3;
    iv_screenshot->setGeometry(rect().adjusted(0, inset, -inset, 0));
    iv_screenshot_delete->setGeometry(width() - kDeleteIconSize, 0, kDeleteIconSize,
                                      kDeleteIconSize);
    iv_screenshot_delete->raise();
}

} // namespace orvane
