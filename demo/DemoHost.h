#pragma once

#include "platform/ui/ViewController.h"

namespace orvane {
class Button;
}

namespace orvane::demo {

// The sample host's own screen: what an application that embeds the kit might show, with the one
// button that opens the offerwall through the facade.
class DemoHost final : public ViewController {
    Q_OBJECT
public:
    explicit DemoHost(QWidget* parent = nullptr);

    Button* openButton() const { return m_open; }
    void openOfferwall();

private:
    Button* m_open;
};

} // namespace orvane::demo
