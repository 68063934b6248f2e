#include "core/Device.h"

#include <sys/utsname.h>

#include <QCoreApplication>
#include <QDesktopServices>
#include <QSysInfo>

#include "core/Dispatch.h"
#include "core/Log.h"
#include "core/UserDefaults.h"

namespace orvane {

namespace {
// Namespace of the vendor identifiers: each host's identity is hashed into it, and the machine id
// into the host's namespace, so the raw machine id never leaves the device.
const QUuid kVendorNamespace(QStringLiteral("{5b0c3a52-6f1e-4f43-9a4f-6d0c2f1d7e21}"));

// Who the vendor is: the host application's organisation domain, else its organisation name,
// else its application name.
QString hostIdentity() {
    for (const QString& identity :
         {QCoreApplication::organizationDomain(), QCoreApplication::organizationName()}) {
        if (!identity.isEmpty()) {
            return identity;
        }
    }
    return QCoreApplication::applicationName();
}
} // namespace

QString DesktopDeviceInfo::hardwareIdentifier() const {
    utsname names{};
    if (uname(&names) != 0) {
        return {};
    }
    return QString::fromLatin1(names.machine);
}

std::optional<QString> DesktopDeviceInfo::carrierName() const {
    return std::nullopt; // a desktop has no mobile subscription
}

QString DesktopDeviceInfo::systemVersion() const {
    return QSysInfo::productVersion();
}

QUuid DesktopDeviceInfo::advertisingIdentifier() const {
    UserDefaults& defaults = UserDefaults::standard();
    if (defaults.integer(kTrackingConsentStatusKey) != TrackingConsent::Authorized) {
        return {}; // the nil identifier, as a phone reports it without consent
    }
    QMutexLocker lock(&m_mutex);
    const QUuid stored(defaults.string(kAdvertisingIdentifierKey).value_or(QString()));
    if (!stored.isNull()) {
        return stored;
    }
    const QUuid fresh = QUuid::createUuid();
    defaults.set(kAdvertisingIdentifierKey, fresh.toString(QUuid::WithoutBraces));
    return fresh;
}

std::optional<QUuid> DesktopDeviceInfo::vendorIdentifier() const {
    const QByteArray machineId = QSysInfo::machineUniqueId();
    if (machineId.isEmpty()) {
        return std::nullopt;
    }
    const QUuid hostNamespace = QUuid::createUuidV5(kVendorNamespace, hostIdentity());
    return QUuid::createUuidV5(hostNamespace, machineId);
}

void DesktopUrlOpener::open(const QUrl& url, std::function<void(bool opened)> completion) {
    auto finish = [completion = std::move(completion)](bool opened) {
        if (completion) {
            dispatch::toMain([completion, opened] { completion(opened); });
        }
    };
    if (!url.isValid() || url.isEmpty() || url.scheme().isEmpty()) {
        Log::error("UrlOpener open refused an invalid address :", url.toString());
        finish(false);
        return;
    }
    dispatch::toMain([url, finish] { finish(QDesktopServices::openUrl(url)); });
}

} // namespace orvane
