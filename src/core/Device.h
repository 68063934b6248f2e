#pragma once

#include <QMutex>

#include "orvane/PlatformServices.h"

namespace orvane {

// Settings key under which the desktop advertising identifier is kept once generated.
inline const QString kAdvertisingIdentifierKey = QStringLiteral("ORVANE_ADVERTISING_IDENTIFIER");
// Settings key of the remembered answer of the desktop tracking-consent prompt (a
// TrackingConsent::Status).
inline const QString kTrackingConsentStatusKey = QStringLiteral("ORVANE_TRACKING_CONSENT_STATUS");

// Desktop device facts: the `uname` machine field, no carrier, the operating system's product
// version, an advertising identifier and a vendor identifier. Callable from any thread.
//
// The advertising identifier is all zeros unless the remembered tracking-consent answer
// (kTrackingConsentStatusKey) is "authorized"; then it is an identifier generated once and kept
// in UserDefaults::standard(), so it comes back whenever the user allows tracking again.
// The vendor identifier hashes the machine's unique id with the host application's identity (its
// organisation domain, else its organisation name, else its application name, read on every
// call), so host applications of different vendors on one machine send unrelated identifiers.
class DesktopDeviceInfo final : public DeviceInfo {
public:
    QString hardwareIdentifier() const override;
    std::optional<QString> carrierName() const override;
    QString systemVersion() const override;
    QUuid advertisingIdentifier() const override;
    std::optional<QUuid> vendorIdentifier() const override;

private:
    // Serialises read-or-generate so two threads never store two different identifiers.
    mutable QMutex m_mutex;
};

// Opens addresses with QDesktopServices. Invalid or empty addresses are refused (completion false)
// without asking the system. The system is asked on the main thread; the completion always runs
// later on the main thread, never inside open().
class DesktopUrlOpener final : public UrlOpener {
public:
    void open(const QUrl& url, std::function<void(bool opened)> completion) override;
};

} // namespace orvane
