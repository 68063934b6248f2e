#pragma once

#include <QImage>
#include <QList>
#include <QMutex>

#include "orvane/PlatformServices.h"

// Fakes of the platform services for tests: what the machine lacks (a browser, the system consent
// prompt, a phone's device facts, a camera). Each `install()` puts a new fake in force and returns
// it; the registry keeps replaced services alive, so the reference stays valid for the whole test
// run. Completions run later on the main thread, like the real services.
namespace orvane::test {

class FakeUrlOpener final : public UrlOpener {
public:
    static FakeUrlOpener& install();

    void open(const QUrl& url, std::function<void(bool opened)> completion) override;

    // What open() answers.
    bool result = true;
    // Called inside open(), before the completion is queued: lets a test "visit" the page.
    std::function<void(const QUrl&)> onOpen;
    // Every address asked for, in order.
    QList<QUrl> opened;
};

class FakeConsent final : public TrackingConsent {
public:
    static FakeConsent& install();

    void requestAuthorization(std::function<void(int status)> completion) override;
    void openAppPrivacySettings() override { ++settingsOpenings; }

    int status = Authorized;
    int requests = 0;
    int settingsOpenings = 0;
};

// Device facts with settable values (defaults describe a phone with a carrier). Thread-safe.
class FakeDeviceInfo final : public DeviceInfo {
public:
    static FakeDeviceInfo& install();

#define ORVANE_FAKE_FACT(Type, get, set, member, initial)                                          \
public:                                                                                            \
    Type get() const override {                                                                    \
        QMutexLocker lock(&m_mutex);                                                               \
        return member;                                                                             \
    }                                                                                              \
    void set(Type value) {                                                                         \
        QMutexLocker lock(&m_mutex);                                                               \
        member = std::move(value);                                                                 \
    }                                                                                              \
                                                                                                   \
private:                                                                                           \
    Type member = initial;

    ORVANE_FAKE_FACT(QString, hardwareIdentifier, setHardwareIdentifier, m_hardware,
                     QStringLiteral("iPhone12,8"))
    ORVANE_FAKE_FACT(std::optional<QString>, carrierName, setCarrierName, m_carrier,
                     QStringLiteral("Orvane Mobile"))
    ORVANE_FAKE_FACT(QString, systemVersion, setSystemVersion, m_systemVersion,
                     QStringLiteral("14.4"))
    ORVANE_FAKE_FACT(QUuid, advertisingIdentifier, setAdvertisingIdentifier, m_advertising,
                     QUuid(QStringLiteral("{11111111-2222-3333-4444-555555555555}")))
    ORVANE_FAKE_FACT(std::optional<QUuid>, vendorIdentifier, setVendorIdentifier, m_vendor,
                     QUuid(QStringLiteral("{aaaaaaaa-bbbb-cccc-dddd-eeeeeeeeeeee}")))
#undef ORVANE_FAKE_FACT

    mutable QMutex m_mutex;
};

// Answers every pick with the first `limit` of `images`; offers a camera when `camera` is set.
class FakeImagePicker final : public ImagePicker {
public:
    static FakeImagePicker& install();

    void pick(QWidget* parent, Source source, int limit,
              std::function<void(const QList<QImage>& images)> completion) override;
    bool hasCamera() const override { return camera; }

    QList<QImage> images;
    bool camera = false;
    int picks = 0;
    int lastLimit = 0;
};

// Puts the desktop defaults back in force.
void restoreDefaultServices();

} // namespace orvane::test
