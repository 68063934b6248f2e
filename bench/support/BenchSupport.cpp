#include "BenchSupport.h"

#include <algorithm>
#include <cstdio>

#include <time.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QList>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace orvane::bench {

double median(std::vector<double> values) {
    if (values.empty()) {
        return 0;
    }
    const auto middle = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
    std::nth_element(values.begin(), middle, values.end());
    return *middle;
}

Measure compare(const QString& name, double goal, int rounds, const std::function<double()>& ours,
                const std::function<double()>& baseline) {
    // ORVANE_BENCH_ROUNDS overrides the count, e.g. 1 for a run under a profiler.
    bool overridden = false;
    const int wanted = qEnvironmentVariableIntValue("ORVANE_BENCH_ROUNDS", &overridden);
    if (overridden && wanted > 0) {
        rounds = wanted;
    }
    std::vector<double> oursMs;
    std::vector<double> baselineMs;
    for (int round = 0; round < rounds; ++round) {
        if (round % 2 == 0) {
            oursMs.push_back(ours());
            baselineMs.push_back(baseline());
        } else {
            baselineMs.push_back(baseline());
            oursMs.push_back(ours());
        }
    }
    Measure measure;
    measure.name = name;
    measure.goal = goal;
    measure.ours = median(oursMs);
    measure.baseline = median(baselineMs);
    return measure;
}

void report(const Measure& measure) {
    QJsonObject line{{u"name"_s, measure.name},
                     {u"ours_ms"_s, measure.ours},
                     {u"baseline_ms"_s, measure.baseline},
                     {u"ratio"_s, measure.ratio()},
                     {u"goal"_s, measure.goal},
                     {u"holds"_s, measure.holds()}};
    if (measure.unit != QLatin1String("ms")) {
        line.insert(QStringLiteral("unit"), measure.unit);
    }
    if (measure.info) {
        line.insert(QStringLiteral("info"), true);
    }
    if (!measure.extra.isEmpty()) {
        line.insert(QStringLiteral("also"), measure.extra);
    }
    std::printf("ORVANE_MEASURE %s\n",
                QJsonDocument(line).toJson(QJsonDocument::Compact).constData());
    std::fflush(stdout);
}

bool waitUntil(const std::function<bool()>& done, int timeoutMs) {
    QDeadlineTimer deadline(timeoutMs);
    QTimer wake; // a wake-up now and then, so that the deadline is seen with no event coming
    wake.start(50);
    while (!done()) {
        if (deadline.hasExpired()) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

double threadCpuMs() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

double residentMiB() {
    // /proc/self/statm: total and resident sizes in pages.
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly)) {
        return 0;
    }
    const QList<QByteArray> fields = statm.readAll().split(' ');
    if (fields.size() < 2) {
        return 0;
    }
    const double pages = fields.at(1).toDouble();
    return pages * static_cast<double>(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

} // namespace orvane::bench
