#include "RewardServer.h"

#include <cmath>

#include <QHostAddress>
#include <QHttpServer>
#include <QHttpServerRequest>
#include <QHttpServerResponse>
#include <QJsonArray>
#include <QJsonObject>
#include <QMessageAuthenticationCode>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrlQuery>

namespace rewardserver {

namespace {

const char* const kSchema[] = {
    "CREATE TABLE IF NOT EXISTS credits (txid TEXT PRIMARY KEY, userid TEXT NOT NULL, "
    "campid INTEGER NOT NULL, amount REAL NOT NULL, mark TEXT, rewardtype INTEGER, "
    "credited_at INTEGER NOT NULL)",
    "CREATE TABLE IF NOT EXISTS balances (userid TEXT PRIMARY KEY, balance REAL NOT NULL)",
};

int g_connections = 0;

QHttpServerResponse text(const char* body, QHttpServerResponse::StatusCode status) {
    return QHttpServerResponse(QByteArrayLiteral("text/plain"), QByteArray(body), status);
}

} // namespace

RewardServer::RewardServer(Options options, QObject* parent)
    : QObject(parent)
    , m_options(std::move(options))
    , m_server(std::make_unique<QHttpServer>()) {
    m_server->route(QStringLiteral("/postback"),
                    [this](const QHttpServerRequest& request) { return postback(request); });
    m_server->route(QStringLiteral("/balance"),
                    [this](const QHttpServerRequest& request) { return balanceReply(request); });
    m_server->route(QStringLiteral("/ledger"), [this] { return ledgerReply(); });
}

RewardServer::~RewardServer() {
    m_server.reset();
    if (!m_connection.isEmpty()) {
        QSqlDatabase::database(m_connection, false).close();
        QSqlDatabase::removeDatabase(m_connection);
    }
}

bool RewardServer::listen(quint16 port) {
    m_connection = QStringLiteral("reward-server-%1").arg(++g_connections);
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
    db.setDatabaseName(m_options.databasePath);
    if (!db.open()) {
        m_error =
            QStringLiteral("cannot open %1: %2").arg(m_options.databasePath, db.lastError().text());
        return false;
    }
    for (const char* statement : kSchema) {
        QSqlQuery query(db);
        if (!query.exec(QString::fromLatin1(statement))) {
            m_error = query.lastError().text();
            return false;
        }
    }
    m_port = m_server->listen(QHostAddress::LocalHost, port);
    if (m_port == 0) {
        m_error = QStringLiteral("cannot listen on 127.0.0.1:%1").arg(port);
        return false;
    }
    return true;
}

QString RewardServer::baseUrl() const {
    return QStringLiteral("http://127.0.0.1:%1").arg(m_port);
}

QString RewardServer::postbackUrl() const {
    return baseUrl() + QStringLiteral("/postback");
}

bool RewardServer::signatureMatches(const QByteArray& signedText, const QByteArray& signature,
                                    const QByteArray& secret) {
    const QByteArray expected =
        QMessageAuthenticationCode::hash(signedText, secret, QCryptographicHash::Sha256).toHex();
    if (signature.size() != expected.size()) {
        return false; // the length is no secret
    }
    // Every byte is compared, so the time taken tells nothing about where they differ.
    unsigned char difference = 0;
    for (qsizetype i = 0; i < expected.size(); ++i) {
        difference |= static_cast<unsigned char>(expected[i] ^ signature[i]);
    }
    return difference == 0;
}

QHttpServerResponse RewardServer::postback(const QHttpServerRequest& request) {
    using Status = QHttpServerResponse::StatusCode;
    if (m_failed < m_options.failFirst) {
        ++m_failed;
        return text("failing on purpose", Status::ServiceUnavailable);
    }
    // The signature covers the query exactly as it was sent, up to "&sig=".
    const QByteArray query = request.url().query(QUrl::FullyEncoded).toUtf8();
    const qsizetype cut = query.lastIndexOf("&sig=");
    if (cut < 0 || !signatureMatches(query.left(cut), query.mid(cut + 5), m_options.secret)) {
        return text("bad signature", Status::Forbidden);
    }
    const QUrlQuery fields(QString::fromUtf8(query.left(cut)));
    const auto value = [&fields](const char* name) {
        return fields.queryItemValue(QString::fromLatin1(name), QUrl::FullyDecoded);
    };
    bool tsOk = false;
    const qint64 ts = value("ts").toLongLong(&tsOk);
    if (!tsOk || std::llabs(QDateTime::currentSecsSinceEpoch() - ts) > m_options.windowSeconds) {
        return text("time stamp outside the window", Status::Forbidden);
    }
    Credit credit;
    bool campidOk = false;
    bool amountOk = false;
    bool typeOk = false;
    credit.txid = value("txid");
    credit.userId = value("userid");
    credit.campid = value("campid").toLongLong(&campidOk);
    credit.amount = value("amount").toDouble(&amountOk);
    credit.mark = value("mark");
    credit.rewardType = value("rewardtype").toInt(&typeOk);
    if (credit.txid.isEmpty() || credit.userId.isEmpty() || !campidOk || !amountOk || !typeOk ||
        !std::isfinite(credit.amount)) {
        return text("malformed call", Status::BadRequest);
    }
    credit.creditedAt = QDateTime::currentDateTimeUtc();
    bool failed = false;
    const bool fresh = creditOnce(credit, &failed);
    if (failed) {
        return text("ledger unavailable", Status::InternalServerError);
    }
    return text(fresh ? "credited" : "duplicate", Status::Ok);
}

bool RewardServer::creditOnce(const Credit& credit, bool* failed) {
    QSqlDatabase db = QSqlDatabase::database(m_connection);
    *failed = !db.transaction();
    QSqlQuery insert(db);
    insert.prepare(QStringLiteral("INSERT OR IGNORE INTO credits (txid, userid, campid, amount, "
                                  "mark, rewardtype, credited_at) VALUES (?, ?, ?, ?, ?, ?, ?)"));
    for (const QVariant& v :
         {QVariant(credit.txid), QVariant(credit.userId), QVariant(credit.campid),
          QVariant(credit.amount), QVariant(credit.mark), QVariant(credit.rewardType),
          QVariant(credit.creditedAt.toMSecsSinceEpoch())}) {
        insert.addBindValue(v);
    }
    if (*failed || !insert.exec()) {
        *failed = true;
        db.rollback();
        return false;
    }
    const bool fresh = insert.numRowsAffected() == 1; // the txid's unique key ignored a repeat
    if (fresh) {
        QSqlQuery add(db);
        add.prepare(QStringLiteral("INSERT INTO balances (userid, balance) VALUES (?, ?) ON "
                                   "CONFLICT (userid) DO UPDATE SET balance = balance + "
                                   "excluded.balance"));
        add.addBindValue(credit.userId);
        add.addBindValue(credit.amount);
        if (!add.exec()) {
            *failed = true;
            db.rollback();
            return false;
        }
    }
    *failed = !db.commit();
    return fresh && !*failed;
}

double RewardServer::balance(const QString& userId) const {
    QSqlQuery q(QSqlDatabase::database(m_connection));
    q.prepare(QStringLiteral("SELECT balance FROM balances WHERE userid = ?"));
    q.addBindValue(userId);
    return q.exec() && q.next() ? q.value(0).toDouble() : 0;
}

QList<RewardServer::Credit> RewardServer::ledger() const {
    QSqlQuery q(QSqlDatabase::database(m_connection));
    QList<Credit> credits;
    if (!q.exec(QStringLiteral("SELECT txid, userid, campid, amount, mark, rewardtype, "
                               "credited_at FROM credits ORDER BY rowid"))) {
        return credits;
    }
    while (q.next()) {
        credits.append({q.value(0).toString(), q.value(1).toString(), q.value(2).toLongLong(),
                        q.value(3).toDouble(), q.value(4).toString(), q.value(5).toInt(),
                        QDateTime::fromMSecsSinceEpoch(q.value(6).toLongLong(), Qt::UTC)});
    }
    return credits;
}

QHttpServerResponse RewardServer::balanceReply(const QHttpServerRequest& request) const {
    const QString userId =
        request.query().queryItemValue(QStringLiteral("userid"), QUrl::FullyDecoded);
    QString mark;
    int count = 0;
    for (const Credit& credit : ledger()) {
        if (credit.userId == userId) {
            mark = credit.mark;
            ++count;
        }
    }
    return QHttpServerResponse(QJsonObject{{QStringLiteral("userid"), userId},
                                           {QStringLiteral("balance"), balance(userId)},
                                           {QStringLiteral("mark"), mark},
                                           {QStringLiteral("credits"), count}});
}

QHttpServerResponse RewardServer::ledgerReply() const {
    QJsonArray credits;
    for (const Credit& credit : ledger()) {
        credits.append(QJsonObject{
            {QStringLiteral("txid"), credit.txid},
            {QStringLiteral("userid"), credit.userId},
            {QStringLiteral("campid"), credit.campid},
            {QStringLiteral("amount"), credit.amount},
            {QStringLiteral("mark"), credit.mark},
            {QStringLiteral("rewardtype"), credit.rewardType},
            {QStringLiteral("credited"), credit.creditedAt.toString(Qt::ISODateWithMs)},
        });
    }
    return QHttpServerResponse(QJsonObject{{QStringLiteral("credits"), credits}});
}

} // namespace rewardserver
