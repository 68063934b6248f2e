#pragma once

#include <QList>
#include <QPointer>

namespace orvane {

class ViewController;

// What the facade keeps beside the settings store. Both halves of the facade reach it: the
// settings half makes it, the Widgets half fills it.
class OrvanePrivate final {
public:
    // The offerwalls presentOrvane() made, for closeOfferwall(); a closed one reads as null.
    QList<QPointer<ViewController>> presented;
    // Closes them; set by the Widgets half when it presents one. (closeOfferwall() is a slot, so
    // it lives in the settings half, which reaches no widget.)
    void (*closePresented)(OrvanePrivate& d) = nullptr;
};

} // namespace orvane
