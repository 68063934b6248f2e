#include "ui/KineticScroll.h"

#include <algorithm>

#include <QAbstractScrollArea>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QScrollBar>
#include <QScroller>
#include <QStyleHints>
#include <QTimer>
#include <QVariantAnimation>

#include "ui/TapGuard.h"

namespace orvane {

namespace {

constexpr qreal kMetresPerInch = 0.0254;
// A flick glides for a few screens, not to the end of a long list.
constexpr qreal kDecelerationFactor = 0.3;
constexpr int kIndicatorWidth = 3;
constexpr int kIndicatorMargin = 2;
constexpr int kIndicatorMinLength = 28;
// How long the indicator stays after the content stopped, and how long it takes to fade.
constexpr int kIndicatorRestMs = 500;
constexpr int kIndicatorFadeMs = 250;

} // namespace

QScrollerProperties kineticScrollerProperties(const QWidget* target) {
    QScrollerProperties properties;
    // The scroller measures in metres on the screen, at the screen's physical resolution.
    const QScreen* screen =
        target && target->screen() ? target->screen() : QGuiApplication::primaryScreen();
    const qreal dpi = screen ? screen->physicalDotsPerInchY() : 96;
    // Half a pixel over: a press that moved exactly the drag distance is still a tap, not a drag.
    const qreal pixels = QGuiApplication::styleHints()->startDragDistance() + 0.5;
    properties.setScrollMetric(QScrollerProperties::DragStartDistance,
                               pixels * kMetresPerInch / std::max<qreal>(dpi, 1));
    properties.setScrollMetric(QScrollerProperties::MousePressEventDelay, 0);
    properties.setScrollMetric(QScrollerProperties::DecelerationFactor, kDecelerationFactor);
    return properties;
}

QScroller* enableDragScrolling(QAbstractScrollArea* area) {
    area->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    area->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // A scroller follows one kind of gesture: the viewport's follows the left mouse button, the
    // area's a finger (the taps of a finger still reach the rows as mouse clicks).
    QWidget* viewport = area->viewport();
    QScroller::grabGesture(viewport, QScroller::LeftMouseButtonGesture);
    QScroller::grabGesture(area, QScroller::TouchGesture);
    for (QObject* target : {static_cast<QObject*>(viewport), static_cast<QObject*>(area)}) {
        QScroller* scroller = QScroller::scroller(target);
        scroller->setScrollerProperties(kineticScrollerProperties(viewport));
        QObject::connect(scroller, &QScroller::stateChanged, area, [](QScroller::State state) {
            if (state == QScroller::Dragging)
                TapGuard::cancelPress(); // the press that started the drag taps nothing
        });
    }
    new ScrollIndicator(area);
    return QScroller::scroller(viewport);
}

void disableDragScrolling(QAbstractScrollArea* area) {
    QScroller::ungrabGesture(area->viewport());
    QScroller::ungrabGesture(area);
}

void resendScrollPrepare(QAbstractScrollArea* area) {
    for (QObject* target : {static_cast<QObject*>(area->viewport()), static_cast<QObject*>(area)}) {
        if (QScroller::hasScroller(target) &&
            QScroller::scroller(target)->state() != QScroller::Inactive)
            QScroller::scroller(target)->resendPrepareEvent();
    }
}

ScrollIndicator::ScrollIndicator(QAbstractScrollArea* area)
    : QWidget(area)
    , m_area(area)
    , m_rest(new QTimer(this))
    , m_fade(new QVariantAnimation(this)) {
    setObjectName(QStringLiteral("scrollIndicator"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    hide();
    m_rest->setSingleShot(true);
    m_rest->setInterval(kIndicatorRestMs);
    m_fade->setStartValue(1.0);
    m_fade->setEndValue(0.0);
    m_fade->setDuration(kIndicatorFadeMs);
    connect(m_rest, &QTimer::timeout, m_fade, [this] { m_fade->start(); });
    connect(m_fade, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
        m_opacity = value.toReal();
        update();
    });
    connect(m_fade, &QVariantAnimation::finished, this, &QWidget::hide);
    connect(area->verticalScrollBar(), &QScrollBar::valueChanged, this, &ScrollIndicator::flash);
}

void ScrollIndicator::flash() {
    if (m_area->verticalScrollBar()->maximum() <= 0)
        return;
    const QRect viewport = m_area->viewport()->geometry();
    setGeometry(viewport.right() + 1 - kIndicatorWidth - 2 * kIndicatorMargin, viewport.top(),
                kIndicatorWidth + 2 * kIndicatorMargin, viewport.height());
    m_fade->stop();
    m_opacity = 1;
    show();
    raise();
    update();
    m_rest->start();
}

QRectF ScrollIndicator::thumbRect() const {
    const QScrollBar* bar = m_area->verticalScrollBar();
    const qreal range = bar->maximum() - bar->minimum();
    const qreal track = height() - 2 * kIndicatorMargin;
    if (range <= 0 || track <= 0)
        return {};
    const qreal page = std::max(1, bar->pageStep());
    const qreal length = std::clamp(track * page / (range + page),
                                    std::min<qreal>(kIndicatorMinLength, track), track);
    const qreal top = kIndicatorMargin + (track - length) * (bar->value() - bar->minimum()) / range;
    return QRectF(kIndicatorMargin, top, kIndicatorWidth, length);
}

void ScrollIndicator::paintEvent(QPaintEvent*) {
    const QRectF thumb = thumbRect();
    if (thumb.isEmpty())
        return;
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, qRound(110 * m_opacity)));
    p.drawRoundedRect(thumb, kIndicatorWidth / 2.0, kIndicatorWidth / 2.0);
}

} // namespace orvane
