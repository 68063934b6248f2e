// Decoding a 5,000-campaign list reply next to a bare parse of the same bytes by Qt's parser: the
// typed records must cost less than Qt's parse alone. Beside it, for reference, the decode's
// throughput next to simdjson's own parse of the same bytes (the parser the decoder reads with).

#include <simdjson.h>

#include <QCoreApplication>
#include <QJsonDocument>

#include "BenchSupport.h"
#include "CampaignReply.h"
#include "core/Records.h"

using namespace orvane;

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QByteArray reply = bench::campaignListReply(5000);
    if (decode<Req>(reply).value().camp.value_or(QList<Camp>()).size() != 5000) {
        qFatal("the benchmark reply does not decode");
    }
    const auto decodeMs = [&] { return bench::msPerCall(1, [&] { decode<Req>(reply); }); };
    bench::report(bench::compare(
        QStringLiteral("decode of a 5,000-campaign list reply (baseline: Qt's parse)"), 1.0, 31,
        decodeMs, [&] { return bench::msPerCall(1, [&] { QJsonDocument::fromJson(reply); }); }));

    // A parser of its own, as a caller of simdjson would keep one.
    simdjson::dom::parser parser;
    const auto length = static_cast<size_t>(reply.size());
    bench::Measure throughput = bench::compare(
        QStringLiteral("that decode next to simdjson's own parse of the bytes"), 0, 31, decodeMs,
        [&] {
            return bench::msPerCall(1, [&] {
                simdjson::dom::element root;
                if (parser.parse(reply.constData(), length).get(root) != simdjson::SUCCESS) {
                    qFatal("simdjson refused the benchmark reply");
                }
            });
        });
    const auto mbPerSecond = [&](double ms) { return double(length) / 1e6 / (ms / 1e3); };
    throughput.info = true;
    throughput.extra = QStringLiteral("%1 MB: decode %2 MB/s, simdjson parse %3 MB/s")
                           .arg(double(length) / 1e6, 0, 'f', 2)
                           .arg(mbPerSecond(throughput.ours), 0, 'f', 0)
                           .arg(mbPerSecond(throughput.baseline), 0, 'f', 0);
    bench::report(throughput);
    return 0;
}
