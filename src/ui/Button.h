#pragma once

#include <functional>
#include <map>

#include <QAbstractButton>
#include <QImage>

namespace orvane {

// A push button drawn the mobile way: a title and an image per state, a background colour, a
// corner radius (or a pill shape), an optional border. Target-action: onTap(fn) or the clicked()
// signal; a drag or a double click is no extra tap (TapGuard). A Tab stop with a focus ring; Space
// or Enter clicks it. Main thread only.
class Button : public QAbstractButton {
    Q_OBJECT
public:
    enum class State { Normal, Highlighted, Disabled, Selected };

    explicit Button(QWidget* parent = nullptr);
    explicit Button(const QString& title, QWidget* parent = nullptr);

    // Per-state values fall back to the Normal state's.
    void setTitle(const QString& title, State state = State::Normal);
    QString title(State state = State::Normal) const;
    QString currentTitle() const;
    void setTitleColor(const QColor& color, State state = State::Normal);
    QColor titleColor(State state = State::Normal) const;
    void setImage(const QImage& image, State state = State::Normal);
    QImage image(State state = State::Normal) const;

    void setBackgroundColor(const QColor& color);
    QColor backgroundColor() const { return m_background; }
    void setCornerRadius(qreal radius);
    // A radius of half the height, whatever the height becomes.
    void setPill(bool pill);
    void setBorder(const QColor& color, qreal width);
    QColor borderColor() const { return m_borderColor; }
    void setContentPadding(const QMargins& padding);
    void setFontSize(int pixelSize, QFont::Weight weight = QFont::Medium);

    // Runs `action` on every tap (after clicked()). Replaces the previous action.
    void onTap(std::function<void()> action);

    State currentState() const;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    template <typename T>
    static T pick(const std::map<State, T>& values, State state);

    std::map<State, QString> m_titles;
    std::map<State, QColor> m_titleColors;
    std::map<State, QImage> m_images;
    QColor m_background;
    QColor m_borderColor;
    qreal m_borderWidth = 0;
    qreal m_cornerRadius = 0;
    bool m_pill = false;
    QMargins m_padding{12, 6, 12, 6};
    std::function<void()> m_action;
};

} // namespace orvane
