#pragma once

// Campaigns of the sandbox's catalogue and small waits shared by the row and detail tests.

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "api/Records.h"
#include "sandbox/SandboxServer.h"

namespace orvane::test {

// The catalogue's campaign `campid` as the list reply would carry it (addresses on this server,
// reward type 1), or an empty campaign when there is none.
inline Camp sandboxCamp(sandbox::SandboxServer& server, qint64 campid) {
    const QJsonObject catalogue = server.catalogue();
    for (const QString& list : {QStringLiteral("camp"), QStringLiteral("housemd")}) {
        for (const QJsonValue& value : catalogue.value(list).toArray()) {
            if (value.toObject().value(QStringLiteral("campid")).toInteger() != campid) {
                continue;
            }
            QByteArray json = QJsonDocument(value.toObject()).toJson(QJsonDocument::Compact);
            json.replace("{base}", server.baseUrl().toUtf8());
            Camp camp = decodeCamp(QJsonDocument::fromJson(json).object()).value();
            camp.rewardtype = 1;
            return camp;
        }
    }
    return {};
}

// The query value `name` of the requests to `path`, in order.
inline QStringList queryValues(sandbox::SandboxServer& server, const QString& path,
                               const QString& name) {
    QStringList values;
    for (const sandbox::LoggedRequest& request : server.requestsTo(path)) {
        values << request.queryValue(name).value_or(QString());
    }
    return values;
}

} // namespace orvane::test
