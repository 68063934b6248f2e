// While logging is off a log call must cost no more than a flag test: a call with an
// expensive-to-describe argument next to an empty loop iteration. The argument counts its
// descriptions, so the run also proves that nothing was formatted.

#include <QCoreApplication>
#include <QStringList>

#include "BenchSupport.h"
#include "core/Log.h"

using namespace orvane;

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

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    Log::setDisplayLog(false);
    constexpr int kCalls = 2'000'000;
    const Counted big;
    const std::optional<qint64> status = 401;
    bench::Measure measure = bench::compare(
        QStringLiteral("a log call with logging off"), 2, 15,
        [&] {
            return bench::msPerCall(kCalls, [&] {
                g_sink = g_sink + 1;
                Log::error("ApiJoin apiJoin Error :", status, big, 3.25);
            });
        },
        [&] { return bench::msPerCall(kCalls, [&] { g_sink = g_sink + 1; }); });
    measure.extraHolds = Counted::descriptions == 0;
    measure.extra = QStringLiteral("%1 arguments formatted").arg(Counted::descriptions);
    bench::report(measure);
    return 0;
}
