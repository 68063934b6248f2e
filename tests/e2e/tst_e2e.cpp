// Campaigns the whole road from list to reward, against orvane-sandbox, the way a user walks it:
// the offerwall lists the campaign, a tap joins, the landing page opens (the test opener visits
// it over HTTP), the state is polled until the server confirms, the reward is collected (reward
// type 1) or credited by the server (reward type 2), the completion alert is confirmed, the list
// reloads and the benefits history shows the reward. Along the way, what the host hears from
// Orvane::shared(): one reward confirmation per reward, none for a refused join, a failed claim
// or a repeated state reply, and the offerwall's shown / closed pair however it closes.

#include <QVBoxLayout>
#include <QtTest>

#include "participation/PollTimer.h"
#include "screens/AlertPresenter.h"
#include "screens/benefits/BenefitsViewController.h"
#include "screens/detail/DetailViewController.h"
#include "screens/inquiry/RequestViewController.h"
#include "support/GuiTest.h"
#include "support/OfferwallHost.h"
#include "ui/AlertController.h"
#include "ui/Button.h"
#include "ui/Label.h"

using namespace orvane;
using namespace Qt::StringLiterals;
using test::text;

namespace {
enum class Outcome { Claimed, Credited, JoinRefused, ClaimFailed, RepeatedStateReply };
const QString kRepeatedStateKey = QStringLiteral("repeated-state-key");
enum class Closing {
    CloseControl,
    NoCampaignDialog,
    HostDismisses,
    HostClosesOfferwall,
    OwnWindowClosed,
    OwnWindowCloseControl,
    OwnWindowHostClosesOfferwall,
    EmbeddedCloseControl,
    EmbeddedNoCampaignDialog
};
} // namespace

class TstE2e : public test::GuiTest {
    Q_OBJECT
private Q_SLOTS:
    void walk_data();
    void walk();
    void shownAndClosedPaired_data();
    void shownAndClosedPaired();
};

void TstE2e::walk_data() {
    QTest::addColumn<Outcome>("outcome");
    QTest::addColumn<qint64>("campid");
    QTest::newRow("type 1, claimed") << Outcome::Claimed << qint64(110);
    QTest::newRow("type 2, credited by the server") << Outcome::Credited << qint64(105);
    QTest::newRow("join refused") << Outcome::JoinRefused << qint64(110);
    QTest::newRow("claim failed") << Outcome::ClaimFailed << qint64(110);
    QTest::newRow("state reply repeated") << Outcome::RepeatedStateReply << qint64(105);
}

void TstE2e::walk() {
    QFETCH(Outcome, outcome);
    QFETCH(qint64, campid);
    const bool credited = outcome == Outcome::Credited || outcome == Outcome::RepeatedStateReply;
    server().setCompletionDelay(200);
    server().setRewardType(credited ? 2 : 1);
    if (outcome == Outcome::JoinRefused)
        server().setFault(u"/v1/join"_s, sandbox::Fault::resultCode(403));
    ManualPollTimer* timer = nullptr; // owned by the kit once handed over
    if (outcome == Outcome::RepeatedStateReply) {
        timer = new ManualPollTimer;
        // Every state reply confirms, late, with the same key: two polls' requests are out before
        // either answers.
        sandbox::Fault late = sandbox::Fault::delay(800);
        late.patch = QJsonObject{{u"state"_s, 3}, {u"orvkey"_s, kRepeatedStateKey}};
        server().setFault(u"/v1/state"_s, late);
        ApiJoin::shared().setPollTimer(std::unique_ptr<PollTimer>(timer));
    }
    QSignalSpy started(&Orvane::shared(), &Orvane::participationStarted);
    QSignalSpy rewarded(&Orvane::shared(), &Orvane::rewardConfirmed);

    // 1. The host presents the offerwall; the list arrives with the list's reward type.
    test::OfferwallHost ow;
    QVERIFY(ow.ok());
    ow.browse();
    QTRY_VERIFY(ow.cell(campid));
    QTRY_COMPARE(flowAlertScreen(), ow.screen);
    CampTableViewCell* cell = ow.cell(campid);
    const Camp camp = *cell->camp();
    QCOMPARE(camp.rewardtype, std::optional<qint64>(credited ? 2 : 1));

    // 2. A tap on its row joins: consent, join, landing page opened and visited.
    QSignalSpy actions(&ow.screen->model(), &QAbstractItemModel::dataChanged);
    test::tapRow(cell);
    QTRY_COMPARE(requests(u"/v1/join"_s), 1);
    QCOMPARE(ow.consent->requests, 1);
    if (outcome == Outcome::JoinRefused) { // the refusal's alert is the participation test's
        QVERIFY(settled());
        QCOMPARE(started.size() + rewarded.size(), 0);
        return;
    }
    QTRY_COMPARE(started.size(), 1);
    QCOMPARE(started.first().first().toLongLong(), campid);
    QTRY_COMPARE(ow.opener->opened.size(), 1);
    QVERIFY(ow.opener->opened.first().path().startsWith(u"/landing/%1"_s.arg(campid)));
    QTRY_COMPARE(ow.browser.visits, 1);

    // 3. Polling until the server confirms the participation.
    QTRY_VERIFY_WITH_TIMEOUT(requests(u"/v1/state"_s) >= 1, 5000);
    const int listLoads = requests(u"/v1/req"_s);
    if (outcome == Outcome::RepeatedStateReply) {
        QVERIFY(timer->fire()); // a second request while the first is held by the server
        QTRY_COMPARE(requests(u"/v1/state"_s), 2);
        QVERIFY(settled());
        QTRY_VERIFY(AlertController::visibleAlert()); // one alert, none queued behind it
        QCOMPARE(ow.screen->pendingPresentationCount(), 0);
    } else if (!credited) {
        // The row offers the reward; a tap on it collects with the key of the state reply.
        QTRY_COMPARE_WITH_TIMEOUT(cell->action(), CampTableViewCell::Action::accumulate, 8000);
        QCOMPARE(ow.screen->model().index(*cell->indexPath()).data(CampListModel::ActionTitleRole),
                 QVariant(cell->l_reward_button()->text())); // the same action for any front-end
        QVERIFY(!actions.isEmpty());                         // and views of the model are told
        QVERIFY(!ApiJoin::shared().isPolling());
        QCOMPARE(rewarded.size(), 0); // offered, not yet claimed
        if (outcome == Outcome::ClaimFailed)
            server().setFault(u"/v1/reward"_s, sandbox::Fault::resultCode(500));
        test::tapRow(cell);
        QTRY_COMPARE(requests(u"/v1/reward"_s), 1);
        if (outcome == Outcome::ClaimFailed) {
            QVERIFY(settled());
            QCOMPARE(rewarded.size(), 0);
            return;
        }
        QCOMPARE(server().requestsTo(u"/v1/reward"_s).first().queryValue(u"orvkey"_s),
                 server().stateReplyKey(sandbox().userId(), campid));
    }

    // 4. The reward is reported once; the completion alert over the offerwall, and confirming it
    // reloads the list.
    QTRY_COMPARE_WITH_TIMEOUT(rewarded.size(), 1, 8000);
    const Reward reward = rewarded.first().first().value<Reward>();
    const std::optional<QString> stateKey = server().stateReplyKey(sandbox().userId(), campid);
    const QString txid =
        outcome == Outcome::RepeatedStateReply ? kRepeatedStateKey : stateKey.value_or(QString());
    QCOMPARE(reward, Reward(campid, txid, credited ? 2 : 1, *camp.name, *camp.rewardprice,
                            *camp.pricemark));
    QTRY_VERIFY_WITH_TIMEOUT(AlertController::visibleAlert(), 8000);
    AlertController* alert = AlertController::visibleAlert();
    QCOMPARE(alert->message(), text("ov_participation_complete"));
    QCOMPARE(alert->presentingViewController(), ow.screen);
    QCOMPARE(requests(u"/v1/req"_s), listLoads); // nothing before the user confirms
    QTest::mouseClick(alert->actionButton(text("ov_confirm")), Qt::LeftButton);
    QTRY_COMPARE(requests(u"/v1/req"_s), listLoads + 1);
    QVERIFY(settled());
    QCOMPARE(rewarded.size(), 1);
    QCOMPARE(started.size(), 1);
    if (outcome == Outcome::RepeatedStateReply)
        return;
    if (credited)
        QCOMPARE(requests(u"/v1/reward"_s), 0); // the server credited it by itself

    // 5. The benefits history lists the reward.
    QTest::mouseClick(ow.screen->benefitsButton(), Qt::LeftButton);
    auto* benefits = qobject_cast<BenefitsViewController*>(ow.nav->topViewController());
    QVERIFY(benefits);
    QTRY_VERIFY(!benefits->reward().isEmpty());
    QCOMPARE(benefits->reward().first().campid, std::optional<qint64>(campid));
    QCOMPARE(benefits->reward().first().rewarddate,
             std::optional<QString>(QDate::currentDate().toString(u"yyyyMMdd"_s)));
}

void TstE2e::shownAndClosedPaired_data() {
    QTest::addColumn<Closing>("closing");
    QTest::newRow("close control") << Closing::CloseControl;
    QTest::newRow("no-campaign dialog") << Closing::NoCampaignDialog;
    QTest::newRow("host dismisses") << Closing::HostDismisses;
    QTest::newRow("host calls closeOfferwall") << Closing::HostClosesOfferwall;
    QTest::newRow("own window closed") << Closing::OwnWindowClosed;
    QTest::newRow("own window, close control") << Closing::OwnWindowCloseControl;
    QTest::newRow("own window, host calls closeOfferwall") << Closing::OwnWindowHostClosesOfferwall;
    QTest::newRow("embedded, close control") << Closing::EmbeddedCloseControl;
    QTest::newRow("embedded, no-campaign dialog") << Closing::EmbeddedNoCampaignDialog;
}

void TstE2e::shownAndClosedPaired() {
    QFETCH(Closing, closing);
    // With the summary in a popup.
    const bool popup =
        closing == Closing::NoCampaignDialog || closing == Closing::EmbeddedNoCampaignDialog;
    if (popup)
        QVERIFY(server().setCatalogue(
            QJsonObject{{u"camp"_s, QJsonArray{}}, {u"housemd"_s, QJsonArray{}}}));
    QSignalSpy shown(&Orvane::shared(), &Orvane::offerwallShown);
    QSignalSpy closed(&Orvane::shared(), &Orvane::offerwallClosed);
    QSignalSpy closeRequested(&Orvane::shared(), &Orvane::closeRequested);

    if (closing >= Closing::EmbeddedCloseControl) {
        // In the host's own layout the offerwall stays: the host is asked to close it, and does.
        ViewController host;
        auto* layout = new QVBoxLayout(&host);
        QPointer<QWidget> wall(Orvane::shared().orvaneViewController(&host));
        QCOMPARE(wall->parentWidget(), &host);
        layout->addWidget(wall);
        host.show();
        QVERIFY(QTest::qWaitForWindowExposed(&host));
        auto* screen = qobject_cast<OrvaneViewController*>(
            qobject_cast<NavigationController*>(wall.data())->rootViewController());
        QTRY_COMPARE(shown.size(), 1);
        if (closing == Closing::EmbeddedCloseControl) {
            QTRY_VERIFY(screen->closeButton()->isVisible());
            QTest::mouseClick(screen->closeButton(), Qt::LeftButton);
        } else {
            QTRY_VERIFY(AlertController::visibleAlert());
            QVERIFY(AlertController::visibleAlert()->tapAction(text("ov_confirm")));
        }
        QTRY_COMPARE(closeRequested.size(), 1);
        QVERIFY(wall->isVisible());
        QCOMPARE(closed.size(), 0);
        Orvane::shared().closeOfferwall(); // not one it presented: stays
        QVERIFY(wall->isVisible());
        delete wall;
        QCOMPARE(closed.size(), 1);
        return;
    }

    if (closing >= Closing::OwnWindowClosed) {
        // A host widget outside any controller: the offerwall is a phone-sized window of its own.
        Orvane::shared().setBenefitsType(Orvane::TYPE_BENEFITS_DISPLAY_LIST_TOP);
        QWidget hostWidget;
        hostWidget.show();
        Orvane::shared().presentOrvane(&hostWidget);
        QPointer<NavigationController> own(hostWidget.findChild<NavigationController*>());
        QVERIFY(own->isWindow() && QTest::qWaitForWindowExposed(own));
        QCOMPARE(own->size(), QSize(390, 844));
        auto* screen = qobject_cast<OrvaneViewController*>(own->rootViewController());
        QVERIFY(screen);
        QTRY_COMPARE(screen->model().selectedAllCampList().size(), 12);
        QTRY_COMPARE(shown.size(), 1);
        if (closing == Closing::OwnWindowClosed)
            own->close();
        else if (closing == Closing::OwnWindowCloseControl)
            QTest::mouseClick(screen->closeButton(), Qt::LeftButton);
        else
            Orvane::shared().closeOfferwall();
        QTRY_COMPARE(closed.size(), 1);
        QCOMPARE(closeRequested.size(), 0);
        QCOMPARE(shown.size(), 1);
        QTRY_VERIFY(!own);
        return;
    }

    test::OfferwallHost ow(popup);
    QVERIFY(ow.ok());
    QTRY_COMPARE(shown.size(), 1);
    if (!popup) {
        // The history pushed above and popped again is still the same presentation. The back
        // button leading from the history names it; back on the list the short title returns.
        QTest::mouseClick(ow.screen->benefitsButton(), Qt::LeftButton);
        QTRY_VERIFY(qobject_cast<BenefitsViewController*>(ow.nav->topViewController()));
        QTRY_VERIFY(!ow.screen->isAppeared());
        QVERIFY(
            ow.nav->navigationBar()->backButton()->title().endsWith(text("ov_benefits_received")));
        QVERIFY(ow.nav->popViewController(false));
        QTRY_VERIFY(ow.screen->isAppeared());
        QTRY_COMPARE(ow.screen->navigationItem().backButtonTitle(), text("ov_back"));
        // A detail page (row 2 is a house campaign with one) and the inquiry form, there and back.
        ow.screen->onClick(2);
        QTRY_VERIFY(qobject_cast<DetailViewController*>(ow.nav->topViewController()));
        QVERIFY(ow.nav->popViewController(false));
        QTest::mouseClick(ow.nav->findChild<QWidget*>(u"b_inquiry"_s), Qt::LeftButton);
        QTRY_VERIFY(qobject_cast<RequestViewController*>(ow.nav->topViewController()));
        QVERIFY(ow.nav->popViewController(false));
        QCOMPARE(shown.size(), 1);
    }
    QCOMPARE(closed.size(), 0);

    QPointer<NavigationController> nav(ow.nav);
    switch (closing) {
    case Closing::CloseControl:
        QVERIFY(ow.screen->closeButton()->isVisible());
        QTest::mouseClick(ow.screen->closeButton(), Qt::LeftButton);
        break;
    case Closing::NoCampaignDialog:
        // The summary popup waits behind the dialog; confirming closes the offerwall and drops it.
        QTRY_VERIFY(AlertController::visibleAlert());
        QCOMPARE(AlertController::visibleAlert()->title(), text("ov_alarm"));
        QCOMPARE(AlertController::visibleAlert()->message(), text("ov_not_ads"));
        QTRY_COMPARE(ow.screen->pendingPresentationCount(), 1);
        QTest::mouseClick(AlertController::visibleAlert()->actionButton(text("ov_confirm")),
                          Qt::LeftButton);
        break;
    case Closing::HostClosesOfferwall:
        Orvane::shared().closeOfferwall();
        QVERIFY(!ow.host.presentedViewController()); // at once
        Orvane::shared().closeOfferwall();           // none shown: nothing happens
        break;
    default: // the host dismisses it
        ow.host.dismiss(false);
        break;
    }
    QTRY_VERIFY(!ow.host.presentedViewController());
    QTRY_VERIFY(!nav);
    QCOMPARE(closed.size(), 1); // once, and not again when the closed offerwall is deleted
    QCOMPARE(closeRequested.size(), 0);
    QCOMPARE(shown.size(), 1);
    // No screen outlives its offerwall: the list, the history, a queued popup and its dialog.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    for (QWidget* widget : QApplication::allWidgets())
        QVERIFY(widget == &ow.host || !qobject_cast<ViewController*>(widget));
}

QTEST_MAIN(TstE2e)
#include "tst_e2e.moc"
