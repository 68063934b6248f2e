#pragma once

#include <QList>
#include <QPointer>

#include "ui/ViewController.h"

class QStackedLayout;

namespace orvane {

class Button;
class Label;

// The bar above a navigation stack: the top controller's title in the middle, the back button (or
// the top item's left control) at the left, the top item's right control at the right.
class NavigationBar final : public QWidget {
    Q_OBJECT
public:
    static constexpr int kHeight = 44;

    explicit NavigationBar(QWidget* parent = nullptr);

    QString title() const;
    Button* backButton() const { return m_back; }
    // Shows `title` in the middle, the back button titled `backTitle` when `showBack`, and the
    // given side controls (reparented into the bar; the previous ones are hidden). Texts too long
    // for the bar are elided so that both the back button and the title stay readable.
    void configure(const QString& title, bool showBack, const QString& backTitle, QWidget* left,
                   QWidget* right);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void layoutItems();

    Label* m_title;
    Button* m_back;
    // The texts as given; the bar shows them elided with an ellipsis when they do not fit.
    QString m_titleText;
    QString m_backText;
    QPointer<QWidget> m_left;
    QPointer<QWidget> m_right;
};

// A stack of controllers with a bar. The stack owns its controllers: push() reparents, pop() and
// popToRoot() delete the removed ones (deleteLater) after their viewDidDisappear. Only the top
// controller is shown. Pushes and pops may slide when animations are enabled; the appearance
// callbacks run when the stack has changed. Main thread only.
class NavigationController : public ViewController {
    Q_OBJECT
public:
    explicit NavigationController(ViewController* root = nullptr, QWidget* parent = nullptr);
    ~NavigationController() override;

    void setRootViewController(ViewController* root);
    void pushViewController(ViewController* controller, bool animated);
    // Pops the top controller; refused (false, logged) when only the root is left.
    bool popViewController(bool animated);
    // Pops everything above the root; returns how many were popped.
    int popToRootViewController(bool animated);

    QList<ViewController*> viewControllers() const;
    ViewController* topViewController() const;
    ViewController* rootViewController() const;

    NavigationBar* navigationBar() const { return m_bar; }
    void setNavigationBarHidden(bool hidden);

    // Escape goes back one screen; on the root it is the root's to handle.
    bool escape() override;

private:
    void updateBar();
    void keepFocus();
    void track(ViewController* controller);
    // Popped controllers live on until deleteLater runs; they must not reach this one after it.
    void untrack(ViewController* controller);
    void slideIn(ViewController* controller, bool fromRight);
    // The title a back button leading to `controller` reads.
    static QString backTitleFor(ViewController* controller);

    NavigationBar* m_bar;
    QWidget* m_content;
    QStackedLayout* m_stackLayout;
    QList<ViewController*> m_stack; // kept exact by untrack() and the destroyed() handler
};

} // namespace orvane
