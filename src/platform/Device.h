#pragma once

#include <QMutex>

#include "platform/PlatformServices.h"

namespace orvane {

// Settings key under which the desktop advertising identifier is kept once generated.
inline const QString kAdvertisingIdentifierKey = QStringLiteral("ORVANE_ADVERTISING_IDENTIFIER");

// Desktop device facts: the `uname` machine field, no carrier, the operating system's product
// version, an advertising identifier generated once and kept in UserDefaults::standard(), and a
// vendor identifier derived from the machine's unique id. Callable from any thread.
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
