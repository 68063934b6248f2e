#pragma once

#include <QObject>
#include <QPointF>
#include <QPointer>

class QWidget;

namespace orvane {

// Keeps a press on a tap target (a button, a tap recognizer's widget, a segmented control) from
// becoming a tap when the user did not tap. The press ends without a tap when
//  - the pointer travels further than the platform's drag distance
//    (QStyleHints::startDragDistance), measured on the screen: a row that scrolls along under the
//    finger has still moved;
//  - a scroll view starts dragging (cancelPress());
//  - it is the second click of a double click: a double click is one tap.
// The target learns of the end as a release far outside itself, which every tap target reads as
// "released elsewhere"; the rest of that press (moves, the real release) is kept from it.
// Main thread only; a child of its target.
class TapGuard final : public QObject {
    Q_OBJECT
public:
    // Guards `target` (once; installing again keeps the one guard and puts it first among the
    // target's event filters, so it sees the events before any filter installed meanwhile).
    static TapGuard* install(QWidget* target);
    // Ends the press in progress, if any, without a tap.
    static void cancelPress();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit TapGuard(QWidget* target);
    void cancel();

    enum class Phase { Idle, Pressed, Cancelled };
    QPointer<QWidget> m_target;
    QPointF m_pressAt; // global
    Phase m_phase = Phase::Idle;
    bool m_sending = false;
};

} // namespace orvane
