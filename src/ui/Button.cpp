#include "ui/Button.h"

#include <algorithm>

#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>
#include <QtMath>

#include "ui/TapGuard.h"
#include "ui/Theme.h"

namespace orvane {

namespace {
constexpr int kImageSpacing = 6;
}

Button::Button(QWidget* parent)
    : QAbstractButton(parent) {
    setFont(ui::font(ui::kBodyFontSize, QFont::Medium));
    setCursor(Qt::PointingHandCursor);
    // Reached with Tab (a tap leaves the focus where it is); Space or Enter activates.
    setFocusPolicy(Qt::TabFocus);
    TapGuard::install(this);
    connect(this, &QAbstractButton::clicked, this, [this] {
        if (m_action)
            m_action();
    });
}

Button::Button(const QString& title, QWidget* parent)
    : Button(parent) {
    setTitle(title);
}

template <typename T>
T Button::pick(const std::map<State, T>& values, State state) {
    auto it = values.find(state);
    if (it == values.end())
        it = values.find(State::Normal);
    return it == values.end() ? T() : it->second;
}

void Button::setTitle(const QString& title, State state) {
    m_titles[state] = title;
    if (state == State::Normal)
        setText(title); // keeps QAbstractButton::text() and accessibility in step
    updateGeometry();
    update();
}

QString Button::title(State state) const {
    return pick(m_titles, state);
}

QString Button::currentTitle() const {
    return title(currentState());
}

void Button::setTitleColor(const QColor& color, State state) {
    m_titleColors[state] = color;
    update();
}

QColor Button::titleColor(State state) const {
    const QColor c = pick(m_titleColors, state);
    if (c.isValid())
        return c;
    if (state == State::Disabled)
        return QColor(160, 160, 160);
    return m_background.isValid() && m_background.alpha() > 0 ? QColor(Qt::white)
                                                              : ui::accentColor();
}

void Button::setImage(const QImage& image, State state) {
    m_images[state] = image;
    updateGeometry();
    update();
}

QImage Button::image(State state) const {
    return pick(m_images, state);
}

void Button::setBackgroundColor(const QColor& color) {
    m_background = color;
    update();
}

void Button::setCornerRadius(qreal radius) {
    m_cornerRadius = radius;
    update();
}

void Button::setPill(bool pill) {
    m_pill = pill;
    update();
}

void Button::setBorder(const QColor& color, qreal width) {
    m_borderColor = color;
    m_borderWidth = width;
    update();
}

void Button::setContentPadding(const QMargins& padding) {
    m_padding = padding;
    updateGeometry();
}

void Button::setFontSize(int pixelSize, QFont::Weight weight) {
    setFont(ui::font(pixelSize, weight));
    updateGeometry();
}

void Button::onTap(std::function<void()> action) {
    m_action = std::move(action);
}

Button::State Button::currentState() const {
    if (!isEnabled())
        return State::Disabled;
    if (isDown())
        return State::Highlighted;
    if (isChecked())
        return State::Selected;
    return State::Normal;
}

QSize Button::sizeHint() const {
    const QString t = currentTitle();
    const QImage img = image(currentState());
    const QFontMetrics fm(font());
    // Rounded up: a width rounded down makes the title elide by a fraction of a pixel.
    int w = t.isEmpty() ? 0 : qCeil(QFontMetricsF(font()).horizontalAdvance(t));
    int h = fm.height();
    if (!img.isNull()) {
        const QSize is = img.size() / std::max<qreal>(1, img.devicePixelRatio());
        w += is.width() + (t.isEmpty() ? 0 : kImageSpacing);
        h = std::max(h, is.height());
    }
    return {w + m_padding.left() + m_padding.right(),
            std::max(h + m_padding.top() + m_padding.bottom(), 30)};
}

QSize Button::minimumSizeHint() const {
    return {m_padding.left() + m_padding.right(), 30};
}

void Button::keyPressEvent(QKeyEvent* event) {
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && !event->isAutoRepeat() &&
        (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        event->accept();
        click();
        return;
    }
    QAbstractButton::keyPressEvent(event);
}

void Button::focusInEvent(QFocusEvent* event) {
    QAbstractButton::focusInEvent(event);
    update();
}

void Button::focusOutEvent(QFocusEvent* event) {
    QAbstractButton::focusOutEvent(event);
    update();
}

void Button::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    const State state = currentState();
    const QRectF r = QRectF(rect()).adjusted(m_borderWidth / 2, m_borderWidth / 2,
                                             -m_borderWidth / 2, -m_borderWidth / 2);
    const qreal radius = m_pill ? r.height() / 2 : m_cornerRadius;
    if (m_background.isValid() && m_background.alpha() > 0) {
        QColor bg = m_background;
        if (state == State::Disabled)
            bg = QColor(200, 200, 200);
        p.setPen(Qt::NoPen);
        p.setBrush(bg);
        p.drawRoundedRect(r, radius, radius);
    }
    if (m_borderWidth > 0 && m_borderColor.isValid()) {
        p.setPen(QPen(m_borderColor, m_borderWidth));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(r, radius, radius);
    }

    const QString t = currentTitle();
    const QImage img = image(state);
    const QFontMetrics fm(font());
    const QRect content = rect().marginsRemoved(m_padding);
    QSize imageSize;
    if (!img.isNull())
        imageSize = (img.size() / std::max<qreal>(1, img.devicePixelRatio()))
                        .boundedTo(content.size().expandedTo(QSize(1, 1)));
    const int textWidth =
        t.isEmpty() ? 0
                    : std::min(qCeil(QFontMetricsF(font()).horizontalAdvance(t)), content.width());
    const int total =
        imageSize.width() + (imageSize.isValid() && !t.isEmpty() ? kImageSpacing : 0) + textWidth;
    int x = content.left() + std::max(0, (content.width() - total) / 2);
    if (!img.isNull()) {
        const QRect ir(QPoint(x, content.center().y() - imageSize.height() / 2 + 1), imageSize);
        p.drawImage(ir, img);
        x += imageSize.width() + kImageSpacing;
    }
    if (!t.isEmpty()) {
        QColor color = titleColor(state);
        if (state == State::Highlighted && !m_titleColors.count(State::Highlighted))
            color.setAlphaF(0.5);
        p.setPen(color);
        p.setFont(font());
        const QRect tr(x, content.top(), content.right() - x + 1, content.height());
        p.drawText(tr, Qt::AlignVCenter | Qt::AlignLeft,
                   fm.elidedText(t, Qt::ElideRight, tr.width()));
    }
    if (hasFocus()) {
        p.setPen(QPen(ui::accentColor(), 2));
        p.setBrush(Qt::NoBrush);
        const QRectF ring = QRectF(rect()).adjusted(1, 1, -1, -1);
        const qreal ringRadius = m_pill ? ring.height() / 2 : std::max<qreal>(m_cornerRadius, 6);
        p.drawRoundedRect(ring, ringRadius, ringRadius);
    }
}

} // namespace orvane
