#include <limits>

#include <QJsonArray>
#include <QJsonObject>
#include <QLocale>
#include <QSignalSpy>
#include <QtTest>

#include "api/Records.h"
#include "platform/Log.h"
#include "screens/offerwall/CampListModel.h"
#include "sdk/Localized.h"
#include "sdk/OrvaneSDK.h"
#include "support/FixedReplyServer.h"
#include "support/SandboxFixture.h"
#include "support/TestSupport.h"

using namespace orvane;

namespace {

Camp camp(qint64 id, qint64 bm = 1, double price = 0, qint64 orderseq = 0) {
    Camp c;
    c.campid = id;
    c.bm = bm;
    c.rewardprice = price;
    c.orderseq = orderseq;
    c.convflag = 0;
    c.pricemark = QString();
    return c;
}

Camp withNative(Camp c) {
    c.nativeurl = QStringLiteral("http://127.0.0.1/native.png");
    return c;
}

Camp withConv(Camp c) {
    c.convflag = 1;
    return c;
}

Req reply(QList<Camp> regular, QList<Camp> house = {}) {
    Req r;
    r.result = 200;
    r.rewardtype = 1;
    r.camp = std::move(regular);
    r.housemd = std::move(house);
    return r;
}

template <typename Camps>
QList<qint64> ids(const Camps& list) {
    QList<qint64> out;
    for (const Camp& c : list) {
        out << c.campid.value_or(-1);
    }
    return out;
}

} // namespace

class TstListModel : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();

    void groupsAndSelectionAfterLoad();
    void oneGroupHidesTheTabBarForGood();
    void noCampaignsKeepsTheSelection();
    void reloadShowsTheStandardGroupAgain();
    void rewardTypeOfTheReplyReachesEveryCampaign();
    void defaultOrder();
    void rewardOrdersAreStable();
    void sortButtonCycles();
    void sortingAgainKeepsEveryCampaignWhole_data();
    void sortingAgainKeepsEveryCampaignWhole();
    void housePinning_data();
    void housePinning();
    void summaryText_data();
    void summaryText();
    void summaryOfAReply();

    // Against the sandbox and a loopback server.
    void loadsAndRefreshesTheSandboxList();
    void nonSuccessResultStillShowsTheCampaigns();
    void emptyListReportsNoCampaigns();
    void failuresKeepThePreviousList();
    void outdatedReplyIsDropped();
    void rawLineBreaksAreRemovedBeforeDecoding();
    void invalidUtf8IsReplacedBeforeDecoding_data();
    void invalidUtf8IsReplacedBeforeDecoding();
};

void TstListModel::initTestCase() {
    setLocalizationLanguage(QStringLiteral("en"));
}

void TstListModel::groupsAndSelectionAfterLoad() {
    CampListModel model;
    QSignalSpy hidden(&model, &CampListModel::tabsHidden);
    QSignalSpy changed(&model, &CampListModel::listChanged);
    model.applyReply(reply({camp(1, 4), camp(2, 1), camp(3, 4)}, {camp(10, 4, 0, 1), camp(11, 2)}));

    QCOMPARE(ids(model.cpsCampList()), (QList<qint64>{1, 3}));
    QCOMPARE(ids(model.otherCampList()), (QList<qint64>{2}));
    QCOMPARE(ids(model.cpsHouseList()), (QList<qint64>{10}));
    QCOMPARE(ids(model.otherHouseList()), (QList<qint64>{11}));
    QCOMPARE(ids(model.selectedCampList()), (QList<qint64>{2}));
    QCOMPARE(ids(model.selectedHouseList()), (QList<qint64>{11}));
    QCOMPARE(ids(model.selectedAllCampList()), (QList<qint64>{11, 2}));
    QVERIFY(!model.isTabBarHidden());
    QCOMPARE(hidden.count(), 0);
    QCOMPARE(changed.count(), 1);

    model.selectGroup(1);
    QCOMPARE(ids(model.selectedAllCampList()), (QList<qint64>{10, 1, 3}));
    model.selectGroup(7); // any segment but 0 is the CPS group
    QCOMPARE(ids(model.selectedAllCampList()), (QList<qint64>{10, 1, 3}));
    model.selectGroup(0);
    QCOMPARE(ids(model.selectedAllCampList()), (QList<qint64>{11, 2}));
}

void TstListModel::oneGroupHidesTheTabBarForGood() {
    CampListModel model;
    QSignalSpy hidden(&model, &CampListModel::tabsHidden);
    model.applyReply(reply({camp(1, 4), camp(2, 4)}));
    QCOMPARE(ids(model.selectedAllCampList()), (QList<qint64>{1, 2}));
    QVERIFY(model.isTabBarHidden());
    QCOMPARE(hidden.count(), 1);

    // Only house campaigns of the standard group still count as a group.
    model.applyReply(reply({}, {camp(5, 1, 0, 1)}));
    QCOMPARE(ids(model.selectedAllCampList()), (QList<qint64>{5}));

    model.applyReply(reply({camp(1, 4), camp(2, 1)}));
    QVERIFY2(model.isTabBarHidden(), "a hidden tab bar is never shown again by a load");
    QCOMPARE(hidden.count(), 1);
}

void TstListModel::noCampaignsKeepsTheSelection() {
    CampListModel model;
    model.setLocale(QLocale(QLocale::English, QLocale::UnitedStates));
    model.applyReply(reply({camp(1, 1, 50), camp(2, 1, 100), camp(3, 4, 10)}));
    model.clickSort(); // highest reward first

    QSignalSpy none(&model, &CampListModel::noCampaigns);
    QSignalSpy changed(&model, &CampListModel::listChanged);
    QSignalSpy summary(&model, &CampListModel::summaryReady);
    Req empty;
    empty.result = 200; // camp and housemd absent count as empty
    model.applyReply(empty);

    QCOMPARE(none.count(), 1);
    QVERIFY(model.otherCampList().isEmpty());
    QCOMPARE(ids(model.selectedAllCampList()), (QList<qint64>{2, 1}));
    QCOMPARE(changed.count(), 1); // the old selection is sorted again
    QCOMPARE(summary.count(), 1);
    QCOMPARE(summary.at(0).at(0).toString(), QStringLiteral("0 "));
    QVERIFY(!model.isTabBarHidden());
}

void TstListModel::reloadShowsTheStandardGroupAgain() {
    CampListModel model;
    const Req both = reply({camp(1, 4), camp(2, 1)});
    model.applyReply(both);
    model.selectGroup(1);
    QCOMPARE(ids(model.selectedAllCampList()), (QList<qint64>{1}));
    model.applyReply(both);
    QCOMPARE(ids(model.selectedAllCampList()), (QList<qint64>{2}));
}

void TstListModel::rewardTypeOfTheReplyReachesEveryCampaign() {
    CampListModel model;
    Camp own = camp(1, 1);
    own.rewardtype = 7;
    Req r = reply({own, camp(2, 4)}, {camp(3, 1, 0, 1), camp(4, 4, 0, 1)});
    r.rewardtype = 2;
    model.applyReply(r);
    for (const auto* list : {&model.otherCampList(), &model.cpsCampList(), &model.otherHouseList(),
                             &model.cpsHouseList()}) {
        QCOMPARE(list->size(), 1);
        QCOMPARE(list->first().rewardtype, std::optional<qint64>(2));
    }

    r.rewardtype.reset();
    model.applyReply(r);
    QVERIFY(!model.otherCampList().first().rewardtype.has_value());
    QVERIFY(!model.selectedAllCampList().first().rewardtype.has_value());
}

void TstListModel::defaultOrder() {
    CampListModel model;
    // Reply order: orderseq 3, 1, 2 without images, one with an image at orderseq 9, one with
    // convflag 1 at orderseq 8, and two ties at orderseq 5.
    model.applyReply(
        reply({camp(1, 1, 0, 3), camp(2, 1, 0, 1), camp(3, 1, 0, 2), withNative(camp(4, 1, 0, 9)),
               withConv(camp(5, 1, 0, 8)), camp(6, 1, 0, 5), camp(7, 1, 0, 5)}));
    QCOMPARE(ids(model.selectedAllCampList()), (QList<qint64>{5, 4, 2, 3, 1, 6, 7}));
    QCOMPARE(ids(model.selectedCampList()), (QList<qint64>{1, 2, 3, 4, 5, 6, 7}));

    model.setListType(2); // the icon layout ignores the native image
    model.setSort();
    QCOMPARE(ids(model.selectedAllCampList()), (QList<qint64>{5, 2, 3, 1, 6, 7, 4}));
}

void TstListModel::rewardOrdersAreStable() {
    CampListModel model;
    const Req r = reply({camp(1, 1, 50), camp(2, 1, 100), camp(3, 1, 50), withConv(camp(4, 1, 1)),
                         camp(5, 1, 100), camp(6, 1, 10)});
    model.applyReply(r);
    model.setSortMode(CampListModel::SortMode::High);
    model.setSort();
    QCOMPARE(ids(model.selectedAllCampList()), (QList<qint64>{4, 2, 5, 1, 3, 6}));
    model.setSortMode(CampListModel::SortMode::Low);
    model.setSort();
    QCOMPARE(ids(model.selectedAllCampList()), (QList<qint64>{4, 6, 1, 3, 2, 5}));
    // The mode survives a reload.
    model.applyReply(r);
    QCOMPARE(ids(model.selectedAllCampList()), (QList<qint64>{4, 6, 1, 3, 2, 5}));
}

// Sorting again reorders the campaigns already shown; every row must still carry its whole record,
// whether the shown list is held by a caller, the group changed, or a new reply came. A list a
// caller holds keeps its rows whole after the model has moved on to a new reply.
void TstListModel::sortingAgainKeepsEveryCampaignWhole_data() {
    QTest::addColumn<QString>("between");
    QTest::newRow("nothing") << QString();
    QTest::newRow("a caller holds the list across a new reply") << QStringLiteral("hold");
    QTest::newRow("the group changes back and forth") << QStringLiteral("group");
    QTest::newRow("the same reply again") << QStringLiteral("reply");
}

void TstListModel::sortingAgainKeepsEveryCampaignWhole() {
    QFETCH(QString, between);
    QList<Camp> regular;
    for (int i = 1; i <= 12; ++i) {
        Camp c = camp(i, i % 5 == 0 ? 4 : 1, (i * 37) % 11, (i * 7) % 5);
        c.name = QStringLiteral("Campaign %1").arg(i);
        c.targetpkg = QStringList{QStringLiteral("pkg.%1").arg(i)};
        regular << (i % 3 == 0 ? withNative(c) : i % 4 == 0 ? withConv(c) : c);
    }
    const Req list = reply(regular, {camp(100, 1, 5, 2), camp(101, 4, 1, 1), camp(102, 1, 9, 40)});
    CampListModel model;
    model.applyReply(list);
    CampRows held;
    QList<Camp> heldRecords;
    for (int turn = 0; turn < 7; ++turn) {
        if (between == QLatin1String("hold")) {
            held = model.selectedAllCampList();
            heldRecords = held.toList();
            model.applyReply(list);
        } else if (between == QLatin1String("group")) {
            model.selectGroup(1);
            model.selectGroup(0);
        } else if (between == QLatin1String("reply")) {
            model.applyReply(list);
        }
        model.clickSort();
        CampListModel fresh;
        fresh.applyReply(list);
        fresh.setSortMode(model.sortMode());
        fresh.setSort();
        QCOMPARE(model.selectedAllCampList(), fresh.selectedAllCampList());
        QCOMPARE(held.toList(), heldRecords);
    }
}

void TstListModel::sortButtonCycles() {
    CampListModel model;
    model.applyReply(reply({camp(1, 1, 10, 2), camp(2, 1, 30, 3), camp(3, 1, 20, 1)}));
    const QList<qint64> initial = ids(model.selectedAllCampList());
    QCOMPARE(initial, (QList<qint64>{3, 1, 2}));
    QCOMPARE(model.sortTitle(), localized(QStringLiteral("ov_sort_init")));

    model.clickSort();
    QCOMPARE(model.sortTitle(), localized(QStringLiteral("ov_sort_high")));
    QCOMPARE(ids(model.selectedAllCampList()), (QList<qint64>{2, 3, 1}));
    model.clickSort();
    QCOMPARE(model.sortTitle(), localized(QStringLiteral("ov_sort_low")));
    QCOMPARE(ids(model.selectedAllCampList()), (QList<qint64>{1, 3, 2}));
    model.clickSort();
    QCOMPARE(model.sortMode(), CampListModel::SortMode::Init);
    QCOMPARE(ids(model.selectedAllCampList()), initial);

    QVERIFY(model.sortTitle(CampListModel::SortMode::Init) !=
            model.sortTitle(CampListModel::SortMode::High));
    QVERIFY(model.sortTitle(CampListModel::SortMode::High) !=
            model.sortTitle(CampListModel::SortMode::Low));
}

void TstListModel::housePinning_data() {
    QTest::addColumn<QList<qint64>>("orderseqs"); // of house campaigns 101, 102, ...
    QTest::addColumn<QList<qint64>>("rows");
    constexpr qint64 max = std::numeric_limits<qint64>::max();
    constexpr qint64 min = std::numeric_limits<qint64>::min();
    // Regular campaigns 1, 2, 3 in that order.
    QTest::newRow("rows 1 and 3") << QList<qint64>{3, 1} << QList<qint64>{102, 1, 101, 2, 3};
    QTest::newRow("one past the end") << QList<qint64>{4} << QList<qint64>{1, 2, 3, 101};
    QTest::newRow("past the end goes last") << QList<qint64>{9} << QList<qint64>{1, 2, 3, 101};
    QTest::newRow("zero goes first") << QList<qint64>{0} << QList<qint64>{101, 1, 2, 3};
    QTest::newRow("negative goes first") << QList<qint64>{-5} << QList<qint64>{101, 1, 2, 3};
    QTest::newRow("extremes") << QList<qint64>{max, min} << QList<qint64>{102, 1, 2, 3, 101};
    QTest::newRow("ties keep reply order")
        << QList<qint64>{2, 2} << QList<qint64>{1, 102, 101, 2, 3};
    QTest::newRow("later insertions push down")
        << QList<qint64>{1, 2, 3} << QList<qint64>{101, 102, 103, 1, 2, 3};
    QTest::newRow("ties, pushes and clamps together")
        << QList<qint64>{2, 1, 2, 9, 0} << QList<qint64>{102, 103, 101, 105, 1, 2, 3, 104};
}

void TstListModel::housePinning() {
    QFETCH(QList<qint64>, orderseqs);
    QFETCH(QList<qint64>, rows);
    QList<Camp> house;
    for (qsizetype i = 0; i < orderseqs.size(); ++i) {
        house << camp(101 + i, 1, 0, orderseqs.at(i));
    }
    CampListModel model;
    model.applyReply(reply({camp(1, 1, 0, 1), camp(2, 1, 0, 2), camp(3, 1, 0, 3)}, house));
    QCOMPARE(ids(model.selectedAllCampList()), rows);
    // Sorting again changes nothing.
    model.setSort();
    QCOMPARE(ids(model.selectedAllCampList()), rows);
}

void TstListModel::summaryText_data() {
    QTest::addColumn<double>("total");
    QTest::addColumn<QString>("mark");
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("text");
    const QLocale en(QLocale::English, QLocale::UnitedStates);
    const QLocale de(QLocale::German, QLocale::Germany);
    QTest::newRow("grouping") << 1500.0 << "P" << en << "1,500 P";
    QTest::newRow("millions") << 1234567.5 << "P" << en << "1,234,567.5 P";
    QTest::newRow("three fraction digits") << 1.23456 << "C" << en << "1.235 C";
    QTest::newRow("binary noise") << (0.1 + 0.2) << "C" << en << "0.3 C";
    QTest::newRow("nothing") << 0.0 << "" << en << "0 ";
    QTest::newRow("negative zero") << -0.0001 << "" << en << "0 ";
    QTest::newRow("German") << 1500.25 << "P" << de << "1.500,25 P";
}

void TstListModel::summaryText() {
    QFETCH(double, total);
    QFETCH(QString, mark);
    QFETCH(QLocale, locale);
    QFETCH(QString, text);
    QCOMPARE(CampListModel::summaryText(total, mark, locale), text);
}

void TstListModel::summaryOfAReply() {
    CampListModel model;
    model.setLocale(QLocale(QLocale::English, QLocale::UnitedStates));
    QSignalSpy summary(&model, &CampListModel::summaryReady);
    Camp a = camp(1, 1, 1000);
    Camp b = camp(2, 4, 250.5);
    b.pricemark = QStringLiteral("P");
    Camp c = camp(3, 1, 249.5, 1);
    c.pricemark = QStringLiteral("Coins");
    Camp d = camp(4, 4, 0.25, 1);
    d.pricemark.reset();
    model.applyReply(reply({a, b}, {c, d}));
    QCOMPARE(model.summaryTotal(), 1500.25);
    QCOMPARE(model.summaryMark(), QStringLiteral("P"));
    QCOMPARE(summary.count(), 1);
    QCOMPARE(summary.at(0).at(0).toString(), QStringLiteral("1,500.25 P"));
}

namespace {

const QLocale kEnglish(QLocale::English, QLocale::UnitedStates);

// Fetches once and waits for the reply to be applied.
bool load(CampListModel& model) {
    QSignalSpy summary(&model, &CampListModel::summaryReady);
    model.apiReq();
    return summary.wait(10000);
}

} // namespace

void TstListModel::loadsAndRefreshesTheSandboxList() {
    test::SandboxFixture sandbox;
    QVERIFY2(sandbox.ok(), qPrintable(sandbox.errorString()));
    CampListModel model;
    model.setLocale(kEnglish);
    QSignalSpy summary(&model, &CampListModel::summaryReady);
    model.apiReq();
    QVERIFY(summary.wait(10000));

    // What the server's catalogue holds, split the way the model must split it.
    const QJsonObject catalogue = sandbox.server().catalogue();
    int other = 0, cps = 0, otherHouse = 0, cpsHouse = 0;
    double total = 0;
    for (const QString& key : {QStringLiteral("camp"), QStringLiteral("housemd")}) {
        for (const QJsonValue& value : catalogue.value(key).toArray()) {
            const bool isCps = value[QStringLiteral("bm")].toInt() == 4;
            int& counter = key == QLatin1String("camp") ? (isCps ? cps : other)
                                                        : (isCps ? cpsHouse : otherHouse);
            ++counter;
            total += value[QStringLiteral("rewardprice")].toDouble();
        }
    }
    QVERIFY(other > 0 && cps > 0 && otherHouse > 0 && cpsHouse > 0);
    QCOMPARE(model.otherCampList().size(), other);
    QCOMPARE(model.cpsCampList().size(), cps);
    QCOMPARE(model.otherHouseList().size(), otherHouse);
    QCOMPARE(model.cpsHouseList().size(), cpsHouse);
    QCOMPARE(model.selectedAllCampList().size(), other + otherHouse);
    QVERIFY(!model.isTabBarHidden());
    QCOMPARE(model.summaryTotal(), total);
    QCOMPARE(summary.at(0).at(0).toString(),
             CampListModel::summaryText(total, model.summaryMark(), kEnglish));
    // House campaigns sit at the rows their orderseq names.
    for (const Camp& house : model.selectedHouseList()) {
        QCOMPARE(model.selectedAllCampList().at(house.orderseq.value() - 1).campid, house.campid);
    }
    for (const Camp& c : model.selectedAllCampList()) {
        QCOMPARE(c.rewardtype, std::optional<qint64>(1));
    }
}

void TstListModel::nonSuccessResultStillShowsTheCampaigns() {
    test::SandboxFixture sandbox;
    QVERIFY2(sandbox.ok(), qPrintable(sandbox.errorString()));
    sandbox::Fault fault;
    fault.patch = QJsonObject{{QStringLiteral("result"), 500}};
    sandbox.server().setFault(QStringLiteral("/v1/req"), fault);
    Log::setDisplayLog(true);
    test::LogCapture log;
    CampListModel model;
    QSignalSpy failed(&model, &CampListModel::loadFailed);
    QVERIFY(load(model));
    Log::setDisplayLog(false);
    QVERIFY(!model.selectedAllCampList().isEmpty());
    QCOMPARE(failed.count(), 0);
    QVERIFY(log.contains(QStringLiteral("OrvaneViewController getReq Error : Optional(500)")));
}

void TstListModel::emptyListReportsNoCampaigns() {
    test::SandboxFixture sandbox;
    QVERIFY2(sandbox.ok(), qPrintable(sandbox.errorString()));
    QVERIFY(sandbox.server().setCatalogue(QJsonObject{{QStringLiteral("camp"), QJsonArray()},
                                                      {QStringLiteral("housemd"), QJsonArray()}}));
    CampListModel model;
    model.setLocale(kEnglish);
    QSignalSpy none(&model, &CampListModel::noCampaigns);
    QSignalSpy summary(&model, &CampListModel::summaryReady);
    QVERIFY(load(model));
    QCOMPARE(none.count(), 1);
    QCOMPARE(summary.count(), 1);
    QCOMPARE(summary.at(0).at(0).toString(), QStringLiteral("0 "));
    QVERIFY(model.selectedAllCampList().isEmpty());
}

void TstListModel::failuresKeepThePreviousList() {
    test::SandboxFixture sandbox;
    QVERIFY2(sandbox.ok(), qPrintable(sandbox.errorString()));
    CampListModel model;
    QVERIFY(load(model));
    const CampRows shown = model.selectedAllCampList();
    QSignalSpy failed(&model, &CampListModel::loadFailed);
    QSignalSpy changed(&model, &CampListModel::listChanged);

    // Undecodable body, an HTTP error status, a dropped connection.
    const QList<sandbox::Fault> faults = {sandbox::Fault::withBody(sandbox::Fault::Body::Malformed),
                                          sandbox::Fault::status(503),
                                          sandbox::Fault::withBody(sandbox::Fault::Body::Drop)};
    for (const sandbox::Fault& fault : faults) {
        sandbox.server().setFault(QStringLiteral("/v1/req"), fault);
        failed.clear();
        model.apiReq();
        QVERIFY(failed.wait(20000));
        QVERIFY(!failed.at(0).at(1).toString().isEmpty());
        QCOMPARE(model.selectedAllCampList(), shown);
    }
    QCOMPARE(changed.count(), 0);
}

void TstListModel::outdatedReplyIsDropped() {
    test::SandboxFixture sandbox;
    QVERIFY2(sandbox.ok(), qPrintable(sandbox.errorString()));
    // The first request is answered late, with one campaign only; the second at once, in full.
    sandbox::Fault late = sandbox::Fault::delay(1200);
    QJsonObject lone =
        sandbox.server().catalogue().value(QStringLiteral("camp")).toArray().at(0).toObject();
    late.patch = QJsonObject{{QStringLiteral("camp"), QJsonArray{lone}},
                             {QStringLiteral("housemd"), QJsonArray()}};
    sandbox.server().setFault(QStringLiteral("/v1/req"), late.times(1));
    Log::setDisplayLog(true);
    test::LogCapture log;

    CampListModel model;
    QSignalSpy summary(&model, &CampListModel::summaryReady);
    model.apiReq();
    QTRY_COMPARE(sandbox.server().requestsTo(QStringLiteral("/v1/req")).size(), 1);
    model.apiReq();
    QVERIFY(summary.wait(10000));
    const CampRows full = model.selectedAllCampList();
    QVERIFY(full.size() > 1);

    QTRY_VERIFY_WITH_TIMEOUT(log.contains(QStringLiteral("outdated request")), 10000);
    Log::setDisplayLog(false);
    QCOMPARE(summary.count(), 1);
    QCOMPARE(model.selectedAllCampList(), full);
}

void TstListModel::rawLineBreaksAreRemovedBeforeDecoding() {
    test::SandboxFixture sandbox; // keys and settings
    QVERIFY2(sandbox.ok(), qPrintable(sandbox.errorString()));
    // A reply with a raw line feed inside a string is not JSON until the line feeds are removed.
    const QByteArray body = "{\"result\":200,\"rewardtype\":1,\n\"camp\":[{\"campid\":7,\"bm\":1,"
                            "\"name\":\"Two\nlines\",\"rewardprice\":10}]}";
    test::FixedReplyServer server(body);
    QVERIFY(server.isListening());
    server.serveTheKit();

    CampListModel model;
    QVERIFY(load(model));
    QCOMPARE(model.selectedAllCampList().size(), 1);
    QCOMPARE(model.selectedAllCampList().first().name,
             std::optional<QString>(QStringLiteral("Twolines")));
}

void TstListModel::invalidUtf8IsReplacedBeforeDecoding_data() {
    QTest::addColumn<QByteArray>("name"); // the raw bytes of a campaign name
    QTest::addColumn<bool>("pretty");     // line breaks between the fields
    const QByteArray broken = "Caf\xC3 \xFF\xFE"
                              "deal";
    QTest::newRow("stray bytes, compact") << broken << false;
    QTest::newRow("stray bytes, pretty") << broken << true;
    QTest::newRow("cut sequence at the end") << QByteArray("deal \xE2\x82") << false;
    QTest::newRow("overlong slash") << QByteArray("a\xC0\xAF"
                                                  "b")
                                    << false;
    QTest::newRow("surrogate half") << QByteArray("a\xED\xA0\x80"
                                                  "b")
                                    << false;
    QTest::newRow("valid multi-byte")
        << QByteArray("\xEC\x95\x88\xEB\x85\x95 \xE2\x82\xAC") << false;
}

// Bytes that are not UTF-8 become U+FFFD, exactly as a UTF-8 decoding with replacement yields
// them, whether or not the reply has line breaks; the reply still decodes.
void TstListModel::invalidUtf8IsReplacedBeforeDecoding() {
    QFETCH(QByteArray, name);
    QFETCH(bool, pretty);
    test::SandboxFixture sandbox; // keys and settings
    QVERIFY2(sandbox.ok(), qPrintable(sandbox.errorString()));
    const QByteArray gap = pretty ? "\n  " : "";
    const QByteArray body = "{" + gap + "\"result\":200," + gap + "\"rewardtype\":1," + gap +
                            "\"camp\":[{\"campid\":7,\"bm\":1,\"name\":\"" + name +
                            "\",\"rewardprice\":10}]}";
    test::FixedReplyServer server(body);
    QVERIFY(server.isListening());
    server.serveTheKit();

    CampListModel model;
    QSignalSpy failed(&model, &CampListModel::loadFailed);
    QVERIFY(load(model));
    QCOMPARE(failed.count(), 0);
    QCOMPARE(model.selectedAllCampList().size(), 1);
    QCOMPARE(model.selectedAllCampList().first().name,
             std::optional<QString>(QString::fromUtf8(name)));
}

QTEST_GUILESS_MAIN(TstListModel)
#include "tst_listmodel.moc"
