#include "ui/TapRecognizer.h"

#include <QMouseEvent>
#include <QPointer>
#include <QWidget>

#include "ui/TapGuard.h"

namespace orvane {

TapRecognizer* TapRecognizer::attach(QWidget* target, std::function<void()> action) {
    if (!target)
        return nullptr;
    auto* recognizer = new TapRecognizer(target, std::move(action));
    TapGuard::install(target); // after the recognizer, so it filters first
    return recognizer;
}

TapRecognizer::TapRecognizer(QWidget* target, std::function<void()> action)
    : QObject(target)
    , m_target(target)
    , m_action(std::move(action)) {
    target->installEventFilter(this);
}

bool TapRecognizer::eventFilter(QObject* watched, QEvent* event) {
    if (watched != m_target || !m_enabled)
        return false;
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto* e = static_cast<QMouseEvent*>(event);
        if (e->button() != Qt::LeftButton)
            return false;
        m_pressed = true;
        e->accept();
        return true; // the target becomes the mouse grabber and receives the release
    }
    case QEvent::MouseButtonRelease: {
        auto* e = static_cast<QMouseEvent*>(event);
        if (e->button() != Qt::LeftButton || !m_pressed)
            return false;
        m_pressed = false;
        e->accept();
        if (m_target->rect().contains(e->position().toPoint()) && m_target->isEnabled()) {
            QPointer<TapRecognizer> self(this);
            Q_EMIT tapped();
            if (self && m_action)
                m_action();
        }
        return true;
    }
    case QEvent::Hide:
        m_pressed = false;
        return false;
    default:
        return false;
    }
}

} // namespace orvane
