// What the host hears from Orvane::shared() while a user walks the offerwall against
// orvane-sandbox: one reward confirmation per reward, none for a refused join, a failed claim or
// a repeated state reply, and the offerwall's shown / closed pair however it closes.

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QtTest>

#include "core/Localized.h"
#include "core/Log.h"
#include "orvane/Orvane.h"
#include "participation/ApiJoin.h"
#include "participation/PollTimer.h"
#include "screens/offerwall/CampTableViewCell.h"
#include "screens/offerwall/OrvaneViewController.h"
#include "support/Fakes.h"
#include "support/SandboxFixture.h"
#include "support/TestSupport.h"
#include "ui/AlertController.h"
#include "ui/Button.h"
#include "ui/NavigationController.h"

using namespace orvane;
using test::text;

namespace {

enum class Outcome { Claimed, Credited, JoinRefused, ClaimFailed, RepeatedStateReply };
enum class Closing { CloseControl, NoCampaignDialog, HostDismisses, EscapeKey, WindowClosed };

// The offerwall presented over a host screen, with the fake browser visiting landing pages.
struct Wall {
    ViewController host;
    OrvaneViewController* screen = nullptr;
    QNetworkAccessManager browser;
    int visits = 0;

    bool open() {
        Orvane::shared().setBenefitsType(Orvane::TYPE_BENEFITS_DISPLAY_LIST_TOP); // no popup
        test::FakeConsent::install();
        test::FakeUrlOpener& opener = test::FakeUrlOpener::install();
        opener.onOpen = [this](const QUrl& url) {
            QNetworkReply* reply = browser.get(QNetworkRequest(url));
            QObject::connect(reply, &QNetworkReply::finished, reply, [this, reply] {
                visits += reply->error() == QNetworkReply::NoError;
                reply->deleteLater();
            });
        };
        host.show();
        if (!QTest::qWaitForWindowExposed(&host))
            return false;
        Orvane::shared().presentOrvane(&host);
        auto* nav = qobject_cast<NavigationController*>(host.presentedViewController());
        screen = nav ? qobject_cast<OrvaneViewController*>(nav->rootViewController()) : nullptr;
        return screen;
    }

    // The row of `campid`, scrolled into view; null until the list holds it.
    CampTableViewCell* row(qint64 campid) {
        const CampRows rows = screen->model().selectedAllCampList();
        for (int i = 0; i < rows.size(); ++i) {
            if (rows.at(i).campid == campid) {
                screen->tv_camp->scrollToRow(i);
                return qobject_cast<CampTableViewCell*>(screen->tv_camp->cellForRow(i));
            }
        }
        return nullptr;
    }
};

void tap(QWidget* row) {
    QTest::mouseClick(row, Qt::LeftButton, {}, QPoint(row->width() / 2, 12));
}

} // namespace

class TstHostSignals : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() {
        Log::setDisplayLog(true);
        setLocalizationLanguage(QStringLiteral("en"));
    }
    void init() { ApiJoin::shared().resetForTesting(); }
    void cleanup() {
        ApiJoin::shared().resetForTesting();
        test::restoreDefaultServices();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    void rewardConfirmedOncePerReward_data();
    void rewardConfirmedOncePerReward();
    void shownAndClosedPaired_data();
    void shownAndClosedPaired();
};

void TstHostSignals::rewardConfirmedOncePerReward_data() {
    QTest::addColumn<Outcome>("outcome");
    QTest::addColumn<qint64>("campid");
    QTest::newRow("type 1, claimed") << Outcome::Claimed << qint64(110);
    QTest::newRow("type 2, credited by the server") << Outcome::Credited << qint64(105);
    QTest::newRow("join refused") << Outcome::JoinRefused << qint64(110);
    QTest::newRow("claim failed") << Outcome::ClaimFailed << qint64(110);
    QTest::newRow("state reply repeated") << Outcome::RepeatedStateReply << qint64(105);
}

void TstHostSignals::rewardConfirmedOncePerReward() {
    QFETCH(Outcome, outcome);
    QFETCH(qint64, campid);
    const bool credited = outcome == Outcome::Credited || outcome == Outcome::RepeatedStateReply;
    sandbox::Options options;
    options.completionDelayMs = 200;
    options.rewardType = credited ? 2 : 1;
    test::SandboxFixture sandbox(options);
    QVERIFY2(sandbox.ok(), qPrintable(sandbox.errorString()));
    if (outcome == Outcome::JoinRefused)
        sandbox.server().setFault(QStringLiteral("/v1/join"), sandbox::Fault::resultCode(403));
    ManualPollTimer* timer = nullptr; // owned by the kit once handed over
    if (outcome == Outcome::RepeatedStateReply) {
        timer = new ManualPollTimer;
        // Every state reply confirms, late: two polls' requests are out before either answers.
        sandbox::Fault late = sandbox::Fault::delay(800);
        late.patch = QJsonObject{{QStringLiteral("state"), 3}};
        sandbox.server().setFault(QStringLiteral("/v1/state"), late);
        ApiJoin::shared().setPollTimer(std::unique_ptr<PollTimer>(timer));
    }

    QSignalSpy started(&Orvane::shared(), &Orvane::participationStarted);
    QSignalSpy rewarded(&Orvane::shared(), &Orvane::rewardConfirmed);
    Wall wall;
    QVERIFY(wall.open());
    QTRY_VERIFY(wall.row(campid));
    QTRY_COMPARE(ApiJoin::shared().viewController(), wall.screen);
    CampTableViewCell* row = wall.row(campid);
    const Camp camp = *row->camp();
    tap(row);

    if (outcome == Outcome::JoinRefused) {
        QTRY_VERIFY(AlertController::visibleAlert());
        QCOMPARE(AlertController::visibleAlert()->message(), text("ov_403"));
        QVERIFY(sandbox.settle());
        QCOMPARE(started.size(), 0);
        QCOMPARE(rewarded.size(), 0);
        return;
    }
    QTRY_COMPARE(started.size(), 1);
    QCOMPARE(started.first().first().toLongLong(), campid);
    QTRY_COMPARE(wall.visits, 1);

    if (outcome == Outcome::RepeatedStateReply) {
        QTRY_COMPARE(sandbox.server().requestsTo(QStringLiteral("/v1/state")).size(), 1);
        QVERIFY(timer->fire()); // a second request while the first is held by the server
        QTRY_COMPARE_WITH_TIMEOUT(rewarded.size(), 1, 5000);
        QTRY_COMPARE(sandbox.server().requestsTo(QStringLiteral("/v1/state")).size(), 2);
        QVERIFY(sandbox.settle());
        QTRY_VERIFY(AlertController::visibleAlert()); // one alert, none queued behind it
        QCOMPARE(wall.screen->pendingPresentationCount(), 0);
    } else if (!credited) {
        QTRY_COMPARE_WITH_TIMEOUT(row->action(), CampTableViewCell::Action::accumulate, 8000);
        QCOMPARE(rewarded.size(), 0); // offered, not yet claimed
        if (outcome == Outcome::ClaimFailed)
            sandbox.server().setFault(QStringLiteral("/v1/reward"),
                                      sandbox::Fault::resultCode(500));
        tap(wall.row(campid));
        QTRY_VERIFY(AlertController::visibleAlert());
        if (outcome == Outcome::ClaimFailed) {
            QCOMPARE(AlertController::visibleAlert()->message(), text("ov_try_again"));
            QCOMPARE(rewarded.size(), 0);
            return;
        }
    }

    QTRY_COMPARE_WITH_TIMEOUT(rewarded.size(), 1, 8000);
    const QList<QVariant> reward = rewarded.first();
    QCOMPARE(reward.at(0).toLongLong(), campid);
    QCOMPARE(reward.at(1).toString(), camp.name.value());
    QCOMPARE(reward.at(2).toDouble(), camp.rewardprice.value());
    QCOMPARE(reward.at(3).toString(), camp.pricemark.value());
    // Confirming the completion alert reloads the list; nothing is reported again.
    QTRY_VERIFY(AlertController::visibleAlert());
    QCOMPARE(AlertController::visibleAlert()->message(), text("ov_participation_complete"));
    AlertController::visibleAlert()->tapAction(text("ov_confirm"));
    QVERIFY(sandbox.settle());
    QCOMPARE(rewarded.size(), 1);
    QCOMPARE(started.size(), 1);
}

void TstHostSignals::shownAndClosedPaired_data() {
    QTest::addColumn<Closing>("closing");
    QTest::newRow("close control") << Closing::CloseControl;
    QTest::newRow("no-campaign dialog") << Closing::NoCampaignDialog;
    QTest::newRow("host dismisses") << Closing::HostDismisses;
    QTest::newRow("escape key") << Closing::EscapeKey;
    QTest::newRow("own window closed") << Closing::WindowClosed;
}

void TstHostSignals::shownAndClosedPaired() {
    QFETCH(Closing, closing);
    test::SandboxFixture sandbox;
    QVERIFY2(sandbox.ok(), qPrintable(sandbox.errorString()));
    if (closing == Closing::NoCampaignDialog)
        QVERIFY(sandbox.server().setCatalogue(
            QJsonObject{{"camp", QJsonArray{}}, {"housemd", QJsonArray{}}}));
    QSignalSpy shown(&Orvane::shared(), &Orvane::offerwallShown);
    QSignalSpy closed(&Orvane::shared(), &Orvane::offerwallClosed);

    Wall wall;
    if (closing == Closing::WindowClosed) {
        // A host widget outside any controller: the offerwall is a window of its own.
        QWidget hostWidget;
        hostWidget.show();
        Orvane::shared().presentOrvane(&hostWidget);
        auto* own = hostWidget.findChild<NavigationController*>();
        QVERIFY(own && own->isWindow());
        QTRY_COMPARE(shown.size(), 1);
        own->close();
        QTRY_COMPARE(closed.size(), 1);
        QCOMPARE(shown.size(), 1);
        return;
    }

    QVERIFY(wall.open());
    QTRY_COMPARE(shown.size(), 1);
    if (closing != Closing::NoCampaignDialog) {
        // A screen pushed above and popped again is still the same presentation.
        wall.screen->clickBenefits();
        QTRY_VERIFY(!wall.screen->isAppeared());
        wall.screen->navigationController()->popViewController(false);
        QTRY_VERIFY(wall.screen->isAppeared());
        QCOMPARE(shown.size(), 1);
    }
    QCOMPARE(closed.size(), 0);

    switch (closing) {
    case Closing::CloseControl:
        QTest::mouseClick(wall.screen->closeButton(), Qt::LeftButton);
        break;
    case Closing::NoCampaignDialog:
        QTRY_VERIFY(AlertController::visibleAlert());
        AlertController::visibleAlert()->tapAction(text("ov_confirm"));
        break;
    case Closing::HostDismisses:
        wall.host.dismiss(false);
        break;
    case Closing::EscapeKey:
        QTest::keyClick(wall.screen, Qt::Key_Escape);
        break;
    default:
        break;
    }
    QTRY_VERIFY(!wall.host.presentedViewController());
    QTRY_COMPARE(closed.size(), 1);
    QCOMPARE(shown.size(), 1);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCOMPARE(closed.size(), 1); // not again when the closed offerwall is deleted
}

QTEST_MAIN(TstHostSignals)
#include "tst_hostsignals.moc"
