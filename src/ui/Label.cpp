#include "ui/Label.h"

#include <cmath>

#include <QPainter>
#include <QPainterPath>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QTextFrame>

#include "ui/Theme.h"

namespace orvane {

Label::Label(QWidget* parent)
    : QLabel(parent) {
    setWordWrap(true);
    setTextFormat(Qt::PlainText);
    setFont(ui::font(ui::kBodyFontSize));
}

Label::Label(const QString& text, QWidget* parent)
    : Label(parent) {
    setText(text);
}

void Label::setRichText(const QString& html) {
    setTextFormat(Qt::RichText);
    setText(html);
}

QString Label::plainText() const {
    return textFormat() == Qt::RichText ? QTextDocumentFragment::fromHtml(text()).toPlainText()
                                        : text();
}

void Label::setPlainText(const QString& text) {
    setTextFormat(Qt::PlainText);
    setText(text);
}

void Label::setTextColor(const QColor& color) {
    // Inside item views a label draws with the Text role, elsewhere with WindowText: set both.
    QPalette p = palette();
    p.setColor(QPalette::WindowText, color);
    p.setColor(QPalette::Text, color);
    setPalette(p);
}

QColor Label::textColor() const {
    return palette().color(QPalette::WindowText);
}

void Label::setBackgroundColor(const QColor& color) {
    m_background = color;
    update();
}

void Label::setCornerRadius(qreal radius) {
    m_cornerRadius = radius;
    update();
}

void Label::setFontSize(int pixelSize, QFont::Weight weight) {
    setFont(ui::font(pixelSize, weight));
}

void Label::paintEvent(QPaintEvent* event) {
    if (m_background.isValid() && m_background.alpha() > 0) {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(m_background);
        p.drawRoundedRect(QRectF(rect()), m_cornerRadius, m_cornerRadius);
    }
    QLabel::paintEvent(event);
}

QSize WrappingRichLabel::minimumSizeHint() const {
    // Only styled, wrapped text without indent or frame is measured here; anything else is
    // QLabel's.
    if (textFormat() != Qt::RichText || !wordWrap() || indent() >= 0 || frameWidth() != 0) {
        return Label::minimumSizeHint();
    }
    if (m_narrowest.isValid() && m_measuredText == text() && m_measuredFont == font()) {
        return m_narrowest;
    }
    // The text laid out as QLabel lays it out (its font, alignment, word wrap, no document
    // margin), at width zero: every line then holds one unbreakable piece, so the document is as
    // wide as the widest of them.
    QTextDocument document;
    document.setUndoRedoEnabled(false);
    document.setDefaultFont(font());
    document.setHtml(text());
    QTextOption option = document.defaultTextOption();
    option.setAlignment(alignment());
    option.setWrapMode(QTextOption::WordWrap);
    document.setDefaultTextOption(option);
    QTextFrameFormat frame = document.rootFrame()->frameFormat();
    frame.setMargin(0);
    document.rootFrame()->setFrameFormat(frame);
    document.setTextWidth(0);
    const QMargins margins = contentsMargins();
    const int extra = 2 * margin();
    const QSize narrowest(static_cast<int>(std::ceil(document.size().width())) + extra +
                              margins.left() + margins.right(),
                          fontMetrics().height() + extra + margins.top() + margins.bottom());
    m_narrowest = narrowest.expandedTo(minimumSize());
    m_measuredText = text();
    m_measuredFont = font();
    return m_narrowest;
}

QSize WrappingRichLabel::sizeHint() const {
    return minimumSizeHint();
}

int WrappingRichLabel::heightForWidth(int width) const {
    const QMargins margins = contentsMargins();
    if (m_height.width != width || m_height.margins != margins || m_height.text != text() ||
        m_height.font != font()) {
        m_height = {text(), font(), margins, width, Label::heightForWidth(width)};
    }
    return m_height.height;
}

} // namespace orvane
