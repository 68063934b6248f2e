#include "sdk/Orvane.h"

#include "platform/Log.h"
#include "platform/UserDefaults.h"
#include "platform/ui/Storyboard.h"
#include "platform/ui/Theme.h"
#include "platform/ui/ViewController.h"
#include "screens/carousel/OrvaneCarouselView.h"
#include "screens/offerwall/OrvaneViewController.h"
#include "sdk/HostEvents.h"
#include "sdk/SettingsKeys.h"

namespace orvane {

Orvane::Orvane()
    : m_colorPrimary(QColor::fromRgbF(1.0f, 92.0f / 255.0f, 90.0f / 255.0f, 1.0f))
    , m_colorDisable(QColor::fromRgbF(160.0f / 255.0f, 160.0f / 255.0f, 160.0f / 255.0f, 1.0f)) {
    // The kit reports what happened to HostEvents; the facade passes it on to the host.
    HostEvents& events = HostEvents::shared();
    connect(&events, &HostEvents::offerwallShown, this, &Orvane::offerwallShown);
    connect(&events, &HostEvents::offerwallClosed, this, &Orvane::offerwallClosed);
    connect(&events, &HostEvents::participationStarted, this, &Orvane::participationStarted);
    connect(&events, &HostEvents::rewardConfirmed, this, &Orvane::rewardConfirmed);
    connect(&events, &HostEvents::inquirySent, this, &Orvane::inquirySent);
}

Orvane& Orvane::shared() {
    // Lives for the whole process: the host's connections to it never see it go.
    static Orvane* instance = new Orvane;
    return *instance;
}

void Orvane::initialize(const QString& mkey, const QString& mckey, const QString& userId) {
    UserDefaults& defaults = UserDefaults::standard();
    defaults.set(keys::kMkey, mkey);
    defaults.set(keys::kMckey, mckey);
    defaults.set(keys::kUserId, userId);
    defaults.registerDefaults({{keys::kTrackingUsage, true}});
}

ViewController* Orvane::orvaneViewController() {
    OrvaneViewController::registerStoryboard();
    return Storyboard::instantiateInitialViewController(OrvaneViewController::kStoryboardName);
}

void Orvane::presentOrvane(ViewController* from) {
    if (!from) {
        Log::error("Orvane presentOrvane: no view controller to present from");
        return;
    }
    ViewController* offerwall = orvaneViewController();
    if (offerwall)
        from->present(offerwall, true);
}

void Orvane::presentOrvane(QWidget* from) {
    if (!from) {
        Log::error("Orvane presentOrvane: no widget to present from");
        return;
    }
    for (QWidget* w = from; w; w = w->parentWidget()) {
        if (auto* vc = qobject_cast<ViewController*>(w)) {
            presentOrvane(vc);
            return;
        }
    }
    ViewController* offerwall = orvaneViewController();
    if (!offerwall)
        return;
    offerwall->setParent(from->window(), Qt::Window);
    offerwall->setWindowModality(Qt::WindowModal);
    offerwall->setAttribute(Qt::WA_DeleteOnClose);
    offerwall->resize(ui::kPhoneSize);
    offerwall->show();
}

OrvaneCarouselView* Orvane::orvaneCarouselView() {
    return new OrvaneCarouselView;
}

void Orvane::setMainTitle(const QString& mainTitle) {
    UserDefaults::standard().set(keys::kMainTitle, mainTitle);
}

void Orvane::setListType(int listType) {
    UserDefaults::standard().set(keys::kListType, listType);
}

void Orvane::setDebugEnabled(bool enabled) {
    Log::setDisplayLog(enabled);
}

void Orvane::setAge(int age) {
    UserDefaults::standard().set(keys::kAge, age);
}

void Orvane::setGender(const QString& gender) {
    UserDefaults::standard().set(keys::kGender, gender);
}

void Orvane::setBenefitsType(int benefitsType) {
    UserDefaults::standard().set(keys::kBenefitsDisplayType, benefitsType);
}

void Orvane::setCopyRightVisibility(bool visibility) {
    UserDefaults::standard().set(keys::kCopyrightVisibility, visibility);
}

void Orvane::setTrackingUsage(bool use) {
    UserDefaults::standard().set(keys::kTrackingUsage, use);
}

} // namespace orvane
