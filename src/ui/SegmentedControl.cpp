#include "ui/SegmentedControl.h"

#include <algorithm>

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include "ui/Accessibility.h"
#include "ui/TapGuard.h"
#include "ui/Theme.h"

namespace orvane {

namespace {
constexpr qreal kRadius = 6;
constexpr int kDot = 7;
constexpr int kDotGap = 9;
} // namespace

SegmentedControl::SegmentedControl(const QStringList& segments, QWidget* parent)
    : QWidget(parent)
    , m_segments(segments) {
    setFont(ui::font(ui::kBodyFontSize - 1, QFont::Medium));
    setCursor(Qt::PointingHandCursor);
    if (!m_segments.isEmpty())
        m_selected = 0;
    // A Tab stop; Left and Right choose the neighbouring segment.
    setFocusPolicy(Qt::TabFocus);
    ui::installAccessibility();
    FocusRing::follow(this, 8);
    TapGuard::install(this);
}

void SegmentedControl::keyPressEvent(QKeyEvent* event) {
    const int step = event->key() == Qt::Key_Left ? -1 : event->key() == Qt::Key_Right ? 1 : 0;
    if (step == 0 || numberOfSegments() == 0) {
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
    const int next = std::clamp(m_selected + step, 0, numberOfSegments() - 1);
    if (next == m_selected)
        return;
    m_selected = next;
    update();
    QAccessibleEvent selection(this, QAccessible::Selection);
    selection.setChild(next);
    if (QAccessible::isActive())
        QAccessible::updateAccessibility(&selection);
    Q_EMIT valueChanged(next);
}

void SegmentedControl::setSegments(const QStringList& segments) {
    m_segments = segments;
    if (m_selected >= numberOfSegments())
        m_selected = numberOfSegments() - 1;
    if (m_selected < 0 && !segments.isEmpty())
        m_selected = 0;
    updateGeometry();
    update();
}

QString SegmentedControl::titleForSegment(int index) const {
    return m_segments.value(index);
}

void SegmentedControl::setTitleForSegment(const QString& title, int index) {
    if (index < 0 || index >= numberOfSegments())
        return;
    m_segments[index] = title;
    update();
}

void SegmentedControl::setSelectedSegmentIndex(int index) {
    m_selected = std::clamp(index, -1, numberOfSegments() - 1);
    update();
}

void SegmentedControl::setTintColor(const QColor& color) {
    m_tint = color;
    update();
}

QColor SegmentedControl::tintColor() const {
    return m_tint.isValid() ? m_tint : ui::accentColor();
}

void SegmentedControl::setBorderColor(const QColor& color) {
    m_border = color;
    update();
}

void SegmentedControl::setBorderWidth(qreal width) {
    m_borderWidth = std::max<qreal>(0, width);
    update();
}

void SegmentedControl::setTitleColor(const QColor& normal, const QColor& selected) {
    m_normalTitle = normal;
    m_selectedTitle = selected;
    update();
}

QRect SegmentedControl::segmentRect(int index) const {
    const int n = std::max(1, numberOfSegments());
    const int left = width() * index / n;
    const int right = width() * (index + 1) / n;
    return QRect(left, 0, right - left, height());
}

QSize SegmentedControl::sizeHint() const {
    const QFontMetrics fm(font());
    int widest = 0;
    for (const QString& s : m_segments)
        widest = std::max(widest, fm.horizontalAdvance(s));
    return {std::max(1, numberOfSegments()) * (widest + 24), 32};
}

int SegmentedControl::segmentAt(const QPoint& pos) const {
    for (int i = 0; i < numberOfSegments(); ++i) {
        if (segmentRect(i).contains(pos))
            return i;
    }
    return -1;
}

void SegmentedControl::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor border = m_border.isValid() ? m_border : tintColor();
    const QRectF outer = QRectF(rect()).adjusted(m_borderWidth / 2, m_borderWidth / 2,
                                                 -m_borderWidth / 2, -m_borderWidth / 2);
    QPainterPath shape;
    shape.addRoundedRect(outer, kRadius, kRadius);
    p.fillPath(shape, Qt::white);
    if (m_selected >= 0) {
        p.save();
        p.setClipPath(shape);
        p.fillRect(segmentRect(m_selected), tintColor());
        p.restore();
    }
    p.setFont(font());
    const QFontMetrics fm(font());
    for (int i = 0; i < numberOfSegments(); ++i) {
        const QRect r = segmentRect(i);
        QColor color = i == m_selected ? m_selectedTitle
                                       : (m_normalTitle.isValid() ? m_normalTitle : tintColor());
        if (i == m_pressed && i != m_selected)
            color.setAlphaF(0.5);
        p.setPen(color);
        p.drawText(r.adjusted(4, 0, -4, 0), Qt::AlignCenter,
                   fm.elidedText(m_segments[i], Qt::ElideRight, r.width() - 8));
        if (i > 0 && m_borderWidth > 0)
            p.fillRect(QRectF(r.left() - m_borderWidth / 2, 0, m_borderWidth, height()), border);
    }
    if (m_borderWidth > 0) {
        p.setPen(QPen(border, m_borderWidth));
        p.setBrush(Qt::NoBrush);
        p.drawPath(shape);
    }
}

void SegmentedControl::mousePressEvent(QMouseEvent* event) {
    m_pressed = event->button() == Qt::LeftButton ? segmentAt(event->position().toPoint()) : -1;
    update();
}

void SegmentedControl::mouseReleaseEvent(QMouseEvent* event) {
    const int released = segmentAt(event->position().toPoint());
    const int pressed = m_pressed;
    m_pressed = -1;
    update();
    if (event->button() != Qt::LeftButton || released < 0 || released != pressed ||
        released == m_selected)
        return;
    m_selected = released;
    Q_EMIT valueChanged(released);
}

PageControl::PageControl(QWidget* parent)
    : QWidget(parent) {
    TapGuard::install(this);
}

void PageControl::setNumberOfPages(int pages) {
    m_pages = std::max(0, pages);
    m_current = std::clamp(m_current, 0, std::max(0, m_pages - 1));
    updateGeometry();
    update();
}

void PageControl::setCurrentPage(int page) {
    m_current = std::clamp(page, 0, std::max(0, m_pages - 1));
    update();
}

void PageControl::setHidesForSinglePage(bool hides) {
    m_hidesForSinglePage = hides;
    update();
}

void PageControl::setIndicatorColors(const QColor& page, const QColor& current) {
    m_pageColor = page;
    m_currentColor = current;
    update();
}

QSize PageControl::sizeHint() const {
    return {std::max(1, m_pages) * (kDot + kDotGap) + 16, 26};
}

QRectF PageControl::dotRect(int index) const {
    const qreal total = m_pages * kDot + (m_pages - 1) * kDotGap;
    const qreal x = (width() - total) / 2 + index * (kDot + kDotGap);
    return QRectF(x, (height() - kDot) / 2.0, kDot, kDot);
}

void PageControl::paintEvent(QPaintEvent*) {
    if (m_pages == 0 || (m_pages == 1 && m_hidesForSinglePage))
        return;
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    for (int i = 0; i < m_pages; ++i) {
        p.setBrush(i == m_current ? (m_currentColor.isValid() ? m_currentColor : ui::accentColor())
                                  : m_pageColor);
        p.drawEllipse(dotRect(i));
    }
}

void PageControl::mousePressEvent(QMouseEvent* event) {
    event->accept();
}

void PageControl::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || m_pages < 2 ||
        !rect().contains(event->position().toPoint()))
        return;
    const qreal x = event->position().x();
    const QRectF current = dotRect(m_current);
    int next = m_current;
    if (x < current.left())
        next = m_current - 1;
    else if (x > current.right())
        next = m_current + 1;
    next = std::clamp(next, 0, m_pages - 1);
    if (next == m_current)
        return;
    m_current = next;
    update();
    Q_EMIT valueChanged(next);
}

} // namespace orvane
