// Binding a campaign to a reused row, the work done for every row that scrolls into view, next to
// the least any row must do (convert the description and set three texts). Icons come from the
// image cache's memory level, as when the user scrolls back; the cache answers from its worker
// threads, so the main-thread cost measured is setItem plus the answers that arrived meanwhile.

#include <QTest>

#include "imagecache/ImageCache.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"
#include "screens/offerwall/CampCPSTableViewCell.h"
#include "screens/offerwall/CampCellCommon.h"
#include "screens/offerwall/CampTableViewCell.h"

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
        camp.bm = i % 4 == 0 ? 4 : 1;
        camp.name = QStringLiteral("Campaign number %1").arg(i);
        // Port 9 (discard) on loopback: never contacted, the memory level answers.
        camp.iconurl = QStringLiteral("http://127.0.0.1:9/img/%1/icon.png").arg(i);
        cache.cacheImage(icon, ImageCache::key(QUrl(*camp.iconurl)));
        camp.rewarddesc =
            QStringLiteral("Install and open <b>App %1</b> within 24 hours to earn.").arg(i);
        camp.rewardprice = 1200 + i * 100;
        camp.pricemark = QStringLiteral("P");
        camp.cta = QStringLiteral("Install");
        camp.cpsdcprice = 9900;
        camp.convflag = 0;
        camp.detailpage = 0;
        camps << camp;
    }
    return camps;
}

} // namespace

class RowsBench : public QObject {
    Q_OBJECT

private:
    QList<Camp> m_camps;

private Q_SLOTS:
    void initTestCase() { m_camps = makeCamps(); }

    void baselineTextsOnly() {
        Label title;
        Label content;
        Label action;
        int i = 0;
        QBENCHMARK {
            const Camp& camp = m_camps.at(i++ % kCamps);
            title.setPlainText(camp.name.value());
            content.setRichText(campStyledHtml(camp.rewarddesc, kCampSecondaryTextColor, 12));
            action.setPlainText(camp.cta.value());
        }
    }

    void standardRowSetItem() {
        CampTableViewCell cell;
        cell.resize(390, 80);
        int i = 0;
        QBENCHMARK {
            const int row = i++;
            cell.setItem(m_camps.at(row % kCamps), nullptr, row, 2, nullptr);
            QCoreApplication::processEvents(); // answers of the cache that already arrived
        }
        QTRY_VERIFY(cell.iv_icon()->hasImage()); // the icons really came from the cache
    }

    void cpsRowSetItem() {
        CampCPSTableViewCell cell;
        cell.resize(390, 80);
        int i = 0;
        QBENCHMARK {
            const int row = i++;
            cell.setItem(m_camps.at(row % kCamps), nullptr, row, 2, nullptr);
            QCoreApplication::processEvents();
        }
    }
};

QTEST_MAIN(RowsBench)
#include "bench_rows.moc"
