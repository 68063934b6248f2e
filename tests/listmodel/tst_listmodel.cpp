#include <limits>

#include <QAbstractItemModelTester>
#include <QtTest>

#include "core/CampListModel.h"
#include "core/Localized.h"
#include "core/Log.h"
#include "core/Records.h"
#include "orvane/OrvaneSDK.h"
#include "support/SandboxFixture.h"
#include "support/TestSupport.h"

using namespace orvane;
using namespace Qt::StringLiterals;
using Ids = QList<qint64>;

namespace {

const QLocale kEnglish(QLocale::English, QLocale::UnitedStates);

Camp camp(qint64 id, qint64 bm = 1, double price = 0, qint64 orderseq = 0, qint64 convflag = 0,
          std::optional<QString> mark = QString()) {
    Camp c;
    std::tie(c.campid, c.bm, c.rewardprice, c.orderseq, c.convflag, c.pricemark) =
        std::tuple(id, bm, price, orderseq, convflag, mark);
    return c;
}

Camp withNative(Camp c) {
    c.nativeurl = u"http://127.0.0.1/native.png"_s;
    return c;
}

Req reply(QList<Camp> regular, QList<Camp> house = {}) {
    Req r;
    std::tie(r.result, r.rewardtype, r.camp, r.housemd) = std::tuple(200, 1, regular, house);
    return r;
}

template <typename Camps>
Ids ids(const Camps& list) {
    Ids out;
    for (const Camp& c : list)
        out << c.campid.value_or(-1);
    return out;
}

constexpr auto kFatal = QAbstractItemModelTester::FailureReportingMode::Fatal;

} // namespace

class TstListModel : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { setLocalizationLanguage(u"en"_s); }

    void groupsSelectionAndTabBar() {
        CampListModel model;
        QSignalSpy hidden(&model, &CampListModel::tabBarHiddenChanged);
        QSignalSpy changed(&model, &CampListModel::listChanged);
        Req both = reply({camp(1, 4), camp(2, 1), camp(3, 4)}, {camp(10, 4, 0, 1), camp(11, 2)});
        both.rewardtype = 2;
        (*both.camp)[1].rewardtype = 7; // the reply's reward type wins over a campaign's own
        model.applyReply(both);
        QCOMPARE(ids(model.cpsCampList()), (Ids{1, 3}));
        QCOMPARE(ids(model.otherCampList()), (Ids{2}));
        QCOMPARE(ids(model.cpsHouseList()), (Ids{10}));
        QCOMPARE(ids(model.otherHouseList()), (Ids{11}));
        for (const auto* list : {&model.otherCampList(), &model.cpsCampList(),
                                 &model.otherHouseList(), &model.cpsHouseList()}) {
            for (const Camp& c : *list)
                QCOMPARE(c.rewardtype, std::optional<qint64>(2));
        }
        QCOMPARE(ids(model.selectedCampList()), (Ids{2}));
        QCOMPARE(ids(model.selectedHouseList()), (Ids{11}));
        QCOMPARE(ids(model.selectedAllCampList()), (Ids{11, 2}));
        QVERIFY(!model.isTabBarHidden());
        QCOMPARE(hidden.count(), 0);
        QCOMPARE(changed.count(), 1);
        model.selectGroup(1);
        QCOMPARE(ids(model.selectedAllCampList()), (Ids{10, 1, 3}));
        model.selectGroup(7); // any segment but 0 is the CPS group
        QCOMPARE(ids(model.selectedAllCampList()), (Ids{10, 1, 3}));
        // Only house campaigns of the standard group still count as a group.
        model.applyReply(reply({}, {camp(5, 1, 0, 1)}));
        QCOMPARE(ids(model.selectedAllCampList()), (Ids{5}));
        QCOMPARE(hidden.count(), 1);
    }

    // The group shown is the selected segment's while it has campaigns; otherwise the segment
    // moves to the group shown. The tab bar shows exactly when both groups have campaigns.
    void tabsAndGroupsAgreeAfterEveryLoad_data() {
        QTest::addColumn<QString>("first");
        QTest::addColumn<int>("tab");
        QTest::addColumn<QString>("then");
        QTest::addColumn<Ids>("shown");
        QTest::addColumn<int>("segment");
        QTest::addColumn<bool>("tabsHidden");
        const Ids standard{2}, shopping{1, 3};
        QTest::newRow("shopping tab, both again")
            << "both" << 1 << "both" << shopping << 1 << false;
        QTest::newRow("standard tab, both again")
            << "both" << 0 << "both" << standard << 0 << false;
        QTest::newRow("shopping runs out") << "both" << 1 << "std" << standard << 0 << true;
        QTest::newRow("standard runs out") << "both" << 0 << "cps" << shopping << 1 << true;
        QTest::newRow("nothing at all") << "both" << 1 << "none" << shopping << 1 << false;
        QTest::newRow("shopping only, then both")
            << "cps" << -1 << "both" << shopping << 1 << false;
        QTest::newRow("standard only, then both")
            << "std" << -1 << "both" << standard << 0 << false;
    }

    void tabsAndGroupsAgreeAfterEveryLoad() {
        QFETCH(QString, first);
        QFETCH(int, tab);
        QFETCH(QString, then);
        QFETCH(Ids, shown);
        QFETCH(int, segment);
        QFETCH(bool, tabsHidden);
        const auto load = [](const QString& groups) {
            QList<Camp> camps;
            for (const Camp& c : {camp(1, 4), camp(2, 1), camp(3, 4)}) {
                if (groups == u"both" || (groups == u"cps") == (c.bm == 4))
                    camps << c;
            }
            return reply(groups == u"none" ? QList<Camp>() : camps);
        };
        CampListModel model;
        QAbstractItemModelTester tester(&model, kFatal);
        model.applyReply(load(first));
        if (tab >= 0)
            model.selectGroup(tab);
        QSignalSpy moved(&model, &CampListModel::segmentChanged);
        QSignalSpy tabs(&model, &CampListModel::tabBarHiddenChanged);
        const int before = model.selectedSegment();
        model.applyReply(load(then));
        QCOMPARE(ids(model.selectedAllCampList()), shown);
        QCOMPARE(model.selectedSegment(), segment);
        QCOMPARE(moved.count(), segment == before ? 0 : 1);
        QCOMPARE(model.isTabBarHidden(), tabsHidden);
        QCOMPARE(tabs.isEmpty(), tabsHidden == (first != u"both"));
    }

    // The summary adds up every list and takes the first mark there is; a reply without campaigns
    // reports it, sums to nothing and keeps the last selection, sorted as it was.
    void summaryAndNoCampaigns() {
        CampListModel model;
        model.setLocale(kEnglish);
        QSignalSpy summary(&model, &CampListModel::summaryReady);
        model.applyReply(reply({camp(1, 1, 400), camp(2, 4, 250.5, 0, 0, u"P"_s), camp(5, 1, 600)},
                               {camp(3, 1, 249.5, 1, 0, u"Coins"_s), camp(4, 4, 0.25, 1, 0, {})}));
        QCOMPARE(summary.at(0).at(0).toString(), u"1,500.25 P"_s);

        model.clickSort(); // highest reward first
        QSignalSpy none(&model, &CampListModel::noCampaigns);
        QSignalSpy changed(&model, &CampListModel::listChanged);
        Req empty;
        empty.result = 200; // camp and housemd absent count as empty
        model.applyReply(empty);
        QCOMPARE(none.count(), 1);
        QCOMPARE(ids(model.selectedAllCampList()), (Ids{3, 5, 1}));
        QCOMPARE(changed.count(), 1); // the old selection is sorted again
        QCOMPARE(summary.count(), 2);
        QCOMPARE(summary.at(1).at(0).toString(), u"0 "_s);
    }

    void defaultOrder() {
        CampListModel model;
        // Reply order: orderseq 3, 1, 2 without images, one with an image at orderseq 9, one with
        // convflag 1 at orderseq 8, and two ties at orderseq 5.
        model.applyReply(reply({camp(1, 1, 0, 3), camp(2, 1, 0, 1), camp(3, 1, 0, 2),
                                withNative(camp(4, 1, 0, 9)), camp(5, 1, 0, 8, 1), camp(6, 1, 0, 5),
                                camp(7, 1, 0, 5)}));
        QCOMPARE(ids(model.selectedAllCampList()), (Ids{5, 4, 2, 3, 1, 6, 7}));
        QCOMPARE(ids(model.selectedCampList()), (Ids{1, 2, 3, 4, 5, 6, 7}));
        model.setListType(2); // the icon layout ignores the native image
        model.setSort();
        QCOMPARE(ids(model.selectedAllCampList()), (Ids{5, 2, 3, 1, 6, 7, 4}));
    }

    void rewardOrdersAreStable() {
        CampListModel model;
        const Req r = reply({camp(1, 1, 50), camp(2, 1, 100), camp(3, 1, 50), camp(4, 1, 1, 0, 1),
                             camp(5, 1, 100), camp(6, 1, 10)});
        model.applyReply(r);
        model.setSortMode(CampListModel::SortMode::High);
        model.setSort();
        QCOMPARE(ids(model.selectedAllCampList()), (Ids{4, 2, 5, 1, 3, 6}));
        model.setSortMode(CampListModel::SortMode::Low);
        model.setSort();
        QCOMPARE(ids(model.selectedAllCampList()), (Ids{4, 6, 1, 3, 2, 5}));
        model.applyReply(r); // the mode survives a reload
        QCOMPARE(ids(model.selectedAllCampList()), (Ids{4, 6, 1, 3, 2, 5}));
    }

    // Sorting again reorders the campaigns already shown; every row must still carry its whole
    // record, whether the group changed or a new reply came, and a list a caller holds keeps its
    // rows whole after the model has moved on to a new reply.
    void sortingAgainKeepsEveryCampaignWhole_data() {
        QTest::addColumn<QString>("between");
        for (const char* between : {"nothing", "hold", "group", "reply"})
            QTest::newRow(between) << QString::fromLatin1(between);
    }

    void sortingAgainKeepsEveryCampaignWhole() {
        QFETCH(QString, between);
        QList<Camp> regular;
        for (int i = 1; i <= 12; ++i) {
            Camp c = camp(i, i % 5 == 0 ? 4 : 1, (i * 37) % 11, (i * 7) % 5, i % 4 == 0 ? 1 : 0);
            c.name = u"Campaign %1"_s.arg(i);
            c.targetpkg = QStringList{u"pkg.%1"_s.arg(i)};
            regular << (i % 3 == 0 ? withNative(c) : c);
        }
        const Req list =
            reply(regular, {camp(100, 1, 5, 2), camp(101, 4, 1, 1), camp(102, 1, 9, 40)});
        CampListModel model;
        QAbstractItemModelTester tester(&model, kFatal);
        QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
        QSignalSpy changed(&model, &CampListModel::listChanged);
        model.applyReply(list);
        CampRows held;
        QList<Camp> heldRecords;
        for (int turn = 0; turn < 7; ++turn) {
            if (between == "hold"_L1)
                heldRecords = (held = model.selectedAllCampList()).toList();
            if (between == "group"_L1) {
                model.selectGroup(1);
                model.selectGroup(0);
            } else if (between != "nothing"_L1) {
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
        QCOMPARE(resets.count(), changed.count()); // each change announced to views
    }

    void housePinning_data() {
        QTest::addColumn<Ids>("orderseqs"); // of house campaigns 101, 102, ...
        QTest::addColumn<Ids>("rows");
        constexpr qint64 max = std::numeric_limits<qint64>::max();
        constexpr qint64 min = std::numeric_limits<qint64>::min();
        // Regular campaigns 1, 2, 3 in that order.
        QTest::newRow("rows 1 and 3") << Ids{3, 1} << Ids{102, 1, 101, 2, 3};
        QTest::newRow("extremes") << Ids{max, min} << Ids{102, 1, 2, 3, 101};
        QTest::newRow("ties, pushes, clamps")
            << Ids{2, 1, 2, 9, 0} << Ids{102, 103, 101, 105, 1, 2, 3, 104};
    }

    void housePinning() {
        QFETCH(Ids, orderseqs);
        QFETCH(Ids, rows);
        QList<Camp> house;
        for (qsizetype i = 0; i < orderseqs.size(); ++i)
            house << camp(101 + i, 1, 0, orderseqs.at(i));
        CampListModel model;
        model.applyReply(reply({camp(1, 1, 0, 1), camp(2, 1, 0, 2), camp(3, 1, 0, 3)}, house));
        QCOMPARE(ids(model.selectedAllCampList()), rows);
        model.setSort(); // sorting again changes nothing
        QCOMPARE(ids(model.selectedAllCampList()), rows);
    }

    // The roles a row derives, read by their names. A campaign with an orderseq is pinned.
    void rolesOfARow_data() {
        QTest::addColumn<Camp>("campaign");
        QTest::addColumn<int>("listType");
        QTest::addColumn<CampParticipation>("known"); // of every campaign id
        QTest::addColumn<QString>("roles");           // in the order rolesOfARow reads them
        Camp standard = camp(1, 1, 1500, 0, 0, u" P "_s);
        std::tie(standard.cta, standard.iconurl, standard.nativeurl) =
            std::tuple(u"Go"_s, u"https://img.test/i"_s, u"http://img.test/n"_s);
        QTest::newRow("standard")
            << standard << kListTypeNative << CampParticipation()
            << u"1|0|0|Go|1,500 P|0 KRW|https://img.test/i|http://img.test/n|false"_s;
        Camp purchase = camp(2, 4, 300, 0, 1, u"P"_s);
        std::tie(purchase.cpsdcprice, purchase.iconurl) = std::tuple(9900, u"ftp://img.test/i"_s);
        QTest::newRow("purchase") << purchase << kListTypeNative << CampParticipation{true, false}
                                  << u"2|1|0|300 P|300 P|9,900 KRW|||false"_s;
        Camp house = camp(3, 1, 0, 1, 1);
        std::tie(house.detailpage, house.orvkey, house.nativeurl) =
            std::tuple(1, QString(), u"http://img.test/n"_s);
        QTest::newRow("house, converted, empty key, icon layout")
            << house << kListTypeIcon << CampParticipation{.checkPending = true}
            << u"3|0|2|%1|0|0 KRW|||true"_s.arg(localized(u"ov_accumulate"_s));
        QTest::newRow("no id") << Camp() << kListTypeNative << CampParticipation{true, false}
                               << u"|0|0||0|0 KRW|||false"_s;
    }

    void rolesOfARow() {
        QFETCH(Camp, campaign);
        QFETCH(int, listType);
        QFETCH(CampParticipation, known);
        CampListModel model;
        QAbstractItemModelTester tester(&model, kFatal);
        model.setLocale(kEnglish);
        model.setListType(listType);
        model.setParticipationSource([known](qint64) { return known; });
        const Camp other = camp(50, campaign.bm.value_or(1), 1); // of the same group
        model.applyReply(campaign.orderseq.value_or(0) > 0 ? reply({other}, {campaign})
                                                           : reply({other, campaign}));
        const Ids shown = ids(model.selectedAllCampList());
        const QModelIndex row = model.index(int(shown.indexOf(campaign.campid.value_or(-1))));
        QStringList roles;
        for (const char* name : {"campId", "group", "action", "actionTitle", "rewardText",
                                 "priceText", "iconUrl", "bannerUrl", "hasDetail"})
            roles << row.data(model.roleNames().key(name)).toString();
        QTEST(roles.join(u'|'), "roles");
    }

    void summaryText_data() {
        QTest::addColumn<double>("total");
        QTest::addColumn<QString>("mark");
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("text");
        const QLocale de(QLocale::German, QLocale::Germany);
        QTest::newRow("three fraction digits") << 1.23456 << u"C"_s << kEnglish << u"1.235 C"_s;
        QTest::newRow("binary noise") << (0.1 + 0.2) << u"C"_s << kEnglish << u"0.3 C"_s;
        QTest::newRow("negative zero") << -0.0001 << QString() << kEnglish << u"0 "_s;
        QTest::newRow("German") << 1500.25 << u"P"_s << de << u"1.500,25 P"_s;
    }

    void summaryText() {
        QFETCH(double, total);
        QFETCH(QString, mark);
        QFETCH(QLocale, locale);
        QFETCH(QString, text);
        QCOMPARE(CampListModel::summaryText(total, mark, locale), text);
    }

    // Against the sandbox: failed loads keep the list shown, and a late reply of an earlier
    // request is dropped. A reply whose result is not 200 still shows its campaigns, logged.
    void failuresAndOutdatedRepliesKeepTheList() {
        test::SandboxFixture sandbox;
        QVERIFY2(sandbox.ok(), qPrintable(sandbox.errorString()));
        const QString path = u"/v1/req"_s;
        Log::setDisplayLog(true);
        test::LogCapture log;
        CampListModel model;
        QAbstractItemModelTester tester(&model, kFatal);
        QSignalSpy summary(&model, &CampListModel::summaryReady);
        model.apiReq();
        QVERIFY(summary.wait(10000));
        const CampRows shown = model.selectedAllCampList();
        QSignalSpy failed(&model, &CampListModel::loadFailed);
        QSignalSpy changed(&model, &CampListModel::listChanged);
        for (const sandbox::Fault& fault :
             {sandbox::Fault::withBody(sandbox::Fault::Body::Malformed),
              sandbox::Fault::status(503), sandbox::Fault::withBody(sandbox::Fault::Body::Drop)}) {
            sandbox.server().setFault(path, fault);
            failed.clear();
            model.apiReq();
            QVERIFY(failed.wait(20000));
            QVERIFY(!failed.at(0).at(1).toString().isEmpty());
            QCOMPARE(model.selectedAllCampList(), shown);
        }
        QCOMPARE(changed.count(), 0);

        // The first request is answered late, with one campaign only; the second at once, in full.
        sandbox::Fault late = sandbox::Fault::delay(1200);
        late.patch = QJsonObject{
            {u"camp"_s, QJsonArray{sandbox.server().catalogue()["camp"_L1].toArray().at(0)}},
            {u"housemd"_s, QJsonArray()}};
        sandbox.server().setFault(path, late.times(1));
        sandbox.server().clearRequests();
        summary.clear();
        model.apiReq();
        QTRY_COMPARE(sandbox.server().requestsTo(path).size(), 1);
        model.apiReq();
        QVERIFY(summary.wait(10000));
        QTRY_VERIFY_WITH_TIMEOUT(log.contains(u"outdated request"_s), 10000);
        QCOMPARE(summary.count(), 1);
        QCOMPARE(model.selectedAllCampList(), shown);

        failed.clear();
        QVERIFY(model.applyBody(R"({"result":500,"camp":[{"campid":7,"bm":1}]})"));
        Log::setDisplayLog(false);
        QCOMPARE(ids(model.selectedAllCampList()), Ids{7});
        QVERIFY(log.contains(u"OrvaneViewController getReq Error : Optional(500)"_s));
        QCOMPARE(failed.count(), 0);
    }

    void bodyIsRepairedBeforeDecoding_data() {
        QTest::addColumn<QByteArray>("name"); // the raw bytes of a campaign name
        QTest::addColumn<bool>("pretty");     // line breaks between the fields
        QTest::addColumn<QString>("decoded");
        const QByteArray broken = "Caf\xC3 \xFF\xFE"
                                  "deal";
        // A raw line feed inside a string is not JSON until the line feeds are removed.
        QTest::newRow("raw line feed") << QByteArray("Two\nlines") << true << "Twolines";
        // Bytes that are not UTF-8 become U+FFFD, as a UTF-8 decoding with replacement yields them.
        QTest::newRow("stray bytes, compact") << broken << false << QString::fromUtf8(broken);
        QTest::newRow("stray bytes, pretty") << broken << true << QString::fromUtf8(broken);
        for (const QByteArray& name :
             {"deal \xE2\x82"_ba, "\xEC\x95\x88\xEB\x85\x95 \xE2\x82\xAC"_ba})
            QTest::addRow("%s", name.toHex().constData())
                << name << false << QString::fromUtf8(name);
    }

    void bodyIsRepairedBeforeDecoding() {
        QFETCH(QByteArray, name);
        QFETCH(bool, pretty);
        QFETCH(QString, decoded);
        const QByteArray gap = pretty ? "\n  "_ba : QByteArray();
        CampListModel model;
        QSignalSpy failed(&model, &CampListModel::loadFailed);
        QVERIFY(model.applyBody("{" + gap + "\"result\":200," + gap + "\"rewardtype\":1," + gap +
                                "\"camp\":[{\"campid\":7,\"bm\":1,\"name\":\"" + name +
                                "\",\"rewardprice\":10}]}"));
        QCOMPARE(failed.count(), 0);
        QCOMPARE(model.selectedAllCampList().size(), 1);
        QCOMPARE(model.selectedAllCampList().first().name, std::optional<QString>(decoded));
    }
};

QTEST_GUILESS_MAIN(TstListModel)
#include "tst_listmodel.moc"
