#include "core/StyledText.h"

#include <QList>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>

#include "core/Log.h"

namespace orvane {

namespace {

// A document that never loads anything: not from the network, not from disk, not through a
// resource provider the host may have installed. The answer must be a valid (empty) value:
// QTextDocument asks the resource providers whenever loadResource() answers nothing.
class OfflineDocument final : public QTextDocument {
public:
    using QTextDocument::QTextDocument;

protected:
    QVariant loadResource(int, const QUrl&) override { return QVariant(QByteArray()); }
};

// Clears a background picture from every cell of `table`. Cell formats live outside the text
// fragments, and a table's own background picture is handed down to its cells.
void dropCellBackgrounds(QTextTable& table) {
    for (int row = 0; row < table.rows(); ++row) {
        for (int column = 0; column < table.columns(); ++column) {
            QTextTableCell cell = table.cellAt(row, column);
            QTextCharFormat format = cell.format();
            if (cell.row() == row && cell.column() == column && // once per merged cell
                format.hasProperty(QTextFormat::BackgroundImageUrl)) {
                format.clearProperty(QTextFormat::BackgroundImageUrl);
                cell.setFormat(format);
            }
        }
    }
}

// Clears a background picture from every frame (body, tables and their cells).
void dropFrameBackgrounds(QTextFrame* frame) {
    QTextFrameFormat format = frame->frameFormat();
    if (format.hasProperty(QTextFormat::BackgroundImageUrl)) {
        format.clearProperty(QTextFormat::BackgroundImageUrl);
        frame->setFrameFormat(format);
    }
    if (auto* table = qobject_cast<QTextTable*>(frame)) {
        dropCellBackgrounds(*table);
    }
    const QList<QTextFrame*> children = frame->childFrames();
    for (QTextFrame* child : children) {
        dropFrameBackgrounds(child);
    }
}

// Removes pictures: image objects, and background pictures of text, blocks and frames.
void dropPictures(QTextDocument& document) {
    constexpr int kBackground = QTextFormat::BackgroundImageUrl;
    struct Span {
        int position;
        int length;
        bool image;
    };
    QList<Span> spans;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        if (block.blockFormat().hasProperty(kBackground)) {
            QTextBlockFormat format = block.blockFormat();
            format.clearProperty(kBackground);
            QTextCursor(block).setBlockFormat(format);
        }
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const QTextCharFormat format = fragment.charFormat();
            if (fragment.isValid() && (format.isImageFormat() || format.hasProperty(kBackground))) {
                spans.append({fragment.position(), fragment.length(), format.isImageFormat()});
            }
        }
    }
    // Last first, so earlier positions stay valid.
    for (auto it = spans.crbegin(); it != spans.crend(); ++it) {
        QTextCursor cursor(&document);
        cursor.setPosition(it->position);
        cursor.setPosition(it->position + it->length, QTextCursor::KeepAnchor);
        if (it->image) {
            cursor.removeSelectedText();
        } else {
            QTextCharFormat format = cursor.charFormat();
            format.clearProperty(kBackground);
            cursor.setCharFormat(format);
        }
    }
    dropFrameBackgrounds(document.rootFrame());
}

// Runs `edit` on a document holding `fragment` with the whole text selected.
template <typename Edit>
QTextDocumentFragment edited(const QTextDocumentFragment& fragment, Edit edit) {
    OfflineDocument document;
    QTextCursor cursor(&document);
    cursor.insertFragment(fragment);
    cursor.select(QTextCursor::Document);
    edit(cursor);
    return QTextDocumentFragment(&document);
}

} // namespace

StyledText StyledText::fromPlainText(const QString& text) {
    return StyledText(QTextDocumentFragment::fromPlainText(text));
}

QString StyledText::toHtml() const {
    return m_fragment.toHtml();
}

QString StyledText::toPlainText() const {
    return m_fragment.toPlainText();
}

bool StyledText::isEmpty() const {
    return m_fragment.isEmpty();
}

void StyledText::setColor(const QColor& color) {
    m_fragment = edited(m_fragment, [&](QTextCursor& cursor) {
        QTextCharFormat format;
        format.setForeground(color);
        cursor.mergeCharFormat(format);
    });
}

void StyledText::setFont(const QFont& font) {
    m_fragment = edited(m_fragment, [&](QTextCursor& cursor) {
        QTextCharFormat format;
        format.setFont(font);
        cursor.mergeCharFormat(format);
    });
}

void StyledText::append(const StyledText& other) {
    m_fragment = edited(m_fragment, [&](QTextCursor& cursor) {
        cursor.movePosition(QTextCursor::End);
        // Plain text takes the cursor's format; start from none so it keeps its own (plain) look.
        cursor.setCharFormat(QTextCharFormat());
        cursor.insertFragment(other.m_fragment);
    });
}

void StyledText::setColorAndFont(const QColor& color, const QFont& font) {
    m_fragment = edited(m_fragment, [&](QTextCursor& cursor) {
        QTextCharFormat format;
        format.setForeground(color);
        format.setFont(font);
        cursor.mergeCharFormat(format);
    });
}

std::unique_ptr<QTextDocument> htmlToDocument(const QString& html) {
    if (html.size() > kMaxHtmlLength) {
        Log::error("htmlToString : text too long,", html.size(), "characters");
        return nullptr;
    }
    if (!html.isValidUtf16()) {
        Log::error("htmlToString : text is not valid UTF-16");
        return nullptr;
    }
    auto document = std::make_unique<OfflineDocument>();
    document->setHtml(html);
    dropPictures(*document);
    return document;
}

std::optional<StyledText> htmlToString(const QString& html) {
    const std::unique_ptr<QTextDocument> document = htmlToDocument(html);
    if (!document) {
        return std::nullopt;
    }
    return StyledText(QTextDocumentFragment(document.get()));
}

} // namespace orvane
