#include "screens/benefits/CanReceiveBenefitsViewController.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QVBoxLayout>

#include "core/Localized.h"
#include "core/Log.h"
#include "ui/Accessibility.h"
#include "ui/ImageView.h"
#include "ui/Label.h"
#include "ui/TapRecognizer.h"
#include "ui/Theme.h"

namespace orvane {

namespace {

// A thin grey cross in a light circle, drawn at twice the size it is shown for crisp scaling.
QImage closeGlyph() {
    QImage image(56, 56, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(238, 238, 242));
    p.drawEllipse(QRectF(0, 0, 56, 56));
    p.setPen(QPen(QColor(120, 120, 128), 4, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(20, 20), QPointF(36, 36));
    p.drawLine(QPointF(36, 20), QPointF(20, 36));
    return image;
}

} // namespace

CanReceiveBenefitsViewController::CanReceiveBenefitsViewController(QWidget* parent)
    : ViewController(parent)
    , l_popup_coins_value(new Label(this))
    , iv_close(new ImageView(this))
    , m_caption(new Label(this)) {
    l_popup_coins_value->setObjectName(QStringLiteral("l_popup_coins_value"));
    iv_close->setObjectName(QStringLiteral("iv_close"));
    m_caption->setObjectName(QStringLiteral("l_popup_caption"));

    iv_close->setImage(closeGlyph());
    iv_close->setFixedSize(28, 28);
    iv_close->setCursor(Qt::PointingHandCursor);

    m_caption->setFont(ui::font(ui::kBodyFontSize));
    m_caption->setTextColor(ui::secondaryTextColor());
    m_caption->setAlignment(Qt::AlignCenter);
    l_popup_coins_value->setFont(ui::boldFont(28));
    l_popup_coins_value->setTextColor(ui::accentColor());
    l_popup_coins_value->setAlignment(Qt::AlignCenter);
    l_popup_coins_value->setWordWrap(false);

    auto* top = new QHBoxLayout;
    top->addStretch(1);
    top->addWidget(iv_close);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(16, 12, 16, 16);
    column->setSpacing(6);
    column->addLayout(top);
    column->addWidget(m_caption);
    column->addWidget(l_popup_coins_value);
    column->addStretch(1);
    setMinimumHeight(kPreferredHeight);
}

void CanReceiveBenefitsViewController::viewDidLoad() {
    setLightAppearance();
    m_caption->setPlainText(localized(QStringLiteral("ov_can_receive_benefits")));
    l_popup_coins_value->setPlainText(rewardPriceAndMark.value_or(QString()));
    l_popup_coins_value->setTextColor(ui::accentColor());
    TapRecognizer::attach(iv_close, [this] { clickClose(); });
    ui::makeKeyboardControl(iv_close, localized(QStringLiteral("ov_a11y_close")),
                            [this] { clickClose(); });
}

void CanReceiveBenefitsViewController::viewDidLayoutSubviews() {
    const QSize wanted(preferredContentSize().width(), kPreferredHeight);
    if (preferredContentSize() != wanted)
        setPreferredContentSize(wanted);
}

void CanReceiveBenefitsViewController::clickClose() {
    // As content of a sheet the popup is not presented itself: the nearest presented controller
    // above it (the sheet) is what goes.
    for (QWidget* w = this; w; w = w->parentWidget()) {
        auto* vc = qobject_cast<ViewController*>(w);
        if (vc && vc->presentingViewController()) {
            vc->dismiss(true);
            return;
        }
    }
    Log::info("CanReceiveBenefitsViewController clickClose: not presented");
}

} // namespace orvane
