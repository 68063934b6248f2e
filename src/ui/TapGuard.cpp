#include "ui/TapGuard.h"

#include <utility>

#include <QAbstractButton>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QStyleHints>
#include <QWidget>

namespace orvane {

namespace {

// The one press in progress: a mouse (or the finger it is synthesised from) presses one target.
QPointer<TapGuard>& activeGuard() {
    static QPointer<TapGuard> guard;
    return guard;
}

bool isLeft(QEvent* event) {
    return static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton;
}

bool swallow(QEvent* event) {
    event->accept(); // accepted, so it does not travel on to the target's parents either
    return true;
}

} // namespace

TapGuard* TapGuard::install(QWidget* target) {
    if (!target)
        return nullptr;
    if (auto* guard = target->findChild<TapGuard*>(QString(), Qt::FindDirectChildrenOnly)) {
        target->removeEventFilter(guard);
        target->installEventFilter(guard);
        return guard;
    }
    return new TapGuard(target);
}

TapGuard::TapGuard(QWidget* target)
    : QObject(target)
    , m_target(target) {
    target->installEventFilter(this);
}

void TapGuard::cancelPress() {
    if (TapGuard* guard = activeGuard())
        guard->cancel();
}

void TapGuard::cancel() {
    if (activeGuard() == this)
        activeGuard() = nullptr;
    if (m_phase != Phase::Pressed || !m_target) {
        m_phase = Phase::Cancelled;
        return;
    }
    m_phase = Phase::Cancelled;
    const QPointF far(-1e6, -1e6);
    QMouseEvent release(QEvent::MouseButtonRelease, far, far, far, Qt::LeftButton, Qt::NoButton,
                        QGuiApplication::keyboardModifiers());
    m_sending = true;
    QCoreApplication::sendEvent(m_target, &release);
    m_sending = false;
    // A button takes a release outside itself as "up" already; this makes sure of it.
    if (auto* button = qobject_cast<QAbstractButton*>(m_target.data()); button && button->isDown())
        button->setDown(false);
}

bool TapGuard::eventFilter(QObject* watched, QEvent* event) {
    if (watched != m_target || m_sending)
        return false;
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        if (isLeft(event)) {
            m_phase = Phase::Pressed;
            m_pressAt = static_cast<QMouseEvent*>(event)->globalPosition();
            activeGuard() = this;
        }
        return false;
    case QEvent::MouseButtonDblClick:
        if (!isLeft(event))
            return false;
        cancel();
        return swallow(event);
    case QEvent::MouseMove: {
        auto* move = static_cast<QMouseEvent*>(event);
        if (!(move->buttons() & Qt::LeftButton)) {
            if (m_phase == Phase::Cancelled)
                m_phase = Phase::Idle; // the release went elsewhere (to a scroll view)
            return false;
        }
        if (m_phase == Phase::Cancelled)
            return swallow(event);
        const QPointF travel = move->globalPosition() - m_pressAt;
        if (m_phase == Phase::Pressed &&
            travel.manhattanLength() > QGuiApplication::styleHints()->startDragDistance()) {
            cancel();
            return swallow(event);
        }
        return false;
    }
    case QEvent::MouseButtonRelease:
        if (!isLeft(event))
            return false;
        if (activeGuard() == this)
            activeGuard() = nullptr;
        if (std::exchange(m_phase, Phase::Idle) == Phase::Cancelled)
            return swallow(event);
        return false;
    case QEvent::Hide:
        if (activeGuard() == this)
            activeGuard() = nullptr;
        m_phase = Phase::Idle;
        return false;
    default:
        return false;
    }
}

} // namespace orvane
