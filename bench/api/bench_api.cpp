// Decoding a 5,000-campaign list reply next to a bare parse of the same bytes: the difference is
// the cost of the typed records on top of the JSON parser.

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
    bench::report(bench::compare(
        QStringLiteral("decode of a 5,000-campaign list reply"), 1.5, 15,
        [&] { return bench::msPerCall(1, [&] { decode<Req>(reply); }); },
        [&] { return bench::msPerCall(1, [&] { QJsonDocument::fromJson(reply); }); }));
    return 0;
}
