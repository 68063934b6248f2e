#include "sandbox/Catalogue.h"

#include <cmath>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSet>

namespace orvane::sandbox {

namespace {
bool readList(const QJsonObject& json, const QString& key, bool house, QSet<qint64>& seen,
              QList<CampaignEntry>& out, QString* error) {
    const QJsonValue list = json.value(key);
    if (list.isUndefined() || list.isNull()) {
        return true;
    }
    if (!list.isArray()) {
        *error = QStringLiteral("\"%1\" is not an array").arg(key);
        return false;
    }
    const QJsonArray array = list.toArray();
    for (qsizetype i = 0; i < array.size(); ++i) {
        const QString where = QStringLiteral("%1[%2]").arg(key).arg(i);
        if (!array.at(i).isObject()) {
            *error = where + QStringLiteral(" is not an object");
            return false;
        }
        QJsonObject camp = array.at(i).toObject();
        const double id = camp.value(QStringLiteral("campid")).toDouble(NAN);
        if (!camp.value(QStringLiteral("campid")).isDouble() || std::trunc(id) != id || id <= 0 ||
            id > 1e15) {
            *error = where + QStringLiteral(": \"campid\" must be a positive integer");
            return false;
        }
        CampaignEntry entry;
        entry.campid = static_cast<qint64>(id);
        entry.house = house;
        if (seen.contains(entry.campid)) {
            *error = where + QStringLiteral(": campid %1 appears twice").arg(entry.campid);
            return false;
        }
        seen.insert(entry.campid);
        const QJsonObject meta = camp.take(QStringLiteral("sandbox")).toObject();
        const QString flow = meta.value(QStringLiteral("flow")).toString();
        if (flow == QLatin1String("instant")) {
            entry.flow = JoinFlow::Instant;
        } else if (flow == QLatin1String("app") ||
                   (flow.isEmpty() &&
                    !camp.value(QStringLiteral("package")).toString().isEmpty())) {
            entry.flow = JoinFlow::App;
        } else if (flow.isEmpty() || flow == QLatin1String("landing")) {
            entry.flow = JoinFlow::Landing;
        } else {
            *error = where + QStringLiteral(": unknown flow \"%1\"").arg(flow);
            return false;
        }
        entry.camp = camp;
        out.append(entry);
    }
    return true;
}

QJsonValue replaceBase(const QJsonValue& value, const QString& base) {
    if (value.isString()) {
        QString text = value.toString();
        return text.replace(QLatin1String("{base}"), base);
    }
    if (value.isArray()) {
        QJsonArray array = value.toArray();
        for (auto it = array.begin(); it != array.end(); ++it) {
            *it = replaceBase(*it, base);
        }
        return array;
    }
    return value;
}
} // namespace

Catalogue Catalogue::builtIn() {
    QString error;
    std::optional<Catalogue> catalogue =
        fromFile(QStringLiteral(":/orvane-sandbox/default_catalogue.json"), &error);
    Q_ASSERT_X(catalogue, "Catalogue::builtIn", qPrintable(error));
    return catalogue ? *catalogue : Catalogue();
}

std::optional<Catalogue> Catalogue::fromJson(const QJsonObject& json, QString* error) {
    QString scratch;
    if (!error) {
        error = &scratch;
    }
    Catalogue catalogue;
    QSet<qint64> seen;
    if (!readList(json, QStringLiteral("camp"), false, seen, catalogue.m_campaigns, error) ||
        !readList(json, QStringLiteral("housemd"), true, seen, catalogue.m_campaigns, error)) {
        return std::nullopt;
    }
    catalogue.m_pricedecimal = json.value(QStringLiteral("pricedecimal")).toString();
    catalogue.m_source = json;
    return catalogue;
}

std::optional<Catalogue> Catalogue::fromFile(const QString& path, QString* error) {
    QString scratch;
    if (!error) {
        error = &scratch;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot read %1: %2").arg(path, file.errorString());
        return std::nullopt;
    }
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &parseError);
    if (!document.isObject()) {
        *error = QStringLiteral("%1 is not a JSON object: %2").arg(path, parseError.errorString());
        return std::nullopt;
    }
    std::optional<Catalogue> catalogue = fromJson(document.object(), error);
    if (!catalogue) {
        *error = path + QStringLiteral(": ") + *error;
    }
    return catalogue;
}

const CampaignEntry* Catalogue::find(qint64 campid) const {
    for (const CampaignEntry& entry : m_campaigns) {
        if (entry.campid == campid) {
            return &entry;
        }
    }
    return nullptr;
}

QJsonObject Catalogue::render(const QJsonObject& camp, const QString& base) {
    QJsonObject out = camp;
    for (auto it = out.begin(); it != out.end(); ++it) {
        it.value() = replaceBase(it.value(), base);
    }
    return out;
}

} // namespace orvane::sandbox
