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

} // namespace orvane
