#pragma once

#include <functional>

#include <QAccessible>
#include <QPointer>
#include <QWidget>

namespace orvane {

// Keyboard and screen-reader support shared by the widget layer.
//
// Widgets the kit draws itself (rows, tap targets, the segmented control) get their accessible
// role here: setAccessibleRole() marks a widget, and the factory installed by
// installAccessibility() gives every marked widget an interface with that role, its
// accessibleName() and a "press" action that does what a tap does. Main thread only.
namespace ui {

// Installs the kit's accessibility factory once; every marking function calls it.
void installAccessibility();

// Gives `widget` the role `role` for assistive technology. Call before it is first queried.
void setAccessibleRole(QWidget* widget, QAccessible::Role role);

// Makes a tap target usable from the keyboard: reachable with Tab, activated with Enter or Space
// (`activate` runs, as a tap would), shown with a focus ring while focused, and read as a button
// named `name`.
void makeKeyboardControl(QWidget* widget, const QString& name, std::function<void()> activate);

// Tells assistive technology that `widget` now has the focus (a row the list made current).
void announceFocus(QWidget* widget);

} // namespace ui

// A ring in the accent colour drawn over a widget that has the keyboard focus, so keyboard users
// see where they are. It is a transparent child laid over its target: it never takes the mouse.
// follow() shows it whenever the target has the focus; show it by hand with setTarget() for
// widgets that are "current" without owning the focus (a list's current row).
class FocusRing final : public QWidget {
    Q_OBJECT
public:
    explicit FocusRing(QWidget* target = nullptr);

    // A ring that appears while `target` has the keyboard focus, owned by the target.
    static FocusRing* follow(QWidget* target, qreal cornerRadius = 8);

    // Lays the ring over `target` (reparenting it there), or hides it for none.
    void setTarget(QWidget* target);
    QWidget* target() const { return m_target; }
    void setCornerRadius(qreal radius);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void cover();

    QPointer<QWidget> m_target;
    qreal m_radius = 8;
    bool m_following = false;
};

} // namespace orvane
