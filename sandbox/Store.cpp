#include "sandbox/Store.h"

#include <atomic>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace orvane::sandbox {

namespace {
std::atomic<int> g_connections{0};

const char* const kSchema[] = {
    "CREATE TABLE IF NOT EXISTS participations (mkey TEXT NOT NULL, userid TEXT NOT NULL, "
    "campid INTEGER NOT NULL, adid TEXT, state INTEGER NOT NULL, orvkey TEXT, "
    "autocredit INTEGER NOT NULL, complete_at INTEGER NOT NULL, rewarded INTEGER NOT NULL, "
    "joined_at INTEGER NOT NULL, PRIMARY KEY (mkey, userid, campid))",
    "CREATE TABLE IF NOT EXISTS rewards (id INTEGER PRIMARY KEY AUTOINCREMENT, mkey TEXT, "
    "userid TEXT, campid INTEGER, name TEXT, rewardprice REAL, rewardmark TEXT, "
    "rewarddate TEXT, bm INTEGER)",
    "CREATE TABLE IF NOT EXISTS inquiries (id INTEGER PRIMARY KEY AUTOINCREMENT, fields TEXT, "
    "received INTEGER)",
    "CREATE TABLE IF NOT EXISTS inquiry_images (id INTEGER PRIMARY KEY AUTOINCREMENT, "
    "inquiry_id INTEGER, filename TEXT, content_type TEXT, data BLOB)",
    "CREATE TABLE IF NOT EXISTS postbacks (txid TEXT PRIMARY KEY, userid TEXT, campid INTEGER, "
    "amount REAL, mark TEXT, rewardtype INTEGER, state INTEGER NOT NULL, attempts INTEGER NOT "
    "NULL, "
    "next_at INTEGER NOT NULL)",
    "CREATE TABLE IF NOT EXISTS postback_attempts (id INTEGER PRIMARY KEY AUTOINCREMENT, "
    "txid TEXT, attempt INTEGER, status INTEGER, error TEXT, at INTEGER)",
};

const QString kPostbackColumns =
    QStringLiteral("txid, userid, campid, amount, mark, rewardtype, state, attempts, next_at");

PostbackCall readPostback(const QSqlQuery& q) {
    PostbackCall call;
    call.txid = q.value(0).toString();
    call.userId = q.value(1).toString();
    call.campid = q.value(2).toLongLong();
    call.amount = q.value(3).toDouble();
    call.mark = q.value(4).toString();
    call.rewardType = q.value(5).toInt();
    call.state = static_cast<PostbackCall::State>(q.value(6).toInt());
    call.attempts = q.value(7).toInt();
    call.nextAt = q.value(8).toLongLong();
    return call;
}

const QString kParticipationColumns = QStringLiteral(
    "mkey, userid, campid, adid, state, orvkey, autocredit, complete_at, rewarded, joined_at");

Participation readParticipation(const QSqlQuery& q) {
    Participation p;
    p.mkey = q.value(0).toString();
    p.userId = q.value(1).toString();
    p.campid = q.value(2).toLongLong();
    p.adid = q.value(3).toString();
    p.state = q.value(4).toInt();
    p.orvkey = q.value(5).toString();
    p.autoCredit = q.value(6).toBool();
    p.completeAt = q.value(7).toLongLong();
    p.rewarded = q.value(8).toBool();
    p.joinedAt = q.value(9).toLongLong();
    return p;
}

bool run(QSqlQuery& query) {
    if (!query.exec()) {
        qWarning("orvane-sandbox: SQL failed: %s", qPrintable(query.lastError().text()));
        return false;
    }
    return true;
}

bool bindAndRun(QSqlQuery& q, const QString& sql, const QVariantList& values) {
    q.prepare(sql);
    for (const QVariant& value : values) {
        q.addBindValue(value);
    }
    return run(q);
}

bool hasColumn(const QSqlDatabase& db, const QString& table, const QString& column) {
    QSqlQuery q(db);
    q.exec(QStringLiteral("PRAGMA table_info(%1)").arg(table));
    while (q.next()) {
        if (q.value(1).toString() == column) {
            return true;
        }
    }
    return false;
}
} // namespace

Store::~Store() {
    if (m_connection.isEmpty()) {
        return;
    }
    QSqlDatabase::database(m_connection, false).close();
    QSqlDatabase::removeDatabase(m_connection);
}

bool Store::open(const QString& filePath, QString* error) {
    m_connection = QStringLiteral("orvane-sandbox-%1").arg(++g_connections);
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
    db.setDatabaseName(filePath);
    if (!db.open()) {
        *error = QStringLiteral("cannot open %1: %2").arg(filePath, db.lastError().text());
        return false;
    }
    for (const char* statement : kSchema) {
        QSqlQuery query(db);
        if (!query.exec(QString::fromLatin1(statement))) {
            *error = query.lastError().text();
            return false;
        }
    }
    // Files written before rewards had transaction ids.
    if (!hasColumn(db, QStringLiteral("rewards"), QStringLiteral("txid"))) {
        QSqlQuery query(db);
        if (!query.exec(QStringLiteral("ALTER TABLE rewards ADD COLUMN txid TEXT"))) {
            *error = query.lastError().text();
            return false;
        }
    }
    return true;
}

std::optional<Participation> Store::participation(const QString& mkey, const QString& userId,
                                                  qint64 campid) const {
    QSqlQuery q(QSqlDatabase::database(m_connection));
    q.prepare(QStringLiteral("SELECT %1 FROM participations WHERE mkey = ? AND userid = ? AND "
                             "campid = ?")
                  .arg(kParticipationColumns));
    q.addBindValue(mkey);
    q.addBindValue(userId);
    q.addBindValue(campid);
    if (!run(q) || !q.next()) {
        return std::nullopt;
    }
    return readParticipation(q);
}

std::optional<Participation> Store::participationByAdid(const QString& mkey, const QString& adid,
                                                        qint64 campid) const {
    QSqlQuery q(QSqlDatabase::database(m_connection));
    q.prepare(QStringLiteral("SELECT %1 FROM participations WHERE mkey = ? AND adid = ? AND "
                             "campid = ? ORDER BY joined_at DESC LIMIT 1")
                  .arg(kParticipationColumns));
    q.addBindValue(mkey);
    q.addBindValue(adid);
    q.addBindValue(campid);
    if (!run(q) || !q.next()) {
        return std::nullopt;
    }
    return readParticipation(q);
}

QList<Participation> Store::participations(const QString& mkey, const QString& userId) const {
    QSqlQuery q(QSqlDatabase::database(m_connection));
    q.prepare(QStringLiteral("SELECT %1 FROM participations WHERE mkey = ? AND userid = ? "
                             "ORDER BY rowid")
                  .arg(kParticipationColumns));
    q.addBindValue(mkey);
    q.addBindValue(userId);
    QList<Participation> list;
    if (run(q)) {
        while (q.next()) {
            list.append(readParticipation(q));
        }
    }
    return list;
}

bool Store::save(const Participation& p) {
    QSqlQuery q(QSqlDatabase::database(m_connection));
    // An upsert keeps the row (and its rowid, the order of first joins) in place.
    q.prepare(QStringLiteral("INSERT INTO participations (%1) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, "
                             "?) ON CONFLICT (mkey, userid, campid) DO UPDATE SET "
                             "adid = excluded.adid, state = excluded.state, "
                             "orvkey = excluded.orvkey, autocredit = excluded.autocredit, "
                             "complete_at = excluded.complete_at, rewarded = excluded.rewarded")
                  .arg(kParticipationColumns));
    for (const QVariant& value :
         {QVariant(p.mkey), QVariant(p.userId), QVariant(p.campid), QVariant(p.adid),
          QVariant(p.state), QVariant(p.orvkey), QVariant(p.autoCredit ? 1 : 0),
          QVariant(p.completeAt), QVariant(p.rewarded ? 1 : 0), QVariant(p.joinedAt)}) {
        q.addBindValue(value);
    }
    return run(q);
}

bool Store::addReward(const RewardRecord& r) {
    QSqlQuery q(QSqlDatabase::database(m_connection));
    return bindAndRun(
        q,
        QStringLiteral("INSERT INTO rewards (mkey, userid, campid, name, rewardprice, "
                       "rewardmark, rewarddate, bm, txid) VALUES (?, ?, ?, ?, ?, ?, "
                       "?, ?, ?)"),
        {r.mkey, r.userId, r.campid, r.name, r.rewardprice, r.rewardmark, r.rewarddate, r.bm,
         r.txid});
}

bool Store::grant(const Participation& participation, const RewardRecord& reward,
                  const std::optional<PostbackCall>& call) {
    QSqlDatabase db = QSqlDatabase::database(m_connection);
    db.transaction();
    if (!save(participation) || !addReward(reward) || (call && !savePostback(*call))) {
        db.rollback();
        return false;
    }
    return db.commit();
}

bool Store::savePostback(const PostbackCall& c) {
    QSqlQuery q(QSqlDatabase::database(m_connection));
    return bindAndRun(q,
                      QStringLiteral("INSERT OR REPLACE INTO postbacks (%1) VALUES (?, ?, ?, ?, ?, "
                                     "?, ?, ?, ?)")
                          .arg(kPostbackColumns),
                      {c.txid, c.userId, c.campid, c.amount, c.mark, c.rewardType,
                       static_cast<int>(c.state), c.attempts, c.nextAt});
}

bool Store::recordPostbackAttempt(const PostbackCall& call, const PostbackAttempt& attempt) {
    QSqlDatabase db = QSqlDatabase::database(m_connection);
    db.transaction();
    QSqlQuery q(db);
    const bool added = bindAndRun(
        q,
        QStringLiteral("INSERT INTO postback_attempts (txid, attempt, status, error, at) VALUES "
                       "(?, ?, ?, ?, ?)"),
        {attempt.txid, attempt.attempt,
         attempt.status ? QVariant(*attempt.status) : QVariant(QMetaType(QMetaType::Int)),
         attempt.error, attempt.at.toMSecsSinceEpoch()});
    if (!added || !savePostback(call)) {
        db.rollback();
        return false;
    }
    return db.commit();
}

std::optional<PostbackCall> Store::postback(const QString& txid) const {
    QSqlQuery q(QSqlDatabase::database(m_connection));
    if (!bindAndRun(q,
                    QStringLiteral("SELECT %1 FROM postbacks WHERE txid = ?").arg(kPostbackColumns),
                    {txid}) ||
        !q.next()) {
        return std::nullopt;
    }
    return readPostback(q);
}

QList<PostbackCall> Store::postbacks() const {
    QSqlQuery q(QSqlDatabase::database(m_connection));
    QList<PostbackCall> list;
    if (bindAndRun(q,
                   QStringLiteral("SELECT %1 FROM postbacks ORDER BY rowid").arg(kPostbackColumns),
                   {})) {
        while (q.next()) {
            list.append(readPostback(q));
        }
    }
    return list;
}

QList<PostbackAttempt> Store::postbackAttempts() const {
    QSqlQuery q(QSqlDatabase::database(m_connection));
    QList<PostbackAttempt> list;
    if (bindAndRun(q,
                   QStringLiteral("SELECT txid, attempt, status, error, at FROM postback_attempts "
                                  "ORDER BY id"),
                   {})) {
        while (q.next()) {
            PostbackAttempt attempt;
            attempt.txid = q.value(0).toString();
            attempt.attempt = q.value(1).toInt();
            if (!q.value(2).isNull()) {
                attempt.status = q.value(2).toInt();
            }
            attempt.error = q.value(3).toString();
            attempt.at = QDateTime::fromMSecsSinceEpoch(q.value(4).toLongLong());
            list.append(attempt);
        }
    }
    return list;
}

QList<RewardRecord> Store::rewards(const QString& mkey, const QString& userId,
                                   std::optional<int> kind, const QString& sdate,
                                   const QString& edate) const {
    QString sql =
        QStringLiteral("SELECT mkey, userid, campid, name, rewardprice, rewardmark, "
                       "rewarddate, bm, txid FROM rewards WHERE mkey = ? AND userid = ? AND "
                       "rewarddate >= ? AND rewarddate <= ?");
    if (kind) {
        sql += *kind == 2 ? QStringLiteral(" AND bm = 4") : QStringLiteral(" AND bm <> 4");
    }
    sql += QStringLiteral(" ORDER BY rewarddate DESC, id DESC");
    QSqlQuery q(QSqlDatabase::database(m_connection));
    q.prepare(sql);
    q.addBindValue(mkey);
    q.addBindValue(userId);
    q.addBindValue(sdate);
    q.addBindValue(edate);
    QList<RewardRecord> list;
    if (run(q)) {
        while (q.next()) {
            list.append({q.value(0).toString(), q.value(1).toString(), q.value(2).toLongLong(),
                         q.value(3).toString(), q.value(4).toDouble(), q.value(5).toString(),
                         q.value(6).toString(), q.value(7).toInt(), q.value(8).toString()});
        }
    }
    return list;
}

qint64 Store::addInquiry(const Inquiry& inquiry) {
    QSqlDatabase db = QSqlDatabase::database(m_connection);
    QJsonArray fields;
    for (const auto& [name, value] : inquiry.fields) {
        fields.append(QJsonArray{name, value});
    }
    db.transaction();
    QSqlQuery q(db);
    q.prepare(QStringLiteral("INSERT INTO inquiries (fields, received) VALUES (?, ?)"));
    q.addBindValue(QString::fromUtf8(QJsonDocument(fields).toJson(QJsonDocument::Compact)));
    q.addBindValue(inquiry.received.toMSecsSinceEpoch());
    if (!run(q)) {
        db.rollback();
        return 0;
    }
    const qint64 id = q.lastInsertId().toLongLong();
    for (const InquiryImage& image : inquiry.images) {
        QSqlQuery qi(db);
        qi.prepare(QStringLiteral("INSERT INTO inquiry_images (inquiry_id, filename, "
                                  "content_type, data) VALUES (?, ?, ?, ?)"));
        qi.addBindValue(id);
        qi.addBindValue(image.fileName);
        qi.addBindValue(image.contentType);
        qi.addBindValue(image.data);
        if (!run(qi)) {
            db.rollback();
            return 0;
        }
    }
    db.commit();
    return id;
}

QList<Inquiry> Store::inquiries() const {
    QSqlDatabase db = QSqlDatabase::database(m_connection);
    QList<Inquiry> list;
    QSqlQuery q(db);
    q.prepare(QStringLiteral("SELECT id, fields, received FROM inquiries ORDER BY id"));
    if (!run(q)) {
        return list;
    }
    while (q.next()) {
        Inquiry inquiry;
        inquiry.id = q.value(0).toLongLong();
        const QJsonArray fields = QJsonDocument::fromJson(q.value(1).toByteArray()).array();
        for (const QJsonValue& pair : fields) {
            inquiry.fields.append({pair[0].toString(), pair[1].toString()});
        }
        inquiry.received = QDateTime::fromMSecsSinceEpoch(q.value(2).toLongLong());
        QSqlQuery qi(db);
        qi.prepare(QStringLiteral("SELECT filename, content_type, data FROM inquiry_images WHERE "
                                  "inquiry_id = ? ORDER BY id"));
        qi.addBindValue(inquiry.id);
        if (run(qi)) {
            while (qi.next()) {
                inquiry.images.append(
                    {qi.value(0).toString(), qi.value(1).toString(), qi.value(2).toByteArray()});
            }
        }
        list.append(inquiry);
    }
    return list;
}

} // namespace orvane::sandbox
