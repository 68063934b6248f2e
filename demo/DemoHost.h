#pragma once

#include <optional>

#include <QPointer>
#include <QTimer>
#include <QUrl>
#include <QWidget>

class QLabel;
class QNetworkAccessManager;
class QPushButton;
class QVBoxLayout;

namespace orvane {
class Reward;
} // namespace orvane

namespace demo {

// The sample host's own window: what an application that embeds the kit might show. One button
// presents the offerwall over it, another places the kit's carousel in its layout (and takes it
// away again). It listens to the kit's signals the way a host would: a status line says what it
// heard. The wallet shows the balance the host's own server holds (examples/reward-server), which
// the campaign server credits with a signed call per reward: a reward the kit reports is only a
// cue to ask that server again, never an amount to add up here.
class DemoHost final : public QWidget {
    Q_OBJECT
public:
    explicit DemoHost(QWidget* parent = nullptr);

    void openOfferwall();
    void toggleCarousel();
    QWidget* carousel() const { return m_carousel; }

    // The host's reward server (its address, without a path) and the user whose balance the
    // wallet shows. Asks for the balance at once.
    void setWalletServer(const QUrl& server, const QString& userId);
    void refreshWallet();
    QLabel* wallet() const { return m_wallet; }

private:
    void rewardConfirmed(const orvane::Reward& reward);
    void balanceArrived(double balance, const QString& mark);

    QVBoxLayout* m_column;
    QPushButton* m_open;
    QPushButton* m_carouselButton;
    QLabel* m_status;
    QLabel* m_wallet;
    QPointer<QWidget> m_carousel;

    QNetworkAccessManager* m_network;
    QUrl m_walletServer;
    QString m_userId;
    std::optional<double> m_balance;
    // After a reward: the balance before it, and a few more asks while the credit is on its way.
    std::optional<double> m_balanceBeforeReward;
    QTimer m_walletRetry;
    int m_walletRetries = 0;
};

} // namespace demo
