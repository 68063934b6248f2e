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

void ImageServer::handle(const QHttpServerRequest& request, QHttpServerResponder&& responder) {
    const QString path = request.url().path();
    ++m_requests[path];
    const QStringList parts = path.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    const QString kind = parts.value(0);
    if (kind == QLatin1String("png")) {
        responder.write(encoded(parts.value(1), parts.value(2)), "image/png");
    } else if (kind == QLatin1String("hold")) {
        const QByteArray body = encoded(parts.value(2), parts.value(3));
        m_held.emplace(parts.value(1), std::make_pair(body, std::move(responder)));
    } else if (kind == QLatin1String("garbage")) {
        responder.write(QByteArrayLiteral("\x89PNG but not really an image"), "image/png");
    } else if (kind == QLatin1String("drop")) {
        responder.socket()->abort();
    } else {
        responder.write(QHttpServerResponder::StatusCode::NotFound);
    }
}

} // namespace orvane::test
