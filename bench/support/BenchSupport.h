#pragma once

#include <cmath>
#include <functional>
#include <vector>

#include <QElapsedTimer>
#include <QString>

namespace orvane::bench {

// One line of the benchmark table: our figure next to its baseline, measured in the same run.
// `goal` bounds ours / baseline; `extraHolds` carries a condition besides the ratio (e.g. "one
// request"), described by `extra`. An informational line (`info`) has no goal: it is printed and
// never fails a check.
struct Measure {
    QString name;
    double ours = 0;
    double baseline = 0;
    double goal = 0;
    QString unit = QStringLiteral("ms");
    bool extraHolds = true;
    QString extra;
    bool info = false;

    double ratio() const { return baseline > 0 ? ours / baseline : 0; }
    // Judged at the table's precision (two decimals): a ratio shown as 2.00 meets a goal of 2.
    bool holds() const {
        return extraHolds && baseline > 0 && std::round(ratio() * 100) / 100 <= goal;
    }
};

// Milliseconds per call of `f`, over `calls` calls.
template <typename F>
double msPerCall(int calls, F&& f) {
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < calls; ++i) {
        f();
    }
    return static_cast<double>(timer.nsecsElapsed()) / 1e6 / calls;
}

double median(std::vector<double> values);

// Each of `rounds` rounds times ours and the baseline once, alternating which runs first, so that
// a busy machine slows both alike; the figures are the medians of the rounds. Each function
// returns the milliseconds of one operation measured over its round.
Measure compare(const QString& name, double goal, int rounds, const std::function<double()>& ours,
                const std::function<double()>& baseline);

// Prints the measure as one "ORVANE_MEASURE {json}" line on stdout, read by scripts/bench.
void report(const Measure& measure);

// Runs the event loop of this thread until `done` holds, blocking while no event comes (no sleep
// that would round the figures up). False when `timeoutMs` passes first.
bool waitUntil(const std::function<bool()>& done, int timeoutMs = 30000);

// Processor time used by the calling thread so far, in milliseconds.
double threadCpuMs();

// Resident memory of this process in MiB.
double residentMiB();

} // namespace orvane::bench
