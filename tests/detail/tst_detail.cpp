// The campaign detail page against the sandbox: reached from a row through the segue, its picture,
// texts and notice, the view report, the button's way from loading to the reward claim, and its
// closing on "action_detail_finish".

#include <QTest>

#include "core/ImageCache.h"
#include "core/Localized.h"
#include "core/NotificationCenter.h"
#include "orvane/Orvane.h"
#include "participation/ApiJoin.h"
#include "screens/AlertPresenter.h"
#include "screens/offerwall/CampCellCommon.h"
#include "support/CampTestUtil.h"
#include "support/Fakes.h"
#include "support/GuiTest.h"
#include "ui/Button.h"
#include "ui/ImageView.h"
#include "ui/ImageViewBinding.h"
#include "ui/Label.h"
#include "ui/NavigationController.h"

using namespace orvane;
using namespace Qt::StringLiterals;
using ButtonState = DetailViewController::ButtonState;

class TstDetail : public test::GuiTest {
    Q_OBJECT

private:
    std::unique_ptr<NavigationController> m_nav;
    test::ListScreen* m_list = nullptr;

    Camp camp(qint64 campid) { return test::sandboxCamp(server(), campid); }

    // Shows the list with `camp` and opens its detail with a tap on the row.
    DetailViewController* openDetail(const Camp& camp, int width = 390) {
        m_list->camps = {camp};
        m_nav->resize(width, 844);
        m_nav->show();
        m_list->table->reloadData();
        QTest::mouseClick(m_list->cell(0)->l_reward_button(), Qt::LeftButton);
        return qobject_cast<DetailViewController*>(m_nav->topViewController());
    }
    void tapButton(DetailViewController* detail) {
        QTest::mouseClick(detail->b_reward(), Qt::LeftButton);
    }

    void initCase() override {
        registerCampCells();
        DetailViewController::registerScene();
    }
    void initTest() override {
        test::FakeConsent::install().status = TrackingConsent::Authorized;
        test::FakeUrlOpener::install();
        server().setCompletionDelay(0);
        m_list = new test::ListScreen;
        m_list->opensDetail = true;
        m_nav = std::make_unique<NavigationController>(m_list);
    }
    void cleanupTest() override { m_nav.reset(); }

private Q_SLOTS:
    void rowTapOpensTheDetailThroughTheSegue() {
        const Camp c = camp(101);
        DetailViewController* detail = openDetail(c);
        QVERIFY(detail);
        QCOMPARE(detail->camp(), std::optional<Camp>(c));
        QCOMPARE(m_list->navigationItem().backButtonTitle(), c.name.value());
        QCOMPARE(flowAlertScreen(), static_cast<ViewController*>(detail));
        QCOMPARE(detail->b_reward()->title(), c.cta.value());
        QVERIFY(detail->l_content()->plainText().endsWith(u" 1,200 P"_s));
        QVERIFY(detail->l_content()->text().contains(Orvane::shared().orvaneColorPrimary().name()));
        QTRY_VERIFY(!detail->l_join_desc()->text().isEmpty()); // from the notice file
        QTRY_COMPARE(detail->buttonState(), ButtonState::join);
        QCOMPARE(test::queryValues(server(), u"/v1/view"_s, u"campid"_s), QStringList{u"101"_s});
        QCOMPARE(requests(u"/v1/join"_s), 0);

        // "action_detail_finish" pops to the list, which names the campaign no more.
        m_nav->pushViewController(new ViewController, false);
        NotificationCenter::defaultCenter().post(kActionDetailFinish);
        QTRY_COMPARE(m_nav->viewControllers().size(), 1);
        QTRY_COMPARE(m_list->navigationItem().backButtonTitle(), QString());
    }

    void pictureOrIcon_data() {
        QTest::addColumn<QString>("has"); // usable addresses: (v)iew, (n)ative, (i)con
        QTest::addColumn<QString>("loaded");
        QTest::newRow("view and native") << u"vni"_s << u"detail"_s;
        QTest::newRow("native only") << u"ni"_s << u"banner"_s;
        QTest::newRow("icon only") << u"i"_s << u"icon"_s;
        QTest::newRow("nothing") << QString() << QString();
    }
    void pictureOrIcon() {
        QFETCH(QString, has);
        QFETCH(QString, loaded);
        Camp c = camp(101);
        if (!has.contains(u'v'))
            c.viewurl.reset();
        if (!has.contains(u'n'))
            c.nativeurl = u"not an address"_s;
        if (!has.contains(u'i'))
            c.iconurl.reset();
        DetailViewController* detail = openDetail(c, 320);
        const bool picture = has.contains(u'n');
        QCOMPARE(detail->iv_native()->isVisible(), picture);
        QCOMPARE(detail->iv_icon()->isVisible(), !picture);
        if (loaded.isEmpty())
            QCOMPARE(detail->iv_icon()->placeholder(), campPlaceholderIcon(c.name));
        else
            QTRY_VERIFY((picture ? detail->iv_native() : detail->iv_icon())->hasImage());
        if (loaded == u"banner") { // 600 x 300 over the width of 320
            QCOMPARE(detail->lch_iv_native_detail().constant(), 160.0);
            QTRY_COMPARE(detail->iv_native()->height(), 160);
        }
        // A picture of another campaign, asked for after the page's: once it is here, any picture
        // the page asked for has reached the server.
        ImageView probe;
        static int probes = 0; // a new address each time: a cached answer would not wait
        const QUrl probeUrl(server().imageUrl(403) + u"?probe=%1"_s.arg(++probes));
        setUrl(&probe, probeUrl, std::nullopt, ImageCache::defaultCache());
        QTRY_VERIFY(probe.hasImage());
        for (const QString& kind : {u"detail"_s, u"banner"_s, u"icon"_s}) {
            // The row's icon comes from the same cache entry as the detail's.
            const bool wanted = kind == loaded || (kind == u"icon" && has.contains(u'i'));
            QCOMPARE(requests(u"/img/101/%1.png"_s.arg(kind)), wanted ? 1 : 0);
        }
    }

    // loading -> join (even when the view report is refused) -> participation check (the join's
    // listener call) -> accumulate (a listener call for this campaign only), ending in a claim for
    // this campaign with the key it received.
    void buttonFollowsTheListenerCalls() {
        sandbox::Fault refusal = sandbox::Fault::resultCode(500);
        refusal.delayMs = 400;
        server().setFault(u"/v1/view"_s, refusal);
        DetailViewController* detail = openDetail(camp(101));
        QCOMPARE(detail->buttonState(), ButtonState::loading);
        tapButton(detail);
        QTRY_COMPARE(detail->buttonState(), ButtonState::join);
        QVERIFY(log().contains(u"DetailViewController apiView Error : Optional(500)"_s));
        QCOMPARE(requests(u"/v1/join"_s), 0);

        int listChanges = 0;
        QObject observer;
        NotificationCenter::defaultCenter().addObserver(kActionListChange, &observer,
                                                        [&listChanges] { ++listChanges; });
        tapButton(detail);
        QTRY_COMPARE(detail->buttonState(), ButtonState::participationCheck);
        QCOMPARE(detail->b_reward()->title(), localized(u"ov_participation_check"_s));
        QCOMPARE(listChanges, 1);

        detail->onAccumulationPossible(999, u"key-999"_s);
        QCOMPARE(detail->buttonState(), ButtonState::participationCheck);
        detail->onAccumulationPossible(101, u"key-101"_s);
        QCOMPARE(detail->buttonState(), ButtonState::accumulate);
        QCOMPARE(detail->b_reward()->title(), localized(u"ov_accumulate"_s));
        tapButton(detail);
        QTRY_COMPARE(requests(u"/v1/reward"_s), 1);
        const sandbox::LoggedRequest claim = server().requestsTo(u"/v1/reward"_s).first();
        QCOMPARE(claim.queryValue(u"campid"_s), std::optional<QString>(u"101"_s));
        QCOMPARE(claim.queryValue(u"orvkey"_s), std::optional<QString>(u"key-101"_s));
    }
};

QTEST_MAIN(TstDetail)
#include "tst_detail.moc"
