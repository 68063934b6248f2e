#include <algorithm>
#include <random>

#include <QtTest>

#include "api/Records.h"
#include "screens/offerwall/CampListModel.h"

using namespace orvane;

namespace {

constexpr int kRegular = 5000;
constexpr int kHouse = 50;

// A list reply like a large real one: every campaign carries its texts and addresses, a tenth has
// convflag 1, half a native image; house campaigns are spread over the rows.
Req makeReply() {
    std::mt19937 random(42);
    auto campaign = [&random](qint64 id) {
        Camp c;
        c.campid = id;
        c.bm = 1 + static_cast<qint64>(random() % 3);
        c.name = QStringLiteral("Campaign %1").arg(id);
        c.rewarddesc = QStringLiteral("<p>Install and open the app to earn %1 points.</p>").arg(id);
        c.iconurl = QStringLiteral("http://127.0.0.1:8080/img/%1/icon.png").arg(id);
        if (random() % 2 == 0) {
            c.nativeurl = QStringLiteral("http://127.0.0.1:8080/img/%1/banner.png").arg(id);
        }
        c.convflag = random() % 10 == 0 ? 1 : 0;
        c.orderseq = static_cast<qint64>(random() % 1000);
        c.rewardprice = static_cast<double>(random() % 500);
        c.pricemark = QStringLiteral("P");
        return c;
    };
    Req reply;
    reply.result = 200;
    reply.rewardtype = 1;
    QList<Camp> regular;
    for (int i = 0; i < kRegular; ++i) {
        regular << campaign(i + 1);
    }
    QList<Camp> house;
    for (int i = 0; i < kHouse; ++i) {
        Camp c = campaign(100000 + i);
        c.orderseq = 1 + static_cast<qint64>(random() % (kRegular + kHouse));
        house << c;
    }
    reply.camp = regular;
    reply.housemd = house;
    return reply;
}

} // namespace

class BenchListModel : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { m_reply = makeReply(); }
    void setSort_data();
    void setSort();
    void bareStableSortByOrderseq();

private:
    Req m_reply;
};

void BenchListModel::setSort_data() {
    QTest::addColumn<int>("mode");
    QTest::newRow("init") << static_cast<int>(CampListModel::SortMode::Init);
    QTest::newRow("high") << static_cast<int>(CampListModel::SortMode::High);
}

// The model's whole sort: regular campaigns by the mode's comparator, house campaigns pinned,
// the shown list rebuilt.
void BenchListModel::setSort() {
    QFETCH(int, mode);
    CampListModel model;
    model.applyReply(m_reply);
    model.setSortMode(static_cast<CampListModel::SortMode>(mode));
    QCOMPARE(model.selectedAllCampList().size(), kRegular + kHouse);
    QBENCHMARK {
        model.setSort();
    }
    QCOMPARE(model.selectedAllCampList().size(), kRegular + kHouse);
}

// Baseline: a copy of the same 5,000 regular campaigns stably sorted by orderseq alone.
void BenchListModel::bareStableSortByOrderseq() {
    const QList<Camp> regular = *m_reply.camp;
    QList<Camp> sorted;
    QBENCHMARK {
        sorted = regular;
        std::stable_sort(sorted.begin(), sorted.end(), [](const Camp& a, const Camp& b) {
            return a.orderseq.value_or(0) < b.orderseq.value_or(0);
        });
    }
    QCOMPARE(sorted.size(), kRegular);
}

QTEST_GUILESS_MAIN(BenchListModel)
#include "bench_listmodel.moc"
