#include "core/UserDefaults.h"

#include <utility>

#include <QCoreApplication>
#include <QSettings>

#include "core/Device.h"
#include "core/Log.h"
#include "core/SettingsKeys.h"

namespace orvane {

namespace {

// Every key of the kit lives in this group of the host's settings, clear of the host's own keys.
const QString kGroup = QStringLiteral("orvane/");
// Written once the values of an earlier version were moved into the group.
const QString kLayoutKey = QStringLiteral("orvane/SETTINGS_LAYOUT");
constexpr int kGroupedLayout = 2;

QString grouped(const QString& key) {
    return kGroup + key;
}

// Versions before the group wrote these keys at the top level of the host's settings. Each is
// moved into the group once (a value already there wins) and removed. "lastCleanup" is generic
// enough for a host to use it too: only a date, which is what the kit wrote, is taken.
void moveTopLevelValues(QSettings& settings) {
    if (settings.contains(kLayoutKey)) {
        return;
    }
    const QStringList earlierKeys = {keys::kMkey,
                                     keys::kMckey,
                                     keys::kUserId,
                                     keys::kTrackingUsage,
                                     keys::kAge,
                                     keys::kGender,
                                     keys::kMainTitle,
                                     keys::kListType,
                                     keys::kBenefitsDisplayType,
                                     keys::kCopyrightVisibility,
                                     keys::kLastCleanup,
                                     kAdvertisingIdentifierKey,
                                     kTrackingConsentStatusKey};
    QStringList moved;
    for (const QString& key : earlierKeys) {
        if (!settings.contains(key)) {
            continue;
        }
        const QVariant value = settings.value(key);
        if (key == keys::kLastCleanup && value.typeId() != QMetaType::QDateTime) {
            continue; // the host's own
        }
        if (!settings.contains(grouped(key))) {
            settings.setValue(grouped(key), value);
        }
        settings.remove(key);
        moved << key;
    }
    settings.setValue(kLayoutKey, kGroupedLayout);
    settings.sync();
    if (!moved.isEmpty()) {
        Log::info("UserDefaults moved the settings of an earlier version into the group", kGroup,
                  moved.join(QStringLiteral(", ")));
    }
}

std::unique_ptr<QSettings> openSettings(const QString& path) {
    if (!path.isEmpty()) {
        return std::make_unique<QSettings>(path, QSettings::IniFormat);
    }
    QString organization = QCoreApplication::organizationName();
    const QString application = QCoreApplication::applicationName();
    if (organization.isEmpty()) {
        organization = application.isEmpty() ? QStringLiteral("OrvaneHost") : application;
    }
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, organization,
                                       application);
}

} // namespace

UserDefaults::UserDefaults() = default;
UserDefaults::~UserDefaults() = default;

UserDefaults& UserDefaults::standard() {
    static UserDefaults instance;
    return instance;
}

void UserDefaults::useStoreFile(const QString& path) {
    standard().reopen(path);
}

void UserDefaults::reopen(const QString& path) {
    QMutexLocker lock(&m_mutex);
    if (m_settings) {
        m_settings->sync();
    }
    m_path = path;
    m_settings = openSettings(path);
    moveTopLevelValues(*m_settings);
    m_registered.clear();
    m_writeFailing = false;
}

void UserDefaults::registerDefaults(const QVariantMap& defaults) {
    QMutexLocker lock(&m_mutex);
    for (auto it = defaults.cbegin(); it != defaults.cend(); ++it) {
        m_registered.insert(it.key(), it.value());
    }
}

void UserDefaults::set(const QString& key, const QVariant& value) {
    QMutexLocker lock(&m_mutex);
    store(m_writeFailing).setValue(grouped(key), value);
    const bool written = writeThrough();
    lock.unlock();
    reportWrite(written);
}

void UserDefaults::remove(const QString& key) {
    QMutexLocker lock(&m_mutex);
    store(m_writeFailing).remove(grouped(key));
    const bool written = writeThrough();
    lock.unlock();
    reportWrite(written);
}

QSettings& UserDefaults::store(bool fresh) {
    // QSettings keeps its first error for good: after a failed write, the next write starts over
    // on a fresh object, which shares the values still in memory and writes them when it opens.
    if (!m_settings) {
        m_settings = openSettings(m_path);
        moveTopLevelValues(*m_settings);
    } else if (fresh) {
        m_settings = openSettings(m_path);
    }
    return *m_settings;
}

bool UserDefaults::writeThrough() {
    m_settings->sync();
    return m_settings->status() == QSettings::NoError;
}

void UserDefaults::reportWrite(bool written) {
    bool changed = false;
    {
        QMutexLocker lock(&m_mutex);
        changed = std::exchange(m_writeFailing, !written) == written;
    }
    if (changed && !written) {
        Log::error("UserDefaults", "settings could not be written to disk; values stay in memory,",
                   "further failures are not logged until a write succeeds");
    } else if (changed) {
        Log::info("UserDefaults", "settings are written to disk again");
    }
}

QVariant UserDefaults::lookup(const QString& key) const {
    QMutexLocker lock(&m_mutex);
    QSettings& settings = const_cast<UserDefaults*>(this)->store();
    if (settings.contains(grouped(key))) {
        return settings.value(grouped(key));
    }
    return m_registered.value(key);
}

bool UserDefaults::contains(const QString& key) const {
    return lookup(key).isValid();
}

QVariant UserDefaults::object(const QString& key) const {
    return lookup(key);
}

std::optional<QString> UserDefaults::string(const QString& key) const {
    const QVariant value = lookup(key);
    switch (value.typeId()) {
    case QMetaType::QString:
    case QMetaType::QByteArray:
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::Bool:
        return value.toString();
    default:
        return std::nullopt;
    }
}

qint64 UserDefaults::integer(const QString& key) const {
    const QVariant value = lookup(key);
    if (value.typeId() == QMetaType::QString) {
        // INI files give numbers back as text; a fractional value truncates like a number would.
        bool ok = false;
        const QString text = value.toString().trimmed();
        const qint64 whole = text.toLongLong(&ok);
        if (ok) {
            return whole;
        }
        const double real = text.toDouble(&ok);
        return ok ? static_cast<qint64>(real) : 0;
    }
    if (value.typeId() == QMetaType::Bool) {
        return value.toBool() ? 1 : 0;
    }
    bool ok = false;
    const qint64 number = value.toLongLong(&ok);
    return ok ? number : 0;
}

bool UserDefaults::boolean(const QString& key) const {
    const QVariant value = lookup(key);
    if (value.typeId() == QMetaType::QString) {
        const QString text = value.toString().trimmed().toLower();
        if (text == QLatin1String("true") || text == QLatin1String("yes")) {
            return true;
        }
        bool ok = false;
        const double number = text.toDouble(&ok);
        return ok && number != 0.0;
    }
    return value.isValid() && value.toBool();
}

std::optional<QDateTime> UserDefaults::date(const QString& key) const {
    const QVariant value = lookup(key);
    if (value.typeId() == QMetaType::QDateTime) {
        const QDateTime when = value.toDateTime();
        if (when.isValid()) {
            return when;
        }
    }
    return std::nullopt;
}

void UserDefaults::sync() {
    QMutexLocker lock(&m_mutex);
    if (m_settings) {
        m_settings->sync();
    }
}

} // namespace orvane
