#include "screens/offerwall/CampCellCommon.h"

#include <cmath>

#include <QHash>
#include <QPainter>
#include <QPainterPath>
#include <QRegularExpression>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>

#include "core/Log.h"
#include "core/StyledText.h"
#include "screens/offerwall/CampClickProtocol.h"
#include "ui/Theme.h"

namespace orvane {

namespace {

constexpr int kPlaceholderSide = 128;
// A description whose HTML was refused is shown as text up to this length.
constexpr qsizetype kMaxFallbackText = 4000;

QString initialOf(const std::optional<QString>& name) {
    if (!name) {
        return {};
    }
    for (const char32_t c : name->toUcs4()) {
        if (QChar::isLetterOrNumber(c)) {
            return QString::fromUcs4(&c, 1).toUpper();
        }
    }
    return {};
}

} // namespace

QImage campPlaceholderIcon(const std::optional<QString>& name) {
    static QHash<QString, QImage> cache;
    const QString initial = initialOf(name);
    if (auto it = cache.constFind(initial); it != cache.constEnd()) {
        return *it;
    }
    QImage image(kPlaceholderSide, kPlaceholderSide, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(233, 233, 238));
    const QRectF square(0, 0, kPlaceholderSide, kPlaceholderSide);
    p.drawRoundedRect(square, kPlaceholderSide / 5.0, kPlaceholderSide / 5.0);
    if (!initial.isEmpty()) {
        p.setPen(QColor(142, 142, 147));
        p.setFont(ui::boldFont(kPlaceholderSide * 45 / 100));
        p.drawText(square, Qt::AlignCenter, initial);
    }
    p.end();
    cache.insert(initial, image);
    return image;
}

namespace {

// For HTML refused (too long, broken UTF-16) or nothing but markup: the words themselves.
StyledText plainFallback(const QString& source) {
    static const QRegularExpression tags(QStringLiteral("<[^>]*>"));
    QString plain = QString(source).remove(tags).simplified();
    if (plain.size() > kMaxFallbackText) {
        plain = plain.left(kMaxFallbackText) + QChar(0x2026);
    }
    return StyledText::fromPlainText(plain);
}

StyledText htmlOrPlainText(const std::optional<QString>& html) {
    const QString source = html.value_or(QString());
    if (std::optional<StyledText> converted = htmlToString(source);
        converted && !converted->toPlainText().trimmed().isEmpty()) {
        return *converted;
    }
    return plainFallback(source);
}

} // namespace

QString campStyledHtml(const std::optional<QString>& html, const QColor& color, int pixelSize) {
    StyledText text = htmlOrPlainText(html);
    text.setColorAndFont(color, ui::font(pixelSize));
    return text.toHtml();
}

std::unique_ptr<QTextDocument> campDescriptionDocument(const Camp& camp, int descriptionPixelSize,
                                                      int amountPixelSize) {
    // Styling the description and appending the amount are edits of the converted document
    // itself (a row binds a campaign each time it scrolls into view).
    const QString source = camp.rewarddesc.value_or(QString());
    std::unique_ptr<QTextDocument> document = htmlToDocument(source);
    if (!document || document->toPlainText().trimmed().isEmpty()) {
        document = std::make_unique<QTextDocument>();
        QTextCursor(document.get()).insertFragment(plainFallback(source).fragment());
    }
    QTextCursor cursor(document.get());
    cursor.select(QTextCursor::Document);
    QTextCharFormat description;
    description.setForeground(kCampSecondaryTextColor);
    description.setFont(ui::font(descriptionPixelSize));
    cursor.mergeCharFormat(description);
    cursor.movePosition(QTextCursor::End);
    // No separator: the server writes the description with the spacing it wants before the amount.
    // The amount and its mark stay on one line.
    QTextCharFormat amount;
    amount.setForeground(ui::accentColor());
    amount.setFont(ui::boldFont(amountPixelSize));
    cursor.insertText(campRewardText(camp).replace(QLatin1Char(' '), QChar::Nbsp), amount);
    return document;
}

QString campDescriptionHtml(const Camp& camp, int descriptionPixelSize, int amountPixelSize) {
    const std::unique_ptr<QTextDocument> document =
        campDescriptionDocument(camp, descriptionPixelSize, amountPixelSize);
    return QTextDocumentFragment(document.get()).toHtml();
}

AspectImageView::AspectImageView(double expectedAspect, QWidget* parent)
    : ImageView(parent)
    , m_aspect(expectedAspect) {
    QSizePolicy policy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
}

void AspectImageView::setAspectRatio(double aspect) {
    if (!(aspect > 0) || !std::isfinite(aspect) || aspect == m_aspect) {
        return;
    }
    m_aspect = aspect;
    updateGeometry();
}

int AspectImageView::heightForWidth(int width) const {
    return static_cast<int>(std::lround(width / m_aspect));
}

QSize AspectImageView::sizeHint() const {
    const int width = ui::kPhoneSize.width();
    return {width, heightForWidth(width)};
}

void campOpenDetail(const Camp& camp, QObject* clickTarget, std::optional<int> row,
                    const char* rowKind) {
    if (auto* click = dynamic_cast<CampClickProtocol*>(clickTarget); click && row) {
        click->onClick(*row);
    } else {
        Log::error(QString::fromUtf8(rowKind) +
                       QStringLiteral(" clickJoin: no screen to open the detail of campaign"),
                   camp.campid);
    }
}

} // namespace orvane
