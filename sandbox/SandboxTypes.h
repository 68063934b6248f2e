#pragma once

#include <optional>

#include <QByteArray>
#include <QDateTime>
#include <QJsonObject>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

namespace orvane::sandbox {

// One field of a request's query. A bare field ("carrier" without "=") has no value; "carrier="
// has an empty one. Name and value are percent-decoded; '+' stays a plus sign.
struct QueryItem {
    QString name;
    std::optional<QString> value;
    bool operator==(const QueryItem&) const = default;
};

// Splits a raw (still percent-encoded) query on '&' in order, keeping bare fields apart from
// fields with an empty value. Empty segments ("a&&b") are skipped.
QList<QueryItem> parseQuery(QByteArrayView rawQuery);

// A request as the server received it. Values, so tests may keep them after clearRequests().
struct LoggedRequest {
    QByteArray method;
    QString path;        // percent-decoded path, e.g. "/v1/req"
    QByteArray rawQuery; // as sent, without the leading '?'
    QList<QueryItem> query;
    QList<QPair<QByteArray, QByteArray>> headers; // in arrival order, names as sent
    QByteArray body;
    QDateTime received;

    // First header of that name (case-insensitive), or an empty array.
    QByteArray header(QByteArrayView name) const;
    bool hasHeader(QByteArrayView name) const;
    // Value of the first query field of that name; nullopt when the field is missing or bare.
    std::optional<QString> queryValue(const QString& name) const;
    bool hasQueryItem(const QString& name) const;
    QStringList queryNames() const;
};

// A fault injected for one request path. Pieces combine: the delay comes first, then `result`
// (refusal) or the normal handling, then `patch`, `httpStatus` and the body mode.
struct Fault {
    enum class Body {
        Normal,
        Malformed, // HTTP 200 (or httpStatus) with a body that is not JSON
        Truncated, // announces the full length, sends half of the body, then closes
        Empty,     // no body at all (Content-Length 0)
        Drop,      // closes the connection without any reply byte
    };

    std::optional<int> httpStatus; // reply with this HTTP status instead of 200
    std::optional<int> result;     // refuse without handling: body {"result":N,"errmsg":...}
    QJsonObject patch;             // handle normally, then overwrite these keys of the JSON reply
    int delayMs = 0;               // answer later; the server thread never blocks
    Body body = Body::Normal;
    int count = -1; // how many requests it applies to; -1 for all until cleared

    static Fault status(int httpStatus);
    static Fault resultCode(int result);
    static Fault delay(int ms);
    static Fault withBody(Body body);
    Fault& times(int n) {
        count = n;
        return *this;
    }
};

// One inquiry received by POST /api/cs.
struct InquiryImage {
    QString fileName;
    QString contentType;
    QByteArray data;
};
struct Inquiry {
    qint64 id = 0;
    QList<QPair<QString, QString>> fields; // form fields in body order
    QList<InquiryImage> images;
    QDateTime received;
    QString field(const QString& name) const;
};

// One granted reward as the history serves it.
struct RewardRecord {
    QString mkey;
    QString userId;
    qint64 campid = 0;
    QString name;
    double rewardprice = 0;
    QString rewardmark;
    QString rewarddate; // yyyyMMdd
    int bm = 0;
    QString txid; // the transaction id of the grant's server-to-server call; empty when seeded
};

// One server-to-server reward call (a postback) as it is stored: the reward it reports and where
// its delivery stands. One per granted reward; `txid` is the reward's transaction id.
struct PostbackCall {
    enum class State { Pending, Delivered, GivenUp };

    QString txid;
    QString userId;
    qint64 campid = 0;
    double amount = 0;
    QString mark;
    int rewardType = 1; // 1 claimed with a key, 2 credited by the server
    State state = State::Pending;
    int attempts = 0;  // made so far
    qint64 nextAt = 0; // ms since the epoch: when the next attempt is due
};

// One attempt of a call: the host server's HTTP status, or the error when there was no answer.
struct PostbackAttempt {
    QString txid;
    int attempt = 0; // 1 for the first
    std::optional<int> status;
    QString error;
    QDateTime at;
};

struct Options {
    QString dataDir;       // SQLite file folder; a temporary folder when empty
    QString cataloguePath; // JSON catalogue replacing the built-in one; built-in when empty
    QList<QPair<QString, QString>> extraKeys; // (mkey, mckey) pairs accepted besides the demo pair
    int completionDelayMs = 1000;             // from landing visit or install report to state 3
    int rewardType = 1; // reply-level rewardtype of /req: 1 user collects, 2 server credits
    // The server-to-server reward call: off while the URL is empty. Each granted reward is sent
    // there, signed with the secret, until an answer is 2xx; a failed attempt is retried after
    // each delay in turn (so there are delays + 1 attempts), an attempt without an answer within
    // the time-out counts as failed.
    QString postbackUrl;
    QString postbackSecret;
    QList<int> postbackDelaysMs = {500, 2000, 10000, 60000, 300000, 1800000, 7200000};
    int postbackTimeoutMs = 10000;
};

inline const QString kDemoMkey = QStringLiteral("demo-mkey");
inline const QString kDemoMckey = QStringLiteral("demo-mckey");

} // namespace orvane::sandbox
