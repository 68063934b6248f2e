#pragma once

#include <functional>

#include <QAbstractHttpServer>
#include <QByteArray>
#include <QJsonObject>

#include "sandbox/SandboxTypes.h"

class QTcpSocket;

namespace orvane::sandbox {

// A finished answer before it goes on the wire.
struct Reply {
    int status = 200;
    QByteArray contentType = "application/json";
    QByteArray body;

    static Reply json(const QJsonObject& object, int status = 200);
    static Reply html(const QString& page, int status = 200);
    static Reply png(const QByteArray& bytes);
};

// Writes `reply` to `socket` as one HTTP/1.1 response shaped by `mode` and closes the connection
// after it ("Connection: close"), so no request ever waits behind a delayed one.
void writeReply(QTcpSocket* socket, const Reply& reply, Fault::Body mode);

// The request as logged, copied out of Qt's request object (which is reused per connection).
LoggedRequest toLoggedRequest(const QHttpServerRequest& request);

// QAbstractHttpServer hands over the socket itself, which lets the server answer later, cut a
// body short or drop the connection. Every request goes to one handler.
class HttpFrontend final : public QAbstractHttpServer {
public:
    using Handler = std::function<void(const QHttpServerRequest&, QTcpSocket*)>;
    explicit HttpFrontend(Handler handler, QObject* parent = nullptr);

protected:
    bool handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) override;
    void missingHandler(const QHttpServerRequest& request, QTcpSocket* socket) override;

private:
    Handler m_handler;
};

} // namespace orvane::sandbox
