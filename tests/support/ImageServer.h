#pragma once

#include <map>
#include <vector>

#include <QHash>
#include <QHttpServer>
#include <QHttpServerResponder>
#include <QImage>
#include <QUrl>

namespace orvane::test {

// A loopback HTTP server for image tests. Paths:
//   /png/<w>x<h>[/<colour>[/anything]]  a generated PNG of that size (default colour red)
//   /hold/<name>/<w>x<h>/<colour>       the same, but held until release(name)
//   /missing                            404
//   /garbage                            200 with bytes that are no image
//   /drop                               the connection is closed without an answer
// Every request is counted by its (decoded) path. Main thread only.
class ImageServer final {
public:
    ImageServer();
    ~ImageServer();

    QUrl url(const QString& path) const;
    int requests(const QString& path) const { return m_requests.value(path); }
    // Answers the held request(s) of `name`.
    void release(const QString& name);

    static QImage makeImage(const QString& sizeText, const QString& colour);
    static QByteArray png(const QImage& image);

private:
    void handle(const QHttpServerRequest& request, QHttpServerResponder&& responder);
    QByteArray encoded(const QString& sizeText, const QString& colour);

    QHttpServer m_server;
    quint16 m_port = 0;
    QHash<QString, int> m_requests;
    QHash<QString, QByteArray> m_encoded;
    std::multimap<QString, std::pair<QByteArray, QHttpServerResponder>> m_held;
};

} // namespace orvane::test
