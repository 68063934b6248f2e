#include "sandbox/HttpWire.h"

#include <QHttpServerRequest>
#include <QJsonDocument>
#include <QTcpSocket>

using namespace Qt::StringLiterals;

namespace orvane::sandbox {

namespace {
QByteArray reasonPhrase(int status) {
    switch (status) {
    case 200:
        return "OK";
    case 400:
        return "Bad Request";
    case 404:
        return "Not Found";
    case 405:
        return "Method Not Allowed";
    case 500:
        return "Internal Server Error";
    case 502:
        return "Bad Gateway";
    case 503:
        return "Service Unavailable";
    default:
        return "Status";
    }
}

QByteArray methodName(QHttpServerRequest::Method method) {
    switch (method) {
    case QHttpServerRequest::Method::Get:
        return "GET";
    case QHttpServerRequest::Method::Put:
        return "PUT";
    case QHttpServerRequest::Method::Delete:
        return "DELETE";
    case QHttpServerRequest::Method::Post:
        return "POST";
    case QHttpServerRequest::Method::Head:
        return "HEAD";
    case QHttpServerRequest::Method::Options:
        return "OPTIONS";
    case QHttpServerRequest::Method::Patch:
        return "PATCH";
    default:
        return "OTHER";
    }
}
} // namespace

Reply Reply::json(const QJsonObject& object, int status) {
    return {status, "application/json; charset=utf-8",
            QJsonDocument(object).toJson(QJsonDocument::Compact)};
}

Reply Reply::html(const QString& page, int status) {
    return {status, "text/html; charset=utf-8", page.toUtf8()};
}

Reply Reply::png(const QByteArray& bytes) {
    return {200, "image/png", bytes};
}

void writeReply(QTcpSocket* socket, const Reply& reply, Fault::Body mode) {
    if (mode == Fault::Body::Drop) {
        socket->abort();
        return;
    }
    QByteArray body = reply.body;
    if (mode == Fault::Body::Malformed) {
        body = QByteArrayLiteral("{\"result\":200,\"camp\":[<html>Service hiccup</html>");
    } else if (mode == Fault::Body::Empty) {
        body.clear();
    }
    QByteArray head =
        "HTTP/1.1 " + QByteArray::number(reply.status) + ' ' + reasonPhrase(reply.status) + "\r\n";
    head += "Content-Type: " + reply.contentType + "\r\n";
    head += "Content-Length: " + QByteArray::number(body.size()) + "\r\n";
    head += "Connection: close\r\n\r\n";
    if (mode == Fault::Body::Truncated) {
        body.truncate(body.size() / 2);
    }
    // Writes what is queued, then closes: a truncated body ends before its announced length.
    socket->write(head + body);
    socket->disconnectFromHost();
}

LoggedRequest toLoggedRequest(const QHttpServerRequest& request) {
    LoggedRequest logged;
    logged.method = methodName(request.method());
    logged.path = request.url().path();
    logged.rawQuery = request.url().query(QUrl::FullyEncoded).toUtf8();
    logged.query = parseQuery(logged.rawQuery);
    logged.headers = request.headers();
    logged.body = request.body();
    logged.received = QDateTime::currentDateTime();
    return logged;
}

HttpFrontend::HttpFrontend(Handler handler, QObject* parent)
    : QAbstractHttpServer(parent)
    , m_handler(std::move(handler)) {}

bool HttpFrontend::handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) {
    m_handler(request, socket);
    return true;
}

void HttpFrontend::missingHandler(const QHttpServerRequest&, QTcpSocket* socket) {
    writeReply(socket, Reply::json({{u"result"_s, 404}}, 404), Fault::Body::Normal);
}

} // namespace orvane::sandbox
