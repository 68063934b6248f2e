// The campaign rows against the sandbox: images and spacing per list type, texts, action states
// from the list data and from the participation flow, reuse, and the detail hand-off.

#include <QScrollBar>
#include <QTest>

#include "core/ImageCache.h"
#include "core/Localized.h"
#include "core/NotificationCenter.h"
#include "core/StyledText.h"
#include "orvane/Orvane.h"
#include "participation/ApiJoin.h"
#include "screens/AlertPresenter.h"
#include "screens/offerwall/CampCellCommon.h"
#include "support/CampTestUtil.h"
#include "support/Fakes.h"
#include "support/GuiTest.h"
#include "support/ImageServer.h"
#include "ui/Button.h"
#include "ui/ImageView.h"
#include "ui/ImageViewBinding.h"
#include "ui/Label.h"

using namespace orvane;
using namespace Qt::StringLiterals;
using Action = CampTableViewCell::Action;

class TstRows : public test::GuiTest {
    Q_OBJECT

private:
    Camp camp(qint64 campid) { return test::sandboxCamp(server(), campid); }
    QStringList joined() { return test::queryValues(server(), u"/v1/join"_s, u"campid"_s); }

    std::unique_ptr<test::ListScreen> showList(int listType, const QList<Camp>& camps) {
        auto screen = std::make_unique<test::ListScreen>(listType);
        screen->camps = camps;
        screen->resize(390, 760);
        screen->show();
        screen->table->reloadData();
        presentFlowAlertsOn(screen.get());
        return screen;
    }
    // A user's tap on the row's action pill.
    static void tap(CampTableViewCell* cell) {
        QTest::mouseClick(cell->l_reward_button(), Qt::LeftButton);
    }

    void initCase() override { registerCampCells(); }
    void initTest() override {
        test::FakeConsent::install().status = TrackingConsent::Authorized;
        test::FakeUrlOpener::install();
    }

private Q_SLOTS:
    void imagesAndSpacingPerListType_data() {
        QTest::addColumn<int>("listType");
        QTest::addColumn<bool>("hasNative");
        QTest::addColumn<int>("division");
        for (const auto& [type, division] : {std::pair(0, 2), {1, 10}, {2, 2}}) {
            QTest::addRow("%d with native", type) << type << true << division;
            QTest::addRow("%d without native", type) << type << false << division;
        }
    }
    void imagesAndSpacingPerListType() {
        QFETCH(int, listType);
        QFETCH(bool, hasNative);
        QFETCH(int, division);
        const bool nativeShown = hasNative && listType == Orvane::TYPE_LIST_NATIVE;
        Camp c = camp(101);
        if (!hasNative)
            c.nativeurl.reset();
        auto screen = showList(listType, {c});
        CampTableViewCell* cell = screen->cell(0);
        QCOMPARE(cell->iv_native()->isVisible(), nativeShown);
        QCOMPARE(cell->iv_icon()->isVisible(), !nativeShown);
        QCOMPARE(cell->lch_division().constant(), qreal(division));
        if (!nativeShown)
            QCOMPARE(cell->iv_icon()->cornerRadius(), cell->iv_icon()->height() / 5.0);
        ImageView* shown = nativeShown ? cell->iv_native() : cell->iv_icon();
        QTRY_COMPARE(shown->image().size(), nativeShown ? QSize(600, 300) : QSize(128, 128));
        const QString other = nativeShown ? u"icon"_s : u"banner"_s;
        QCOMPARE(requests(u"/img/101/%1.png"_s.arg(other)), 0);

        // 600 x 300 in a 320-point-wide view is 160 high; a picture of other proportions makes
        // the table measure the row again.
        if (!nativeShown)
            return;
        QCOMPARE(cell->lch_iv_native().constant(), cell->iv_native()->width() / 2.0);
        c.nativeurl = c.iconurl; // 128 x 128
        screen = showList(listType, {c});
        QTRY_VERIFY(screen->cell(0)->iv_native()->hasImage());
        QTRY_COMPARE(screen->cell(0)->iv_native()->height(), screen->cell(0)->iv_native()->width());
        QCOMPARE(screen->table->rectForRow(0).height(), screen->cell(0)->height());
    }

    // A banner of other proportions than expected measures its own row again, and the rows in
    // view stay where they are: above the view it grows upwards, in view it moves the rows below.
    void bannerArrivingKeepsTheRowsInView_data() {
        QTest::addColumn<bool>("above");
        QTest::newRow("above the view") << true;
        QTest::newRow("in view") << false;
    }
    void bannerArrivingKeepsTheRowsInView() {
        QFETCH(bool, above);
        test::ImageServer images;
        QList<Camp> camps(30, camp(101));
        for (qsizetype i = 0; i < camps.size(); ++i)
            camps[i].nativeurl =
                images.url(i == 4 ? u"/hold/late/600x600/blue"_s : u"/png/600x300"_s).toString();
        auto screen = showList(Orvane::TYPE_LIST_NATIVE, camps);
        TableView* table = screen->table;
        // Rows measured on the way move row 4: place the view twice, then check where it is.
        for (int pass = 0; pass < 2; ++pass) {
            table->verticalScrollBar()->setValue(table->rectForRow(4).top() + (above ? 40 : -300));
            QTRY_VERIFY(std::ranges::all_of(table->visibleRows(), [&](int row) {
                return row == 4 || screen->cell(row)->iv_native()->hasImage();
            }));
        }
        QCOMPARE(table->rectForRow(4).top() < table->verticalScrollBar()->value(), above);
        std::map<int, int> tops;
        for (int row : table->visibleRows())
            tops[row] = table->cellForRow(row)->y();
        const int height = table->rectForRow(4).height();
        images.release(u"late"_s);
        QTRY_VERIFY(table->rectForRow(4).height() > height);
        const int change = table->rectForRow(4).height() - height;
        for (const auto& [row, top] : tops) {
            if (row != 4 && table->cellForRow(row))
                QCOMPARE(table->cellForRow(row)->y(), top + (!above && row > 4 ? change : 0));
        }
    }

    // The reward text and the description with its amount; a placeholder, and no request, for an
    // icon address that is unparsable, relative, not on the web or absent.
    void textsAndPlaceholderIcons() {
        Camp c = camp(102);
        c.rewardprice = 1500;
        c.pricemark = u"P"_s;
        Camp tight = c; // no separator of the row's own, no mark: the server's spacing stands
        tight.rewarddesc = u"<b>Earn</b>"_s;
        tight.pricemark = QString();
        tight.iconurl = u"ht tp://x y"_s;
        Camp cps = camp(402);
        cps.iconurl = u"/img/402/icon.png"_s;
        Camp absent = camp(104);
        absent.iconurl.reset();
        Camp refused = c; // HTML the converter refuses (too long) still shows its words
        refused.rewarddesc = u"<b>Huge</b> "_s + QString(kMaxHtmlLength, u'x');
        refused.iconurl = u"file:///etc/passwd"_s;
        auto screen = showList(2, {c, tight, cps, absent, refused});
        const QString html = screen->cell(0)->l_content()->html();
        QVERIFY(html.contains(u"#8c8c8c"_s));
        QVERIFY(html.contains(Orvane::shared().orvaneColorPrimary().name()));
        QCOMPARE(screen->cell(0)->l_content()->plainText(),
                 u"Install and open Pocket Ledger. 1,500 P"_s);
        QCOMPARE(screen->cell(1)->l_content()->plainText(), u"Earn1,500"_s);
        QVERIFY(screen->cell(4)->l_content()->plainText().startsWith(u"Huge xxx"_s));
        // Its endless word wraps inside the description: the row's action stays in view.
        const CampTableViewCell* huge = screen->cell(4);
        QVERIFY(huge->rect().contains(huge->l_reward_button()->geometry()));
        QVERIFY(huge->l_content()->geometry().right() < huge->l_reward_button()->x());
        QVERIFY(huge->l_content()->height() > 10 * huge->l_content()->fontMetrics().height());

        for (int row = 1; row < 5; ++row) {
            ImageView* icon = row == 2 ? screen->cell<CampCPSTableViewCell>(2)->iv_icon()
                                       : screen->cell(row)->iv_icon();
            QVERIFY(icon->isVisible() && !icon->hasImage());
            QCOMPARE(icon->placeholder(), campPlaceholderIcon(screen->camps.at(row).name));
        }
        QTRY_VERIFY(screen->cell(0)->iv_icon()->hasImage());
        QVERIFY(sandbox().settle());
        QCOMPARE(server().requests().size(), 1); // the first row's icon
    }

    // Join -> participation check (listener, then list data) -> accumulate (listener); convflag 1
    // wins over the list.
    void actionStateFromDataAndListener() {
        const Camp app = camp(102);
        auto screen = showList(2, {app});
        CampTableViewCell* cell = screen->cell(0);
        QCOMPARE(cell->action(), Action::join);
        tap(cell);
        QTRY_COMPARE(cell->action(), Action::participationCheck);
        QCOMPARE(cell->l_reward_button()->text(), localized(u"ov_participation_check"_s));
        QCOMPARE(joined(), QStringList{u"102"_s});

        CampTableViewCell fresh;
        fresh.setItem(app, nullptr, 0, 2, nullptr);
        QCOMPARE(fresh.action(), Action::participationCheck);
        // The wider action leaves the description less room: the row was measured again.
        QCOMPARE(screen->table->rectForRow(0).height(),
                 fresh.rowHeight(screen->table->viewport()->width()));
        Camp converted = app;
        converted.convflag = 1;
        fresh.setItem(converted, nullptr, 0, 2, nullptr);
        QCOMPARE(fresh.action(), Action::accumulate);

        cell->onAccumulationPossible(102, u"key-102"_s);
        QCOMPARE(cell->l_reward_button()->text(), localized(u"ov_accumulate"_s));
        // An empty key in the campaign is no key: the one received is claimed with.
        converted.orvkey = QString();
        cell->setItem(converted, screen->table, 0, 2, screen.get());
        tap(cell);
        QTRY_COMPARE(test::queryValues(server(), u"/v1/reward"_s, u"orvkey"_s),
                     QStringList{u"key-102"_s});
    }

    // When the list changes under the rows, each row is measured for the campaign it now shows,
    // and the list keeps its place: at the top, or with the first row in view shown from its top.
    void rowsAreMeasuredAgainWhenTheListChanges() {
        Camp brief = camp(102);
        Camp wordy = camp(101);
        wordy.rewarddesc = QStringLiteral("Play the tutorial, win five matches in a row, reach "
                                          "level three and open the daily chest to finish.&nbsp;");
        QList<Camp> camps(20, brief);
        auto screen = showList(2, camps);
        TableView* table = screen->table;
        const int briefHeight = table->rectForRow(0).height();
        const int width = table->viewport()->width();

        camps[0] = wordy;
        screen->camps = camps;
        table->reloadData();
        CampTableViewCell fresh;
        fresh.setItem(wordy, nullptr, 0, 2, nullptr);
        QVERIFY(table->rectForRow(0).height() > briefHeight);
        QCOMPARE(table->rectForRow(0).height(), fresh.rowHeight(width));
        QCOMPARE(screen->cell(0)->l_content()->plainText(), fresh.l_content()->plainText());
        QCOMPARE(table->verticalScrollBar()->value(), 0);

        table->verticalScrollBar()->setValue(table->rectForRow(2).top() + 5);
        screen->camps = QList<Camp>(20, wordy);
        table->reloadData();
        QCOMPARE(table->verticalScrollBar()->value(), table->rectForRow(2).top());
        QCOMPARE(table->rectForRow(2).height(), fresh.rowHeight(width));
    }

    // A row given to another campaign while a join, an image or a key of the first is on its way
    // shows and acts on the second campaign only.
    void reusedRowForgetsItsPreviousCampaign() {
        const Camp first = camp(102);
        Camp second = camp(104);
        second.iconurl.reset();
        server().setFault(u"/v1/join"_s, sandbox::Fault::delay(300).times(1));
        server().setFault(u"/img/102/icon.png"_s, sandbox::Fault::delay(300));
        auto screen = showList(2, {first});
        CampTableViewCell* cell = screen->cell(0);
        tap(cell);
        QTRY_COMPARE(joined().size(), 1);
        cell->setItem(second, screen->table, 0, 2, screen.get());
        QTRY_VERIFY(ApiJoin::shared().getPartiConfirmList().contains(102));
        // The first icon's late answer: a view bound to the same address gets it after the row.
        ImageView probe;
        setUrl(&probe, QUrl(first.iconurl.value()), std::nullopt, ImageCache::defaultCache());
        QTRY_VERIFY(probe.hasImage());
        QCOMPARE(cell->action(), Action::join);
        QCOMPARE(cell->l_reward_button()->text(), second.cta.value());
        QVERIFY(!cell->iv_icon()->hasImage());
        cell->onAccumulationPossible(102, u"key-102"_s);
        QCOMPARE(cell->action(), Action::join);
        tap(cell);
        QTRY_COMPARE(joined(), (QStringList{u"102"_s, u"104"_s}));

        // The first campaign's key is not sent for a converted campaign without one: the list is
        // fetched again instead.
        cell->setItem(first, screen->table, 0, 2, screen.get());
        cell->onAccumulationPossible(102, u"key-102"_s);
        Camp withoutKey = camp(108);
        withoutKey.convflag = 1;
        cell->setItem(withoutKey, screen->table, 0, 2, screen.get());
        int refreshes = 0;
        QObject observer;
        NotificationCenter::defaultCenter().addObserver(kActionListChange, &observer,
                                                        [&refreshes] { ++refreshes; });
        tap(cell);
        QCOMPARE(refreshes, 1);
        QVERIFY(sandbox().settle());
        QCOMPARE(requests(u"/v1/reward"_s), 0);
    }

    // Rows with a detail page hand taps to the screen; a shopping row shows its discounted price
    // and joins without a listener.
    void detailPageAndShoppingRow() {
        const Camp order = camp(402);
        auto screen = showList(2, {camp(101), camp(401), order});
        tap(screen->cell(0));
        QTest::mouseClick(screen->cell<CampCPSTableViewCell>(1), Qt::LeftButton);
        QTest::mouseClick(screen->cell<CampCPSTableViewCell>(1)->b_reward_button(), Qt::LeftButton);
        QCOMPARE(screen->clicked, (QList<int>{0, 1, 1}));
        QVERIFY(sandbox().settle());
        QCOMPARE(joined().size(), 0);

        auto* cell = screen->cell<CampCPSTableViewCell>(2);
        QCOMPARE(cell->l_content()->plainText(), u"9,900"_s + localized(u"ov_won"_s));
        QCOMPARE(cell->b_reward_button()->title(), campRewardText(order));
        QTRY_VERIFY(cell->iv_icon()->hasImage());
        QTest::mouseClick(cell->b_reward_button(), Qt::LeftButton);
        QTRY_COMPARE(joined(), QStringList{u"402"_s});
        QTRY_VERIFY(ApiJoin::shared().getPartiConfirmList().contains(402));
        QVERIFY(!ApiJoin::shared().joinProtocol());
    }
};

QTEST_MAIN(TstRows)
#include "tst_rows.moc"
