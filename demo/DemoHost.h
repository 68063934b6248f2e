#pragma once

#include <QPointer>
#include <QWidget>

class QLabel;
class QPushButton;
class QVBoxLayout;

namespace demo {

// The sample host's own window: what an application that embeds the kit might show. One button
// presents the offerwall over it, another places the kit's carousel in its layout (and takes it
// away again). It listens to the kit's signals the way a host would: a status line says what it
// heard, and a wallet line adds up the rewards.
class DemoHost final : public QWidget {
    Q_OBJECT
public:
    explicit DemoHost(QWidget* parent = nullptr);

    void openOfferwall();
    void toggleCarousel();
    QWidget* carousel() const { return m_carousel; }

private:
    QVBoxLayout* m_column;
    QPushButton* m_open;
    QPushButton* m_carouselButton;
    QLabel* m_status;
    QLabel* m_wallet;
    double m_earned = 0;
    QString m_mark;
    QPointer<QWidget> m_carousel;
};

} // namespace demo
