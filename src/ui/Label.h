#pragma once

#include <QColor>
#include <QFont>
#include <QLabel>

namespace orvane {

// A text label: plain text (setText / setPlainText) or styled text (setRichText, e.g. with
// StyledText::toHtml() of core/StyledText.h), with a text colour, an optional background colour and
// corner radius (a label drawn as a button), word wrap on by default. Main thread only.
class Label : public QLabel {
    Q_OBJECT
public:
    explicit Label(QWidget* parent = nullptr);
    explicit Label(const QString& text, QWidget* parent = nullptr);

    // Shows `html` as rich text. QLabel's text document never loads remote resources.
    void setRichText(const QString& html);
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
    QColor m_background;
    qreal m_cornerRadius = 0;
};

// A word-wrapped label for styled text that takes the width its layout gives it, such as a row's
// description. QLabel works out its size hints by laying its text out at several trial widths (a
// search for a pleasing width, one long line, the narrowest) whenever the text changes; for a row
// of a list that is more work than binding, laying out and painting the row together. Where the
// width comes from the layout, only the narrowest width matters (the longest word, so the layout
// never squeezes it). This label measures that with one layout and reports it as both hints; the
// height at the given width stays QLabel's heightForWidth (the same as painting uses), kept for the
// last width.
class WrappingRichLabel final : public Label {
    Q_OBJECT
public:
    using Label::Label;

    QSize minimumSizeHint() const override;
    QSize sizeHint() const override;
    // QLabel's height for `width`, kept for the last width asked: a row asks for it to measure
    // itself, again when its layout is set and again before painting, and QLabel lays the text
    // out anew each time.
    int heightForWidth(int width) const override;

private:
    mutable QString m_measuredText;
    mutable QFont m_measuredFont;
    mutable QSize m_narrowest;
    struct Height {
        QString text;
        QFont font;
        QMargins margins;
        int width = -1;
        int height = -1;
    };
    mutable Height m_height;
};

} // namespace orvane
