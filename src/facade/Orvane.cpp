#include "orvane/Orvane.h"

#include "core/HostColors.h"
#include "core/HostEvents.h"
#include "core/ImageCache.h"
#include "core/KitConstants.h"
#include "core/Localized.h"
#include "core/Log.h"
#include "core/SettingsKeys.h"
#include "core/UserDefaults.h"
#include "facade/OrvanePrivate.h"
#include "participation/ApiJoin.h"

namespace orvane {

static_assert(Orvane::TYPE_LIST_NATIVE == kListTypeNative);
static_assert(Orvane::TYPE_LIST_ICON == kListTypeIcon);
static_assert(Orvane::TYPE_BENEFITS_DISPLAY_POPUP == kBenefitsDisplayPopup);
static_assert(Orvane::TYPE_BENEFITS_DISPLAY_LIST_TOP == kBenefitsDisplayListTop);
static_assert(int(Orvane::ListType::Native) == kListTypeNative);
static_assert(int(Orvane::ListType::Icon) == kListTypeIcon);
static_assert(int(Orvane::BenefitsDisplay::Popup) == kBenefitsDisplayPopup);
static_assert(int(Orvane::BenefitsDisplay::ListTop) == kBenefitsDisplayListTop);

namespace {

Orvane::Failure publicFailure(HostEvents::Failure failure) {
    switch (failure) {
    case HostEvents::Failure::NotConfigured:
        return Orvane::Failure::NotConfigured;
    case HostEvents::Failure::ListLoadFailed:
        return Orvane::Failure::ListLoadFailed;
    case HostEvents::Failure::NoCampaigns:
        break;
    }
    return Orvane::Failure::NoCampaigns;
}

} // namespace

Orvane::Orvane()
    : d(std::make_unique<OrvanePrivate>()) {
    // The kit reports what happened to HostEvents; the facade passes it on to the host.
    HostEvents& events = HostEvents::shared();
    connect(&events, &HostEvents::offerwallShown, this,
            [this] { Q_EMIT offerwallShown(QPrivateSignal()); });
    connect(&events, &HostEvents::offerwallClosed, this,
            [this] { Q_EMIT offerwallClosed(QPrivateSignal()); });
    connect(&events, &HostEvents::participationStarted, this,
            [this](qint64 campid) { Q_EMIT participationStarted(campid, QPrivateSignal()); });
    connect(&events, &HostEvents::rewardConfirmed, this,
            [this](const Reward& reward) { Q_EMIT rewardConfirmed(reward, QPrivateSignal()); });
    connect(&events, &HostEvents::inquirySent, this,
            [this] { Q_EMIT inquirySent(QPrivateSignal()); });
    connect(&events, &HostEvents::offerwallFailed, this, [this](HostEvents::Failure failure) {
        Q_EMIT offerwallFailed(publicFailure(failure), QPrivateSignal());
    });
    connect(&events, &HostEvents::campaignsAvailable, this,
            [this](int count) { Q_EMIT campaignsAvailable(count, QPrivateSignal()); });
    connect(&events, &HostEvents::closeRequested, this,
            [this] { Q_EMIT closeRequested(QPrivateSignal()); });
}

Orvane::~Orvane() = default;

Orvane& Orvane::shared() {
    // Lives for the whole process: the host's connections to it never see it go.
    static Orvane* instance = new Orvane;
    return *instance;
}

QString Orvane::version() {
    return QStringLiteral(ORVANE_VERSION_STRING);
}

QColor Orvane::orvaneColorPrimary() const {
    return accentColor();
}

void Orvane::setOrvaneColorPrimary(const QColor& color) {
    setAccentColor(color);
}

QColor Orvane::orvaneColorDisable() const {
    return disabledColor();
}

void Orvane::setOrvaneColorDisable(const QColor& color) {
    setDisabledColor(color);
}

void Orvane::initialize(const QString& mkey, const QString& mckey, const QString& userId) {
    UserDefaults& defaults = UserDefaults::standard();
    defaults.set(keys::kMkey, mkey);
    defaults.set(keys::kMckey, mckey);
    defaults.set(keys::kUserId, userId);
    defaults.registerDefaults({{keys::kTrackingUsage, true}});
}

QString Orvane::mkey() const {
    return UserDefaults::standard().string(keys::kMkey).value_or(QString());
}

QString Orvane::mckey() const {
    return UserDefaults::standard().string(keys::kMckey).value_or(QString());
}

QString Orvane::userId() const {
    return UserDefaults::standard().string(keys::kUserId).value_or(QString());
}

void Orvane::setMainTitle(const QString& mainTitle) {
    UserDefaults::standard().set(keys::kMainTitle, mainTitle);
}

QString Orvane::mainTitle() const {
    return UserDefaults::standard().string(keys::kMainTitle).value_or(QString());
}

void Orvane::setListType(ListType listType) {
    setListType(static_cast<int>(listType));
}

void Orvane::setListType(int listType) {
    UserDefaults::standard().set(keys::kListType, listType);
}

Orvane::ListType Orvane::listType() const {
    return static_cast<ListType>(UserDefaults::standard().integer(keys::kListType));
}

void Orvane::setDebugEnabled(bool enabled) {
    Log::setDisplayLog(enabled);
}

bool Orvane::isDebugEnabled() const {
    return Log::displayLog();
}

void Orvane::setAge(int age) {
    UserDefaults::standard().set(keys::kAge, age);
}

int Orvane::age() const {
    return static_cast<int>(UserDefaults::standard().integer(keys::kAge));
}

void Orvane::setGender(Gender gender) {
    setGender(QString::number(static_cast<int>(gender)));
}

void Orvane::setGender(const QString& gender) {
    UserDefaults::standard().set(keys::kGender, gender);
}

Orvane::Gender Orvane::gender() const {
    const QString text = UserDefaults::standard().string(keys::kGender).value_or(QString());
    if (text == TYPE_GENDER_MAN)
        return Gender::Man;
    if (text == TYPE_GENDER_WOMAN)
        return Gender::Woman;
    return Gender::Unknown;
}

void Orvane::setBenefitsType(BenefitsDisplay benefitsType) {
    setBenefitsType(static_cast<int>(benefitsType));
}

void Orvane::setBenefitsType(int benefitsType) {
    UserDefaults::standard().set(keys::kBenefitsDisplayType, benefitsType);
}

Orvane::BenefitsDisplay Orvane::benefitsType() const {
    return UserDefaults::standard().integer(keys::kBenefitsDisplayType) == kBenefitsDisplayPopup
               ? BenefitsDisplay::Popup
               : BenefitsDisplay::ListTop;
}

void Orvane::setCopyRightVisibility(bool visibility) {
    UserDefaults::standard().set(keys::kCopyrightVisibility, visibility);
}

bool Orvane::copyRightVisibility() const {
    return UserDefaults::standard().boolean(keys::kCopyrightVisibility);
}

void Orvane::setTrackingUsage(bool use) {
    UserDefaults::standard().set(keys::kTrackingUsage, use);
}

bool Orvane::trackingUsage() const {
    return UserDefaults::standard().boolean(keys::kTrackingUsage);
}

bool Orvane::setStrings(const QLocale& locale, const QHash<QString, QString>& texts) {
    return setHostTexts(locale.name().section(QLatin1Char('_'), 0, 0), texts);
}

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

void Orvane::closeOfferwall() {
    if (d->closePresented) {
        d->closePresented(*d);
    }
}

void Orvane::logout() {
    ApiJoin::shared().endSession();
    // What the host told about this user goes with them.
    UserDefaults& defaults = UserDefaults::standard();
    defaults.remove(keys::kAge);
    defaults.remove(keys::kGender);
}

} // namespace orvane
