#pragma once

#include <memory>
#include <optional>

#include <QHash>
#include <QJsonObject>
#include <QMutex>
#include <QObject>
#include <QTemporaryDir>

#include "sandbox/SandboxTypes.h"

class QHttpServerRequest;
class QTcpSocket;

namespace orvane::sandbox {

class HttpFrontend;
class Postbacks;
class Service;
class Store;
struct Reply;

// The local campaign API ("/v1"), partner API ("/api") and notice file
// ("/orvane/sdk/notice_contents.json") on 127.0.0.1, with its state in SQLite, fault injection
// and a request log. Also serves "/landing/<campid>?user=U&mkey=K" (the pages a join opens) and
// "/img/<campid>/{icon,banner,detail}.png", and the control endpoints under "/__sandbox/".
// With a postback URL, every reward it grants is reported to that URL once (see Postbacks).
//
// Threads: create, listen and configure it on one thread with an event loop (a test's main
// thread); it answers from that loop and never blocks it. requests() and the fault setters may be
// called from any thread.
class SandboxServer final : public QObject {
    Q_OBJECT

public:
    explicit SandboxServer(Options options = {}, QObject* parent = nullptr);
    ~SandboxServer() override;

    // Binds 127.0.0.1 on `port` (0: a free one). False, with errorString(), when the port, the
    // data folder or the catalogue file is unusable.
    bool listen(quint16 port = 0);
    bool isListening() const { return m_port != 0; }
    QString errorString() const { return m_error; }

    quint16 port() const { return m_port; }
    QString baseUrl() const;      // "http://127.0.0.1:PORT"
    QString campaignBase() const; // baseUrl() + "/v1"
    QString partnerBase() const;  // baseUrl() + "/api"
    QString noticeUrl() const;    // baseUrl() + "/orvane/sdk/notice_contents.json"
    QString imageUrl(qint64 campid, const QString& kind = QStringLiteral("icon")) const;
    QString landingUrl(qint64 campid, const QString& userId, const QString& mkey = kDemoMkey) const;

    // Faults by request path ("/v1/join"; "*" matches every path without its own fault).
    void setFault(const QString& path, const Fault& fault);
    void clearFault(const QString& path);
    void clearFaults();

    // Behaviour. Call on the server's thread.
    void setCompletionDelay(int ms);
    int completionDelay() const;
    void setRewardType(int rewardType); // the "rewardtype" of every user's list
    void setUserRewardType(const QString& userId, std::optional<int> rewardType);
    bool setCatalogue(const QJsonObject& catalogue, QString* error = nullptr);
    QJsonObject catalogue() const;
    void addKeys(const QString& mkey, const QString& mckey);
    // The server-to-server reward call: on with a URL, off with an empty one.
    void setPostback(const QString& url, const QString& secret);

    // Every request except the control endpoints, in arrival order.
    QList<LoggedRequest> requests() const;
    QList<LoggedRequest> requestsTo(const QString& path) const;
    void clearRequests();

    // Stored state, for tests. Call on the server's thread.
    QList<Inquiry> inquiries() const;
    // The user's rewards, newest first, over all dates and kinds.
    QList<RewardRecord> rewardHistory(const QString& userId, const QString& mkey = kDemoMkey) const;
    // The key the "/state" reply carries for the user's participation in `campid` (it differs
    // from the key of the join and list replies); none before the user joined.
    std::optional<QString> stateReplyKey(const QString& userId, qint64 campid,
                                         const QString& mkey = kDemoMkey) const;
    // Adds a history entry as if it had been granted (seeding, e.g. past dates).
    void addRewardRecord(const RewardRecord& record);
    // The server-to-server calls in the order they were granted, and every attempt in order.
    QList<PostbackCall> postbackCalls() const;
    QList<PostbackAttempt> postbackAttempts() const;

Q_SIGNALS:
    // After a request was logged, before it is answered.
    void requestReceived(const QString& path);

private:
    void onRequest(const QHttpServerRequest& request, QTcpSocket* socket);
    std::optional<Fault> takeFault(const QString& path);
    Reply control(const LoggedRequest& request);

    Options m_options;
    QString m_error;
    quint16 m_port = 0;
    std::unique_ptr<QTemporaryDir> m_tempDir;
    std::unique_ptr<Store> m_store;
    std::unique_ptr<Service> m_service;
    std::unique_ptr<Postbacks> m_postbacks;

    mutable QMutex m_mutex; // guards the log and the faults
    QList<LoggedRequest> m_log;
    QHash<QString, Fault> m_faults;

    std::unique_ptr<HttpFrontend> m_frontend; // last: goes first, with its sockets and timers
};

} // namespace orvane::sandbox
