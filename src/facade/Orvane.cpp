#include "orvane/Orvane.h"

#include "core/HostEvents.h"
#include "core/ImageCache.h"
#include "core/KitConstants.h"
#include "core/Log.h"
#include "core/SettingsKeys.h"
#include "core/UserDefaults.h"
#include "participation/ApiJoin.h"
#include "screens/carousel/OrvaneCarouselView.h"
#include "screens/offerwall/OrvaneViewController.h"
#include "ui/PlatformServicesUi.h"
#include "ui/Storyboard.h"
#include "ui/Theme.h"
#include "ui/ViewController.h"

namespace orvane {

static_assert(Orvane::TYPE_LIST_NATIVE == kListTypeNative);
static_assert(Orvane::TYPE_LIST_ICON == kListTypeIcon);
static_assert(Orvane::TYPE_BENEFITS_DISPLAY_POPUP == kBenefitsDisplayPopup);
static_assert(Orvane::TYPE_BENEFITS_DISPLAY_LIST_TOP == kBenefitsDisplayListTop);

class OrvanePrivate final {};

namespace {

ViewController* newOfferwall() {
    OrvaneViewController::registerStoryboard();
    return Storyboard::instantiateInitialViewController(OrvaneViewController::kStoryboardName);
}

} // namespace

Orvane::Orvane()
    : d(std::make_unique<OrvanePrivate>()) {
    installDesktopServices();
    // The kit reports what happened to HostEvents; the facade passes it on to the host.
    HostEvents& events = HostEvents::shared();
    connect(&events, &HostEvents::offerwallShown, this, &Orvane::offerwallShown);
    connect(&events, &HostEvents::offerwallClosed, this, &Orvane::offerwallClosed);
    connect(&events, &HostEvents::participationStarted, this, &Orvane::participationStarted);
    connect(&events, &HostEvents::rewardConfirmed, this, &Orvane::rewardConfirmed);
    connect(&events, &HostEvents::inquirySent, this, &Orvane::inquirySent);
}

Orvane::~Orvane() = default;

QColor Orvane::orvaneColorPrimary() const {
    return ui::accentColor();
}

void Orvane::setOrvaneColorPrimary(const QColor& color) {
    ui::setAccentColor(color);
}

QColor Orvane::orvaneColorDisable() const {
    return ui::disabledColor();
}

void Orvane::setOrvaneColorDisable(const QColor& color) {
    ui::setDisabledColor(color);
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

QWidget* Orvane::orvaneViewController() {
    return newOfferwall();
}

void Orvane::presentOrvane(QWidget* from) {
    if (!from) {
        Log::error("Orvane presentOrvane: no widget to present from");
        return;
    }
    for (QWidget* w = from; w; w = w->parentWidget()) {
        if (auto* vc = qobject_cast<ViewController*>(w)) {
            if (ViewController* offerwall = newOfferwall())
                vc->present(offerwall, true);
            return;
        }
    }
    ViewController* offerwall = newOfferwall();
    if (!offerwall)
        return;
    offerwall->setParent(from->window(), Qt::Window);
    offerwall->setWindowModality(Qt::WindowModal);
    offerwall->setAttribute(Qt::WA_DeleteOnClose);
    offerwall->resize(ui::kPhoneSize);
    offerwall->show();
}

QWidget* Orvane::orvaneCarouselView() {
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

namespace orvane {

void Orvane::setChildDirected(bool childDirected) {
    UserDefaults::standard().set(keys::kChildDirected, childDirected);
}

bool Orvane::isChildDirected() const {
    return UserDefaults::standard().boolean(keys::kChildDirected);
}

void Orvane::setImageCacheLimit(qint64 bytes) {
    if (bytes > 0) {
        UserDefaults::standard().set(keys::kImageCacheLimit, bytes);
    } else {
        UserDefaults::standard().remove(keys::kImageCacheLimit);
    }
    ImageCache::defaultCache().trimSoon();
}

qint64 Orvane::imageCacheLimit() const {
    return ImageCache::diskLimit();
}

void Orvane::logout() {
    ApiJoin::shared().endSession();
    // What the host told about this user goes with them.
    UserDefaults& defaults = UserDefaults::standard();
    defaults.remove(keys::kAge);
    defaults.remove(keys::kGender);
}

} // namespace orvane
