#pragma once

#include <functional>

#include <QAbstractButton>
#include <QList>
#include <QPointer>

#include "ui/ViewController.h"

namespace orvane {

class Label;
class ScrollView;

// One choice of an alert or action sheet. Value type: copied into the alert by addAction().
class AlertAction final {
public:
    enum class Style { Default, Cancel, Destructive };
    using Handler = std::function<void(const AlertAction&)>;

    explicit AlertAction(const QString& title, Style style = Style::Default, Handler handler = {});
    AlertAction(const QString& title, Style style, std::function<void()> handler);

    QString title() const { return m_title; }
    Style style() const { return m_style; }
    // A tick is shown beside a checked action (the current choice in a list).
    bool isChecked() const { return m_checked; }
    void setChecked(bool checked) { m_checked = checked; }
    bool isEnabled() const { return m_enabled; }
    void setEnabled(bool enabled) { m_enabled = enabled; }
    const Handler& handler() const { return m_handler; }

private:
    QString m_title;
    Style m_style;
    Handler m_handler;
    bool m_checked = false;
    bool m_enabled = true;
};

// The button of one action inside an alert: objectName "alertAction:<title>".
class AlertActionButton final : public QAbstractButton {
    Q_OBJECT
public:
    AlertActionButton(const AlertAction& action, int height, QWidget* parent);
    const AlertAction& action() const { return m_action; }
    bool showsCheckMark() const { return m_action.isChecked(); }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    AlertAction m_action;
    int m_height;
};

// An alert (centred card) or action sheet (card at the bottom, cancel actions in a card of their
// own below it) over a dimmed backdrop, presented with ViewController::present(). Title and message
// are optional (empty: not shown). Actions appear in the order added; when they do not all fit
// the window, they scroll inside the card (and a list opens at its checked action); a tap on one
// dismisses the alert without animation and then runs the action's handler once (later taps are
// ignored). An optional content controller is shown inside the card at its preferred height (the
// sheet owns it). The alert lives inside the presenting window, so it shows in grabs and blocks
// nothing but the window's input. Main thread only.
class AlertController final : public ViewController {
    Q_OBJECT
public:
    enum class Style { Alert, ActionSheet };

    AlertController(const QString& title, const QString& message, Style style = Style::Alert,
                    QWidget* parent = nullptr);

    // An action sheet that offers `choices` in order, ticks the one equal to `current`, runs
    // `chosen` with the tapped action, and ends with a cancel action titled `cancelTitle`.
    static AlertController* choiceSheet(const QString& title, const QStringList& choices,
                                        const QString& current, const AlertAction::Handler& chosen,
                                        const QString& cancelTitle);

    Style style() const { return m_style; }
    QString message() const { return m_message; }
    void addAction(const AlertAction& action);
    QList<AlertAction> actions() const { return m_actions; }

    // Shown between the message and the actions at its preferred height (preferredContentSize, or
    // its size hint when none). The alert takes ownership; a second call replaces the first.
    void setContentViewController(ViewController* controller);
    ViewController* contentViewController() const { return m_content; }

    // A tap on the dimmed backdrop dismisses the alert (without animation). backdropTapped() is
    // emitted either way.
    void setDismissOnTapOutside(bool dismiss) { m_dismissOnTapOutside = dismiss; }
    bool dismissOnTapOutside() const { return m_dismissOnTapOutside; }

    // The card holding title, message, content and actions (for layout checks and grabs).
    QWidget* card() const { return m_card; }
    // The scroll view around the card's actions (nullptr for two actions side by side, or none):
    // it scrolls when they do not all fit.
    ScrollView* actionScrollView() const { return m_actionScroll; }
    // The action buttons from top to bottom (as the user sees them).
    QList<AlertActionButton*> actionButtons() const;
    AlertActionButton* actionButton(const QString& title) const;
    // Clicks the button of the action titled `title`; false (logged) when there is none.
    bool tapAction(const QString& title);

    // The alert on screen that was presented last (nullptr when none): the seam tests use to find
    // and answer alerts.
    static AlertController* visibleAlert();

    // Escape answers the cancel action, or the only action of a one-button alert; otherwise it
    // closes the alert without running any action.
    bool escape() override;

Q_SIGNALS:
    void backdropTapped();

protected:
    void viewDidLoad() override;
    void viewDidAppear(bool animated) override;
    void viewDidDisappear(bool animated) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void build();
    void layoutCards();
    void actionTapped(const AlertAction& action);
    bool onBackdrop(const QPoint& pos) const;

    QString m_message;
    Style m_style;
    QList<AlertAction> m_actions;
    QPointer<ViewController> m_content;
    QWidget* m_card = nullptr;
    ScrollView* m_actionScroll = nullptr; // the card's actions, unless side by side
    QWidget* m_cancelCard = nullptr;
    bool m_dismissOnTapOutside = false;
    bool m_handled = false;
    bool m_pressOnBackdrop = false;
};

} // namespace orvane
