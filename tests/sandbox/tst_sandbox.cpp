// The sandbox server over real loopback HTTP, spoken to with a plain QNetworkAccessManager (never
// the kit's own transport), so the server is checked on its own.
#include <QImage>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QtTest>

#include "sandbox/Multipart.h"
#include "sandbox/SandboxServer.h"
#include "support/HttpReply.h"

using namespace orvane;
using namespace orvane::sandbox;
using namespace Qt::StringLiterals;

namespace {

using Response = test::HttpReply;
using test::finish;

// A plain client of the sandbox: the demo keys and user "u1".
class Client {
public:
    explicit Client(SandboxServer& server)
        : m_server(server) {}

    Response get(const QString& pathAndQuery) {
        return finish(m_nam.get(QNetworkRequest(QUrl(m_server.baseUrl() + pathAndQuery))));
    }
    Response post(const QString& path, const QByteArray& contentType, const QByteArray& body) {
        QNetworkRequest request(QUrl(m_server.baseUrl() + path));
        request.setHeader(QNetworkRequest::ContentTypeHeader, contentType);
        return finish(m_nam.post(request, body));
    }
    QString keys() const { return u"mkey=demo-mkey&mckey=demo-mckey&userid=u1"_s; }
    Response campaign(const QString& call, qint64 campid) {
        return get(u"/v1/%1?%2&campid=%3&adid=AD-u1"_s.arg(call, keys()).arg(campid));
    }
    Response list() { return get(u"/v1/req?"_s + keys()); }
    QNetworkAccessManager& nam() { return m_nam; }

private:
    SandboxServer& m_server;
    QNetworkAccessManager m_nam;
};

} // namespace

class TstSandbox : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() {
        m_server = std::make_unique<SandboxServer>(Options{});
        QVERIFY2(m_server->listen(), qPrintable(m_server->errorString()));
        m_client = std::make_unique<Client>(*m_server);
    }
    void cleanup() {
        m_client.reset();
        m_server.reset();
    }
    // Each row makes the calls of `before` (the user's keys added), then `call`, and expects the
    // HTTP status or, with a 200, the reply's "result".
    void refusals_data() {
        QTest::addColumn<QStringList>("before");
        QTest::addColumn<QString>("call");
        QTest::addColumn<int>("status");
        QTest::addColumn<int>("result");
        for (const char* path : {"/v1/req", "/v1/join", "/v1/state", "/v1/exec", "/v1/reward",
                                 "/api/cs/user_camp_list", "/api/cs/user_reward_list"}) {
            QTest::addRow("wrong keys %s", path)
                << QStringList()
                << QString(QLatin1String(path) +
                           u"?campid=103&mkey=demo-mkey&mckey=wrong&userid=u1"_s)
                << 200 << 403;
        }
        const auto row = [](const char* name, const QStringList& before, const char* call,
                            int status, int result) {
            QTest::newRow(name) << before << QString::fromLatin1(call) << status << result;
        };
        const QString join103 = u"/v1/join?campid=103"_s, join104 = u"/v1/join?campid=104"_s;
        const QString join107 = u"/v1/join?campid=107"_s;
        row("other host's keys", {}, "/v1/req?mkey=host-b&mckey=host-b-c&userid=u1", 200, 200);
        row("no user", {}, "/v1/req?mkey=demo-mkey&mckey=demo-mckey", 200, 400);
        row("empty user", {}, "/v1/req?mkey=demo-mkey&mckey=demo-mckey&userid=", 200, 400);
        row("unknown campaign", {}, "/v1/join?campid=777", 200, 404);
        row("campaign not a number", {}, "/v1/join?campid=abc", 200, 404);
        row("unknown path", {}, "/v1/nothing", 404, -1);
        row("inquiry by GET", {}, "/api/cs", 405, -1);
        row("exec before join", {}, "/v1/exec?campid=101", 200, 404);
        row("exec of a landing campaign", {join104}, "/v1/exec?campid=104", 200, 406);
        row("install of a landing campaign", {join104}, "/v1/inst?campid=104", 200, 406);
        row("claim before completion", {join103}, "/v1/reward?campid=103&orvkey=x", 200, 406);
        row("claim with a wrong key", {u"/v1/req?mkey=demo-mkey&mckey=demo-mckey&userid=u1"_s},
            "/v1/reward?campid=108&orvkey=nope", 200, 403); // 108 is ready to claim
        row("second claim", {join107}, "/v1/reward?campid=107&orvkey=<join>", 200, 409);
        row("join after the reward", {join107, u"/v1/reward?campid=107&orvkey=<join>"_s},
            "/v1/join?campid=107", 200, 500);
    }

    void refusals() {
        QFETCH(QStringList, before);
        QFETCH(QString, call);
        QFETCH(int, status);
        QFETCH(int, result);
        m_server->addKeys(u"host-b"_s, u"host-b-c"_s);
        m_server->setCompletionDelay(0);
        QString joinKey; // the key of the last join reply, for "<join>"
        const auto send = [&](QString path) {
            path.replace("<join>"_L1, joinKey);
            if (path.contains("campid="_L1) && !path.contains("mkey="_L1))
                path += u'&' + m_client->keys() + u"&adid=AD-u1"_s;
            return m_client->get(path);
        };
        for (const QString& path : before) {
            const Response r = send(path);
            QCOMPARE(r.result(), 200);
            joinKey = r.json().value("orvkey"_L1).toString(joinKey);
        }
        // A second join of the instant campaign (a lost reply repeated) answers the same key; the
        // claim with the key of the state reply pays, and the rewarded campaign leaves the list.
        if (call == "/v1/reward?campid=107&orvkey=<join>"_L1) {
            QCOMPARE(send(u"/v1/join?campid=107"_s).json()["orvkey"_L1], joinKey);
            const QString stateKey = send(u"/v1/state?campid=107"_s).json()["orvkey"_L1].toString();
            QVERIFY(!stateKey.isEmpty() && stateKey != joinKey);
            QCOMPARE(send(u"/v1/reward?campid=107&orvkey="_s + stateKey).result(), 200);
            const QJsonArray listed = m_client->list().json()["camp"_L1].toArray();
            QVERIFY(!listed.isEmpty());
            for (const QJsonValue& camp : listed)
                QVERIFY(camp["campid"_L1].toInteger() != 107);
        }
        const Response r = send(call);
        QCOMPARE(r.status, status);
        if (result >= 0)
            QCOMPARE(r.result(), result);
    }

    void rewardHistoryFilters_data() {
        QTest::addColumn<QString>("query");
        QTest::addColumn<QList<qint64>>("campids"); // {-400}: refused
        const auto row = [](const char* name, const char* query, QList<qint64> campids) {
            QTest::newRow(name) << QString::fromLatin1(query) << campids;
        };
        row("a month, newest first", "&sdate=20240101&edate=20240131", {3, 2, 1});
        row("rewards of the user", "&sdate=20240101&edate=20240131&rewardtype=1", {3, 1});
        row("purchases", "&sdate=20240101&edate=20240131&rewardtype=2", {2});
        row("one day", "&sdate=20240115&edate=20240115", {2});
        row("start after end", "&sdate=20240201&edate=20240101", {});
        row("date with dashes", "&sdate=2024-01-01&edate=20240131", {-400});
        row("no end", "&sdate=20240101", {-400});
        row("unknown kind", "&sdate=20240101&edate=20240131&rewardtype=7", {-400});
    }

    void rewardHistoryFilters() {
        QFETCH(QString, query);
        QFETCH(QList<qint64>, campids);
        const auto seed = [&](qint64 campid, const char* date, int bm,
                              const QString& user = u"u1"_s) {
            m_server->addRewardRecord({kDemoMkey, user, campid, u"C%1"_s.arg(campid), 100, u"P"_s,
                                       QString::fromLatin1(date), bm, QString()});
        };
        seed(1, "20240101", 1);
        seed(2, "20240115", 4);
        seed(3, "20240131", 3);
        seed(4, "20240201", 2);
        seed(5, "20240115", 1, u"u2"_s);
        const Response r = m_client->get(u"/api/cs/user_reward_list?"_s + m_client->keys() + query);
        QList<qint64> got;
        for (const QJsonValue& v : r.json()["reward"_L1].toArray())
            got << v["campid"_L1].toInteger();
        QCOMPARE(r.result() == 200 ? got : QList<qint64>{-r.result()}, campids);
    }

    void faultsAreCountedAndNeverBlock() {
        // A counted fault ends after its count.
        m_server->setFault(u"/v1/join"_s, Fault::resultCode(403).times(1));
        QCOMPARE(m_client->campaign(u"join"_s, 103).result(), 403);
        // A refused join changes nothing.
        QCOMPARE(m_client->campaign(u"state"_s, 103).json()["state"_L1].toInt(-1), 0);
        QCOMPARE(m_client->campaign(u"join"_s, 103).result(), 200);

        // "*" covers every path without a fault of its own.
        m_server->setFault(u"*"_s, Fault::status(503));
        m_server->setFault(u"/v1/view"_s, Fault::status(502));
        QCOMPARE(m_client->campaign(u"state"_s, 103).status, 503);
        QCOMPARE(m_client->campaign(u"view"_s, 103).status, 502);

        // A delayed answer holds nobody else up, and a client that gives up on one leaves the
        // server well.
        m_server->clearFaults();
        m_server->setFault(u"/v1/req"_s, Fault::delay(600));
        const QUrl listUrl(m_server->campaignBase() + u"/req?"_s + m_client->keys());
        QNetworkReply* slow = m_client->nam().get(QNetworkRequest(listUrl));
        QNetworkReply* abandoned = m_client->nam().get(QNetworkRequest(listUrl));
        QTRY_COMPARE(m_server->requestsTo(u"/v1/req"_s).size(), 2);
        abandoned->abort();
        abandoned->deleteLater();
        QCOMPARE(m_client->campaign(u"state"_s, 103).result(), 200);
        QVERIFY(!slow->isFinished());
        QCOMPARE(finish(slow).result(), 200);
    }

    void controlEndpoint() {
        const auto control = [&](const char* query) {
            return m_client->get(u"/__sandbox/"_s + QLatin1String(query)).result();
        };
        QCOMPARE(control("fault?path=/v1/join&result=900&count=1"), 200);
        QCOMPARE(m_client->campaign(u"join"_s, 103).result(), 900);
        QCOMPARE(m_client->campaign(u"join"_s, 103).result(), 200);
        QCOMPARE(control("fault?path=/v1/req&body=drop"), 200);
        QCOMPARE(m_client->list().error, QNetworkReply::RemoteHostClosedError);
        QCOMPARE(control("fault?path=/v1/req&clear"), 200);
        QCOMPARE(m_client->list().result(), 200);
        QCOMPARE(control("fault?path=/v1/req&body=sideways"), 400);
        QCOMPARE(control("fault?status=500"), 400);
        QCOMPARE(control("config?delay=0&rewardtype=2&user=u1"), 200);
        QCOMPARE(m_server->completionDelay(), 0);
        QCOMPARE(m_client->list().json()[u"rewardtype"_s].toInt(), 2);

        const QJsonArray logged =
            m_client->get(u"/__sandbox/requests"_s).json()[u"requests"_s].toArray();
        QVERIFY(!logged.isEmpty());
        for (const QJsonValue& entry : logged)
            QVERIFY(!entry[u"path"_s].toString().startsWith("/__sandbox"_L1));
    }

    void inquiryMultipartIsStored() {
        // Laid out byte for byte as the kit's transport writes it, with binary image bytes that
        // hold CR LF, dashes and the start of the boundary.
        const QByteArray image1 =
            QByteArray("\xFF\xD8\xFF\r\n--^-----\r\n\x00\x01--", 20) + QByteArray(3000, '\x7F');
        const QByteArray image2 = QByteArray("\xFF\xD8 second \r\n\r\n", 15);
        const QList<QPair<QString, QString>> fields = {
            {u"mkey"_s, u"demo-mkey"_s},
            {u"mckey"_s, u"demo-mckey"_s},
            {u"userid"_s, u"u1"_s},
            {u"content"_s, u"No reward yet.\r\nLine two: é ✓"_s}};
        QByteArray body;
        for (const auto& [name, value] : fields) {
            body += "--^-----^\r\nContent-Disposition: form-data; name=\"" + name.toUtf8() +
                    "\"\r\n\r\n" + value.toUtf8() + "\r\n";
        }
        for (const QByteArray& image : {image1, image2}) {
            body += "--^-----^\r\nContent-Disposition: form-data; name=\"uploadfiles[]\"; "
                    "filename=\"image" +
                    QByteArray::number(image.size()) +
                    ".jpg\"\r\nContent-Type: image/jpeg\r\n\r\n" + image + "\r\n";
        }
        body += "--^-----^--\r\n";
        const auto post = [&](const QByteArray& type, const QByteArray& bytes) {
            return m_client->post(u"/api/cs"_s, type, bytes).result();
        };
        const QByteArray form = "multipart/form-data; boundary=^-----^";
        QCOMPARE(post(form, body), 200);

        const QList<Inquiry> inquiries = m_server->inquiries();
        QCOMPARE(inquiries.size(), 1);
        QCOMPARE(inquiries[0].fields, fields);
        QCOMPARE(inquiries[0].images.size(), 2);
        QCOMPARE(inquiries[0].images[0].data, image1);
        QCOMPARE(inquiries[0].images[0].fileName, u"image3020.jpg"_s);
        QCOMPARE(inquiries[0].images[0].contentType, u"image/jpeg"_s);
        QCOMPARE(inquiries[0].images[1].data, image2);

        // Refused inquiries are not stored.
        QCOMPARE(post(form, QByteArray(body).replace("demo-mckey", "other-key!")), 403);
        QCOMPARE(post(form, body.chopped(16)), 400);
        QCOMPARE(post("application/json", "{}"), 400);
        QCOMPARE(m_server->inquiries().size(), 1);

        // The parser on its own: an empty part, no parts, and broken bodies with a reason.
        QString error;
        const QByteArray type = "multipart/form-data; boundary=\"b-1\"";
        const auto parts = parseMultipart(
            type, "--b-1\r\nContent-Disposition: form-data; name=\"a\"\r\n\r\n\r\n--b-1--", &error);
        QVERIFY2(parts && parts->size() == 1, qPrintable(error));
        QVERIFY(parts->at(0).name == "a"_L1 && parts->at(0).data.isEmpty() &&
                !parts->at(0).fileName);
        QVERIFY(parseMultipart(type, "--b-1--\r\n", &error)->isEmpty());
        for (const char* broken :
             {"", "garbage", "--b-1xx",
              "--b-1\r\nContent-Disposition: form-data; name=\"a\"\r\n\r\nvalue",
              "--b-1\r\nContent-Disposition: form-data\r\n\r\nx\r\n--b-1--",
              "--b-1\r\nContent-Disposition: form-data; name=\"a\""}) {
            error.clear();
            QVERIFY2(!parseMultipart(type, broken, &error) && !error.isEmpty(), broken);
        }
        QVERIFY(!parseMultipart("multipart/form-data", "--\r\n", &error));
        QVERIFY(!parseMultipart("multipart/form-data; boundary=", "--\r\n", &error));
    }

    void catalogueIsReplaceable() {
        const auto camps = [&] { return m_client->list().json()[u"camp"_s].toArray(); };
        const auto set = [&](const char* json, QString* error) {
            return m_server->setCatalogue(QJsonDocument::fromJson(json).object(), error);
        };
        const qsizetype listed = camps().size();
        QString error;
        for (const char* broken :
             {R"({"camp":[{"campid":"1"}]})", R"({"camp":[{"campid":1.5}]})",
              R"({"camp":[{"campid":2,"sandbox":{"flow":"x"}}]})", R"({"housemd":{}})"}) {
            error.clear();
            QVERIFY2(!set(broken, &error) && !error.isEmpty(), broken);
        }
        QVERIFY(!set(R"({"camp":[{"campid":1},{"campid":1}]})", &error));
        QVERIFY(error.contains("twice"_L1));
        QCOMPARE(camps().size(), listed);

        QVERIFY(set(R"({"camp":[{"campid":5,"name":"Only","iconurl":"{base}/img/5/icon.png",)"
                    R"("sandbox":{"flow":"instant"}}]})",
                    &error));
        QCOMPARE(camps().size(), 1);
        QCOMPARE(camps()[0][u"iconurl"_s].toString(), m_server->imageUrl(5));
        QVERIFY(m_client->campaign(u"join"_s, 5).json().contains(u"orvkey"_s));
        QCOMPARE(m_client->get(u"/img/5/icon.png"_s).status, 200);
    }

    void executablePrintsItsLine() {
        QTemporaryDir data;
        QFile keys(data.filePath(u"keys.txt"_s));
        QVERIFY(keys.open(QIODevice::WriteOnly) &&
                keys.write("# host pairs\nhost-k host-kc\n\n") > 0);
        keys.close();
        QProcess process;
        process.start(
            QStringLiteral(ORVANE_SANDBOX_EXE),
            {u"--port"_s, u"0"_s, u"--data"_s, data.path(), u"--keys"_s, keys.fileName()});
        QTRY_VERIFY_WITH_TIMEOUT(process.canReadLine(), 10000);
        const QString line = QString::fromUtf8(process.readLine());
        const QRegularExpressionMatch match =
            QRegularExpression(u"^listening on (http://127\\.0\\.0\\.1:[1-9]\\d*)\n$"_s)
                .match(line);
        QVERIFY2(match.hasMatch(), qPrintable(line));
        QNetworkAccessManager nam;
        const QUrl list(match.captured(1) + u"/v1/req?mkey=host-k&mckey=host-kc&userid=z"_s);
        QCOMPARE(finish(nam.get(QNetworkRequest(list))).result(), 200);
        QVERIFY(QFile::exists(data.filePath(u"sandbox.sqlite"_s)));
        process.terminate();
        QVERIFY(process.waitForFinished(5000));

        QProcess bad;
        bad.start(QStringLiteral(ORVANE_SANDBOX_EXE),
                  {u"--port"_s, u"0"_s, u"--catalogue"_s, data.filePath(u"missing.json"_s)});
        QVERIFY(bad.waitForFinished(10000));
        QCOMPARE(bad.exitCode(), 1);
        QVERIFY(bad.readAllStandardOutput().isEmpty());
        QVERIFY(bad.readAllStandardError().contains("missing.json"));
    }

private:
    std::unique_ptr<SandboxServer> m_server;
    std::unique_ptr<Client> m_client;
};

QTEST_MAIN(TstSandbox)
#include "tst_sandbox.moc"
