#include "core/Localized.h"

#include <initializer_list>
#include <optional>

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QMutex>
#include <QRegularExpression>
#include <QSet>
#include <QtDebug>

namespace orvane {

namespace {

using Table = QHash<QString, QString>;

Table loadTable(const QString& language) {
    Table table;
    QFile file(QStringLiteral(":/orvane/strings/%1.json").arg(language));
    if (!file.open(QIODevice::ReadOnly)) {
        return table;
    }
    const QJsonObject object = QJsonDocument::fromJson(file.readAll()).object();
    for (auto it = object.constBegin(); it != object.constEnd(); ++it) {
        table.insert(it.key(), it.value().toString());
    }
    return table;
}

const QString kEnglish = QStringLiteral("en");

struct Tables {
    QMutex mutex;
    QString language; // empty: not loaded yet
    QString override;
    Table chosen;
    Table english;
    QHash<QString, Table> host; // by language code

    // m_mutex held.
    const Table& englishTable() {
        if (english.isEmpty()) {
            english = loadTable(kEnglish);
        }
        return english;
    }
};

Tables& tables() {
    static Tables instance;
    return instance;
}

QString defaultLanguage() {
    const QString name = QLocale().name(); // "ko_KR"
    return name.section(QLatin1Char('_'), 0, 0);
}

// The placeholders ("%1" to "%99") a text fills in.
QSet<QString> placeholders(const QString& text) {
    static const QRegularExpression marker(QStringLiteral("%[1-9][0-9]?"));
    QSet<QString> found;
    for (auto it = marker.globalMatch(text); it.hasNext();) {
        found.insert(it.next().captured());
    }
    return found;
}

std::optional<QString> lookup(const Table& table, const QString& key) {
    if (auto it = table.constFind(key); it != table.constEnd()) {
        return it.value();
    }
    return std::nullopt;
}

} // namespace

QString localized(const QString& key) {
    Tables& t = tables();
    QMutexLocker lock(&t.mutex);
    const QString wanted = t.override.isEmpty() ? defaultLanguage() : t.override;
    if (t.language != wanted) {
        t.chosen = wanted == kEnglish ? t.englishTable() : loadTable(wanted);
        t.language = wanted;
    }
    static const Table none;
    const auto host = [&t](const QString& language) {
        const auto it = t.host.constFind(language);
        return it == t.host.constEnd() ? &none : &it.value();
    };
    const std::initializer_list<const Table*> order = {host(wanted), &t.chosen, host(kEnglish),
                                                       &t.englishTable()};
    for (const Table* table : order) {
        if (std::optional<QString> text = lookup(*table, key)) {
            return *text;
        }
    }
    return key;
}

void setLocalizationLanguage(const QString& languageCode) {
    Tables& t = tables();
    QMutexLocker lock(&t.mutex);
    t.override = languageCode;
}

bool setHostTexts(const QString& languageCode, const QHash<QString, QString>& texts) {
    Tables& t = tables();
    QMutexLocker lock(&t.mutex);
    const Table& english = t.englishTable();
    Table taken;
    bool all = true;
    for (auto it = texts.constBegin(); it != texts.constEnd(); ++it) {
        const std::optional<QString> kit = lookup(english, it.key());
        if (!kit || !it.key().startsWith(QLatin1String("ov_"))) {
            qWarning().noquote() << QStringLiteral(
                                        "Orvane::setStrings: \"%1\" is not one of the kit's text "
                                        "keys; its text is refused")
                                        .arg(it.key());
            all = false;
        } else if (placeholders(*kit) != placeholders(it.value())) {
            qWarning().noquote() << QStringLiteral(
                                        "Orvane::setStrings: the %1 text of \"%2\" must fill in "
                                        "the placeholders of \"%3\"; it is refused")
                                        .arg(languageCode, it.key(), *kit);
            all = false;
        } else {
            taken.insert(it.key(), it.value());
        }
    }
    if (taken.isEmpty()) {
        t.host.remove(languageCode);
    } else {
        t.host.insert(languageCode, taken);
    }
    return all;
}

} // namespace orvane
