// One sandbox under many concurrent clients: every request answered without error, every
// participation in the state its requests left it in, and that state still there after a restart
// on the same data folder. (Throughput and latency are measured by the benchmarks.)

#include <atomic>
#include <thread>

#include <QJsonDocument>
#include <QJsonObject>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>

#include "sandbox/SandboxServer.h"

using namespace orvane;

namespace {

constexpr int kClients = 50;
const QList<int> kCampaigns = {103, 104, 105, 106, 110}; // landing campaigns: joined, never visited

// Requests per client; ORVANE_LOAD_REQUESTS overrides.
int requestsPerClient() {
    const int fromEnv = qEnvironmentVariableIntValue("ORVANE_LOAD_REQUESTS");
    return fromEnv > 0 ? fromEnv : 200;
}

struct Answer {
    int status = 0;
    QJsonObject body;
};

// One blocking HTTP/1.1 GET; the sandbox closes the connection after every answer.
Answer get(quint16 port, const QString& pathAndQuery) {
    QTcpSocket socket;
    socket.connectToHost(QStringLiteral("127.0.0.1"), port);
    if (!socket.waitForConnected(30000)) {
        return {};
    }
    socket.write("GET " + pathAndQuery.toUtf8() +
                 " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n");
    QByteArray reply;
    while (socket.state() == QAbstractSocket::ConnectedState && socket.waitForReadyRead(30000)) {
        reply += socket.readAll();
    }
    reply += socket.readAll();
    const qsizetype headersEnd = reply.indexOf("\r\n\r\n");
    const QList<QByteArray> statusLine = reply.left(reply.indexOf("\r\n")).split(' ');
    Answer answer;
    answer.status = statusLine.value(1).toInt();
    answer.body = QJsonDocument::fromJson(reply.mid(headersEnd + 4)).object();
    return answer;
}

QString user(int client) {
    return QStringLiteral("load-%1").arg(client);
}

QString query(int client, int campid) {
    return QStringLiteral("mkey=demo-mkey&mckey=demo-mckey&userid=%1&campid=%2&adid=ADID-%1")
        .arg(user(client))
        .arg(campid);
}

// The mixed call of step `i` of a client.
QString request(int client, int i) {
    const int campid = kCampaigns.at((i / 6) % kCampaigns.size());
    switch (i % 6) {
    case 0:
        return QStringLiteral("/v1/join?") + query(client, campid);
    case 1:
        return QStringLiteral("/v1/state?") + query(client, campid);
    case 2:
        return QStringLiteral("/v1/req?mkey=demo-mkey&mckey=demo-mckey&userid=%1&adid=A&gender=0")
            .arg(user(client));
    case 3:
        return QStringLiteral("/v1/view?") + query(client, campid);
    case 4:
        return QStringLiteral("/api/cs/user_reward_list?mkey=demo-mkey&mckey=demo-mckey&userid=%1"
                              "&sdate=20240101&edate=20991231")
            .arg(user(client));
    default:
        return QStringLiteral("/orvane/sdk/notice_contents.json");
    }
}

bool answeredWell(const Answer& answer) {
    return answer.status == 200 && (!answer.body.contains(QLatin1String("result")) ||
                                    answer.body.value(QLatin1String("result")).toInt() == 200);
}

} // namespace

class TstLoad : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void manyClientsThenRestart();

private:
    // The state of every participation the clients made, as /state reports it.
    QList<int> states(quint16 port);
};

QList<int> TstLoad::states(quint16 port) {
    QList<int> out;
    std::atomic<bool> done{false};
    std::thread reader([&] {
        for (int client = 0; client < kClients; ++client) {
            for (const int campid : kCampaigns) {
                const Answer answer =
                    get(port, QStringLiteral("/v1/state?") + query(client, campid));
                out.append(answeredWell(answer) ? answer.body.value(QLatin1String("state")).toInt()
                                                : -1);
            }
        }
        done = true;
    });
    const bool answered = QTest::qWaitFor([&] { return done.load(); }, 120000);
    reader.join();
    return answered ? out : QList<int>();
}

void TstLoad::manyClientsThenRestart() {
    QTemporaryDir data;
    sandbox::Options options;
    options.dataDir = data.path();
    auto server = std::make_unique<sandbox::SandboxServer>(options);
    QVERIFY2(server->listen(), qPrintable(server->errorString()));
    const quint16 port = server->port();
    const int perClient = requestsPerClient();

    std::atomic<int> failures{0};
    std::atomic<int> finished{0};
    std::vector<std::thread> clients;
    for (int client = 0; client < kClients; ++client) {
        clients.emplace_back([&, client] {
            for (int i = 0; i < perClient; ++i) {
                if (!answeredWell(get(port, request(client, i)))) {
                    ++failures;
                }
            }
            ++finished;
        });
    }
    // The server answers from this thread's event loop.
    const bool allDone = QTest::qWaitFor([&] { return finished.load() == kClients; }, 600000);
    for (std::thread& client : clients) {
        client.join();
    }
    QVERIFY(allDone);
    QCOMPARE(failures.load(), 0);

    // Each client joined every campaign (if it made enough requests) and never opened a landing
    // page: joined (1), or none (0) for campaigns it did not reach.
    QList<int> expected;
    for (int client = 0; client < kClients; ++client) {
        for (qsizetype c = 0; c < kCampaigns.size(); ++c) {
            expected.append(c * 6 < perClient ? 1 : 0);
        }
    }
    QCOMPARE(states(port), expected);

    server.reset();
    server = std::make_unique<sandbox::SandboxServer>(options);
    QVERIFY2(server->listen(), qPrintable(server->errorString()));
    QCOMPARE(states(server->port()), expected);
}

QTEST_MAIN(TstLoad)
#include "tst_load.moc"
