#include <QtTest>

#include "support/SandboxFixture.h"

using namespace orvane;

// Quitting while the kit's threads have work in flight: the transport, the image downloader and the
// image cache's load and store queues must all stop before the process tears its statics down.
// Each run is a fresh host process (orvane-shutdown-probe); a crash or hang on the way out shows
// as a failed or unfinished run.
class TstShutdown : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void quitWithWorkInFlight_data();
    void quitWithWorkInFlight();
};

void TstShutdown::quitWithWorkInFlight_data() {
    QTest::addColumn<QStringList>("mode");
    QTest::addColumn<bool>("delayed"); // every reply but the list's comes late
    QTest::newRow("after the first reply, the rest delayed") << QStringList() << true;
    QTest::newRow("after the first reply, replies on time") << QStringList() << false;
    QTest::newRow("at once") << QStringList{QStringLiteral("--at-once")} << false;
    QTest::newRow("at once, replies delayed") << QStringList{QStringLiteral("--at-once")} << true;
}

void TstShutdown::quitWithWorkInFlight() {
    QFETCH(QStringList, mode);
    QFETCH(bool, delayed);
    test::SandboxFixture sandbox;
    QVERIFY2(sandbox.ok(), qPrintable(sandbox.errorString()));
    if (delayed) {
        sandbox.server().setFault(QStringLiteral("*"), sandbox::Fault::delay(60000));
        sandbox.server().setFault(QStringLiteral("/v1/req"), sandbox::Fault::delay(0));
    }
    constexpr int kRuns = 25; // 100 over the four rows
    for (int run = 0; run < kRuns; ++run) {
        QTemporaryDir home;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CACHE_HOME"), home.path());
        QProcess probe;
        probe.setProcessEnvironment(env);
        probe.start(QStringLiteral(ORVANE_SHUTDOWN_PROBE),
                    QStringList{sandbox.server().baseUrl()} + mode);
        // The server answers from this thread: keep its event loop turning while the probe runs.
        QTRY_VERIFY_WITH_TIMEOUT(probe.state() == QProcess::NotRunning, 60000);
        const QByteArray errors = probe.readAllStandardError();
        QVERIFY2(probe.exitStatus() == QProcess::NormalExit && probe.exitCode() == 0 &&
                     !errors.contains("Sanitizer"),
                 errors.right(4000).constData());
    }
}

QTEST_MAIN(TstShutdown)
#include "tst_shutdown.moc"
