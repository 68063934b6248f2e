#include "DemoHost.h"

#include <QLocale>
#include <QVBoxLayout>

#include "orvane/Orvane.h"
#include "ui/Button.h"
#include "ui/Label.h"
#include "ui/Theme.h"

namespace orvane::demo {

namespace {
// Place of the carousel in the column: after the top stretch and the texts.
constexpr int kCarouselSlot = 2;
} // namespace

DemoHost::DemoHost(QWidget* parent)
    : ViewController(parent)
    , m_open(new Button(QStringLiteral("Open offerwall"), this))
    , m_carouselButton(new Button(QStringLiteral("Show carousel"), this))
    , m_column(new QVBoxLayout(this))
    , m_status(new Label(this)) {
    setLightAppearance();
    setWindowTitle(QStringLiteral("Orvane Offerwall demo"));

    auto* title = new Label(QStringLiteral("Sample host app"), this);
    title->setFont(ui::boldFont(28));
    title->setAlignment(Qt::AlignCenter);
    auto* body = new Label(QStringLiteral("This window stands for your application. The offerwall "
                                          "runs against a local sandbox server started by the "
                                          "demo; nothing leaves this machine."),
                           this);
    body->setTextColor(ui::secondaryTextColor());
    body->setFont(ui::font(ui::kBodyFontSize));
    body->setAlignment(Qt::AlignCenter);

    m_open->setObjectName(QStringLiteral("b_open_offerwall"));
    m_open->setBackgroundColor(ui::accentColor());
    m_open->setTitleColor(Qt::white);
    m_open->setPill(true);
    m_open->setFontSize(17, QFont::DemiBold);
    m_open->setMinimumHeight(52);
    m_open->onTap([this] { openOfferwall(); });

    m_carouselButton->setObjectName(QStringLiteral("b_show_carousel"));
    m_carouselButton->setBackgroundColor(ui::groupedBackgroundColor());
    m_carouselButton->setTitleColor(ui::accentColor());
    m_carouselButton->setPill(true);
    m_carouselButton->setFontSize(17, QFont::DemiBold);
    m_carouselButton->setMinimumHeight(52);
    m_carouselButton->onTap([this] { toggleCarousel(); });

    // Texts and buttons keep a margin; the carousel, placed between them, spans the full width.
    auto* texts = new QVBoxLayout;
    texts->setContentsMargins(32, 0, 32, 0);
    texts->setSpacing(16);
    texts->addWidget(title);
    texts->addWidget(body);
    auto* buttons = new QVBoxLayout;
    buttons->setContentsMargins(32, 0, 32, 0);
    buttons->setSpacing(12);
    buttons->addWidget(m_open);
    buttons->addWidget(m_carouselButton);
    m_status->setObjectName(QStringLiteral("l_host_status"));
    m_status->setTextColor(ui::secondaryTextColor());
    m_status->setFont(ui::font(ui::kSmallFontSize + 1));
    m_status->setAlignment(Qt::AlignCenter);
    buttons->addWidget(m_status);

    // What a host does with the kit's signals: here, say what happened.
    Orvane& orvane = Orvane::shared();
    connect(&orvane, &Orvane::offerwallShown, m_status,
            [this] { m_status->setPlainText(QStringLiteral("Offerwall open: game paused")); });
    connect(&orvane, &Orvane::offerwallClosed, m_status,
            [this] { m_status->setPlainText(QStringLiteral("Offerwall closed: game resumed")); });
    connect(
        &orvane, &Orvane::rewardConfirmed, m_status,
        [this](qint64, const QString& name, double amount, const QString& mark) {
            m_status->setPlainText(
                QStringLiteral("Earned %1 %2 from %3").arg(QLocale().toString(amount), mark, name));
        });

    m_column->setContentsMargins(0, 32, 0, 48);
    m_column->setSpacing(16);
    m_column->addStretch(2);
    m_column->addLayout(texts);
    m_column->addStretch(3);
    m_column->addLayout(buttons);
}

void DemoHost::openOfferwall() {
    Orvane::shared().presentOrvane(this);
}

void DemoHost::toggleCarousel() {
    if (m_carousel) {
        delete m_carousel;
        m_carouselButton->setTitle(QStringLiteral("Show carousel"));
        return;
    }
    m_carousel = qobject_cast<OrvaneCarouselView*>(Orvane::shared().orvaneCarouselView());
    m_carousel->setObjectName(QStringLiteral("v_carousel"));
    m_column->insertWidget(kCarouselSlot, m_carousel);
    m_carouselButton->setTitle(QStringLiteral("Hide carousel"));
}

} // namespace orvane::demo
