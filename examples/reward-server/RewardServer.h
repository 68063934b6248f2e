#pragma once

#include <memory>

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QObject>
#include <QString>

class QHttpServer;
class QHttpServerRequest;
class QHttpServerResponse;

namespace rewardserver {

// A host's own reward server, as small as it can be: it takes the campaign server's signed reward
// calls and keeps every user's balance in SQLite.
//
//   GET /postback?txid=T&userid=U&campid=C&amount=A&mark=M&rewardtype=R&ts=S&sig=H
//       checks the signature (in constant time) and the time stamp, then credits the reward once
//       per txid: 200 "credited" or "duplicate" (so the sender stops), 403 for a bad signature or
//       a time stamp outside the window, 400 for a malformed call, 500 when the ledger cannot be
//       written (the sender tries again)
//   GET /balance?userid=U     {"userid": U, "balance": N, "mark": M, "credits": n}
//   GET /ledger               {"credits": [every credit, in the order taken]}
//
// Serves 127.0.0.1 only, on the thread that made it (it needs an event loop).
class RewardServer final : public QObject {
    Q_OBJECT
public:
    struct Options {
        QByteArray secret;          // the key the campaign server signs with
        QString databasePath;       // the SQLite ledger
        qint64 windowSeconds = 300; // how far a call's time stamp may be from this clock
        int failFirst = 0;          // answer the first N calls 503, to watch the sender retry
    };
    struct Credit {
        QString txid;
        QString userId;
        qint64 campid = 0;
        double amount = 0;
        QString mark;
        int rewardType = 0;
        QDateTime creditedAt;
    };

    explicit RewardServer(Options options, QObject* parent = nullptr);
    ~RewardServer() override;

    // Opens the ledger and listens on 127.0.0.1:`port` (0: a free one). False with errorString().
    bool listen(quint16 port = 0);
    QString errorString() const { return m_error; }
    quint16 port() const { return m_port; }
    QString baseUrl() const;     // http://127.0.0.1:PORT
    QString postbackUrl() const; // baseUrl() + "/postback"

    QList<Credit> ledger() const;
    double balance(const QString& userId) const;

    // True when `signature` is the lowercase hex HMAC-SHA256 of `signedText` keyed with `secret`.
    // Takes the same time whatever the two signatures have in common.
    static bool signatureMatches(const QByteArray& signedText, const QByteArray& signature,
                                 const QByteArray& secret);

private:
    QHttpServerResponse postback(const QHttpServerRequest& request);
    QHttpServerResponse balanceReply(const QHttpServerRequest& request) const;
    QHttpServerResponse ledgerReply() const;
    // Writes the credit and the new balance in one transaction; false when nothing was written
    // because the txid was credited before. Sets `failed` when the database refused.
    bool creditOnce(const Credit& credit, bool* failed);

    Options m_options;
    std::unique_ptr<QHttpServer> m_server;
    QString m_connection;
    QString m_error;
    quint16 m_port = 0;
    int m_failed = 0;
};

} // namespace rewardserver
