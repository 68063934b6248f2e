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
};

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
    q.prepare(QStringLiteral("INSERT INTO rewards (mkey, userid, campid, name, rewardprice, "
                             "rewardmark, rewarddate, bm) VALUES (?, ?, ?, ?, ?, ?, ?, ?)"));
    for (const QVariant& value : {QVariant(r.mkey), QVariant(r.userId), QVariant(r.campid),
                                  QVariant(r.name), QVariant(r.rewardprice), QVariant(r.rewardmark),
                                  QVariant(r.rewarddate), QVariant(r.bm)}) {
        q.addBindValue(value);
    }
    return run(q);
}

QList<RewardRecord> Store::rewards(const QString& mkey, const QString& userId,
                                   std::optional<int> kind, const QString& sdate,
                                   const QString& edate) const {
    QString sql = QStringLiteral("SELECT mkey, userid, campid, name, rewardprice, rewardmark, "
                                 "rewarddate, bm FROM rewards WHERE mkey = ? AND userid = ? AND "
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
                         q.value(6).toString(), q.value(7).toInt()});
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
