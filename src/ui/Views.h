#pragma once

#include <functional>

#include <QBoxLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QScrollArea>
#include <QSpacerItem>

class QVariantAnimation;

namespace orvane {

// A row (or column) of arranged views with a spacing, as the mobile stack view. The stack owns its
// arranged views; removeArrangedSubview() hands the view back to the caller (unparented).
class StackView : public QWidget {
    Q_OBJECT
public:
    explicit StackView(Qt::Orientation orientation = Qt::Horizontal, QWidget* parent = nullptr);

    void addArrangedSubview(QWidget* view);
    void insertArrangedSubview(QWidget* view, int index);
    void removeArrangedSubview(QWidget* view);
    QList<QWidget*> arrangedSubviews() const;
    void setSpacing(int spacing);
    int spacing() const;
    QBoxLayout* boxLayout() const { return m_layout; }

private:
    QBoxLayout* m_layout;
};

// A horizontal StackView (screenshot thumbnails, tab rows).
class HStack final : public StackView {
    Q_OBJECT
public:
    explicit HStack(QWidget* parent = nullptr)
        : StackView(Qt::Horizontal, parent) {}
};

// A vertical scroll view around one content view, with content insets: extra scrollable room
// around the content (e.g. the keyboard's height at the bottom) that does not shrink the viewport.
// The content view takes the viewport's width. It scrolls by drag and flick as well as by wheel
// and keys, with no scroll bar (enableDragScrolling). Owns the content view.
class ScrollView final : public QScrollArea {
    Q_OBJECT
public:
    explicit ScrollView(QWidget* parent = nullptr);
    ~ScrollView() override;

    void setContentView(QWidget* content);
    QWidget* contentView() const { return m_content; }
    void setContentInsets(const QMargins& insets);
    QMargins contentInsets() const;
    void setBottomContentInset(int bottom);

private:
    QWidget* m_container;
    QVBoxLayout* m_containerLayout;
    QPointer<QWidget> m_content;
};

// A dimmed overlay with a spinning indicator over a widget, swallowing its input while it runs.
// start() shows it over the target (and follows the target's size), stop() hides it. Owned by the
// target.
class ActivityOverlay final : public QWidget {
    Q_OBJECT
public:
    // The overlay of `target` (made on first use).
    static ActivityOverlay* on(QWidget* target);

    void start();
    void stop();
    bool isAnimating() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit ActivityOverlay(QWidget* target);

    QVariantAnimation* m_spin;
    qreal m_angle = 0;
};

// A one-line text field with a placeholder, drawn with a light rounded border.
class TextField final : public QLineEdit {
    Q_OBJECT
public:
    explicit TextField(QWidget* parent = nullptr);
};

// A multi-line text view with the delegate hooks of the mobile one: didBeginEditing when it takes
// the focus, didEndEditing when it loses it. The text colour is settable (placeholder handling is
// left to the owner, which may show a grey hint text while empty).
class TextView final : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit TextView(QWidget* parent = nullptr);

    void setTextColor(const QColor& color);
    QColor textColor() const;
    void onBeginEditing(std::function<void(TextView&)> hook) { m_begin = std::move(hook); }
    void onEndEditing(std::function<void(TextView&)> hook) { m_end = std::move(hook); }

Q_SIGNALS:
    void didBeginEditing();
    void didEndEditing();

protected:
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    std::function<void(TextView&)> m_begin;
    std::function<void(TextView&)> m_end;
};

// A height, width or spacing whose constant the code sets, as a layout constraint outlet
// (lch_...). setConstant() applies it at once. Value semantics over a weak target: when the target
// is gone, setConstant() only records the value.
class LayoutConstraint final {
public:
    LayoutConstraint() = default;
    // Fixed height / width of a widget.
    static LayoutConstraint height(QWidget* widget);
    static LayoutConstraint width(QWidget* widget);
    // Spacing between all items of a box layout.
    static LayoutConstraint spacing(QBoxLayout* layout);
    // The size of one spacer item of `layout` (along the layout's direction).
    static LayoutConstraint spacer(QBoxLayout* layout, QSpacerItem* spacer);
    // Anything else.
    static LayoutConstraint custom(std::function<void(qreal)> apply, qreal initial = 0);

    qreal constant() const { return m_constant; }
    void setConstant(qreal constant);

private:
    std::function<void(qreal)> m_apply;
    qreal m_constant = 0;
};

} // namespace orvane
