#include "DemoHost.h"

#include <orvane/Orvane.h>

#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLocale>
#include <QMetaEnum>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPushButton>
#include <QUrlQuery>
#include <QVBoxLayout>

namespace demo {

namespace {

// Place of the carousel in the column: after the top stretch and the texts.
constexpr int kCarouselSlot = 2;
// After a reward, the wallet asks the host's server again this often until the credit shows.
constexpr int kWalletRetryMs = 700;
constexpr int kWalletRetries = 8;

QString amountText(double amount, const QString& mark) {
    const QString number = QLocale().toString(amount, 'f', QLocale::FloatingPointShortest);
    return mark.isEmpty() ? number : number + QLatin1Char(' ') + mark;
}

QPushButton* pillButton(const QString& title, const QColor& fill, const QColor& text,
                        const QColor& ring, QWidget* parent) {
    auto* button = new QPushButton(title, parent);
    button->setMinimumHeight(52);
    button->setCursor(Qt::PointingHandCursor);
    button->setFocusPolicy(Qt::TabFocus); // a focus ring for the keyboard, not after a click
    // Styled on the button itself, so the host's look never reaches the kit's widgets.
    button->setStyleSheet(QStringLiteral("QPushButton { background: %1; color: %2; border: none;"
                                         " border-radius: 26px; outline: none; font-size: 17px;"
                                         " font-weight: 600; }"
                                         "QPushButton:pressed { background: %3; }"
                                         "QPushButton:focus { border: 2px solid %4; }")
                              .arg(fill.name(), text.name(), fill.darker(115).name(), ring.name()));
    return button;
}

QLabel* textLabel(const QString& text, int pixelSize, const QColor& color, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignCenter);
    label->setStyleSheet(
        QStringLiteral("color: %1; font-size: %2px;").arg(color.name()).arg(pixelSize));
    return label;
}

} // namespace

DemoHost::DemoHost(QWidget* parent)
    : QWidget(parent)
    , m_column(new QVBoxLayout(this))
    , m_network(new QNetworkAccessManager(this)) {
    setWindowTitle(QStringLiteral("Orvane Offerwall demo"));
    setAutoFillBackground(true);
    QPalette background = palette();
    background.setColor(QPalette::Window, Qt::white);
    setPalette(background);

    orvane::Orvane& kit = orvane::Orvane::shared();
    const QColor accent = kit.orvaneColorPrimary();
    const QColor secondary(0x8c, 0x8c, 0x8c);
    const QColor primary(0x1c, 0x1c, 0x1e);

    auto* title = textLabel(QStringLiteral("Sample host app"), 28, primary, this);
    title->setStyleSheet(title->styleSheet() + QStringLiteral(" font-weight: bold;"));
    auto* body = textLabel(QStringLiteral("This window stands for your application. The offerwall "
                                          "runs against a local sandbox server; nothing leaves "
                                          "this machine."),
                           15, secondary, this);
    m_open =
        pillButton(QStringLiteral("Open offerwall"), accent, Qt::white, accent.darker(150), this);
    m_carouselButton =
        pillButton(QStringLiteral("Show carousel"), QColor(0xf2, 0xf2, 0xf7), accent, accent, this);
    m_status = textLabel(QString(), 13, secondary, this);
    m_wallet = textLabel(QString(), 15, primary, this);
    m_wallet->setStyleSheet(m_wallet->styleSheet() + QStringLiteral(" font-weight: 600;"));
    m_wallet->hide();
    connect(m_open, &QPushButton::clicked, this, &DemoHost::openOfferwall);
    connect(m_carouselButton, &QPushButton::clicked, this, &DemoHost::toggleCarousel);

    // What a host does with the kit's signals: here, say what happened and keep a wallet.
    connect(&kit, &orvane::Orvane::offerwallShown, this,
            [this] { m_status->setText(QStringLiteral("Offerwall open: game paused")); });
    connect(&kit, &orvane::Orvane::offerwallClosed, this,
            [this] { m_status->setText(QStringLiteral("Offerwall closed: game resumed")); });
    connect(&kit, &orvane::Orvane::inquirySent, this,
            [this] { m_status->setText(QStringLiteral("Inquiry sent to support")); });
    connect(&kit, &orvane::Orvane::campaignsAvailable, this, [this](int count) {
        m_status->setText(QStringLiteral("Offerwall open: %1 campaigns, game paused").arg(count));
    });
    connect(&kit, &orvane::Orvane::offerwallFailed, this, [this](orvane::Orvane::Failure reason) {
        m_status->setText(
            QStringLiteral("Offerwall could not show campaigns (%1)")
                .arg(QString::fromLatin1(QMetaEnum::fromType<orvane::Orvane::Failure>().valueToKey(
                    static_cast<int>(reason)))));
    });
    connect(&kit, &orvane::Orvane::rewardConfirmed, this, &DemoHost::rewardConfirmed);
    // The offerwall closed: rewards credited meanwhile (also those the kit never saw) show now.
    connect(&kit, &orvane::Orvane::offerwallClosed, this, &DemoHost::refreshWallet);
    m_walletRetry.setSingleShot(true);
    m_walletRetry.setInterval(kWalletRetryMs);
    connect(&m_walletRetry, &QTimer::timeout, this, &DemoHost::refreshWallet);

    // Texts and buttons keep a margin; the carousel, placed between them, spans the full width.
    auto* texts = new QVBoxLayout;
    texts->setContentsMargins(32, 0, 32, 0);
    texts->setSpacing(16);
    texts->addWidget(title);
    texts->addWidget(body);
    texts->addWidget(m_wallet);
    auto* buttons = new QVBoxLayout;
    buttons->setContentsMargins(32, 0, 32, 0);
    buttons->setSpacing(12);
    buttons->addWidget(m_open);
    buttons->addWidget(m_carouselButton);
    buttons->addWidget(m_status);

    m_column->setContentsMargins(0, 24, 0, 24);
    m_column->setSpacing(12);
    m_column->addStretch(2);
    m_column->addLayout(texts);
    m_column->addStretch(3);
    m_column->addLayout(buttons);
}

void DemoHost::setWalletServer(const QUrl& server, const QString& userId) {
    m_walletServer = server;
    m_userId = userId;
    refreshWallet();
}

void DemoHost::refreshWallet() {
    if (m_walletServer.isEmpty())
        return;
    QUrl url = m_walletServer.resolved(QUrl(QStringLiteral("/balance")));
    url.setQuery(QUrlQuery{{QStringLiteral("userid"), m_userId}});
    QNetworkReply* reply = m_network->get(QNetworkRequest(url));
    connect(reply, &QNetworkReply::finished, this, [this, reply] {
        reply->deleteLater();
        const QJsonObject answer = QJsonDocument::fromJson(reply->readAll()).object();
        if (reply->error() != QNetworkReply::NoError ||
            !answer.contains(QLatin1String("balance"))) {
            m_status->setText(QStringLiteral("Your reward server does not answer"));
            return;
        }
        balanceArrived(answer.value(QLatin1String("balance")).toDouble(),
                       answer.value(QLatin1String("mark")).toString());
    });
}

// The kit saw a reward: thank the user, and ask the server that owns the balance. The campaign
// server's call to it may come a moment after the kit heard of the reward.
void DemoHost::rewardConfirmed(const orvane::Reward& reward) {
    m_status->setText(QStringLiteral("Earned %1 from %2: waiting for your server to credit it")
                          .arg(amountText(reward.amount(), reward.mark()), reward.name()));
    if (!m_balanceBeforeReward)
        m_balanceBeforeReward = m_balance.value_or(0);
    m_walletRetries = kWalletRetries;
    refreshWallet();
}

void DemoHost::balanceArrived(double balance, const QString& mark) {
    m_balance = balance;
    m_wallet->setText(QStringLiteral("Wallet: %1").arg(amountText(balance, mark)));
    m_wallet->show();
    if (!m_balanceBeforeReward)
        return;
    if (balance != *m_balanceBeforeReward) {
        m_status->setText(QStringLiteral("Your server credited %1")
                              .arg(amountText(balance - *m_balanceBeforeReward, mark)));
        m_balanceBeforeReward.reset();
    } else if (m_walletRetries-- > 0) {
        m_walletRetry.start();
    } else {
        m_status->setText(QStringLiteral("Not credited yet: the wallet updates when it is"));
        m_balanceBeforeReward.reset();
    }
}

void DemoHost::openOfferwall() {
    orvane::Orvane::shared().presentOrvane(this);
}

void DemoHost::toggleCarousel() {
    if (m_carousel) {
        delete m_carousel;
        m_carouselButton->setText(QStringLiteral("Show carousel"));
        return;
    }
    m_carousel = orvane::Orvane::shared().orvaneCarouselView(this);
    m_column->insertWidget(kCarouselSlot, m_carousel);
    m_carouselButton->setText(QStringLiteral("Hide carousel"));
}

} // namespace demo
