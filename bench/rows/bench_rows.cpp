// Binding a campaign to a reused row, the work done for every row that scrolls into view, next to
// the least any row must do (convert the description and set three texts). Icons come from the
// image cache's memory level, as when the user scrolls back; the cache answers from its worker
// threads, so the main-thread cost measured is setItem plus the answers that arrived meanwhile.

#include <QApplication>

#include "BenchSupport.h"
#include "core/ImageCache.h"
#include "core/Log.h"
#include "screens/offerwall/CampCellCommon.h"
#include "screens/offerwall/CampTableViewCell.h"
#include "ui/ImageView.h"
#include "ui/Label.h"

using namespace orvane;

namespace {

constexpr int kCamps = 20;

QList<Camp> makeCamps() {
    QList<Camp> camps;
    QImage icon(128, 128, QImage::Format_ARGB32);
    icon.fill(QColor(90, 140, 220));
    ImageCache& cache = ImageCache::defaultCache();
    cache.setCacheType(CacheType::ram);
    for (int i = 0; i < kCamps; ++i) {
        Camp camp;
        camp.campid = 1000 + i;
        camp.bm = 1;
        camp.name = QStringLiteral("Campaign number %1").arg(i);
        // Port 9 (discard) on loopback: never contacted, the memory level answers.
        camp.iconurl = QStringLiteral("http://127.0.0.1:9/img/%1/icon.png").arg(i);
        cache.cacheImage(icon, ImageCache::key(QUrl(*camp.iconurl)));
        camp.rewarddesc =
            QStringLiteral("Install and open <b>App %1</b> within 24 hours to earn.").arg(i);
        camp.rewardprice = 1200 + i * 100;
        camp.pricemark = QStringLiteral("P");
        camp.cta = QStringLiteral("Install");
        camp.convflag = 0;
        camp.detailpage = 0;
        camps << camp;
    }
    return camps;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    Log::setDisplayLog(false);
    const QList<Camp> camps = makeCamps();
    constexpr int kCalls = 200;

    CampTableViewCell cell;
    cell.resize(390, 80);
    int row = 0;
    Label title;
    Label content;
    Label action;
    int bare = 0;
    // Warm up outside the timings: the first bind loads the fonts and draws the placeholder icon.
    cell.setItem(camps.at(0), nullptr, 0, 2, nullptr);
    content.setRichText(campStyledHtml(camps.at(0).rewarddesc, kCampSecondaryTextColor, 12));
    bench::report(bench::compare(
        QStringLiteral("standard row setItem"), 2, 15,
        [&] {
            return bench::msPerCall(kCalls, [&] {
                cell.setItem(camps.at(row % kCamps), nullptr, row, 2, nullptr);
                ++row;
                QCoreApplication::processEvents(); // answers of the cache that already arrived
            });
        },
        [&] {
            return bench::msPerCall(kCalls, [&] {
                const Camp& camp = camps.at(bare++ % kCamps);
                title.setPlainText(camp.name.value());
                content.setRichText(campStyledHtml(camp.rewarddesc, kCampSecondaryTextColor, 12));
                action.setPlainText(camp.cta.value());
            });
        }));
    if (!bench::waitUntil([&] { return cell.iv_icon()->hasImage(); })) {
        qFatal("the row's icon never came from the cache");
    }
    return 0;
}
