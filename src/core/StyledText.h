#pragma once

#include <memory>
#include <optional>

#include <QColor>
#include <QFont>
#include <QString>
#include <QTextDocument>
#include <QTextDocumentFragment>

namespace orvane {

// Styled text converted from the HTML the servers send (campaign descriptions, the notice text,
// the inquiry form's consent text). A value type over a QTextDocumentFragment; cheap to copy.
//
// Showing it in a QLabel:
//     label->setTextFormat(Qt::RichText);
//     label->setText(text.toHtml());
// Styling it the way the screens do:
//     StyledText text = htmlToString(html).value_or(StyledText::fromPlainText(fallback));
//     text.setColor(ui::accentColor());
//     text.setFont(font);
//     text.append(StyledText::fromPlainText(QStringLiteral(" more")));
//
// Build and use it on the main thread (text layout uses the application's fonts).
class StyledText final {
public:
    StyledText() = default;
    static StyledText fromPlainText(const QString& text);

    // HTML for QLabel (Qt::RichText) or QTextDocument::setHtml.
    QString toHtml() const;
    QString toPlainText() const;
    bool isEmpty() const;
    const QTextDocumentFragment& fragment() const { return m_fragment; }

    // Apply over the whole text, overriding what the HTML set.
    void setColor(const QColor& color);
    void setFont(const QFont& font);
    // Appends `other` after this text, keeping each part's styles.
    void append(const StyledText& other);
    // setColor and setFont in one edit of the text.
    void setColorAndFont(const QColor& color, const QFont& font);

private:
    explicit StyledText(QTextDocumentFragment fragment)
        : m_fragment(std::move(fragment)) {}

    QTextDocumentFragment m_fragment;

    friend std::optional<StyledText> htmlToString(const QString& html);
};

// Converts an HTML fragment into styled text. Absent (not an empty text) when the conversion
// fails: the text is not valid UTF-16, or it is longer than kMaxHtmlLength. Never loads a
// resource: no remote request and no local file read. Pictures (<img>, background images) are
// dropped, because they could only be shown by fetching them; style sheets by address are ignored.
std::optional<StyledText> htmlToString(const QString& html);

// The same conversion into a document of its own, for a caller that styles the text further and
// exports it once (no copy of the text per step). The document loads nothing either. Null when
// the conversion fails.
std::unique_ptr<QTextDocument> htmlToDocument(const QString& html);

// Longest HTML text converted (characters); longer texts are refused rather than laid out on the
// main thread for seconds.
inline constexpr qsizetype kMaxHtmlLength = 1 << 20;

} // namespace orvane
