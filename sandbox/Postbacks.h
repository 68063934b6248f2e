#pragma once

#include <optional>

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>

#include "sandbox/SandboxTypes.h"

class QNetworkAccessManager;

namespace orvane::sandbox {

class Store;

// The server-to-server reward call: every granted reward is reported to the host's server once,
// as
//
//   GET URL?txid=T&userid=U&campid=C&amount=A&mark=M&rewardtype=R&ts=UNIX_SECONDS&sig=S
//
// (fields in that order, values percent-encoded as UTF-8 with the RFC 3986 unreserved characters
// kept, `sig` the lowercase hex HMAC-SHA256 of the query text before "&sig=" keyed with the
// secret), until an answer is 2xx. A failed attempt (another status, no answer within the
// time-out) is retried after the next delay, with the same txid and a fresh ts and sig; after the
// last one the call is given up and logged. Calls and attempts live in the store, so a restart on
// the same data resumes the calls still pending.
//
// Lives on the server's thread, like the store.
class Postbacks final : public QObject {
    Q_OBJECT
public:
    explicit Postbacks(Store& store, QObject* parent = nullptr);
    ~Postbacks() override;

    // Turns the calls on (a URL) or off (empty). Calls pending in the store are then sent.
    void configure(const QString& url, const QString& secret);
    bool enabled() const { return !m_url.isEmpty(); }
    void setRetryDelays(const QList<int>& delaysMs) { m_delaysMs = delaysMs; }
    void setTimeout(int ms) { m_timeoutMs = ms; }
    int maxAttempts() const { return int(m_delaysMs.size()) + 1; }

    // Sends every pending call of the store when it is due.
    void resume();
    // A call the store just took in: its first attempt goes out at once.
    void queued(const QString& txid);

    // The query of `call` at `ts`, without the signature, and the signature of a query text.
    static QByteArray query(const PostbackCall& call, qint64 ts);
    static QByteArray signature(const QByteArray& query, const QByteArray& secret);

private:
    void schedule(const PostbackCall& call);
    void attempt(const QString& txid);
    void answered(PostbackCall call, std::optional<int> status, const QString& error);

    Store& m_store;
    QNetworkAccessManager* m_network; // a child: goes after the connections to this object
    QString m_url;
    QByteArray m_secret;
    QList<int> m_delaysMs;
    int m_timeoutMs = 10000;
    QSet<QString> m_busy; // calls with an attempt scheduled or on the way
};

} // namespace orvane::sandbox
