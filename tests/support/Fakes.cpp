#include "support/Fakes.h"

#include "core/Dispatch.h"
#include "ui/PlatformServicesUi.h"

namespace orvane::test {

FakeUrlOpener& FakeUrlOpener::install() {
    auto fake = std::make_unique<FakeUrlOpener>();
    FakeUrlOpener& ref = *fake;
    PlatformServices::setUrlOpener(std::move(fake));
    return ref;
}

void FakeUrlOpener::open(const QUrl& url, std::function<void(bool opened)> completion) {
    opened << url;
    if (onOpen) {
        onOpen(url);
    }
    if (completion) {
        dispatch::toMain([completion = std::move(completion), ok = result] { completion(ok); });
    }
}

FakeConsent& FakeConsent::install() {
    auto fake = std::make_unique<FakeConsent>();
    FakeConsent& ref = *fake;
    PlatformServices::setTrackingConsent(std::move(fake));
    return ref;
}

void FakeConsent::requestAuthorization(std::function<void(int status)> completion) {
    ++requests;
    if (completion) {
        dispatch::toMain(
            [completion = std::move(completion), answer = status] { completion(answer); });
    }
}

FakeDeviceInfo& FakeDeviceInfo::install() {
    auto fake = std::make_unique<FakeDeviceInfo>();
    FakeDeviceInfo& ref = *fake;
    PlatformServices::setDeviceInfo(std::move(fake));
    return ref;
}

QString FakeDeviceInfo::hardwareIdentifier() const {
    QMutexLocker lock(&m_mutex);
    return m_hardware;
}

std::optional<QString> FakeDeviceInfo::carrierName() const {
    QMutexLocker lock(&m_mutex);
    return m_carrier;
}

QString FakeDeviceInfo::systemVersion() const {
    QMutexLocker lock(&m_mutex);
    return m_systemVersion;
}

QUuid FakeDeviceInfo::advertisingIdentifier() const {
    QMutexLocker lock(&m_mutex);
    return m_advertising;
}

std::optional<QUuid> FakeDeviceInfo::vendorIdentifier() const {
    QMutexLocker lock(&m_mutex);
    return m_vendor;
}

void FakeDeviceInfo::setHardwareIdentifier(const QString& value) {
    QMutexLocker lock(&m_mutex);
    m_hardware = value;
}

void FakeDeviceInfo::setCarrierName(std::optional<QString> value) {
    QMutexLocker lock(&m_mutex);
    m_carrier = std::move(value);
}

void FakeDeviceInfo::setSystemVersion(const QString& value) {
    QMutexLocker lock(&m_mutex);
    m_systemVersion = value;
}

void FakeDeviceInfo::setAdvertisingIdentifier(const QUuid& value) {
    QMutexLocker lock(&m_mutex);
    m_advertising = value;
}

void FakeDeviceInfo::setVendorIdentifier(std::optional<QUuid> value) {
    QMutexLocker lock(&m_mutex);
    m_vendor = value;
}

FakeImagePicker& FakeImagePicker::install() {
    auto fake = std::make_unique<FakeImagePicker>();
    FakeImagePicker& ref = *fake;
    PlatformServices::setImagePicker(std::move(fake));
    return ref;
}

void FakeImagePicker::pick(QWidget*, Source source, int limit,
                           std::function<void(const QList<QImage>& images)> completion) {
    ++picks;
    lastSource = source;
    lastLimit = limit;
    const QList<QImage> answer = images.mid(0, std::max(limit, 0));
    if (completion) {
        dispatch::toMain([completion = std::move(completion), answer] { completion(answer); });
    }
}

void restoreDefaultServices() {
    installDesktopServices();
    PlatformServices::setUrlOpener(nullptr);
    PlatformServices::setTrackingConsent(nullptr);
    PlatformServices::setDeviceInfo(nullptr);
    PlatformServices::setImagePicker(nullptr);
}

} // namespace orvane::test
