#pragma once

#include <QColor>
#include <QFont>
#include <QLabel>
#include <QList>

namespace orvane {

// Text made of runs, each with its own colour and font: the styled text the screens build (a
// description followed by a bold, coloured amount). Rendered as rich text; run texts are escaped,
// so they can never inject markup or fetch anything. Value type.
class StyledText final {
public:
    struct Run {
        QString text;
        QColor color; // invalid: the label's text colour
        QFont font;
        bool hasFont = false;
    };

    StyledText() = default;
    explicit StyledText(const QString& text, const QColor& color = {});
    StyledText(const QString& text, const QColor& color, const QFont& font);

    StyledText& append(const StyledText& other);
    // Colour / font over the whole text.
    void setColor(const QColor& color);
    void setFont(const QFont& font);

    const QList<Run>& runs() const { return m_runs; }
    QString plainText() const;
    bool isEmpty() const { return plainText().isEmpty(); }
    QString toHtml() const;

private:
    QList<Run> m_runs;
};

// A text label: plain text (setText) or styled text (setStyledText), with a text colour, an
// optional background colour and corner radius (a label drawn as a button), word wrap on by
// default. Main thread only.
class Label : public QLabel {
    Q_OBJECT
public:
    explicit Label(QWidget* parent = nullptr);
    explicit Label(const QString& text, QWidget* parent = nullptr);

    void setStyledText(const StyledText& text);
    StyledText styledText() const { return m_styled; }
    // The text as the user reads it, for plain and styled text alike.
    QString plainText() const;
    // Sets plain text again (drops any styled text).
    void setPlainText(const QString& text);

    void setTextColor(const QColor& color);
    QColor textColor() const;
    void setBackgroundColor(const QColor& color);
    QColor backgroundColor() const { return m_background; }
    void setCornerRadius(qreal radius);
    void setFontSize(int pixelSize, QFont::Weight weight = QFont::Normal);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    StyledText m_styled;
    QColor m_background;
    qreal m_cornerRadius = 0;
};

} // namespace orvane
