#include "core/Localized.h"

#include <QFile>
#include <QHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QMutex>

#include "core/Log.h"

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

struct Tables {
    QMutex mutex;
    QString language; // empty: not loaded yet
    QString override;
    Table chosen;
    Table english;
};

Tables& tables() {
    static Tables instance;
    return instance;
}

QString systemLanguage() {
    const QString name = QLocale().name(); // "ko_KR"
    return name.section(QLatin1Char('_'), 0, 0);
}

} // namespace

QString localized(const QString& key) {
    Tables& t = tables();
    QMutexLocker lock(&t.mutex);
    const QString wanted = t.override.isEmpty() ? systemLanguage() : t.override;
    if (t.language != wanted) {
        if (t.english.isEmpty()) {
            t.english = loadTable(QStringLiteral("en"));
        }
        t.chosen = wanted == QLatin1String("en") ? t.english : loadTable(wanted);
        t.language = wanted;
    }
    if (auto it = t.chosen.constFind(key); it != t.chosen.constEnd()) {
        return it.value();
    }
    if (auto it = t.english.constFind(key); it != t.english.constEnd()) {
        return it.value();
    }
    return key;
}

void setLocalizationLanguage(const QString& languageCode) {
    Tables& t = tables();
    QMutexLocker lock(&t.mutex);
    t.override = languageCode;
}

} // namespace orvane
