#pragma once

#include <functional>

#include <QList>
#include <QPointer>
#include <QVariant>
#include <QWidget>

namespace orvane {

class NavigationController;
class PresentationHost;
class ViewController;

// What a controller shows in a navigation bar while it is on top (title, extra controls) and what
// the back button reads while it is directly below the top.
class NavigationItem final : public QObject {
    Q_OBJECT
public:
    explicit NavigationItem(QObject* parent = nullptr);

    // Empty: the owning controller's title() is shown.
    QString title() const { return m_title; }
    void setTitle(const QString& title);

    // Title of the back button that leads back to the owning controller. Empty: its title, else
    // "Back".
    QString backButtonTitle() const { return m_backButtonTitle; }
    void setBackButtonTitle(const QString& title);

    // Controls shown at the bar's left (replacing the back button, e.g. a close button) and right.
    // The bar takes ownership while the controller is on top; the item keeps a weak reference.
    QWidget* leftWidget() const { return m_left; }
    void setLeftWidget(QWidget* widget);
    QWidget* rightWidget() const { return m_right; }
    void setRightWidget(QWidget* widget);

Q_SIGNALS:
    void changed();

private:
    QString m_title;
    QString m_backButtonTitle;
    QPointer<QWidget> m_left;
    QPointer<QWidget> m_right;
};

// Passed to ViewController::prepare() before a segue shows its destination.
struct StoryboardSegue {
    QString identifier;
    ViewController* source = nullptr;
    ViewController* destination = nullptr;
};

// A screen: a widget with the mobile toolkit's lifecycle.
//
// - viewDidLoad() runs once, before the controller is first shown (or when loadViewIfNeeded() is
//   called earlier).
// - viewDidAppear() / viewDidDisappear() run on every change of "on screen": shown in a visible
//   window and not covered by a full-window controller presented over it or over a controller
//   containing it. Disappearances of one change are delivered before appearances.
// - present() shows another controller over this one's window, either as a full-window modal that
//   covers it, or as a sheet over a dimmed backdrop (alerts, see AlertController). The presented
//   controller is reparented into an overlay inside the window (no separate top-level window, no
//   nested event loop) and is deleted (deleteLater) after it is dismissed. A controller that
//   already presents one queues further presentations and shows them, in order, after the current
//   one is dismissed. Queued presentations of a controller that is dismissed or closed, or that
//   sits inside one, are dropped, and so are presentations asked of it while it leaves.
//
// Main thread only. Ownership follows Qt parenting: a navigation controller owns its stack, a
// presentation owns the presented controller.
class ViewController : public QWidget {
    Q_OBJECT
public:
    using Completion = std::function<void()>;

    enum class PresentationStyle {
        FullWindow, // covers the presenting controller's window; the covered ones disappear
        Sheet       // a card over a dimmed backdrop; the controllers below stay "on screen"
    };

    explicit ViewController(QWidget* parent = nullptr);
    ~ViewController() override;

    // Runs viewDidLoad() now if it has not run yet.
    void loadViewIfNeeded();
    bool isViewLoaded() const { return m_loaded; }
    bool isAppeared() const { return m_appeared; }

    QString title() const { return m_title; }
    void setTitle(const QString& title);
    NavigationItem& navigationItem() { return m_navigationItem; }

    // The nearest navigation controller containing this one (nullptr when none, e.g. for a
    // controller presented modally from a navigation stack).
    NavigationController* navigationController() const;
    // The nearest controller containing this one in the widget tree; none for a presented one.
    ViewController* parentViewController() const;

    PresentationStyle presentationStyle() const { return m_presentationStyle; }
    void setPresentationStyle(PresentationStyle style) { m_presentationStyle = style; }

    // Presents `controller` over this one. `completion` runs once it is on screen (at once when not
    // animated). A null controller, or one already presented or on a navigation stack, is refused
    // with an error log line.
    void present(ViewController* controller, bool animated, Completion completion = {});
    // Presents on `presenter` if it still exists; otherwise logs an error and deletes `controller`
    // (a screen that went away never crashes the caller and never loses an alert silently).
    static void present(const QPointer<ViewController>& presenter, ViewController* controller,
                        bool animated, Completion completion = {});
    // Dismisses the controller this one presents; called on a presented controller, dismisses that
    // one. Controllers presented above the dismissed one go with it. `completion` runs once it is
    // off screen; with nothing to dismiss it runs at once.
    void dismiss(bool animated, Completion completion = {});

    ViewController* presentedViewController() const { return m_presented; }
    ViewController* presentingViewController() const { return m_presenting; }
    int pendingPresentationCount() const { return m_pending.size(); }

    // While held, presentations queued on this controller wait (new ones queue behind them);
    // the last release shows the next one. An alert holds its presenter while its action's
    // handler runs, so that what the handler decides (e.g. closing the screen) comes first.
    void holdPresentations() { ++m_holds; }
    void releasePresentations();

    // Size a sheet gives this controller when it is shown as content (width 0: the sheet's width).
    QSize preferredContentSize() const { return m_preferredContentSize; }
    void setPreferredContentSize(const QSize& size);

    // Forces a light palette on this controller and its children, whatever the desktop uses.
    void setLightAppearance();

    // Segues: called with the destination before it is shown (see Storyboard::performSegue).
    virtual void prepare(StoryboardSegue& segue, const QVariant& sender);
    bool performSegue(const QString& identifier, const QVariant& sender = {});

    QSize sizeHint() const override;
    // A top-level controller opens at the phone size unless it was resized before.
    void setVisible(bool visible) override;

    // Animations of pushes and presentations. Off by default on the offscreen platform.
    static bool animationsEnabled();
    static void setAnimationsEnabled(bool enabled);

    // What Escape does on this controller: true when it did something (closed a sheet, went
    // back a screen). The default does nothing, so the key goes on to the containing controller.
    virtual bool escape() { return false; }

Q_SIGNALS:
    void titleChanged(const QString& title);
    void preferredContentSizeChanged(const QSize& size);

protected:
    virtual void viewDidLoad() {}
    virtual void viewDidAppear(bool animated) { Q_UNUSED(animated) }
    virtual void viewDidDisappear(bool animated) { Q_UNUSED(animated) }
    virtual void viewDidLayoutSubviews() {}

    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    friend class PresentationHost;
    friend class AppearanceBatch;
    friend class NavigationController;

    struct Pending {
        QPointer<ViewController> controller;
        bool animated;
        Completion completion;
    };

    bool shouldAppear() const;
    bool isCovered() const;
    void finishDismissal(Completion completion);
    void presentNextPending();
    // Marks this controller and every one inside it as leaving and drops what they have queued.
    void leave(const char* why);
    bool isLeaving() const;
    static void refreshAppearances(bool animated);

    NavigationItem m_navigationItem;
    QString m_title;
    QSize m_preferredContentSize;
    PresentationStyle m_presentationStyle = PresentationStyle::FullWindow;
    QPointer<ViewController> m_presented;
    QPointer<ViewController> m_presenting;
    QPointer<PresentationHost> m_host; // set on the presented controller
    QList<Pending> m_pending;
    int m_holds = 0;
    bool m_loaded = false;
    bool m_appeared = false;
    bool m_leaving = false;
};

// Groups visibility changes so that appearance callbacks run once, after the whole change, with
// disappearances first. Used by the containers; nesting is allowed.
class AppearanceBatch final {
public:
    explicit AppearanceBatch(bool animated = false);
    ~AppearanceBatch();
    Q_DISABLE_COPY_MOVE(AppearanceBatch)

private:
    bool m_animated;
};

} // namespace orvane
