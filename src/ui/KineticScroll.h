#pragma once

#include <QScrollerProperties>
#include <QWidget>

class QAbstractScrollArea;
class QScroller;
class QTimer;
class QVariantAnimation;

namespace orvane {

// The scroller settings of every view the kit scrolls by drag: a drag starts once the press has
// travelled the platform's drag distance (QStyleHints::startDragDistance, the distance at which
// TapGuard ends a tap), a press reaches the view's children at once (so a button highlights
// under the finger), and a flick decelerates within a few screens.
QScrollerProperties kineticScrollerProperties(const QWidget* target);

// Makes a vertical scroll area scroll the phone way: it follows a drag with the left mouse button
// or a finger (a touch arrives as mouse events) and glides on after a flick; a press that turns
// into a drag is no tap on what it pressed. The wheel and the keys scroll as before. Scroll bars
// are hidden; a ScrollIndicator shows while the content moves. Call disableDragScrolling when the
// area goes. Returns the viewport's scroller (the mouse's; the area's own follows a finger).
QScroller* enableDragScrolling(QAbstractScrollArea* area);
void disableDragScrolling(QAbstractScrollArea* area);
// The content changed under a drag or a glide in progress: it goes on from the new position.
void resendScrollPrepare(QAbstractScrollArea* area);

// A thin bar at the right edge of a vertical scroll area that shows where the view is in its
// content while the content moves, and fades out once it rests. It holds no timer at rest and
// takes no input. Main thread only; a child of its area.
class ScrollIndicator final : public QWidget {
    Q_OBJECT
public:
    explicit ScrollIndicator(QAbstractScrollArea* area);

    // Shows the indicator at the current position; it fades after a short rest.
    void flash();
    // The thumb in the indicator's coordinates (empty when the content fits the view).
    QRectF thumbRect() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QAbstractScrollArea* m_area;
    QTimer* m_rest;
    QVariantAnimation* m_fade;
    qreal m_opacity = 1;
};

} // namespace orvane
