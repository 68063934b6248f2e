#include "platform/ui/Label.h"

#include <QPainter>
#include <QPainterPath>
#include <QTextDocument>

#include "platform/ui/Theme.h"

namespace orvane {

StyledText::StyledText(const QString& text, const QColor& color) {
    m_runs.append({text, color, QFont(), false});
}

StyledText::StyledText(const QString& text, const QColor& color, const QFont& font) {
    m_runs.append({text, color, font, true});
}

StyledText& StyledText::append(const StyledText& other) {
    m_runs.append(other.m_runs);
    return *this;
}

void StyledText::setColor(const QColor& color) {
    for (Run& run : m_runs)
        run.color = color;
}

void StyledText::setFont(const QFont& font) {
    for (Run& run : m_runs) {
        run.font = font;
        run.hasFont = true;
    }
}

QString StyledText::plainText() const {
    QString text;
    for (const Run& run : m_runs)
        text += run.text;
    return text;
}

QString StyledText::toHtml() const {
    QString html;
    for (const Run& run : m_runs) {
        QStringList style;
        if (run.color.isValid())
            style << QStringLiteral("color:%1").arg(run.color.name(QColor::HexRgb));
        if (run.hasFont) {
            if (run.font.pixelSize() > 0)
                style << QStringLiteral("font-size:%1px").arg(run.font.pixelSize());
            else if (run.font.pointSizeF() > 0)
                style << QStringLiteral("font-size:%1pt").arg(run.font.pointSizeF());
            style << QStringLiteral("font-weight:%1").arg(run.font.weight());
            if (run.font.italic())
                style << QStringLiteral("font-style:italic");
        }
        QString text = run.text.toHtmlEscaped();
        text.replace(u'\n', QStringLiteral("<br/>"));
        html += QStringLiteral("<span style=\"%1\">%2</span>").arg(style.join(u';'), text);
    }
    return html;
}

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

void Label::setStyledText(const StyledText& text) {
    m_styled = text;
    setTextFormat(Qt::RichText);
    setText(text.toHtml());
}

QString Label::plainText() const {
    return textFormat() == Qt::RichText ? m_styled.plainText() : text();
}

void Label::setPlainText(const QString& text) {
    m_styled = {};
    setTextFormat(Qt::PlainText);
    setText(text);
}

void Label::setTextColor(const QColor& color) {
    QPalette p = palette();
    p.setColor(QPalette::WindowText, color);
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
