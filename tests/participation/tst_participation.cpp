#include <memory>

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QtTest>

#include "core/Localized.h"
#include "core/NotificationCenter.h"
#include "core/SettingsKeys.h"
#include "core/UserDefaults.h"
#include "participation/ApiJoin.h"
#include "support/CampTestUtil.h"
#include "support/Fakes.h"
#include "support/GuiTest.h"
#include "ui/AlertController.h"

using namespace orvane;
using test::text;
using Accumulations = QList<QPair<qint64, QString>>;

Q_DECLARE_METATYPE(orvane::sandbox::Fault)

namespace {

class Listener final : public QObject, public JoinProtocol {
public:
    void onParticipationCheckPossible() override { ++checks; }
    void onAccumulationPossible(qint64 campid, const QString& orvkey) override {
        accumulations.append({campid, orvkey});
    }
    int checks = 0;
    Accumulations accumulations;
};

// A reply handled normally, then with `fields` overwritten.
sandbox::Fault patched(const QJsonObject& fields) {
    sandbox::Fault fault;
    fault.patch = fields;
    return fault;
}

sandbox::Fault confirmedState(const QString& key, int delayMs = 0) {
    sandbox::Fault fault = patched({{QStringLiteral("state"), 3}, {QStringLiteral("orvkey"), key}});
    fault.delayMs = delayMs;
    return fault;
}

} // namespace

class TstParticipation : public test::GuiTest {
    Q_OBJECT

private Q_SLOTS:
    void joinRefusals_data();
    void joinRefusals();
    void consentGate_data();
    void consentGate();
    void landingJoinWaitsForTheCheck();
    void joinReplyAddressesAndKeys();
    void fivePollsThenSilenceAndJoinsRefused();
    void stateThreeByRewardType_data();
    void stateThreeByRewardType();
    void pollEndings_data();
    void pollEndings();
    void appParticipationAndItsFailures();
    void claimFailures();
    void lateReplyOfAReplacedPollIsIgnored();
    void lateConfirmedReplyDeliversItsOwnOutcome_data();
    void lateConfirmedReplyDeliversItsOwnOutcome();
    void goneListenerAndScreenAreSkipped();

private:
    void initTest() override;
    void cleanupTest() override;
    Camp campaign(qint64 campid, qint64 rewardtype = 1) {
        Camp camp = test::sandboxCamp(server(), campid);
        camp.rewardtype = rewardtype;
        return camp;
    }
    // The error alert with `message` comes up; taps its `action`.
    bool answerAlert(const QString& message, const char* action = "ov_confirm");
    // Fires the poll timer until `done` holds or the poll ends.
    bool pollUntil(const std::function<bool()>& done);

    const QStringList m_refreshed{kActionListChange, kActionDetailFinish};
    std::unique_ptr<ViewController> m_screen;
    std::unique_ptr<QObject> m_observer;
    QNetworkAccessManager m_browser;
    int m_visits = 0; // landing pages being visited
    ManualPollTimer* m_timer = nullptr;
    test::FakeConsent* m_consent = nullptr;
    test::FakeUrlOpener* m_opener = nullptr;
    QStringList m_posted;
};

void TstParticipation::initTest() {
    server().setCompletionDelay(0);
    ApiJoin& join = ApiJoin::shared();
    auto timer = std::make_unique<ManualPollTimer>();
    m_timer = timer.get();
    join.setPollTimer(std::move(timer));

    m_consent = &test::FakeConsent::install();
    m_opener = &test::FakeUrlOpener::install();
    // "Visits" landing pages the way a browser would.
    m_opener->onOpen = [this](const QUrl& url) {
        if (url.path().startsWith(QLatin1String("/landing/"))) {
            ++m_visits;
            QNetworkReply* reply = m_browser.get(QNetworkRequest(url));
            connect(reply, &QNetworkReply::finished, this, [this, reply] {
                --m_visits;
                reply->deleteLater();
            });
        }
    };

    m_screen = std::make_unique<ViewController>();
    m_screen->resize(390, 844);
    m_screen->show();
    join.setViewController(m_screen.get());

    m_posted.clear();
    m_visits = 0;
    m_observer = std::make_unique<QObject>();
    for (const QString& name : m_refreshed) {
        NotificationCenter::defaultCenter().addObserver(name, m_observer.get(),
                                                        [this, name] { m_posted << name; });
    }
}

void TstParticipation::cleanupTest() {
    ApiJoin::shared().resetForTesting();
    m_screen.reset();
    m_observer.reset();
}

bool TstParticipation::answerAlert(const QString& message, const char* action) {
    if (!QTest::qWaitFor([] { return AlertController::visibleAlert() != nullptr; }, 10000)) {
        return false;
    }
    AlertController* alert = AlertController::visibleAlert();
    if (alert->title() != text("ov_alarm") || alert->message() != message) {
        qWarning() << "unexpected alert" << alert->title() << alert->message();
        return false;
    }
    return alert->tapAction(text(action));
}

bool TstParticipation::pollUntil(const std::function<bool()>& done) {
    // Each tick only once the previous one's reply and any page visit have been handled.
    const auto quiet = [this] {
        return settled() && QTest::qWaitFor([this] { return m_visits == 0; });
    };
    while (quiet() && !done()) {
        if (!m_timer->fire()) {
            return false;
        }
    }
    return done();
}

void TstParticipation::joinRefusals_data() {
    QTest::addColumn<int>("result"); // -1: the reply carries no result
    QTest::addColumn<QString>("key");
    QTest::addColumn<bool>("refreshes");
    for (int code : {401, 407, 410, 500, 501, 502, 402, 403, 406, 411, 503, 900}) {
        QTest::addRow("%d", code) << code << QStringLiteral("ov_%1").arg(code)
                                  << QList<int>{401, 407, 410, 500, 501, 502}.contains(code);
    }
    QTest::newRow("other code") << 404 << "ov_not_participation_campaign" << false;
    QTest::newRow("no result") << -1 << "ov_not_participation_campaign" << false;
}

void TstParticipation::joinRefusals() {
    QFETCH(int, result);
    QFETCH(QString, key);
    QFETCH(bool, refreshes);
    server().setFault(QStringLiteral("/v1/join"),
                      result < 0 ? patched({{QStringLiteral("result"), QJsonValue::Null}})
                                 : sandbox::Fault::resultCode(result));
    Listener listener;
    ApiJoin::shared().startJoin(campaign(104), &listener);

    QTRY_VERIFY(AlertController::visibleAlert());
    QCOMPARE(AlertController::visibleAlert()->actions().size(), 1);
    QVERIFY(m_posted.isEmpty());
    QVERIFY(answerAlert(localized(key)));
    QCOMPARE(m_posted, refreshes ? m_refreshed : QStringList{});
    QVERIFY(m_opener->opened.isEmpty());
    QVERIFY(ApiJoin::shared().getPartiConfirmList().isEmpty());
    QCOMPARE(listener.checks, 0);
    QVERIFY(log().contains(
        QStringLiteral("ApiJoin apiJoin Error : ") +
        (result < 0 ? QStringLiteral("nil") : QStringLiteral("Optional(%1)").arg(result))));
}

void TstParticipation::consentGate_data() {
    QTest::addColumn<bool>("usage");
    QTest::addColumn<int>("status");
    QTest::addColumn<bool>("joins");
    QTest::newRow("not determined") << true << 0 << false;
    QTest::newRow("restricted") << true << 1 << false;
    QTest::newRow("denied") << true << 2 << false;
    QTest::newRow("authorized") << true << 3 << true;
    QTest::newRow("gate off") << false << 2 << true;
}

void TstParticipation::consentGate() {
    QFETCH(bool, usage);
    QFETCH(int, status);
    QFETCH(bool, joins);
    UserDefaults::standard().set(keys::kTrackingUsage, usage);
    m_consent->status = status;
    ApiJoin::shared().startJoin(campaign(104));

    if (joins) {
        QTRY_COMPARE(ApiJoin::shared().getPartiConfirmList(), QList<qint64>{104});
        QCOMPARE(m_consent->requests, usage ? 1 : 0);
        return;
    }
    QTRY_VERIFY(AlertController::visibleAlert());
    const QList<AlertAction> actions = AlertController::visibleAlert()->actions();
    QCOMPARE(actions.size(), 2);
    QCOMPARE(actions.at(0).title(), text("ov_cancel"));
    QCOMPARE(actions.at(1).title(), text("ov_confirm"));
    QVERIFY(answerAlert(text("ov_allow_tracking")));
    QCOMPARE(m_consent->settingsOpenings, 1);
    QCOMPARE(requests("/v1/join"), 0);
}

void TstParticipation::landingJoinWaitsForTheCheck() {
    m_opener->onOpen = nullptr;
    Listener listener;
    ApiJoin& join = ApiJoin::shared();
    join.startJoin(campaign(104), &listener);
    QTRY_COMPARE(listener.checks, 1);
    QCOMPARE(m_opener->opened.size(), 1);
    QVERIFY(m_opener->opened.first().path().startsWith(QLatin1String("/landing/104")));
    QVERIFY(!join.isPolling());

    // Joining again records the campaign again (the page was not visited: the participation is
    // not complete, so the server answers as before).
    join.startJoin(campaign(104), &listener);
    QTRY_COMPARE(listener.checks, 2);
    QCOMPARE(join.getPartiConfirmList(), (QList<qint64>{104, 104}));
    QVERIFY(settled() && !AlertController::visibleAlert());
}

void TstParticipation::joinReplyAddressesAndKeys() {
    const QString lurl = QStringLiteral("lurl");
    server().setFault(QStringLiteral("/v1/join"),
                      patched({{lurl, QStringLiteral("http://127.0.0.1:9/a b/ü?q=1#x")}}));
    ApiJoin::shared().startJoin(campaign(104));
    QTRY_COMPARE(m_opener->opened.size(), 1);
    QCOMPARE(m_opener->opened.first().toEncoded(),
             QByteArray("http://127.0.0.1:9/a%20b/%C3%BC?q=1%23x"));

    // Still no address after encoding: nothing is opened, the flow goes on.
    server().setFault(QStringLiteral("/v1/join"),
                      patched({{lurl, QStringLiteral("http://[::1/x")}}));
    ApiJoin::shared().startJoin(campaign(104));
    QTRY_COMPARE(ApiJoin::shared().getPartiConfirmList().size(), 2);
    QCOMPARE(m_opener->opened.size(), 1);
    QVERIFY(log().contains(QStringLiteral("cannot open the landing page")));

    // A reply with both a key and a landing page: the key is claimed, the page not opened.
    server().setFault(QStringLiteral("/v1/join"),
                      patched({{lurl, server().landingUrl(107, sandbox().userId())}}));
    ApiJoin::shared().startJoin(campaign(107));
    QVERIFY(answerAlert(text("ov_participation_complete")));
    QCOMPARE(requests("/v1/reward"), 1);
    QCOMPARE(m_opener->opened.size(), 1);
    QCOMPARE(m_posted, m_refreshed);
}

void TstParticipation::fivePollsThenSilenceAndJoinsRefused() {
    m_opener->onOpen = nullptr; // the page is never visited: the state stays below 3
    Listener first;
    ApiJoin& join = ApiJoin::shared();
    join.startJoin(campaign(103), &first);
    QTRY_COMPARE(requests("/v1/state"), 1); // the first request goes out at once
    QVERIFY(join.isPolling());
    QVERIFY(join.getPartiConfirmList().isEmpty());

    // A join while polling is refused: nothing is sent, the listener stays.
    Listener second;
    join.startJoin(campaign(104), &second);
    QVERIFY(answerAlert(text("ov_participation_waiting")));
    QCOMPARE(requests("/v1/join"), 1);
    QCOMPARE(join.joinProtocol(), static_cast<JoinProtocol*>(&first));

    for (int sent = 2; sent <= 5; ++sent) {
        QVERIFY(m_timer->fire());
        QTRY_COMPARE(requests("/v1/state"), sent);
    }
    QVERIFY(m_timer->fire()); // the sixth tick stops the poll
    QVERIFY(!join.isPolling());
    QVERIFY(!m_timer->fire());
    QVERIFY(settled() && !AlertController::visibleAlert());
    QCOMPARE(requests("/v1/state"), 5);
    QCOMPARE(first.checks, 0);
    QVERIFY(first.accumulations.isEmpty());
}

void TstParticipation::stateThreeByRewardType_data() {
    QTest::addColumn<qint64>("campid");
    QTest::addColumn<int>("rewardtype");
    QTest::newRow("bm 2, user collects") << qint64(103) << 1;
    QTest::newRow("bm 2, server credits") << qint64(103) << 2;
    QTest::newRow("bm 3, user collects") << qint64(105) << 1;
    QTest::newRow("bm 3, server credits") << qint64(105) << 2;
}

void TstParticipation::stateThreeByRewardType() {
    QFETCH(qint64, campid);
    QFETCH(int, rewardtype);
    server().setRewardType(rewardtype);
    Listener listener;
    ApiJoin& join = ApiJoin::shared();
    join.startJoin(campaign(campid, rewardtype), &listener);
    QTRY_COMPARE(requests("/v1/state"), 1); // the poll has started
    QVERIFY(pollUntil([&] { return !join.isPolling(); }));

    if (rewardtype == 1) {
        // The key of the state reply, which differs from the one the list and the join carry.
        const std::optional<QString> stateKey = server().stateReplyKey(sandbox().userId(), campid);
        QVERIFY(stateKey && !stateKey->isEmpty());
        QCOMPARE(listener.accumulations, (Accumulations{{campid, *stateKey}}));
        QVERIFY(settled() && !AlertController::visibleAlert());
        join.apiReward(campid, *stateKey); // the key claims the reward
    }
    QTRY_VERIFY(AlertController::visibleAlert());
    QVERIFY(m_posted.isEmpty());
    QVERIFY(answerAlert(text("ov_participation_complete")));
    QCOMPARE(m_posted, m_refreshed);
    QCOMPARE(listener.accumulations.size(), rewardtype == 1 ? 1 : 0);
}

void TstParticipation::pollEndings_data() {
    QTest::addColumn<sandbox::Fault>("fault"); // on the first state request only
    QTest::addColumn<bool>("keepsPolling");
    QTest::addColumn<QString>("logged");
    QTest::newRow("HTTP error status") << sandbox::Fault::status(503) << true << QString();
    QTest::newRow("undecodable body")
        << sandbox::Fault::withBody(sandbox::Fault::Body::Malformed) << true << QString();
    QTest::newRow("result other than 200")
        << sandbox::Fault::resultCode(500) << false << "ApiJoin getReward Error : Optional(500)";
    QTest::newRow("state 3 at once")
        << confirmedState(QStringLiteral("first-key")) << false << QString();
}

// How the first state reply of a poll decides whether it goes on.
void TstParticipation::pollEndings() {
    QFETCH(sandbox::Fault, fault);
    QFETCH(bool, keepsPolling);
    QFETCH(QString, logged);
    server().setFault(QStringLiteral("/v1/state"), fault.times(1));
    Listener listener;
    ApiJoin& join = ApiJoin::shared();
    join.startJoin(campaign(103), &listener);
    QTRY_COMPARE(requests("/v1/state"), 1);

    if (keepsPolling) {
        // The next ticks ask again, until the participation is confirmed.
        QVERIFY(pollUntil([&] { return !listener.accumulations.isEmpty(); }));
        QVERIFY(requests("/v1/state") >= 2);
        QCOMPARE(listener.accumulations.first().first, 103);
        return;
    }
    QTRY_VERIFY(!join.isPolling());
    QVERIFY(!m_timer->fire());
    QCOMPARE(requests("/v1/state"), 1);
    QVERIFY(logged.isEmpty() || log().contains(logged));
    QCOMPARE(
        listener.accumulations,
        (logged.isEmpty() ? Accumulations{{103, QStringLiteral("first-key")}} : Accumulations{}));
}

void TstParticipation::appParticipationAndItsFailures() {
    Listener listener;
    ApiJoin& join = ApiJoin::shared();
    const Camp app = campaign(101);
    join.startJoin(app, &listener);
    QTRY_COMPARE(listener.checks, 1);
    join.startJoin(app, &listener);
    QTRY_COMPARE(listener.checks, 2);
    QCOMPARE(join.getPartiConfirmList(), (QList<qint64>{101, 101}));
    const int opened = m_opener->opened.size();

    // Cancelled: nothing more happens.
    join.flowParticipation(app);
    QVERIFY(answerAlert(text("ov_start_app"), "ov_cancel"));
    QVERIFY(settled() && !AlertController::visibleAlert());
    QCOMPARE(m_opener->opened.size(), opened);

    // The app is not installed: no install report, no poll.
    m_opener->result = false;
    join.flowParticipation(app);
    QVERIFY(answerAlert(text("ov_start_app")));
    QVERIFY(answerAlert(text("ov_not_installed")));
    QCOMPARE(requests("/v1/inst"), 0);
    QVERIFY(!join.isPolling());
    m_opener->result = true;

    // Refusals of the execute report.
    server().setFault(QStringLiteral("/v1/exec"), sandbox::Fault::resultCode(501));
    join.flowParticipation(app);
    QVERIFY(answerAlert(text("ov_already_participation_campaign")));
    QCOMPARE(m_posted, m_refreshed);
    server().setFault(QStringLiteral("/v1/exec"), sandbox::Fault::resultCode(500));
    join.flowParticipation(app);
    QVERIFY(answerAlert(text("ov_not_participation_campaign")));
    QCOMPARE(m_posted.size(), 2);

    // Started: the install is reported and the poll confirms the participation.
    server().clearFault(QStringLiteral("/v1/exec"));
    join.flowParticipation(app);
    QTRY_VERIFY(AlertController::visibleAlert());
    QCOMPARE(AlertController::visibleAlert()->actions().at(0).title(), text("ov_cancel"));
    QVERIFY(answerAlert(text("ov_start_app")));
    QTRY_COMPARE(requests("/v1/inst"), 1);
    QCOMPARE(m_opener->opened.last(), QUrl(app.package.value()));
    QVERIFY(pollUntil([&] { return !listener.accumulations.isEmpty(); }));
    QCOMPARE(listener.accumulations.first().first, 101);
    QCOMPARE(join.getPartiConfirmList(), QList<qint64>{101}); // one occurrence removed
    QVERIFY(!join.isPolling());
}

void TstParticipation::claimFailures() {
    ApiJoin& join = ApiJoin::shared();
    join.apiReward(101, QStringLiteral("not-the-key"));
    QVERIFY(answerAlert(text("ov_try_again")));
    QVERIFY(m_posted.isEmpty());

    // Transport failure and an undecodable body: silent.
    server().setFault(QStringLiteral("/v1/reward"),
                      sandbox::Fault::withBody(sandbox::Fault::Body::Drop));
    join.apiReward(101, QStringLiteral("key"));
    QTRY_VERIFY(requests("/v1/reward") >= 2);
    QVERIFY(settled() && !AlertController::visibleAlert());
    server().setFault(QStringLiteral("/v1/reward"),
                      sandbox::Fault::withBody(sandbox::Fault::Body::Malformed));
    log().clear();
    join.apiReward(101, QStringLiteral("key"));
    QTRY_VERIFY(log().lines().join(QLatin1Char('\n')).contains(QStringLiteral("ERROR")));
    QVERIFY(settled() && !AlertController::visibleAlert());
}

void TstParticipation::lateReplyOfAReplacedPollIsIgnored() {
    ApiJoin& join = ApiJoin::shared();
    const Camp app = campaign(101);
    join.startJoin(app);
    QTRY_COMPARE(join.getPartiConfirmList().size(), 1);

    // Poll A (campaign 103): its first state reply comes late and would end a poll. Poll B's
    // campaign does not complete meanwhile.
    server().setCompletionDelay(60000);
    sandbox::Fault late = sandbox::Fault::resultCode(500);
    late.delayMs = 1500;
    server().setFault(QStringLiteral("/v1/state"), late.times(1));
    m_opener->onOpen = nullptr;
    join.startJoin(campaign(103));
    QTRY_COMPARE(requests("/v1/state"), 1);

    // Poll B (campaign 101) replaces it.
    join.flowParticipation(app);
    QVERIFY(answerAlert(text("ov_start_app")));
    QTRY_COMPARE(requests("/v1/state"), 2);
    const int left = join.count();

    QTRY_VERIFY_WITH_TIMEOUT(log().contains(QStringLiteral("ignores a state reply")), 10000);
    QVERIFY(join.isPolling());
    QCOMPARE(join.count(), left);
    QVERIFY(!log().contains(QStringLiteral("Optional(500)")));
}

void TstParticipation::lateConfirmedReplyDeliversItsOwnOutcome_data() {
    QTest::addColumn<int>("rewardtype");
    QTest::addColumn<bool>("replaced"); // else its own poll ended with an error meanwhile
    QTest::newRow("replaced, user collects") << 1 << true;
    QTest::newRow("replaced, server credits") << 2 << true;
    QTest::newRow("ended by an error, user collects") << 1 << false;
    QTest::newRow("ended by an error, server credits") << 2 << false;
}

// Poll A's first state reply confirms its campaign but arrives after A was replaced by poll B, or
// after an error ended A: A's campaign still gets its outcome, B goes on untouched.
void TstParticipation::lateConfirmedReplyDeliversItsOwnOutcome() {
    QFETCH(int, rewardtype);
    QFETCH(bool, replaced);
    server().setCompletionDelay(60000); // nothing completes on its own
    Listener listener;
    ApiJoin& join = ApiJoin::shared();
    const Camp a = campaign(101, rewardtype);
    const Camp b = campaign(109, rewardtype);
    join.startJoin(a);
    QTRY_COMPARE(join.getPartiConfirmList().size(), 1);
    join.startJoin(b, &listener);
    QTRY_COMPARE(join.getPartiConfirmList(), (QList<qint64>{101, 109}));

    server().setFault(QStringLiteral("/v1/state"),
                      confirmedState(QStringLiteral("late-key"), 2500).times(1));
    join.flowParticipation(a);
    QVERIFY(answerAlert(text("ov_start_app")));
    QTRY_COMPARE(requests("/v1/state"), 1);
    if (replaced) {
        join.flowParticipation(b);
        QVERIFY(answerAlert(text("ov_start_app")));
        QTRY_COMPARE(requests("/v1/state"), 2);
    } else {
        server().setFault(QStringLiteral("/v1/state"), sandbox::Fault::resultCode(500).times(1));
        QVERIFY(m_timer->fire());
        QTRY_VERIFY(!join.isPolling());
    }
    const int left = join.count();
    QCOMPARE(join.getPartiConfirmList().size(), 2); // A's reply is still on its way

    // A's late reply: its own outcome only.
    if (rewardtype == 1) {
        QTRY_VERIFY_WITH_TIMEOUT(!listener.accumulations.isEmpty(), 10000);
        QCOMPARE(listener.accumulations, (Accumulations{{101, QStringLiteral("late-key")}}));
    } else {
        QVERIFY(answerAlert(text("ov_participation_complete")));
        QCOMPARE(m_posted, m_refreshed);
    }
    QCOMPARE(join.getPartiConfirmList(), QList<qint64>{109});
    QCOMPARE(join.isPolling(), replaced);
    QCOMPARE(join.count(), left);
}

void TstParticipation::goneListenerAndScreenAreSkipped() {
    ApiJoin& join = ApiJoin::shared();
    auto* listener = new Listener;
    join.startJoin(campaign(104), listener);
    delete listener;
    QCOMPARE(join.joinProtocol(), nullptr);
    QTRY_COMPARE(join.getPartiConfirmList(), QList<qint64>{104});

    m_screen.reset();
    QCOMPARE(join.viewController(), nullptr);
    server().setFault(QStringLiteral("/v1/join"), sandbox::Fault::resultCode(900));
    join.startJoin(campaign(104));
    QTRY_VERIFY(log().contains(QStringLiteral("drops an alert")));
}

QTEST_MAIN(TstParticipation)
#include "tst_participation.moc"
