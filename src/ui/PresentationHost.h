#pragma once

#include <QPointer>
#include <QWidget>

#include "ui/ViewController.h"

namespace orvane {

// The overlay a presented controller lives in: a child of the presenting controller's window that
// follows the window's size and stays above the window's content. Internal to ViewController;
// exposed for the appearance rules and tests. Main thread only.
class PresentationHost final : public QWidget {
    Q_OBJECT
public:
    PresentationHost(QWidget* window, ViewController* controller);
    ~PresentationHost() override;

    ViewController* controller() const { return m_controller; }
    // A full-window presentation that finished appearing hides whatever lies below it.
    bool coversWindow() const;

    // Shows the overlay; `done` runs when it is on screen (at once when not animated).
    void showPresented(bool animated, std::function<void()> done);
    // Hides the overlay; `done` runs when it is off screen (at once when not animated).
    void hidePresented(bool animated, std::function<void()> done);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    // Tab and Shift+Tab stay inside the presented controller, as on a modal screen.
    bool focusNextPrevChild(bool next) override;
    void hideEvent(QHideEvent* event) override;

private:
    void slide(bool in, std::function<void()> done);
    QList<QWidget*> tabStops() const;
    void takeFocus();
    bool giveFocusBack();

    QPointer<ViewController> m_controller;
    // Where the keyboard focus was before the presentation, given back when it goes.
    QPointer<QWidget> m_previousFocus;
    QPointer<ViewController> m_presenter;
    bool m_complete = false;
};

} // namespace orvane
