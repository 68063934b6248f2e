#pragma once

#include <memory>
#include <optional>

#include <QDateTime>
#include <QMutex>
#include <QString>
#include <QVariant>

class QSettings;

namespace orvane {

// The kit's key-value store: QSettings under the host application's identity, every key in the
// group "orvane/" (the keys given here are relative to it), plus a table of registered defaults
// that is consulted only while no value is stored under a key and is never written to disk. Typed
// reads follow the usual conventions: a missing key reads as absent (string, date), 0 (integer) or
// false (boolean).
//
// When a store opens, values that versions before the group wrote at the top level of the host's
// settings are moved into the group, once (marked by "orvane/SETTINGS_LAYOUT").
//
// Thread-safe: every operation takes one internal lock, so the transport thread may read settings
// while the main thread writes them.
class UserDefaults final {
public:
    // The store every part of the kit reads and writes.
    static UserDefaults& standard();

    // Routes the standard store to an INI file at `path` (tests and tools use a private temporary
    // store). An empty path goes back to the host application's own settings. Registered defaults
    // are dropped as well, as in a fresh process.
    static void useStoreFile(const QString& path);

    void registerDefaults(const QVariantMap& defaults);

    // Written through to disk at once. When the file system refuses the write (a full disk), the
    // value stays readable from memory, the file keeps its previous content, the failure is logged
    // once, and the next write after space returns writes every value.
    void set(const QString& key, const QVariant& value);
    void remove(const QString& key);

    // True when a value is stored or registered under `key`.
    bool contains(const QString& key) const;
    QVariant object(const QString& key) const;
    std::optional<QString> string(const QString& key) const;
    qint64 integer(const QString& key) const;
    bool boolean(const QString& key) const;
    std::optional<QDateTime> date(const QString& key) const;

    // Writes pending changes to disk.
    void sync();

    UserDefaults();
    ~UserDefaults();
    Q_DISABLE_COPY_MOVE(UserDefaults)

private:
    void reopen(const QString& path);
    QVariant lookup(const QString& key) const;
    QSettings& store(bool fresh = false); // m_mutex held
    // Writes pending changes; returns whether the file was written. m_mutex held.
    bool writeThrough();
    void reportWrite(bool written);

    mutable QMutex m_mutex;
    std::unique_ptr<QSettings> m_settings;
    QString m_path; // the store file given to useStoreFile(), empty for the host's settings
    QVariantMap m_registered;
    bool m_writeFailing = false; // guarded by m_mutex
};

} // namespace orvane
