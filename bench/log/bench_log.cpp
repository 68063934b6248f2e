#include <QtTest>

#include "platform/Log.h"

using namespace orvane;

// While logging is off a log call must cost no more than a flag test: compare a call with a
// plain and with an expensive-to-describe argument against an empty loop body. An argument that
// counts its descriptions proves that nothing was formatted.
class BenchLog : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { Log::setDisplayLog(false); }
    void emptyLoop();
    void logOff();
    void logOffFormattedArgument();
    void nothingFormattedWhileOff();
};

namespace {
volatile int g_sink = 0;

// A value whose description is costly and counted.
struct Counted {
    static inline int descriptions = 0;
    QList<int> values = QList<int>(64, 7);
    explicit operator QString() const {
        ++descriptions;
        QStringList parts;
        for (int v : values) {
            parts << QString::number(v);
        }
        return parts.join(QLatin1Char(','));
    }
};
} // namespace

void BenchLog::emptyLoop() {
    QBENCHMARK {
        g_sink = g_sink + 1;
    }
}

void BenchLog::logOff() {
    QBENCHMARK {
        g_sink = g_sink + 1;
        Log::info("OrvaneViewController getReq");
    }
}

void BenchLog::logOffFormattedArgument() {
    const Counted big;
    const std::optional<qint64> status = 401;
    QBENCHMARK {
        g_sink = g_sink + 1;
        Log::error("ApiJoin apiJoin Error :", status, big, 3.25);
    }
}

void BenchLog::nothingFormattedWhileOff() {
    Counted::descriptions = 0;
    const Counted big;
    for (int i = 0; i < 1000; ++i) {
        Log::log("x", {big}, Log::Level::network);
        Log::debug("x", big);
    }
    QCOMPARE(Counted::descriptions, 0);
}

QTEST_GUILESS_MAIN(BenchLog)
#include "bench_log.moc"
