#pragma once

#include <functional>

#include <QObject>
#include <QPointer>

class QWidget;

namespace orvane {

// Turns a left-button press followed by a release inside the same widget into a tap, on any
// widget (labels, image views, plain views). Presses on child widgets that handle the mouse
// themselves (buttons) do not reach it. A drag or a double click is no tap (TapGuard). The
// recognizer is a child of its widget and dies with it. Main thread only.
class TapRecognizer final : public QObject {
    Q_OBJECT
public:
    // Attaches a recognizer to `target` that runs `action` on every tap.
    static TapRecognizer* attach(QWidget* target, std::function<void()> action = {});

    QWidget* target() const { return m_target; }
    void setEnabled(bool enabled) { m_enabled = enabled; }
    bool isEnabled() const { return m_enabled; }

Q_SIGNALS:
    void tapped();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    TapRecognizer(QWidget* target, std::function<void()> action);

    QPointer<QWidget> m_target;
    std::function<void()> m_action;
    bool m_pressed = false;
    bool m_enabled = true;
};

} // namespace orvane
