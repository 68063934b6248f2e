// The offerwall main screen as a host gets it (Orvane::presentOrvane), against orvane-sandbox,
// driven with real clicks: title, groups and tabs, sort modes, row kinds, pinned rows to the
// detail page, the summary popup or header, the dialogs, the footer and leaving.

#include <QJsonArray>
#include <QtTest>

#include "core/ApiProvider.h"
#include "core/CampListModel.h"
#include "core/Localized.h"
#include "core/NotificationCenter.h"
#include "orvane/Orvane.h"
#include "participation/ApiJoin.h"
#include "screens/benefits/BenefitsViewController.h"
#include "screens/benefits/CanReceiveBenefitsViewController.h"
#include "screens/detail/DetailViewController.h"
#include "screens/offerwall/CampCPSTableViewCell.h"
#include "screens/offerwall/CampTableViewCell.h"
#include "screens/offerwall/CopyRightView.h"
#include "screens/offerwall/OrvaneViewController.h"
#include "support/GuiTest.h"
#include "ui/AlertController.h"
#include "ui/Button.h"
#include "ui/Label.h"
#include "ui/NavigationController.h"
#include "ui/SegmentedControl.h"
#include "ui/Storyboard.h"

using namespace orvane;
using test::text;

Q_DECLARE_METATYPE(orvane::sandbox::Fault)

namespace {

const QString kReqPath = QStringLiteral("/v1/req");
using Ids = QList<qint64>;

QJsonObject camp(qint64 campid, int bm, double price, int orderseq = 1) {
    return QJsonObject{{"campid", campid},
                       {"bm", bm},
                       {"name", QStringLiteral("Campaign %1").arg(campid)},
                       {"detailpage", 0},
                       {"rewardprice", price},
                       {"pricemark", "P"},
                       {"orderseq", orderseq},
                       {"convflag", 0},
                       {"cta", "Go"},
                       {"iconurl", QStringLiteral("{base}/img/%1/icon.png").arg(campid)}};
}

template <typename Camps>
Ids ids(const Camps& camps) {
    Ids out;
    for (const Camp& c : camps)
        out.append(c.campid.value_or(-1));
    return out;
}

void reload() {
    NotificationCenter::defaultCenter().post(kActionListChange);
}

// An offerwall taken from the facade but not shown: its screen, loaded when `load` is set.
std::unique_ptr<ViewController> unshown(OrvaneViewController*& screen, bool load) {
    std::unique_ptr<ViewController> wall(
        qobject_cast<ViewController*>(Orvane::shared().orvaneViewController()));
    auto* nav = qobject_cast<NavigationController*>(wall.get());
    screen = nav ? qobject_cast<OrvaneViewController*>(nav->rootViewController()) : nullptr;
    if (screen && load) {
        QSignalSpy loaded(&screen->model(), &CampListModel::summaryReady);
        screen->loadViewIfNeeded();
        if (!loaded.wait(10000))
            screen = nullptr;
    }
    return wall;
}

// A host screen in a phone-sized window with an offerwall presented over it, as a host does; the
// summary in the header, or (popup) in a popup.
struct Offerwall {
    explicit Offerwall(bool popup = false) {
        if (!popup)
            Orvane::shared().setBenefitsType(Orvane::TYPE_BENEFITS_DISPLAY_LIST_TOP);
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
    // The campaign ids the table's visible cells show, top to bottom; with signedByKind, CPS rows
    // count negative.
    Ids shownIds(bool signedByKind = false) {
        Ids out;
        for (int row : screen->tv_camp->visibleRows()) {
            TableViewCell* cell = screen->tv_camp->cellForRow(row);
            if (auto* standard = qobject_cast<CampTableViewCell*>(cell))
                out.append(standard->camp()->campid.value_or(-1));
            else if (auto* cps = qobject_cast<CampCPSTableViewCell*>(cell))
                out.append(cps->camp()->campid.value_or(-1) * (signedByKind ? -1 : 1));
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
    void clickSegment(int index) {
        QTest::mouseClick(screen->sc_camp, Qt::LeftButton, {},
                          screen->sc_camp->segmentRect(index).center());
    }

    ViewController host;
    NavigationController* nav = nullptr;
    OrvaneViewController* screen = nullptr;
};

} // namespace

class TstOfferwall : public test::GuiTest {
    Q_OBJECT
private Q_SLOTS:

    // The title and the copyright footer from the host's settings: the footer hidden unless set on,
    // then 30 high at the bottom, below the table.
    void chromeFromSettings_data() {
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("shownTitle");
        QTest::addColumn<int>("footer"); // -1 never set, 0 off, 1 on
        QTest::newRow("never set") << QString() << text("ov_offerwall_title") << -1;
        QTest::newRow("empty title, footer on") << QString("") << text("ov_offerwall_title") << 1;
        QTest::newRow("title set, footer off")
            << QStringLiteral("Bonus Coins") << QStringLiteral("Bonus Coins") << 0;
    }

    void chromeFromSettings() {
        QFETCH(QString, title);
        QFETCH(QString, shownTitle);
        QFETCH(int, footer);
        if (!title.isNull())
            Orvane::shared().setMainTitle(title);
        if (footer >= 0)
            Orvane::shared().setCopyRightVisibility(footer == 1);
        Offerwall ow;
        QVERIFY(ow.ok());
        QCOMPARE(ow.nav->navigationBar()->title(), shownTitle);
        CopyRightView* view = ow.screen->copyRightView();
        QTRY_COMPARE(view->height(), footer == 1 ? 30 : 0);
        QCOMPARE(view->isVisible(), footer == 1);
        if (footer == 1) {
            QCOMPARE(view->geometry().bottom(), ow.screen->height() - 1);
            QVERIFY(!view->findChildren<Label*>().isEmpty());
        } else if (footer == -1) {
            QCOMPARE(ow.screen->layout()->indexOf(view), -1);
        }
    }

    void bothGroupsWithTabsAndHeader() {
        Offerwall ow;
        QVERIFY(ow.ok());
        QTRY_COMPARE(ow.screen->l_coins_value->plainText(), QStringLiteral("13,900 P"));
        QVERIFY(ow.screen->v_coins_calue->isVisible());
        QVERIFY(!ow.screen->presentedViewController()); // the text and a popup come in one step
        QVERIFY(ow.screen->v_tabs->isVisible());
        QCOMPARE(ow.screen->sc_camp->numberOfSegments(), 2);
        // Tabs in the accent colour.
        QCOMPARE(ow.screen->sc_camp->tintColor(), Orvane::shared().orvaneColorPrimary());
        QCOMPARE(ow.screen->sc_camp->borderColor(), Orvane::shared().orvaneColorPrimary());
        QCOMPARE(ow.screen->sc_camp->selectedTitleColor(), QColor(Qt::white));
        for (const Camp& c : ow.rows())
            QVERIFY(c.bm != 4);

        // A real click on the second segment shows the purchase group, in CPS rows.
        ow.clickSegment(1);
        QCOMPARE(ow.screen->sc_camp->selectedSegmentIndex(), 1);
        QCOMPARE(ids(ow.rows()), (Ids{904, 401, 402, 403}));
        QTRY_COMPARE(ow.shownIds(true), (Ids{-904, -401, -402, -403}));

        // A reload shows the standard group again; the segment stays where the user put it.
        const qsizetype before = server().requestsTo(kReqPath).size();
        reload();
        QTRY_COMPARE(server().requestsTo(kReqPath).size(), before + 1);
        QTRY_VERIFY(ow.rows().first().bm != 4);
        QCOMPARE(ow.screen->sc_camp->selectedSegmentIndex(), 1);
        QVERIFY(ow.screen->v_tabs->isVisible());

        // A reload that fails: a dialog with one OK, the list and the offerwall stay.
        server().setFault(kReqPath, sandbox::Fault::withBody(sandbox::Fault::Body::Drop));
        reload();
        QTRY_VERIFY(AlertController::visibleAlert());
        AlertController* alert = AlertController::visibleAlert();
        QCOMPARE(alert->title(), text("ov_alarm"));
        QVERIFY(!alert->message().isEmpty());
        QCOMPARE(alert->actions().size(), 1);
        QCOMPARE(alert->actions().first().title(), QStringLiteral("OK"));
        QCOMPARE(alert->actions().first().style(), AlertAction::Style::Cancel);
        QCOMPARE(ow.rows().size(), 12);
        QTest::mouseClick(alert->actionButton(QStringLiteral("OK")), Qt::LeftButton);
        QTRY_VERIFY(!ow.screen->presentedViewController());
        QCOMPARE(ow.host.presentedViewController(), ow.nav);
    }

    // Rows are CPS rows exactly for bm 4 (shown negative); a second tab only with both groups.
    void rowKindsAndTabsFollowBm_data() {
        QTest::addColumn<QList<int>>("bms"); // of campaigns 1, 2, ...
        QTest::addColumn<Ids>("first");
        QTest::addColumn<Ids>("second"); // empty: no tab bar
        QTest::newRow("CPS only") << QList<int>{4, 4} << Ids{-1, -2} << Ids{};
        QTest::newRow("unknown bm is standard") << QList<int>{-1, 4, 1} << Ids{1, 3} << Ids{-2};
    }

    void rowKindsAndTabsFollowBm() {
        QFETCH(QList<int>, bms);
        QFETCH(Ids, first);
        QFETCH(Ids, second);
        QJsonArray camps;
        for (int i = 0; i < bms.size(); ++i)
            camps.append(camp(i + 1, bms.at(i), 100 * (i + 1), i + 1));
        QVERIFY(server().setCatalogue(QJsonObject{{"camp", camps}, {"housemd", QJsonArray{}}}));
        Offerwall ow;
        QVERIFY(ow.ok());
        QTRY_COMPARE(ow.shownIds(true), first);
        QCOMPARE(ow.screen->v_tabs->isVisible(), !second.isEmpty());
        QVERIFY(log().contains(
            QStringLiteral("OrvaneViewController tableView count : %1").arg(first.size())));
        if (!second.isEmpty()) {
            ow.clickSegment(1);
            QTRY_COMPARE(ow.shownIds(true), second);
        }
    }

    void sortModesInTurn() {
        Offerwall ow;
        QVERIFY(ow.ok());
        // Default: the check-in campaign (convflag 1) first, native pictures before icons, then
        // orderseq; the house campaigns pinned at rows 1 and 3.
        const Ids init{901, 108, 902, 101, 103, 107, 104, 109, 110, 105, 102, 106};
        const Ids high{901, 108, 902, 109, 101, 102, 103, 110, 104, 106, 105, 107};
        const Ids low{901, 108, 902, 107, 105, 106, 104, 110, 103, 102, 101, 109};
        QTRY_COMPARE(ids(ow.rows()), init);
        QCOMPARE(ow.screen->b_sort->title(), text("ov_sort_init"));
        for (const auto& [key, order] :
             {std::pair("ov_sort_high", high), std::pair("ov_sort_low", low),
              std::pair("ov_sort_init", init)}) {
            QTest::mouseClick(ow.screen->b_sort, Qt::LeftButton);
            QCOMPARE(ow.screen->b_sort->title(), text(key));
            QCOMPARE(ids(ow.rows()), order);
            QTRY_COMPARE(ow.shownIds(), order.mid(0, ow.shownIds().size()));
            QVERIFY(!ow.shownIds().isEmpty());
        }
    }

    void popupOnFirstLoadNotWhileCovered() {
        Offerwall ow(true);
        QVERIFY(ow.ok());
        QTRY_VERIFY(AlertController::visibleAlert());
        AlertController* sheet = AlertController::visibleAlert();
        QCOMPARE(sheet->style(), AlertController::Style::ActionSheet);
        auto* popup =
            qobject_cast<CanReceiveBenefitsViewController*>(sheet->contentViewController());
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

        // The house campaign pinned at row 3 has a detail page; covered by it, a reload shows
        // nothing.
        ApiJoin::shared().setViewController(nullptr);
        QCOMPARE(ow.rows().size(), 12);
        QTRY_COMPARE(ow.shownIds().value(2), 902);
        QVERIFY(ow.tapRow(2));
        QTRY_COMPARE(ow.nav->viewControllers().size(), 2);
        auto* detail = qobject_cast<DetailViewController*>(ow.nav->topViewController());
        QVERIFY(detail);
        QCOMPARE(detail->camp()->campid, std::optional<qint64>(902));
        QTRY_COMPARE(ow.screen->isAppear(), std::optional<bool>(false));
        QSignalSpy reloaded(&ow.screen->model(), &CampListModel::summaryReady);
        reload();
        QVERIFY(reloaded.wait(10000));
        QVERIFY(!ow.screen->presentedViewController());
        QVERIFY(!AlertController::visibleAlert());

        // Back on display: registered again for alerts, and the next reload shows the popup.
        QVERIFY(ow.nav->popViewController(false));
        QTRY_COMPARE(ow.screen->isAppear(), std::optional<bool>(true));
        QCOMPARE(ApiJoin::shared().viewController(), ow.screen);
        reload();
        QTRY_VERIFY(qobject_cast<AlertController*>(ow.screen->presentedViewController()));
    }

    void errorDialogTellsTheUserWhatFailed_data() {
        QTest::addColumn<sandbox::Fault>("fault");
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("key");
        for (const char* l : {"en", "ko"}) {
            const QString language = QString::fromLatin1(l);
            QTest::addRow("no connection %s", l)
                << sandbox::Fault::withBody(sandbox::Fault::Body::Drop) << language
                << QStringLiteral("ov_error_no_connection");
            QTest::addRow("time-out %s", l)
                << sandbox::Fault::delay(3000) << language << QStringLiteral("ov_error_timeout");
            QTest::addRow("server error %s", l)
                << sandbox::Fault::status(500) << language << QStringLiteral("ov_error_server");
            QTest::addRow("unreadable %s", l)
                << sandbox::Fault::withBody(sandbox::Fault::Body::Malformed) << language
                << QStringLiteral("ov_error_unreadable_reply");
        }
    }

    // The first load fails: the dialog says what went wrong in the user's language, without the
    // transport's or the decoder's wording, and the summary card stays hidden with nothing to show.
    void errorDialogTellsTheUserWhatFailed() {
        QFETCH(sandbox::Fault, fault);
        QFETCH(QString, language);
        QFETCH(QString, key);
        server().setFault(kReqPath, fault);
        // A short time-out for the time-out row only: a busy machine must not turn the others into
        // one.
        ApiProvider::setTimeoutForTesting(fault.delayMs > 0 ? 300 : 0);
        setLocalizationLanguage(language);
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

    // Each facade call builds a new offerwall. Not shown yet, the screen has not loaded, so a list
    // change neither fetches nor presents anything; once it loads it listens.
    void unshownOfferwallIgnoresListChanges() {
        const int observers = NotificationCenter::defaultCenter().observerCount(kActionListChange);
        OrvaneViewController *screen = nullptr, *other = nullptr;
        const auto wall = unshown(screen, false);
        const auto otherWall = unshown(other, false);
        QVERIFY(screen && other && screen != other);
        QVERIFY(!screen->isViewLoaded());
        reload();
        QCOMPARE(NotificationCenter::defaultCenter().observerCount(kActionListChange), observers);
        QVERIFY(!screen->presentedViewController());

        QSignalSpy loaded(&screen->model(), &CampListModel::summaryReady);
        screen->loadViewIfNeeded();
        QVERIFY(loaded.wait(10000));
        QCOMPARE(server().requestsTo(kReqPath).size(), 1); // the load's own request only
        reload();
        QTRY_COMPARE(server().requestsTo(kReqPath).size(), 2);
    }

    void popupWhenTheFirstReplyComesBeforeTheFirstAppearance() {
        OrvaneViewController* screen = nullptr;
        const auto wall = unshown(screen, true);
        QVERIFY(screen);
        QCOMPARE(screen->isAppear(), std::nullopt);
        wall->show();
        QVERIFY(QTest::qWaitForWindowExposed(wall.get()));
        QTRY_VERIFY(AlertController::visibleAlert());
        auto* popup = qobject_cast<CanReceiveBenefitsViewController*>(
            AlertController::visibleAlert()->contentViewController());
        QVERIFY(popup);
        QCOMPARE(popup->l_popup_coins_value->plainText(), QStringLiteral("13,900 P"));
        QVERIFY(popup->isVisible());
        QVERIFY(!screen->v_coins_calue->isVisible());
    }

    void noCampaignsDialogClosesTheOfferwall_data() {
        QTest::addColumn<bool>("popup");
        QTest::newRow("header") << false;
        // The summary popup is queued behind the dialog; confirming closes the offerwall and drops
        // it instead of flashing it over the closing screen.
        QTest::newRow("popup") << true;
    }

    void noCampaignsDialogClosesTheOfferwall() {
        QFETCH(bool, popup);
        QVERIFY(
            server().setCatalogue(QJsonObject{{"camp", QJsonArray{}}, {"housemd", QJsonArray{}}}));
        Offerwall ow(popup);
        QVERIFY(ow.ok());
        QTRY_VERIFY(AlertController::visibleAlert());
        if (popup)
            QTRY_COMPARE(ow.screen->pendingPresentationCount(), 1);
        else
            QCOMPARE(ow.screen->l_coins_value->plainText(), QStringLiteral("0 "));
        AlertController* alert = AlertController::visibleAlert();
        QCOMPARE(alert->title(), text("ov_alarm"));
        QCOMPARE(alert->message(), text("ov_not_ads"));
        QPointer<OrvaneViewController> screen(ow.screen);
        QTest::mouseClick(alert->actionButton(text("ov_confirm")), Qt::LeftButton);
        QVERIFY(!screen || !screen->presentedViewController());
        QVERIFY(!screen || screen->pendingPresentationCount() == 0);
        QTRY_VERIFY(!ow.host.presentedViewController());
        QVERIFY(!AlertController::visibleAlert());
    }

    void closeControlAndBenefitsEntry() {
        Offerwall ow;
        QVERIFY(ow.ok());
        QTest::mouseClick(ow.screen->benefitsButton(), Qt::LeftButton);
        QTRY_VERIFY(qobject_cast<BenefitsViewController*>(ow.nav->topViewController()));
        // The back button leading from the history names it; closing it restores the short title.
        QCOMPARE(ow.screen->navigationItem().backButtonTitle(), text("ov_benefits_received"));
        QVERIFY(
            ow.nav->navigationBar()->backButton()->title().endsWith(text("ov_benefits_received")));
        QVERIFY(ow.nav->popViewController(false));
        QTRY_COMPARE(ow.screen->navigationItem().backButtonTitle(), text("ov_back"));

        QPointer<NavigationController> nav(ow.nav);
        QVERIFY(ow.screen->closeButton()->isVisible());
        QTest::mouseClick(ow.screen->closeButton(), Qt::LeftButton);
        QTRY_VERIFY(!ow.host.presentedViewController());
        QTRY_VERIFY(!nav);
    }

    void plainHostWidgetGetsAWindow() {
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
};

QTEST_MAIN(TstOfferwall)
#include "tst_offerwall.moc"
