#include "ui/Label.h"

#include <QPainter>
#include <QPainterPath>
#include <QTextDocumentFragment>

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

} // namespace orvane
