#include "ImageServer.h"

#include <QBuffer>
#include <QColor>
#include <QHostAddress>
#include <QHttpServerRequest>
#include <QTcpSocket>

namespace orvane::test {

ImageServer::ImageServer() {
    m_server.setMissingHandler(
        [this](const QHttpServerRequest& request, QHttpServerResponder&& responder) {
            handle(request, std::move(responder));
        });
    m_port = m_server.listen(QHostAddress::LocalHost, 0);
}

ImageServer::~ImageServer() {
    m_held.clear(); // the responders refer to sockets the server owns
}

QUrl ImageServer::url(const QString& path) const {
    return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(m_port).arg(path));
}

QImage ImageServer::makeImage(const QString& sizeText, const QString& colour) {
    const QStringList sides = sizeText.split(QLatin1Char('x'));
    QImage image(sides.value(0).toInt(), sides.value(1).toInt(), QImage::Format_RGB32);
    image.fill(QColor::fromString(colour.isEmpty() ? QStringLiteral("red") : colour));
    return image;
}

QByteArray ImageServer::encoded(const QString& sizeText, const QString& colour) {
    // Encoded once per size and colour, so that serving stays cheap next to what is measured.
    const QString name = sizeText + QLatin1Char('/') + colour;
    if (!m_encoded.contains(name))
        m_encoded.insert(name, png(makeImage(sizeText, colour)));
    return m_encoded.value(name);
}

QByteArray ImageServer::png(const QImage& image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

void ImageServer::release(const QString& name) {
    auto [first, last] = m_held.equal_range(name);
    for (auto it = first; it != last; ++it) {
        it->second.second.write(it->second.first, "image/png");
    }
    m_held.erase(first, last);
}

namespace {
void redirect(QTcpSocket* socket, const QByteArray& location) {
    socket->write("HTTP/1.1 302 Found\r\nLocation: " + location +
                  "\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
    socket->disconnectFromHost();
}
} // namespace

// Keeps writing while the client reads, a chunk at a time, until it goes away.
void ImageServer::stream(QTcpSocket* socket) {
    socket->write("HTTP/1.1 200 OK\r\nContent-Type: image/png\r\nConnection: close\r\n\r\n");
    const QByteArray chunk(256 * 1024, 'x');
    const auto more = [socket, chunk] {
        while (socket->state() == QAbstractSocket::ConnectedState &&
               socket->bytesToWrite() < 4 * chunk.size()) {
            socket->write(chunk);
        }
    };
    QObject::connect(socket, &QTcpSocket::bytesWritten, socket, more);
    more();
}

void ImageServer::handle(const QHttpServerRequest& request, QHttpServerResponder&& responder) {
    const QString path = request.url().path();
    ++m_requests[path];
    if (const QByteArray cookie = request.value("Cookie"); !cookie.isEmpty())
        m_cookies << cookie;
    const QStringList parts = path.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    const QString kind = parts.value(0);
    QTcpSocket* socket = responder.socket();
    if (m_dropping) {
        socket->abort();
    } else if (kind == QLatin1String("padded")) {
        QByteArray body = encoded(QStringLiteral("4x4"), QString());
        body.append(parts.value(1).toLongLong() - body.size(), '\0');
        const bool announced = parts.value(2) != QLatin1String("unannounced");
        socket->write("HTTP/1.1 200 OK\r\nContent-Type: image/png\r\nConnection: close\r\n" +
                      (announced ? "Content-Length: " + QByteArray::number(body.size()) + "\r\n"
                                 : QByteArray()) +
                      "\r\n" + body);
        socket->disconnectFromHost();
    } else if (kind == QLatin1String("endless")) {
        stream(socket);
    } else if (kind == QLatin1String("announce")) {
        socket->write("HTTP/1.1 200 OK\r\nContent-Type: image/png\r\nContent-Length: " +
                      parts.value(1).toLatin1() + "\r\n\r\n" +
                      encoded(QStringLiteral("4x4"), QString()));
    } else if (kind == QLatin1String("cookie")) {
        responder.write(encoded(QStringLiteral("4x4"), QString()),
                        {{"Content-Type", "image/png"}, {"Set-Cookie", "session=secret; Path=/"}});
    } else if (kind == QLatin1String("redirect")) {
        const int left = parts.value(1).toInt();
        const QString target = parts.mid(2).join(QLatin1Char('/'));
        const QString next = left > 1 ? QStringLiteral("/redirect/%1/%2").arg(left - 1).arg(target)
                                      : QLatin1Char('/') + target;
        redirect(socket, next.toUtf8());
    } else if (kind == QLatin1String("redirect-to")) {
        redirect(socket, request.url().query(QUrl::FullyDecoded).toUtf8());
    } else if (kind == QLatin1String("png")) {
        responder.write(encoded(parts.value(1), parts.value(2)), "image/png");
    } else if (kind == QLatin1String("hold")) {
        const QByteArray body = encoded(parts.value(2), parts.value(3));
        m_held.emplace(parts.value(1), std::make_pair(body, std::move(responder)));
    } else if (kind == QLatin1String("garbage")) {
        responder.write(QByteArrayLiteral("\x89PNG but not really an image"), "image/png");
    } else if (kind == QLatin1String("drop")) {
        socket->abort();
    } else {
        responder.write(QHttpServerResponder::StatusCode::NotFound);
    }
}

} // namespace orvane::test
