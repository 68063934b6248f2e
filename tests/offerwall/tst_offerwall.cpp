// The offerwall main screen as a host gets it (Orvane::presentOrvane), against orvane-sandbox,
// driven with real clicks: title, groups and tabs, sort modes, row kinds, pinned rows to the
// detail page, the summary popup or header, the dialogs, the footer and leaving.

#include <QJsonArray>
#include <QtTest>

#include "api/ApiProvider.h"
#include "participation/ApiJoin.h"
#include "platform/NotificationCenter.h"
#include "platform/ui/AlertController.h"
#include "platform/ui/Button.h"
#include "platform/ui/Label.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/SegmentedControl.h"
#include "platform/ui/Storyboard.h"
#include "screens/benefits/BenefitsViewController.h"
#include "screens/benefits/CanReceiveBenefitsViewController.h"
#include "screens/detail/DetailViewController.h"
#include "screens/offerwall/CampCPSTableViewCell.h"
#include "screens/offerwall/CampListModel.h"
#include "screens/offerwall/CampTableViewCell.h"
#include "screens/offerwall/CopyRightView.h"
#include "screens/offerwall/OrvaneViewController.h"
#include "sdk/Localized.h"
#include "sdk/Orvane.h"
#include "support/GuiTest.h"

using namespace orvane;
using test::text;

Q_DECLARE_METATYPE(orvane::sandbox::Fault)

namespace {

const QString kReqPath = QStringLiteral("/v1/req");

QJsonObject camp(qint64 campid, int bm, double price, int orderseq = 1, int detailpage = 0) {
    return QJsonObject{{"campid", campid},
                       {"bm", bm},
                       {"name", QStringLiteral("Campaign %1").arg(campid)},
                       {"detailpage", detailpage},
                       {"rewardprice", price},
                       {"pricemark", "P"},
                       {"orderseq", orderseq},
                       {"convflag", 0},
                       {"cta", "Go"},
                       {"iconurl", QStringLiteral("{base}/img/%1/icon.png").arg(campid)}};
}

template <typename Camps>
QList<qint64> ids(const Camps& camps) {
    QList<qint64> out;
    for (const Camp& c : camps)
        out.append(c.campid.value_or(-1));
    return out;
}

// A host screen in a phone-sized window with an offerwall presented over it, as a host does.
struct Offerwall {
    Offerwall() {
        host.show();
        if (!QTest::qWaitForWindowExposed(&host))
            return;
        Orvane::shared().presentOrvane(&host);
        nav = qobject_cast<NavigationController*>(host.presentedViewController());
        if (nav)
            screen = qobject_cast<OrvaneViewController*>(nav->rootViewController());
    }
    ~Offerwall() { ApiJoin::shared().resetForTesting(); }

    bool ok() const { return screen != nullptr; }
    const CampRows& rows() { return screen->model().selectedAllCampList(); }
    // The campaign ids the table's visible cells show, top to bottom.
    QList<qint64> shownIds() {
        QList<qint64> out;
        for (int row : screen->tv_camp->visibleRows()) {
            TableViewCell* cell = screen->tv_camp->cellForRow(row);
            if (auto* standard = qobject_cast<CampTableViewCell*>(cell))
                out.append(standard->camp()->campid.value_or(-1));
            else if (auto* cps = qobject_cast<CampCPSTableViewCell*>(cell))
                out.append(cps->camp()->campid.value_or(-1));
        }
        return out;
    }
    // A real tap on the row showing `row` (scrolled into view first), beside its action control.
    bool tapRow(int row) {
        screen->tv_camp->scrollToRow(row);
        TableViewCell* cell = screen->tv_camp->cellForRow(row);
        if (!cell)
            return false;
        QTest::mouseClick(cell, Qt::LeftButton, {}, QPoint(cell->width() / 2, 12));
        return true;
    }

    ViewController host;
    NavigationController* nav = nullptr;
    OrvaneViewController* screen = nullptr;
};

} // namespace

class TstOfferwall : public test::GuiTest {
    Q_OBJECT
private Q_SLOTS:

    void eachCallBuildsANewOfferwall();
    void titleFromSettingsOrLayout_data();
    void titleFromSettingsOrLayout();
    void bothGroupsWithTabs();
    void oneGroupHidesTheTabBar();
    void rowKindFollowsBm();
    void sortModesInTurn();
    void pinnedRowOpensItsDetail();
    void popupOnFirstLoadNotWhileCovered();
    void headerTextForDisplayType1();
    void errorDialogOnDroppedConnection();
    void errorDialogTellsTheUserWhatFailed_data();
    void errorDialogTellsTheUserWhatFailed();
    void unshownOfferwallIgnoresListChanges();
    void popupWhenTheFirstReplyComesBeforeTheFirstAppearance();
    void noCampaignsDialogClosesTheOfferwall();
    void noCampaignsInPopupModeShowsNoPopup();
    void footerHeights();
    void closeControlAndBenefitsEntry();
    void plainHostWidgetGetsAWindow();
};

void TstOfferwall::eachCallBuildsANewOfferwall() {
    std::unique_ptr<ViewController> a(Orvane::shared().orvaneViewController());
    std::unique_ptr<ViewController> b(Orvane::shared().orvaneViewController());
    QVERIFY(a && b);
    QVERIFY(a.get() != b.get());
    auto* nav = qobject_cast<NavigationController*>(a.get());
    QVERIFY(nav);
    QVERIFY(qobject_cast<OrvaneViewController*>(nav->rootViewController()));
}

void TstOfferwall::titleFromSettingsOrLayout_data() {
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("shown");
    QTest::newRow("never set") << QString() << text("ov_offerwall_title");
    QTest::newRow("empty") << QString("") << text("ov_offerwall_title");
    QTest::newRow("set") << QStringLiteral("Bonus Coins") << QStringLiteral("Bonus Coins");
}

void TstOfferwall::titleFromSettingsOrLayout() {
    QFETCH(QString, stored);
    QFETCH(QString, shown);
    if (!stored.isNull())
        Orvane::shared().setMainTitle(stored);
    Orvane::shared().setBenefitsType(Orvane::TYPE_BENEFITS_DISPLAY_LIST_TOP);
    Offerwall ow;
    QVERIFY(ow.ok());
    QCOMPARE(ow.nav->navigationBar()->title(), shown);
}

void TstOfferwall::bothGroupsWithTabs() {
    Orvane::shared().setBenefitsType(Orvane::TYPE_BENEFITS_DISPLAY_LIST_TOP);
    Offerwall ow;
    QVERIFY(ow.ok());
    QTRY_VERIFY(!ow.rows().isEmpty());
    QVERIFY(ow.screen->v_tabs->isVisible());
    QCOMPARE(ow.screen->sc_camp->numberOfSegments(), 2);
    // Tabs in the accent colour.
    QCOMPARE(ow.screen->sc_camp->tintColor(), Orvane::shared().orvaneColorPrimary());
    QCOMPARE(ow.screen->sc_camp->borderColor(), Orvane::shared().orvaneColorPrimary());
    QCOMPARE(ow.screen->sc_camp->selectedTitleColor(), QColor(Qt::white));
    for (const Camp& c : ow.rows())
        QVERIFY(c.bm != 4);

    // A real click on the second segment shows the purchase group, in CPS rows.
    const QRect second = ow.screen->sc_camp->segmentRect(1);
    QTest::mouseClick(ow.screen->sc_camp, Qt::LeftButton, {}, second.center());
    QCOMPARE(ow.screen->sc_camp->selectedSegmentIndex(), 1);
    QCOMPARE(ids(ow.rows()), (QList<qint64>{904, 401, 402, 403}));
    QTRY_COMPARE(ow.shownIds(), (QList<qint64>{904, 401, 402, 403}));
    QVERIFY(qobject_cast<CampCPSTableViewCell*>(ow.screen->tv_camp->cellForRow(0)));

    // A reload shows the standard group again; the segment stays where the user put it.
    const qsizetype before = server().requestsTo(kReqPath).size();
    NotificationCenter::defaultCenter().post(kActionListChange);
    QTRY_COMPARE(server().requestsTo(kReqPath).size(), before + 1);
    QTRY_VERIFY(ow.rows().first().bm != 4);
    QCOMPARE(ow.screen->sc_camp->selectedSegmentIndex(), 1);
    QVERIFY(ow.screen->v_tabs->isVisible());
}

void TstOfferwall::oneGroupHidesTheTabBar() {
    QVERIFY(server().setCatalogue(QJsonObject{
        {"camp", QJsonArray{camp(1, 4, 100, 1), camp(2, 4, 300, 2)}}, {"housemd", QJsonArray{}}}));
    Orvane::shared().setBenefitsType(Orvane::TYPE_BENEFITS_DISPLAY_LIST_TOP);
    Offerwall ow;
    QVERIFY(ow.ok());
    QTRY_COMPARE(ids(ow.rows()), (QList<qint64>{1, 2}));
    QVERIFY(!ow.screen->v_tabs->isVisible());
    QTRY_COMPARE(ow.shownIds(), (QList<qint64>{1, 2}));
    QVERIFY(qobject_cast<CampCPSTableViewCell*>(ow.screen->tv_camp->cellForRow(1)));
}

void TstOfferwall::rowKindFollowsBm() {
    QVERIFY(server().setCatalogue(QJsonObject{
        {"camp", QJsonArray{camp(1, -1, 100, 1), camp(2, 4, 300, 2), camp(3, 1, 50, 3)}},
        {"housemd", QJsonArray{}}}));
    Orvane::shared().setBenefitsType(Orvane::TYPE_BENEFITS_DISPLAY_LIST_TOP);
    Offerwall ow;
    QVERIFY(ow.ok());
    QTRY_COMPARE(ow.shownIds(), (QList<qint64>{1, 3}));
    QVERIFY(qobject_cast<CampTableViewCell*>(ow.screen->tv_camp->cellForRow(0))); // bm -1
    QVERIFY(log().contains("OrvaneViewController tableView count : 2"));
    QTest::mouseClick(ow.screen->sc_camp, Qt::LeftButton, {},
                      ow.screen->sc_camp->segmentRect(1).center());
    QTRY_COMPARE(ow.shownIds(), (QList<qint64>{2}));
    QVERIFY(qobject_cast<CampCPSTableViewCell*>(ow.screen->tv_camp->cellForRow(0)));
}

void TstOfferwall::sortModesInTurn() {
    Orvane::shared().setBenefitsType(Orvane::TYPE_BENEFITS_DISPLAY_LIST_TOP);
    Offerwall ow;
    QVERIFY(ow.ok());
    // Default: the check-in campaign (convflag 1) first, native pictures before icons, then
    // orderseq; the house campaigns pinned at rows 1 and 3.
    const QList<qint64> init{901, 108, 902, 101, 103, 107, 104, 109, 110, 105, 102, 106};
    const QList<qint64> high{901, 108, 902, 109, 101, 102, 103, 110, 104, 106, 105, 107};
    const QList<qint64> low{901, 108, 902, 107, 105, 106, 104, 110, 103, 102, 101, 109};
    QTRY_COMPARE(ids(ow.rows()), init);
    QCOMPARE(ow.screen->b_sort->title(), text("ov_sort_init"));

    QTest::mouseClick(ow.screen->b_sort, Qt::LeftButton);
    QCOMPARE(ow.screen->b_sort->title(), text("ov_sort_high"));
    QCOMPARE(ids(ow.rows()), high);
    QTRY_COMPARE(ow.shownIds(), high.mid(0, ow.shownIds().size()));

    QTest::mouseClick(ow.screen->b_sort, Qt::LeftButton);
    QCOMPARE(ow.screen->b_sort->title(), text("ov_sort_low"));
    QCOMPARE(ids(ow.rows()), low);
    QTRY_COMPARE(ow.shownIds(), low.mid(0, ow.shownIds().size()));

    QTest::mouseClick(ow.screen->b_sort, Qt::LeftButton);
    QCOMPARE(ow.screen->b_sort->title(), text("ov_sort_init"));
    QCOMPARE(ids(ow.rows()), init);
    QVERIFY(!ow.shownIds().isEmpty());
}

void TstOfferwall::pinnedRowOpensItsDetail() {
    Orvane::shared().setBenefitsType(Orvane::TYPE_BENEFITS_DISPLAY_LIST_TOP);
    Offerwall ow;
    QVERIFY(ow.ok());
    QTRY_COMPARE(ow.rows().size(), 12);
    QCOMPARE(ow.rows().at(2).campid, std::optional<qint64>(902)); // house, detailpage 1
    QTRY_COMPARE(ow.shownIds().value(2), 902);
    QVERIFY(ow.tapRow(2));
    QTRY_COMPARE(ow.nav->viewControllers().size(), 2);
    auto* detail = qobject_cast<DetailViewController*>(ow.nav->topViewController());
    QVERIFY(detail);
    QCOMPARE(detail->camp()->campid, std::optional<qint64>(902));
    QCOMPARE(ow.screen->isAppear(), std::optional<bool>(false));
}

void TstOfferwall::popupOnFirstLoadNotWhileCovered() {
    Offerwall ow; // display type never set: popup
    QVERIFY(ow.ok());
    QTRY_VERIFY(AlertController::visibleAlert());
    AlertController* sheet = AlertController::visibleAlert();
    QCOMPARE(sheet->style(), AlertController::Style::ActionSheet);
    auto* popup = qobject_cast<CanReceiveBenefitsViewController*>(sheet->contentViewController());
    QVERIFY(popup);
    QCOMPARE(popup->l_popup_coins_value->plainText(), ow.screen->model().summaryText());
    QCOMPARE(popup->l_popup_coins_value->plainText(), QStringLiteral("13,900 P"));
    QVERIFY(!ow.screen->v_coins_calue->isVisible());
    QCOMPARE(ow.screen->isAppear(), std::optional<bool>(true));
    QCOMPARE(ApiJoin::shared().viewController(), ow.screen);

    // A tap beside the popup closes it.
    QTest::mouseClick(sheet, Qt::LeftButton, {}, QPoint(sheet->width() / 2, 40));
    QTRY_VERIFY(!ow.screen->presentedViewController());
    QVERIFY(!AlertController::visibleAlert());

    // Covered by a detail page, a reload shows nothing.
    ApiJoin::shared().setViewController(nullptr);
    QTRY_COMPARE(ow.shownIds().value(2), 902);
    QVERIFY(ow.tapRow(2));
    QTRY_COMPARE(ow.screen->isAppear(), std::optional<bool>(false));
    QSignalSpy reloaded(&ow.screen->model(), &CampListModel::summaryReady);
    NotificationCenter::defaultCenter().post(kActionListChange);
    QVERIFY(reloaded.wait(10000));
    QVERIFY(!ow.screen->presentedViewController());
    QVERIFY(!AlertController::visibleAlert());

    // Back on display: registered again for alerts, and the next reload shows the popup.
    QVERIFY(ow.nav->popViewController(false));
    QTRY_COMPARE(ow.screen->isAppear(), std::optional<bool>(true));
    QCOMPARE(ApiJoin::shared().viewController(), ow.screen);
    NotificationCenter::defaultCenter().post(kActionListChange);
    QTRY_VERIFY(qobject_cast<AlertController*>(ow.screen->presentedViewController()));
}

void TstOfferwall::headerTextForDisplayType1() {
    Orvane::shared().setBenefitsType(Orvane::TYPE_BENEFITS_DISPLAY_LIST_TOP);
    Offerwall ow;
    QVERIFY(ow.ok());
    QTRY_COMPARE(ow.screen->l_coins_value->plainText(), QStringLiteral("13,900 P"));
    QVERIFY(ow.screen->v_coins_calue->isVisible());
    QVERIFY(!ow.screen->presentedViewController()); // the text and a popup come in one step
}

void TstOfferwall::errorDialogOnDroppedConnection() {
    Orvane::shared().setBenefitsType(Orvane::TYPE_BENEFITS_DISPLAY_LIST_TOP);
    Offerwall ow;
    QVERIFY(ow.ok());
    QTRY_COMPARE(ow.rows().size(), 12);

    server().setFault(kReqPath, sandbox::Fault::withBody(sandbox::Fault::Body::Drop));
    NotificationCenter::defaultCenter().post(kActionListChange);
    QTRY_VERIFY(AlertController::visibleAlert());
    AlertController* alert = AlertController::visibleAlert();
    QCOMPARE(alert->title(), text("ov_alarm"));
    QVERIFY(!alert->message().isEmpty());
    QCOMPARE(alert->actions().size(), 1);
    QCOMPARE(alert->actions().first().title(), QStringLiteral("OK"));
    QCOMPARE(alert->actions().first().style(), AlertAction::Style::Cancel);
    QCOMPARE(ow.rows().size(), 12); // the list stays
    QTest::mouseClick(alert->actionButton(QStringLiteral("OK")), Qt::LeftButton);
    QTRY_VERIFY(!ow.screen->presentedViewController());
    QCOMPARE(ow.host.presentedViewController(), ow.nav); // the offerwall stays
}

void TstOfferwall::errorDialogTellsTheUserWhatFailed_data() {
    QTest::addColumn<sandbox::Fault>("fault");
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("key");
    const sandbox::Fault drop = sandbox::Fault::withBody(sandbox::Fault::Body::Drop);
    const sandbox::Fault late = sandbox::Fault::delay(3000);
    const sandbox::Fault status = sandbox::Fault::status(500);
    const sandbox::Fault garbage = sandbox::Fault::withBody(sandbox::Fault::Body::Malformed);
    for (const QString& language : {QStringLiteral("en"), QStringLiteral("ko")}) {
        const QByteArray l = language.toLatin1();
        QTest::addRow("no connection %s", l.constData())
            << drop << language << QStringLiteral("ov_error_no_connection");
        QTest::addRow("time-out %s", l.constData())
            << late << language << QStringLiteral("ov_error_timeout");
        QTest::addRow("server error %s", l.constData())
            << status << language << QStringLiteral("ov_error_server");
        QTest::addRow("unreadable %s", l.constData())
            << garbage << language << QStringLiteral("ov_error_unreadable_reply");
    }
}

// The first load fails: the dialog says what went wrong in the user's language, without the
// transport's or the decoder's wording, and the summary card stays hidden with nothing to show.
void TstOfferwall::errorDialogTellsTheUserWhatFailed() {
    QFETCH(sandbox::Fault, fault);
    QFETCH(QString, language);
    QFETCH(QString, key);
    server().setFault(kReqPath, fault);
    // A short time-out for the time-out row only: a busy machine must not turn the others into one.
    ApiProvider::setTimeoutForTesting(fault.delayMs > 0 ? 300 : 0);
    setLocalizationLanguage(language);
    Orvane::shared().setBenefitsType(Orvane::TYPE_BENEFITS_DISPLAY_LIST_TOP);
    Offerwall ow;
    QVERIFY(ow.ok());
    QTRY_VERIFY(AlertController::visibleAlert());
    const QString message = AlertController::visibleAlert()->message();
    const QString expected = localized(key);
    setLocalizationLanguage(QStringLiteral("en"));
    ApiProvider::setTimeoutForTesting(0);
    QCOMPARE(message, expected);
    QVERIFY(language == QLatin1String("en") || message != localized(key));
    QVERIFY(!ow.screen->v_coins_calue->isVisible());
    QVERIFY(ow.rows().isEmpty());
}

// Taken from the facade but not shown yet: the screen has not loaded, so a list change neither
// fetches nor presents anything; once it loads it listens.
void TstOfferwall::unshownOfferwallIgnoresListChanges() {
    const int observers = NotificationCenter::defaultCenter().observerCount(kActionListChange);
    std::unique_ptr<ViewController> wall(Orvane::shared().orvaneViewController());
    auto* nav = qobject_cast<NavigationController*>(wall.get());
    QVERIFY(nav);
    auto* screen = qobject_cast<OrvaneViewController*>(nav->rootViewController());
    QVERIFY(screen && !screen->isViewLoaded());
    NotificationCenter::defaultCenter().post(kActionListChange);
    QCOMPARE(NotificationCenter::defaultCenter().observerCount(kActionListChange), observers);
    QVERIFY(!screen->presentedViewController());

    QSignalSpy loaded(&screen->model(), &CampListModel::summaryReady);
    screen->loadViewIfNeeded();
    QVERIFY(loaded.wait(10000));
    QCOMPARE(server().requestsTo(kReqPath).size(), 1); // the load's own request only
    NotificationCenter::defaultCenter().post(kActionListChange);
    QTRY_COMPARE(server().requestsTo(kReqPath).size(), 2);
}

void TstOfferwall::popupWhenTheFirstReplyComesBeforeTheFirstAppearance() {
    std::unique_ptr<ViewController> wall(Orvane::shared().orvaneViewController());
    auto* nav = qobject_cast<NavigationController*>(wall.get());
    QVERIFY(nav);
    auto* screen = qobject_cast<OrvaneViewController*>(nav->rootViewController());
    QVERIFY(screen);
    QSignalSpy loaded(&screen->model(), &CampListModel::summaryReady);
    screen->loadViewIfNeeded();
    QVERIFY(loaded.wait(10000));
    QCOMPARE(screen->isAppear(), std::nullopt);

    nav->show();
    QVERIFY(QTest::qWaitForWindowExposed(nav));
    QTRY_VERIFY(AlertController::visibleAlert());
    auto* popup = qobject_cast<CanReceiveBenefitsViewController*>(
        AlertController::visibleAlert()->contentViewController());
    QVERIFY(popup);
    QCOMPARE(popup->l_popup_coins_value->plainText(), QStringLiteral("13,900 P"));
    QVERIFY(popup->isVisible());
    QVERIFY(!screen->v_coins_calue->isVisible());
}

void TstOfferwall::noCampaignsDialogClosesTheOfferwall() {
    QVERIFY(server().setCatalogue(QJsonObject{{"camp", QJsonArray{}}, {"housemd", QJsonArray{}}}));
    Orvane::shared().setBenefitsType(Orvane::TYPE_BENEFITS_DISPLAY_LIST_TOP);
    Offerwall ow;
    QVERIFY(ow.ok());
    QTRY_VERIFY(AlertController::visibleAlert());
    AlertController* alert = AlertController::visibleAlert();
    QCOMPARE(alert->title(), text("ov_alarm"));
    QCOMPARE(alert->message(), text("ov_not_ads"));
    QCOMPARE(ow.screen->l_coins_value->plainText(), QStringLiteral("0 "));
    QTest::mouseClick(alert->actionButton(text("ov_confirm")), Qt::LeftButton);
    QTRY_VERIFY(!ow.host.presentedViewController());
}

// The summary popup is queued behind the no-campaigns dialog; confirming closes the offerwall and
// drops it instead of flashing it over the closing screen.
void TstOfferwall::noCampaignsInPopupModeShowsNoPopup() {
    QVERIFY(server().setCatalogue(QJsonObject{{"camp", QJsonArray{}}, {"housemd", QJsonArray{}}}));
    Offerwall ow; // display type never set: popup
    QVERIFY(ow.ok());
    QTRY_COMPARE(ow.screen->pendingPresentationCount(), 1);
    AlertController* alert = AlertController::visibleAlert();
    QVERIFY(alert);
    QCOMPARE(alert->message(), text("ov_not_ads"));
    QPointer<OrvaneViewController> screen(ow.screen);
    QTest::mouseClick(alert->actionButton(text("ov_confirm")), Qt::LeftButton);
    QVERIFY(!screen || !screen->presentedViewController());
    QVERIFY(!screen || screen->pendingPresentationCount() == 0);
    QTRY_VERIFY(!ow.host.presentedViewController());
    QVERIFY(!AlertController::visibleAlert());
}

void TstOfferwall::footerHeights() {
    Orvane::shared().setBenefitsType(Orvane::TYPE_BENEFITS_DISPLAY_LIST_TOP);
    {
        Offerwall ow; // never set: hidden
        QVERIFY(ow.ok());
        QCOMPARE(ow.screen->copyRightView()->height(), 0);
        QVERIFY(!ow.screen->copyRightView()->isVisible());
        QCOMPARE(ow.screen->layout()->indexOf(ow.screen->copyRightView()), -1);
    }
    Orvane::shared().setCopyRightVisibility(true);
    {
        Offerwall ow;
        QVERIFY(ow.ok());
        CopyRightView* footer = ow.screen->copyRightView();
        QTRY_COMPARE(footer->height(), 30);
        QVERIFY(footer->isVisible());
        // At the bottom of the screen, below the table.
        QCOMPARE(footer->geometry().bottom(), ow.screen->height() - 1);
        QVERIFY(!footer->findChildren<Label*>().isEmpty());
    }
    Orvane::shared().setCopyRightVisibility(false);
    {
        Offerwall ow;
        QVERIFY(ow.ok());
        QCOMPARE(ow.screen->copyRightView()->height(), 0);
        QVERIFY(!ow.screen->copyRightView()->isVisible());
    }
}

void TstOfferwall::closeControlAndBenefitsEntry() {
    Orvane::shared().setBenefitsType(Orvane::TYPE_BENEFITS_DISPLAY_LIST_TOP);
    Offerwall ow;
    QVERIFY(ow.ok());
    QVERIFY(ow.screen->benefitsButton()->isVisible());
    QTest::mouseClick(ow.screen->benefitsButton(), Qt::LeftButton);
    QTRY_VERIFY(qobject_cast<BenefitsViewController*>(ow.nav->topViewController()));
    QTRY_COMPARE(server().requestsTo("/api/cs/user_reward_list").size(), 1);
    // The back button leading from the history names it; closing it restores the short title.
    const QString shortTitle = text("ov_back");
    QCOMPARE(ow.screen->navigationItem().backButtonTitle(), text("ov_benefits_received"));
    QVERIFY(ow.nav->navigationBar()->backButton()->title().endsWith(text("ov_benefits_received")));
    QVERIFY(ow.nav->popViewController(false));
    QTRY_COMPARE(ow.screen->navigationItem().backButtonTitle(), shortTitle);

    QPointer<NavigationController> nav(ow.nav);
    QVERIFY(ow.screen->closeButton()->isVisible());
    QTest::mouseClick(ow.screen->closeButton(), Qt::LeftButton);
    QTRY_VERIFY(!ow.host.presentedViewController());
    QTRY_VERIFY(!nav);
}

void TstOfferwall::plainHostWidgetGetsAWindow() {
    Orvane::shared().setBenefitsType(Orvane::TYPE_BENEFITS_DISPLAY_LIST_TOP);
    QWidget host;
    host.resize(300, 300);
    host.show();
    QVERIFY(QTest::qWaitForWindowExposed(&host));
    Orvane::shared().presentOrvane(&host);
    const auto navs = host.findChildren<NavigationController*>();
    QCOMPARE(navs.size(), 1);
    QPointer<NavigationController> nav(navs.first());
    QVERIFY(nav->isWindow());
    QVERIFY(QTest::qWaitForWindowExposed(nav));
    QCOMPARE(nav->size(), QSize(390, 844));
    auto* screen = qobject_cast<OrvaneViewController*>(nav->rootViewController());
    QVERIFY(screen);
    QTRY_COMPARE(screen->model().selectedAllCampList().size(), 12);
    QTest::mouseClick(screen->closeButton(), Qt::LeftButton);
    QTRY_VERIFY(!nav);
}

QTEST_MAIN(TstOfferwall)
#include "tst_offerwall.moc"
