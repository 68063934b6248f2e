// One campaign the whole road from list to reward, against orvane-sandbox, the way a user walks
// it: the offerwall lists it, a tap joins, the landing page opens (the test opener visits it over
// HTTP), the state is polled until the server confirms, the reward is collected (reward type 1)
// or credited by the server (reward type 2), the completion alert is confirmed, the list reloads,
// and the benefits history shows the reward.

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QtTest>

#include "core/CampListModel.h"
#include "core/Localized.h"
#include "orvane/Orvane.h"
#include "participation/ApiJoin.h"
#include "screens/benefits/BenefitsViewController.h"
#include "screens/offerwall/CampTableViewCell.h"
#include "screens/offerwall/OrvaneViewController.h"
#include "support/Fakes.h"
#include "support/GuiTest.h"
#include "ui/AlertController.h"
#include "ui/Button.h"
#include "ui/NavigationController.h"

using namespace orvane;
using test::text;

class TstE2e : public test::GuiTest {
    Q_OBJECT
private Q_SLOTS:
    void rewardType1Accumulate() { walk(1, 110); }
    void rewardType2Automatic() { walk(2, 105); }

private:
    void walk(int rewardType, qint64 campid);
};

void TstE2e::walk(int rewardType, qint64 campid) {
    server().setCompletionDelay(300);
    server().setRewardType(rewardType);
    Orvane::shared().setBenefitsType(Orvane::TYPE_BENEFITS_DISPLAY_LIST_TOP);

    // The machine has no browser and no consent prompt: the opener visits the page itself.
    test::FakeConsent& consent = test::FakeConsent::install();
    test::FakeUrlOpener& opener = test::FakeUrlOpener::install();
    QNetworkAccessManager browser;
    int visits = 0;
    opener.onOpen = [&](const QUrl& url) {
        QNetworkReply* reply = browser.get(QNetworkRequest(url));
        connect(reply, &QNetworkReply::finished, reply, [&visits, reply] {
            if (reply->error() == QNetworkReply::NoError)
                ++visits;
            reply->deleteLater();
        });
    };

    // 1. The host presents the offerwall; the list arrives.
    ViewController host;
    host.show();
    QVERIFY(QTest::qWaitForWindowExposed(&host));
    Orvane::shared().presentOrvane(&host);
    auto* nav = qobject_cast<NavigationController*>(host.presentedViewController());
    auto* screen = nav ? qobject_cast<OrvaneViewController*>(nav->rootViewController()) : nullptr;
    QVERIFY(screen);
    QTRY_VERIFY(!screen->model().selectedAllCampList().isEmpty());
    const CampRows rows = screen->model().selectedAllCampList();
    int row = -1;
    for (int i = 0; i < rows.size(); ++i)
        row = rows.at(i).campid == campid ? i : row;
    QVERIFY(row >= 0);
    QCOMPARE(rows.at(row).rewardtype, std::optional<qint64>(rewardType));
    QTRY_COMPARE(ApiJoin::shared().viewController(), screen);

    // 2. A tap on its row joins: consent, join, landing page opened and visited.
    screen->tv_camp->scrollToRow(row);
    auto* cell = qobject_cast<CampTableViewCell*>(screen->tv_camp->cellForRow(row));
    QVERIFY(cell);
    QCOMPARE(cell->camp()->campid, std::optional<qint64>(campid));
    QTest::mouseClick(cell, Qt::LeftButton, {}, QPoint(cell->width() / 2, 12));
    QTRY_COMPARE(requests(QStringLiteral("/v1/join")), 1);
    QCOMPARE(consent.requests, 1);
    QTRY_COMPARE(opener.opened.size(), 1);
    QVERIFY(opener.opened.first().path().startsWith(QStringLiteral("/landing/%1").arg(campid)));
    QTRY_COMPARE(visits, 1);

    // 3. Polling until the server confirms the participation.
    QTRY_VERIFY_WITH_TIMEOUT(requests(QStringLiteral("/v1/state")) >= 1, 5000);
    const int listLoads = requests(QStringLiteral("/v1/req"));
    if (rewardType == 1) {
        // The row offers the reward; a tap on it collects with the key of the state reply.
        QTRY_COMPARE_WITH_TIMEOUT(cell->action(), CampTableViewCell::Action::accumulate, 8000);
        QCOMPARE(cell->camp()->campid, std::optional<qint64>(campid));
        QVERIFY(cell->orvkey().has_value());
        QVERIFY(!ApiJoin::shared().isPolling());
        QTest::mouseClick(cell, Qt::LeftButton, {}, QPoint(cell->width() / 2, 12));
        QTRY_COMPARE(requests(QStringLiteral("/v1/reward")), 1);
        const auto claim = server().requestsTo("/v1/reward").first();
        QCOMPARE(claim.queryValue("campid"), std::optional<QString>(QString::number(campid)));
        QCOMPARE(claim.queryValue("orvkey"), cell->orvkey());
        QCOMPARE(cell->orvkey(), server().stateReplyKey(sandbox().userId(), campid));
    }

    // 4. The completion alert over the offerwall; confirming it reloads the list.
    QTRY_VERIFY_WITH_TIMEOUT(AlertController::visibleAlert(), 8000);
    AlertController* alert = AlertController::visibleAlert();
    QCOMPARE(alert->message(), text("ov_participation_complete"));
    QCOMPARE(alert->presentingViewController(), screen);
    QCOMPARE(requests(QStringLiteral("/v1/req")), listLoads); // nothing before the user confirms
    QTest::mouseClick(alert->actionButton(text("ov_confirm")), Qt::LeftButton);
    QTRY_COMPARE(requests(QStringLiteral("/v1/req")), listLoads + 1);
    if (rewardType == 2)
        QCOMPARE(requests(QStringLiteral("/v1/reward")), 0); // the server credited it by itself

    // 5. The benefits history lists the reward.
    QTest::mouseClick(screen->benefitsButton(), Qt::LeftButton);
    auto* benefits = qobject_cast<BenefitsViewController*>(nav->topViewController());
    QVERIFY(benefits);
    QTRY_VERIFY(!benefits->reward().isEmpty());
    QCOMPARE(benefits->reward().first().campid, std::optional<qint64>(campid));
    QCOMPARE(benefits->reward().first().rewarddate,
             std::optional<QString>(QDate::currentDate().toString(QStringLiteral("yyyyMMdd"))));
}

QTEST_MAIN(TstE2e)
#include "tst_e2e.moc"
