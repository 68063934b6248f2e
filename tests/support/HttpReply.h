#pragma once

#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkReply>
#include <QSignalSpy>

namespace orvane::test {

// A reply of a plain HTTP client (never the kit's transport), read whole.
struct HttpReply {
    QNetworkReply::NetworkError error = QNetworkReply::NoError;
    int status = 0;
    QByteArray body;
    QJsonObject json() const { return QJsonDocument::fromJson(body).object(); }
    int result() const { return json().value(QLatin1String("result")).toInt(-1); }
};

// Waits for `reply` (ten seconds at most), reads it and deletes it later.
inline HttpReply finish(QNetworkReply* reply) {
    QSignalSpy finished(reply, &QNetworkReply::finished);
    if (!reply->isFinished())
        finished.wait(10000);
    reply->deleteLater();
    return {reply->error(), reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(),
            reply->readAll()};
}

} // namespace orvane::test
