#include "core/Log.h"
#include "facade/OrvanePrivate.h"
#include "orvane/Orvane.h"
#include "screens/carousel/OrvaneCarouselView.h"
#include "screens/offerwall/OrvaneViewController.h"
#include "ui/PlatformServicesUi.h"
#include "ui/Storyboard.h"
#include "ui/Theme.h"
#include "ui/ViewController.h"

// The facade's functions that make the Widgets screens. The settings half (Orvane.cpp) needs no
// widgets, so a Qt Quick host links it without Qt Widgets.

namespace orvane {

namespace {

ViewController* newOfferwall() {
    installDesktopServices();
    OrvaneViewController::registerStoryboard();
    return Storyboard::instantiateInitialViewController(OrvaneViewController::kStoryboardName);
}

// Orvane::closeOfferwall(): every offerwall presentOrvane() made goes at once.
void closePresented(OrvanePrivate& d) {
    const QList<QPointer<ViewController>> presented = std::exchange(d.presented, {});
    for (const QPointer<ViewController>& offerwall : presented) {
        if (!offerwall)
            continue;
        if (ViewController* presenter = offerwall->presentingViewController()) {
            presenter->dismiss(false);
        } else if (offerwall->isWindow()) {
            offerwall->close(); // deleted on close
        } else {
            delete offerwall.data(); // still queued behind another presentation: never shown
        }
    }
}

} // namespace

QWidget* Orvane::orvaneViewController(QWidget* parent) {
    ViewController* offerwall = newOfferwall();
    if (offerwall && parent)
        offerwall->setParent(parent);
    return offerwall;
}

void Orvane::presentOrvane(QWidget* from) {
    if (!from) {
        Log::error("Orvane presentOrvane: no widget to present from");
        return;
    }
    ViewController* offerwall = newOfferwall();
    if (!offerwall)
        return;
    d->presented.removeAll(nullptr);
    d->presented.append(offerwall);
    d->closePresented = closePresented;
    for (QWidget* w = from; w; w = w->parentWidget()) {
        if (auto* vc = qobject_cast<ViewController*>(w)) {
            vc->present(offerwall, true);
            return;
        }
    }
    offerwall->setParent(from->window(), Qt::Window);
    offerwall->setWindowModality(Qt::WindowModal);
    offerwall->setAttribute(Qt::WA_DeleteOnClose);
    offerwall->resize(ui::kPhoneSize);
    offerwall->show();
}

QWidget* Orvane::orvaneCarouselView(QWidget* parent) {
    return new OrvaneCarouselView(parent);
}

} // namespace orvane
