// One sandbox under many concurrent clients: every request answered without error, every
// participation in the state its requests left it in, and that state still there after a restart
// on the same data folder. (Throughput and latency are measured by the benchmarks.)

#include <atomic>
#include <functional>
#include <thread>

#include <QTcpSocket>
#include <QtTest>

#include "sandbox/SandboxServer.h"

using namespace orvane;
using namespace Qt::StringLiterals;

namespace {

constexpr int kClients = 50;
const QList<int> kCampaigns = {103, 104, 105, 106, 110}; // landing campaigns: joined, never visited

// Requests per client; ORVANE_LOAD_REQUESTS overrides, down to one round over every campaign.
int requestsPerClient() {
    const int fromEnv = qEnvironmentVariableIntValue("ORVANE_LOAD_REQUESTS");
    return fromEnv > 0 ? std::max(fromEnv, 6 * int(kCampaigns.size())) : 200;
}

// One blocking HTTP/1.1 GET (the sandbox closes the connection after every answer): the reply's
// object when it is a 200 whose "result", if any, is 200 too.
std::optional<QJsonObject> get(quint16 port, const QString& pathAndQuery) {
    QTcpSocket socket;
    socket.connectToHost(u"127.0.0.1"_s, port);
    if (!socket.waitForConnected(30000))
        return std::nullopt;
    socket.write("GET " + pathAndQuery.toUtf8() +
                 " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n");
    QByteArray reply;
    while (socket.state() == QAbstractSocket::ConnectedState && socket.waitForReadyRead(30000))
        reply += socket.readAll();
    reply += socket.readAll();
    const QJsonObject body =
        QJsonDocument::fromJson(reply.mid(reply.indexOf("\r\n\r\n") + 4)).object();
    const bool ok = reply.left(reply.indexOf("\r\n")).split(' ').value(1) == "200" &&
                    body.value("result"_L1).toInt(200) == 200;
    return ok ? std::optional(body) : std::nullopt;
}

QString query(int client, int campid) {
    return u"mkey=demo-mkey&mckey=demo-mckey&userid=load-%1&campid=%2&adid=ADID-%1"_s.arg(client)
        .arg(campid);
}

// The mixed call of step `i` of a client: join, state, list, view, history, notice.
QString request(int client, int i) {
    static const QStringList paths = {u"/v1/join?@"_s,
                                      u"/v1/state?@"_s,
                                      u"/v1/req?@&gender=0"_s,
                                      u"/v1/view?@"_s,
                                      u"/api/cs/user_reward_list?@&sdate=20240101&edate=20991231"_s,
                                      u"/orvane/sdk/notice_contents.json"_s};
    QString path = paths.at(i % 6);
    return path.replace(u'@', query(client, kCampaigns.at((i / 6) % kCampaigns.size())));
}

// Runs `work(client)` for every client, each on its own thread, while this thread's event loop
// serves the sandbox; false when they did not all finish.
bool onClientThreads(const std::function<void(int)>& work) {
    std::atomic<int> finished{0};
    std::vector<std::thread> threads;
    for (int client = 0; client < kClients; ++client) {
        threads.emplace_back([&, client] {
            work(client);
            ++finished;
        });
    }
    const bool allDone = QTest::qWaitFor([&] { return finished.load() == kClients; }, 600000);
    for (std::thread& thread : threads)
        thread.join();
    return allDone;
}

// The state of every participation the clients made, as /state reports it.
QList<int> states(quint16 port) {
    QList<int> out(kClients * kCampaigns.size(), -2);
    const bool answered = onClientThreads([&](int client) {
        for (qsizetype c = 0; c < kCampaigns.size(); ++c) {
            const auto answer = get(port, u"/v1/state?"_s + query(client, kCampaigns.at(c)));
            out[client * kCampaigns.size() + c] = answer ? answer->value("state"_L1).toInt() : -1;
        }
    });
    return answered ? out : QList<int>();
}

} // namespace

class TstLoad : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void manyClientsThenRestart() {
        QTemporaryDir data;
        sandbox::Options options;
        options.dataDir = data.path();
        auto server = std::make_unique<sandbox::SandboxServer>(options);
        QVERIFY2(server->listen(), qPrintable(server->errorString()));
        const quint16 port = server->port();
        const int perClient = requestsPerClient();

        std::atomic<int> failures{0};
        QVERIFY(onClientThreads([&](int client) {
            for (int i = 0; i < perClient; ++i)
                failures += get(port, request(client, i)) ? 0 : 1;
        }));
        QCOMPARE(failures.load(), 0);

        // Each client joined every campaign and never opened a landing page: all joined (1).
        const QList<int> expected(kClients * kCampaigns.size(), 1);
        QCOMPARE(states(port), expected);

        server.reset();
        server = std::make_unique<sandbox::SandboxServer>(options);
        QVERIFY2(server->listen(), qPrintable(server->errorString()));
        QCOMPARE(states(server->port()), expected);
    }
};

QTEST_MAIN(TstLoad)
#include "tst_load.moc"
