#include "ui/Label.h"

#include <cmath>

#include <QAbstractTextDocumentLayout>
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

void Label::paintBackground(QPainter& painter) const {
    if (m_background.isValid() && m_background.alpha() > 0) {
        painter.save();
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(m_background);
        painter.drawRoundedRect(QRectF(rect()), m_cornerRadius, m_cornerRadius);
        painter.restore();
    }
}

void Label::paintEvent(QPaintEvent* event) {
    if (m_background.isValid() && m_background.alpha() > 0) {
        QPainter p(this);
        paintBackground(p);
    }
    QLabel::paintEvent(event);
}

WrappingRichLabel::~WrappingRichLabel() = default;

bool WrappingRichLabel::measuresItself() const {
    return m_document && textFormat() == Qt::PlainText && m_documentText == text() && wordWrap() &&
           indent() < 0 && frameWidth() == 0;
}

void WrappingRichLabel::setRichDocument(std::unique_ptr<QTextDocument> document) {
    setPlainText(document->toPlainText());
    m_document = std::move(document);
    m_document->setUndoRedoEnabled(false);
    m_documentText = text();
    setUp();
    // QLabel ignores a text it already shows; the styles may still be new.
    updateGeometry();
    update();
}

QString WrappingRichLabel::html() const {
    if (measuresItself()) {
        return QTextDocumentFragment(m_document.get()).toHtml();
    }
    return textFormat() == Qt::RichText ? text() : text().toHtmlEscaped();
}

void WrappingRichLabel::setUp() const {
    m_document->setDefaultFont(font());
    QTextOption option = m_document->defaultTextOption();
    option.setAlignment(alignment());
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    m_document->setDefaultTextOption(option);
    QTextFrameFormat frame = m_document->rootFrame()->frameFormat();
    frame.setMargin(0);
    m_document->rootFrame()->setFrameFormat(frame);
    m_documentFont = font();
    m_documentAlignment = alignment();
}

QTextDocument& WrappingRichLabel::document(qreal textWidth) const {
    // A new font or alignment of the label is set on the document as it is.
    if (m_documentFont != font() || m_documentAlignment != alignment()) {
        setUp();
    }
    // Setting a width lays the document out even when it is the same one.
    if (m_document->textWidth() != textWidth) {
        m_document->setTextWidth(textWidth);
    }
    return *m_document;
}

QSize WrappingRichLabel::minimumSizeHint() const {
    if (!measuresItself()) {
        return Label::minimumSizeHint();
    }
    const QFontMetrics metrics = fontMetrics();
    const QMargins margins = contentsMargins();
    const int extra = 2 * margin();
    return QSize(metrics.averageCharWidth() + extra + margins.left() + margins.right(),
                 metrics.height() + extra + margins.top() + margins.bottom())
        .expandedTo(minimumSize());
}

QSize WrappingRichLabel::sizeHint() const {
    return minimumSizeHint();
}

// As QLabel computes it: the text width is `width` less the margins, the height rounded up.
int WrappingRichLabel::heightForWidth(int width) const {
    if (!measuresItself()) {
        return Label::heightForWidth(width);
    }
    if (minimumWidth() > 0) {
        width = std::max(width, minimumWidth());
    }
    const QMargins margins = contentsMargins();
    const int extra = 2 * margin();
    const int textWidth = std::max(width - extra - margins.left() - margins.right(), 0);
    const qreal height = document(textWidth).size().height();
    return std::max(static_cast<int>(std::ceil(height)) + extra + margins.top() + margins.bottom(),
                    minimumHeight());
}

// As QLabel paints styled text: the document at the width of the contents less the margins, in
// the label's text colour, placed by the vertical alignment.
void WrappingRichLabel::paintEvent(QPaintEvent* event) {
    if (!measuresItself()) {
        Label::paintEvent(event);
        return;
    }
    QPainter painter(this);
    paintBackground(painter);
    drawFrame(&painter);
    const int m = margin();
    const QRectF area = QRectF(contentsRect()).adjusted(m, m, -m, -m);
    QTextDocument& text = document(area.width());
    const qreal textHeight = text.documentLayout()->documentSize().height();
    qreal top = area.y();
    if (alignment() & Qt::AlignVCenter) {
        top += std::max((area.height() - textHeight) / 2, qreal(0));
    } else if (alignment() & Qt::AlignBottom) {
        top += std::max(area.height() - textHeight, qreal(0));
    }
    const QRectF placed = QRectF(area.x(), top, area.width(), area.height()).toAlignedRect();
    QAbstractTextDocumentLayout::PaintContext context;
    context.palette = palette();
    if (foregroundRole() != QPalette::Text && isEnabled()) {
        context.palette.setColor(QPalette::Text, context.palette.color(foregroundRole()));
    }
    painter.translate(placed.topLeft());
    painter.setClipRect(QRectF(QPointF(0, 0), placed.size()));
    text.documentLayout()->draw(&painter, context);
}

} // namespace orvane
