#pragma once

#include <memory>

#include <QColor>
#include <QFont>
#include <QLabel>

class QPainter;
class QTextDocument;

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
    // The background colour with its corner radius, when one is set.
    void paintBackground(QPainter& painter) const;

private:
    QColor m_background;
    qreal m_cornerRadius = 0;
};

// A word-wrapped label for a styled document that takes the width its layout gives it, such as a
// row's description. QLabel lays its text out again for every measure and paint: at several trial
// widths for its size hints, twice per heightForWidth (the width asked, then its own back), and
// once more when it paints, shaping the text anew each time; for a row of a list that is more work
// than binding, laying out and painting the row together. This label shows the document it is
// given (setRichDocument), set up as QLabel sets up its own (font, alignment, word wrap, no frame
// margin), and lays it out only when the width changes: at the label's width, for heightForWidth
// and painting. Its size hints ask for one character and one line: a word wider than the label
// breaks between characters rather than widening the label, so a long address in a description
// never pushes the rest of its row (the row's action) out of view. Any other text (set with
// setText, setRichText or setPlainText), or a label not wrapped, indented or framed, is QLabel's as
// before.
class WrappingRichLabel final : public Label {
    Q_OBJECT
public:
    using Label::Label;
    ~WrappingRichLabel() override;

    // Shows `document` as it is: styled text built as a document (a row's description), with no
    // HTML written out and parsed back. text() and plainText() are then its plain text, which is
    // also what accessibility reads.
    void setRichDocument(std::unique_ptr<QTextDocument> document);
    // The styled text shown, as HTML (the text itself when it is plain).
    QString html() const;

    QSize minimumSizeHint() const override;
    QSize sizeHint() const override;
    int heightForWidth(int width) const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // Whether the label shows the document setRichDocument() gave it, measured and painted here.
    bool measuresItself() const;
    // That document, laid out at `textWidth`.
    QTextDocument& document(qreal textWidth) const;
    // Sets the document up as QLabel sets up its own: the label's font and alignment, word wrap,
    // no frame margin.
    void setUp() const;

    std::unique_ptr<QTextDocument> m_document;
    QString m_documentText;
    mutable QFont m_documentFont;
    mutable Qt::Alignment m_documentAlignment;
};

} // namespace orvane
