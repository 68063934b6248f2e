#pragma once

#include <QByteArray>
#include <QTcpServer>

namespace orvane::test {

// Answers every request on a loopback port with one fixed HTTP 200 body, and counts the requests:
// for replies the sandbox cannot produce (raw control characters inside JSON strings) and for
// checking that nothing is fetched. Main thread only.
class FixedReplyServer final : public QTcpServer {
public:
    explicit FixedReplyServer(QByteArray body = {});

    QString baseUrl() const;
    int requests() const { return m_requests; }
    // The head of each request (request line and headers), as it arrived.
    const QList<QByteArray>& heads() const { return m_heads; }

private:
    QByteArray m_body;
    QList<QByteArray> m_heads;
    int m_requests = 0;
};

} // namespace orvane::test
