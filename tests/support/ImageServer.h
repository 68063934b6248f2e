#pragma once

#include <map>
#include <vector>

#include <QHash>
#include <QHttpServer>
#include <QHttpServerResponder>
#include <QImage>
#include <QUrl>

class QTcpSocket;

namespace orvane::test {

// A loopback HTTP server for image tests. Paths:
//   /png/<w>x<h>[/<colour>[/anything]]  a generated PNG of that size (default colour red)
//   /hold/<name>/<w>x<h>/<colour>       the same, but held until release(name)
//   /missing                            404
//   /garbage                            200 with bytes that are no image
//   /drop                               the connection is closed without an answer
//   /padded/<bytes>[/unannounced]       a small PNG padded with zeros to <bytes> in all, with its
//                                       length announced, or not (the connection closes at its end)
//   /endless                            200 with a body that never ends, its length not announced
//   /announce/<bytes>                   a header announcing <bytes>, then a few bytes and silence
//   /cookie                             a PNG that sets a cookie
//   /redirect/<n>/<path...>             <n> redirects, then /<path...>
//   /redirect-to?<address>              a redirect to <address>
// Every request is counted by its (decoded) path; the "Cookie" headers received are kept. While
// dropping, every connection is closed without an answer. Main thread only.
class ImageServer final {
public:
    ImageServer();
    ~ImageServer();

    QUrl url(const QString& path) const;
    int requests(const QString& path) const { return m_requests.value(path); }
    // Answers the held request(s) of `name`.
    void release(const QString& name);
    void setDropping(bool dropping) { m_dropping = dropping; }
    const QList<QByteArray>& cookieHeaders() const { return m_cookies; }

    static QImage makeImage(const QString& sizeText, const QString& colour);
    static QByteArray png(const QImage& image);

private:
    void handle(const QHttpServerRequest& request, QHttpServerResponder&& responder);
    QByteArray encoded(const QString& sizeText, const QString& colour);
    static void stream(QTcpSocket* socket);

    QHttpServer m_server;
    quint16 m_port = 0;
    QHash<QString, int> m_requests;
    QHash<QString, QByteArray> m_encoded;
    std::multimap<QString, std::pair<QByteArray, QHttpServerResponder>> m_held;
    QList<QByteArray> m_cookies;
    bool m_dropping = false;
};

} // namespace orvane::test
