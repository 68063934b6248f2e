#include "ui/PresentationHost.h"

#include <QApplication>
#include <QEvent>
#include <QHideEvent>
#include <QPropertyAnimation>

namespace orvane {

namespace {
constexpr int kSlideMs = 250;
}

PresentationHost::PresentationHost(QWidget* window, ViewController* controller)
    : QWidget(window)
    , m_controller(controller) {
    setObjectName(QStringLiteral("presentationHost"));
    setAttribute(Qt::WA_NoSystemBackground);
    hide();
    controller->setParent(this);
    controller->show(); // visible as soon as the host is
    if (window) {
        window->installEventFilter(this);
        setGeometry(window->rect());
    }
}

PresentationHost::~PresentationHost() {
    // No focus is handed back here: this may run while the whole window is being destroyed.
    // Hiding the host (dismissal, a deleted presented controller) hands it back.
    if (m_controller && m_controller->m_host == this)
        m_controller->m_host = nullptr;
}

bool PresentationHost::coversWindow() const {
    return m_complete && !isHidden() && m_controller &&
           m_controller->presentationStyle() == ViewController::PresentationStyle::FullWindow;
}

void PresentationHost::showPresented(bool animated, std::function<void()> done) {
    if (parentWidget())
        setGeometry(parentWidget()->rect());
    raise();
    show();
    takeFocus();
    if (animated && m_controller &&
        m_controller->presentationStyle() == ViewController::PresentationStyle::FullWindow) {
        slide(true, std::move(done));
        return;
    }
    m_complete = true;
    if (done)
        done();
}

QList<QWidget*> PresentationHost::tabStops() const {
    QList<QWidget*> stops;
    for (QWidget* w = nextInFocusChain(); w && w != this; w = w->nextInFocusChain()) {
        if (isAncestorOf(w) && (w->focusPolicy() & Qt::TabFocus) && w->isVisibleTo(this) &&
            w->isEnabled())
            stops.append(w);
    }
    return stops;
}

// The first control of the presented controller takes the focus (for an alert, its first
// action), so that the keyboard works in it at once and nothing below reacts to keys.
void PresentationHost::takeFocus() {
    // The window's focus widget, also while the window is not active yet.
    QWidget* focus = window()->focusWidget();
    if (focus && !isAncestorOf(focus))
        m_previousFocus = focus;
    if (m_controller)
        m_presenter = m_controller->presentingViewController();
    const QList<QWidget*> stops = tabStops();
    if (!stops.isEmpty())
        stops.first()->setFocus(Qt::TabFocusReason);
    else if (m_controller)
        m_controller->setFocus(Qt::OtherFocusReason);
}

// Hidden with the focus inside: back to where it was before, else to the controller that
// presented (never to the host's widgets under a full-window presentation).
bool PresentationHost::giveFocusBack() {
    QWidget* focus = window()->focusWidget();
    if (!window()->isVisible() || (focus && !isAncestorOf(focus) && focus->isVisible()))
        return false;
    for (QWidget* target : {static_cast<QWidget*>(m_previousFocus.data()),
                            static_cast<QWidget*>(m_presenter.data())}) {
        if (target && target->isVisible()) {
            target->setFocus(Qt::OtherFocusReason);
            return true;
        }
    }
    return false;
}

void PresentationHost::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    if (!event->spontaneous())
        giveFocusBack();
}

bool PresentationHost::focusNextPrevChild(bool next) {
    if (!isVisible())
        return giveFocusBack() || QWidget::focusNextPrevChild(next);
    const QList<QWidget*> stops = tabStops();
    if (stops.isEmpty())
        return true; // nothing to move to, and nothing below may take the focus
    const qsizetype at = stops.indexOf(window()->focusWidget());
    qsizetype to = 0;
    if (at < 0)
        to = next ? 0 : stops.size() - 1;
    else
        to = (at + (next ? 1 : stops.size() - 1)) % stops.size();
    stops.at(to)->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
    return true;
}

void PresentationHost::hidePresented(bool animated, std::function<void()> done) {
    if (animated && m_controller && isVisible() &&
        m_controller->presentationStyle() == ViewController::PresentationStyle::FullWindow) {
        m_complete = false;
        slide(false, std::move(done));
        return;
    }
    m_complete = false;
    if (done)
        done();
}

void PresentationHost::slide(bool in, std::function<void()> done) {
    auto* animation = new QPropertyAnimation(m_controller.data(), "pos", this);
    animation->setDuration(kSlideMs);
    animation->setEasingCurve(QEasingCurve::OutCubic);
    const QPoint below(0, height());
    animation->setStartValue(in ? below : QPoint(0, 0));
    animation->setEndValue(in ? QPoint(0, 0) : below);
    connect(animation, &QPropertyAnimation::finished, this, [this, in, done = std::move(done)] {
        m_complete = in;
        if (done)
            done();
    });
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}

bool PresentationHost::eventFilter(QObject* watched, QEvent* event) {
    if (watched == parentWidget() && event->type() == QEvent::Resize)
        setGeometry(parentWidget()->rect());
    return QWidget::eventFilter(watched, event);
}

void PresentationHost::resizeEvent(QResizeEvent*) {
    if (m_controller)
        m_controller->setGeometry(rect());
}

} // namespace orvane
