#pragma once

#include <QPointer>

#include "screens/carousel/OrvaneCarouselView.h"
#include "ui/ViewController.h"

class QVBoxLayout;

namespace orvane {
class Button;
} // namespace orvane

namespace orvane::demo {

// The sample host's own screen: what an application that embeds the kit might show, with a button
// that opens the offerwall through the facade and one that shows the kit's carousel in the host's
// own layout (and hides it again).
class DemoHost final : public ViewController {
    Q_OBJECT
public:
    explicit DemoHost(QWidget* parent = nullptr);

    Button* openButton() const { return m_open; }
    void openOfferwall();

    Button* carouselButton() const { return m_carouselButton; }
    OrvaneCarouselView* carousel() const { return m_carousel; }
    void toggleCarousel();

private:
    Button* m_open;
    Button* m_carouselButton;
    QVBoxLayout* m_column;
    QPointer<OrvaneCarouselView> m_carousel;
};

} // namespace orvane::demo
