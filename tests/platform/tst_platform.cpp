#include <QApplication>
#include <QCoreApplication>
#include <QtTest>

#include "core/Dispatch.h"
#include "core/Log.h"
#include "core/NotificationCenter.h"
#include "core/UserDefaults.h"
#include "support/TestSupport.h"
#include "tst_services.h"

using namespace orvane;

class TestPlatform : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void registeredDefaultsAreNeverPersisted();
    void typedReadsOfMissingKeys();
    void logIsSilentWhileOff();
    void logLayoutAndCategories();
    void mainQueueKeepsOrderAcrossThreads();
    void observerGoesAwayWithItsContext();
    void serialQueueRunsInOrder();
};

void TestPlatform::registeredDefaultsAreNeverPersisted() {
    test::TemporarySettings settings;
    UserDefaults& d = UserDefaults::standard();
    d.registerDefaults({{QStringLiteral("flag"), true}});
    QVERIFY(d.boolean(QStringLiteral("flag")));
    d.set(QStringLiteral("age"), 30);
    d.sync();

    settings.restart(); // a new process: registered defaults are gone, stored values stay
    QVERIFY(!d.boolean(QStringLiteral("flag")));
    QCOMPARE(d.integer(QStringLiteral("age")), 30);

    d.registerDefaults({{QStringLiteral("flag"), true}});
    d.set(QStringLiteral("flag"), false);
    d.sync();
    settings.restart();
    d.registerDefaults({{QStringLiteral("flag"), true}});
    QVERIFY2(!d.boolean(QStringLiteral("flag")), "a stored false wins over the registered true");
}

void TestPlatform::typedReadsOfMissingKeys() {
    test::TemporarySettings settings;
    UserDefaults& d = UserDefaults::standard();
    QVERIFY(!d.string(QStringLiteral("none")).has_value());
    QCOMPARE(d.integer(QStringLiteral("none")), 0);
    QCOMPARE(d.boolean(QStringLiteral("none")), false);
    QVERIFY(!d.date(QStringLiteral("none")).has_value());

    const QDateTime when = QDateTime::fromSecsSinceEpoch(1700000000);
    d.set(QStringLiteral("when"), when);
    d.set(QStringLiteral("empty"), QString());
    d.sync();
    settings.restart();
    QCOMPARE(d.date(QStringLiteral("when")), std::optional<QDateTime>(when));
    QCOMPARE(d.string(QStringLiteral("empty")), std::optional<QString>(QString()));
}

void TestPlatform::logIsSilentWhileOff() {
    test::LogCapture capture;
    Log::setDisplayLog(false);
    Log::error("never");
    Log::log("never", {}, Log::Level::network);
    QVERIFY(capture.lines().isEmpty());
}

void TestPlatform::logLayoutAndCategories() {
    test::LogCapture capture;
    Log::setDisplayLog(true);
    Log::log("D", {}, Log::Level::debug);
    Log::log("A", {}, Log::Level::info);
    Log::log("A", {1, "b"}, Log::Level::network);
    Log::error("ApiJoin apiJoin Error :", std::optional<qint64>(401));
    Log::log("x", {}, Log::Level::custom, QStringLiteral("MINE"));
    Log::setDisplayLog(false);

    const QStringList lines = capture.lines();
    QCOMPARE(lines.size(), 5);
    const QString app = Log::subsystem();
    QCOMPARE(lines[0], app + QStringLiteral(".\U0001F7E1 DEBUG|D "));
    QCOMPARE(lines[1], app + QStringLiteral(".\U0001F7E0 INFO|A "));
    QCOMPARE(lines[2], app + QStringLiteral(".\U0001F535 NETWORK|A 1 b"));
    QCOMPARE(lines[3],
             app + QStringLiteral(".\U0001F534 ERROR|ApiJoin apiJoin Error : Optional(401)"));
    QCOMPARE(lines[4], app + QStringLiteral(".\U0001F7E2 MINE|x "));
    // Network records are informational, errors critical, custom records debug.
    QCOMPARE(capture.types(),
             (QList<QtMsgType>{QtDebugMsg, QtInfoMsg, QtInfoMsg, QtCriticalMsg, QtDebugMsg}));
}

void TestPlatform::mainQueueKeepsOrderAcrossThreads() {
    QList<int> order;
    dispatch::toMain([&] { order << 1; });
    QThread* worker = QThread::create([&] {
        dispatch::toMain([&] { order << 2; });
        dispatch::toMain([&] { order << 3; });
    });
    worker->start();
    worker->wait();
    delete worker;
    dispatch::toMain([&] { order << 4; });
    QTRY_COMPARE(order, (QList<int>{1, 2, 3, 4}));

    // Work bound to a context is dropped when the context dies first.
    bool ran = false;
    auto* context = new QObject;
    dispatch::toMain(context, [&] { ran = true; });
    delete context;
    QCoreApplication::processEvents();
    QVERIFY(!ran);
}

void TestPlatform::observerGoesAwayWithItsContext() {
    NotificationCenter& center = NotificationCenter::defaultCenter();
    int calls = 0;
    auto* screen = new QObject;
    center.addObserver(kActionListChange, screen, [&] { ++calls; });
    center.post(kActionListChange);
    QCOMPARE(calls, 1);
    delete screen;
    QCOMPARE(center.observerCount(kActionListChange), 0);
    center.post(kActionListChange);
    QCOMPARE(calls, 1);

    QStringList seen;
    QObject a;
    center.addObserver(kActionListChange, &a, [&] { seen << QStringLiteral("list"); });
    center.addObserver(kActionDetailFinish, &a, [&] { seen << QStringLiteral("finish"); });
    center.post(kActionListChange);
    center.post(kActionDetailFinish);
    QCOMPARE(seen, (QStringList{QStringLiteral("list"), QStringLiteral("finish")}));
    center.removeObserver(&a);
    QCOMPARE(center.observerCount(kActionDetailFinish), 0);
}

void TestPlatform::serialQueueRunsInOrder() {
    dispatch::SerialQueue queue(QStringLiteral("test"));
    QMutex mutex;
    QList<int> order;
    for (int i = 0; i < 50; ++i) {
        queue.async([&, i] {
            QMutexLocker lock(&mutex);
            order << i;
        });
    }
    queue.waitForIdle();
    QCOMPARE(order.size(), 50);
    QVERIFY(std::is_sorted(order.begin(), order.end()));
}

// Two classes in one executable: the platform basics and the platform services (whose desktop
// defaults show dialogs, hence a widget application).
int main(int argc, char** argv) {
    QApplication app(argc, argv);
    TestPlatform platform;
    TestServices services;
    int status = QTest::qExec(&platform, argc, argv);
    status |= QTest::qExec(&services, argc, argv);
    return status;
}

#include "tst_platform.moc"
