#pragma once

#include <QPointer>

#include "screens/carousel/OrvaneCarouselView.h"
#include "ui/ViewController.h"

class QVBoxLayout;

namespace orvane {
class Button;
class Label;
} // namespace orvane

namespace orvane::demo {

// The sample host's own screen: what an application that embeds the kit might show, with a button
// that opens the offerwall through the facade and one that shows the kit's carousel in the host's
// own layout (and hides it again). It listens to the kit's signals the way a host would and says
// what it heard under its buttons (the balance it would refresh, the music it would pause).
class DemoHost final : public ViewController {
    Q_OBJECT
public:
    explicit DemoHost(QWidget* parent = nullptr);

    Button* openButton() const { return m_open; }
    void openOfferwall();

    Button* carouselButton() const { return m_carouselButton; }
    OrvaneCarouselView* carousel() const { return m_carousel; }
    void toggleCarousel();
    Label* statusLabel() const { return m_status; }

private:
    Button* m_open;
    Button* m_carouselButton;
    QVBoxLayout* m_column;
    Label* m_status;
    QPointer<OrvaneCarouselView> m_carousel;
};

} // namespace orvane::demo
