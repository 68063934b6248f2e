#include "support/FixedReplyServer.h"

#include <QTcpSocket>

namespace orvane::test {

FixedReplyServer::FixedReplyServer(QByteArray body)
    : m_body(std::move(body)) {
    connect(this, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* socket = nextPendingConnection()) {
            auto request = std::make_shared<QByteArray>();
            connect(socket, &QTcpSocket::readyRead, socket, [this, socket, request] {
                *request += socket->readAll();
                if (!request->contains("\r\n\r\n")) {
                    return;
                }
                ++m_requests;
                m_heads.append(request->left(request->indexOf("\r\n\r\n")));
                socket->write("HTTP/1.1 200 OK\r\nContent-Type: application/json\r\n"
                              "Connection: close\r\nContent-Length: " +
                              QByteArray::number(m_body.size()) + "\r\n\r\n" + m_body);
                socket->disconnectFromHost();
                request->clear();
            });
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        }
    });
    listen(QHostAddress::LocalHost);
}

QString FixedReplyServer::baseUrl() const {
    return QStringLiteral("http://127.0.0.1:%1").arg(serverPort());
}

} // namespace orvane::test
