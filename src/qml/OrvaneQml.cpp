#include "qml/OrvaneQml.h"

#include <QQmlEngine>

#include "core/CampDisplay.h"
#include "core/Localized.h"
#include "orvane/Orvane.h"
#include "qml/CampImageProvider.h"

namespace orvane {

namespace {
Orvane& kit() {
    return Orvane::shared();
}
} // namespace

OrvaneQml::OrvaneQml() {
    connect(&kit(), &Orvane::offerwallShown, this, &OrvaneQml::offerwallShown);
    connect(&kit(), &Orvane::offerwallClosed, this, &OrvaneQml::offerwallClosed);
    connect(&kit(), &Orvane::participationStarted, this, &OrvaneQml::participationStarted);
    connect(&kit(), &Orvane::rewardConfirmed, this, &OrvaneQml::rewardConfirmed);
    connect(&kit(), &Orvane::inquirySent, this, &OrvaneQml::inquirySent);
    connect(&kit(), &Orvane::offerwallFailed, this,
            [this](Orvane::Failure reason) { Q_EMIT offerwallFailed(static_cast<int>(reason)); });
    connect(&kit(), &Orvane::campaignsAvailable, this, &OrvaneQml::campaignsAvailable);
    connect(&kit(), &Orvane::closeRequested, this, &OrvaneQml::closeRequested);
}

OrvaneQml* OrvaneQml::create(QQmlEngine* qml, QJSEngine*) {
    if (!qml->imageProvider(CampImageProvider::kProviderId))
        qml->addImageProvider(CampImageProvider::kProviderId, new CampImageProvider);
    return new OrvaneQml;
}

QString OrvaneQml::mkey() const {
    return kit().mkey();
}
QString OrvaneQml::mckey() const {
    return kit().mckey();
}
QString OrvaneQml::userId() const {
    return kit().userId();
}
QString OrvaneQml::mainTitle() const {
    return kit().mainTitle();
}
int OrvaneQml::listType() const {
    return static_cast<int>(kit().listType());
}
int OrvaneQml::benefitsType() const {
    return static_cast<int>(kit().benefitsType());
}
int OrvaneQml::gender() const {
    return static_cast<int>(kit().gender());
}
int OrvaneQml::age() const {
    return kit().age();
}
bool OrvaneQml::isDebugEnabled() const {
    return kit().isDebugEnabled();
}
bool OrvaneQml::copyRightVisibility() const {
    return kit().copyRightVisibility();
}
bool OrvaneQml::trackingUsage() const {
    return kit().trackingUsage();
}
bool OrvaneQml::isChildDirected() const {
    return kit().isChildDirected();
}
qint64 OrvaneQml::imageCacheLimit() const {
    return kit().imageCacheLimit();
}
QColor OrvaneQml::primaryColor() const {
    return kit().orvaneColorPrimary();
}
QColor OrvaneQml::disabledColor() const {
    return kit().orvaneColorDisable();
}
QString OrvaneQml::version() {
    return Orvane::version();
}

// Every setter goes through the facade, which validates and stores the value as for a C++ host.
void OrvaneQml::setMainTitle(const QString& title) {
    kit().setMainTitle(title);
    Q_EMIT settingsChanged();
}
void OrvaneQml::setListType(int listType) {
    kit().setListType(listType);
    Q_EMIT settingsChanged();
}
void OrvaneQml::setBenefitsType(int benefitsType) {
    kit().setBenefitsType(benefitsType);
    Q_EMIT settingsChanged();
}
void OrvaneQml::setGender(int gender) {
    kit().setGender(QString::number(gender));
    Q_EMIT settingsChanged();
}
void OrvaneQml::setAge(int age) {
    kit().setAge(age);
    Q_EMIT settingsChanged();
}
void OrvaneQml::setDebugEnabled(bool enabled) {
    kit().setDebugEnabled(enabled);
    Q_EMIT settingsChanged();
}
void OrvaneQml::setCopyRightVisibility(bool visible) {
    kit().setCopyRightVisibility(visible);
    Q_EMIT settingsChanged();
}
void OrvaneQml::setTrackingUsage(bool use) {
    kit().setTrackingUsage(use);
    Q_EMIT settingsChanged();
}
void OrvaneQml::setChildDirected(bool childDirected) {
    kit().setChildDirected(childDirected);
    Q_EMIT settingsChanged();
}
void OrvaneQml::setImageCacheLimit(qint64 bytes) {
    kit().setImageCacheLimit(bytes);
    Q_EMIT settingsChanged();
}
void OrvaneQml::setPrimaryColor(const QColor& color) {
    kit().setOrvaneColorPrimary(color);
    Q_EMIT settingsChanged();
}
void OrvaneQml::setDisabledColor(const QColor& color) {
    kit().setOrvaneColorDisable(color);
    Q_EMIT settingsChanged();
}

void OrvaneQml::initialize(const QString& mkey, const QString& mckey, const QString& userId) {
    kit().initialize(mkey, mckey, userId);
    Q_EMIT settingsChanged();
}

void OrvaneQml::logout() {
    kit().logout();
    Q_EMIT settingsChanged();
}

void OrvaneQml::closeOfferwall() {
    kit().closeOfferwall();
}

QString OrvaneQml::text(const QString& key) {
    return localized(key);
}

QUrl OrvaneQml::imageSource(const QUrl& address) {
    const std::optional<QUrl> url = campImageUrl(address.toString());
    return url ? CampImageProvider::source(*url) : QUrl();
}

} // namespace orvane
