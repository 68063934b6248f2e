#include <memory>

#include <QJsonArray>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QtTest>

#include "core/Localized.h"
#include "core/Log.h"
#include "core/NotificationCenter.h"
#include "core/SettingsKeys.h"
#include "core/UserDefaults.h"
#include "participation/ApiJoin.h"
#include "support/Fakes.h"
#include "support/SandboxFixture.h"
#include "support/TestSupport.h"
#include "ui/AlertController.h"

using namespace orvane;
using test::text;

Q_DECLARE_METATYPE(orvane::sandbox::Fault)

namespace {

class Listener final : public QObject, public JoinProtocol {
public:
    void onParticipationCheckPossible() override { ++checks; }
    void onAccumulationPossible(qint64 campid, const QString& orvkey) override {
        accumulations.append({campid, orvkey});
    }
    int checks = 0;
    QList<QPair<qint64, QString>> accumulations;
};

} // namespace

class TestParticipation : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void joinRefusals_data();
    void joinRefusals();
    void consentGate_data();
    void consentGate();
    void landingJoinWaitsForTheCheck();
    void landingAddressIsEncodedOrSkipped();
    void instantKeyIsClaimedAtOnce();
    void fivePollsThenSilenceAndJoinsRefused();
    void stateThreeByRewardType_data();
    void stateThreeByRewardType();
    void pollEndings_data();
    void pollEndings();
    void appParticipationEndToEnd();
    void executeAndLaunchFailures();
    void claimFailures();
    void lateReplyOfAReplacedPollIsIgnored();
    void lateConfirmedReplyDeliversItsOwnOutcome_data();
    void lateConfirmedReplyDeliversItsOwnOutcome();
    void goneListenerAndScreenAreSkipped();

private:
    Camp campaign(qint64 campid, qint64 rewardtype = 1);
    int requests(const char* path) {
        return m_sandbox->server().requestsTo(QString::fromLatin1(path)).size();
    }
    AlertController* waitForAlert(const QString& message);
    bool noAlertFor(int ms);
    // Fires the poll timer until `done` holds or the poll ends.
    bool pollUntil(const std::function<bool()>& done);

    std::unique_ptr<test::SandboxFixture> m_sandbox;
    std::unique_ptr<ViewController> m_screen;
    std::unique_ptr<QObject> m_observer;
    std::unique_ptr<test::LogCapture> m_log;
    QNetworkAccessManager m_browser;
    ManualPollTimer* m_timer = nullptr;
    test::FakeConsent* m_consent = nullptr;
    test::FakeUrlOpener* m_opener = nullptr;
    QStringList m_posted;
};

void TestParticipation::initTestCase() {
    setLocalizationLanguage(QStringLiteral("en"));
}

void TestParticipation::init() {
    m_sandbox = std::make_unique<test::SandboxFixture>();
    QVERIFY2(m_sandbox->ok(), qPrintable(m_sandbox->errorString()));
    m_sandbox->server().setCompletionDelay(0);
    ApiJoin& join = ApiJoin::shared();
    join.resetForTesting();
    auto timer = std::make_unique<ManualPollTimer>();
    m_timer = timer.get();
    join.setPollTimer(std::move(timer));

    m_consent = &test::FakeConsent::install();
    m_opener = &test::FakeUrlOpener::install();
    // "Visits" landing pages the way a browser would.
    m_opener->onOpen = [this](const QUrl& url) {
        if (url.path().startsWith(QLatin1String("/landing/"))) {
            QNetworkReply* reply = m_browser.get(QNetworkRequest(url));
            connect(reply, &QNetworkReply::finished, reply, &QObject::deleteLater);
        }
    };

    m_screen = std::make_unique<ViewController>();
    m_screen->resize(390, 844);
    m_screen->show();
    join.setViewController(m_screen.get());

    m_posted.clear();
    m_observer = std::make_unique<QObject>();
    for (const QString& name : {kActionListChange, kActionDetailFinish}) {
        NotificationCenter::defaultCenter().addObserver(name, m_observer.get(),
                                                        [this, name] { m_posted << name; });
    }
    Log::setDisplayLog(true);
    m_log = std::make_unique<test::LogCapture>();
}

void TestParticipation::cleanup() {
    if (QTest::currentTestFailed()) {
        const QStringList lines = m_log->lines();
        m_log.reset();
        for (const QString& line : lines) {
            qInfo().noquote() << line;
        }
    }
    m_log.reset();
    Log::setDisplayLog(false);
    ApiJoin::shared().resetForTesting();
    m_screen.reset();
    m_observer.reset();
    test::restoreDefaultServices();
    m_sandbox.reset();
}

Camp TestParticipation::campaign(qint64 campid, qint64 rewardtype) {
    const QJsonObject catalogue = m_sandbox->server().catalogue();
    for (const QString& list : {QStringLiteral("camp"), QStringLiteral("housemd")}) {
        for (const QJsonValue& value : catalogue.value(list).toArray()) {
            if (value[QStringLiteral("campid")].toInteger() == campid) {
                Camp camp = decodeCamp(value).value();
                camp.rewardtype = rewardtype;
                return camp;
            }
        }
    }
    qFatal("campaign %lld is not in the sandbox catalogue", campid);
}

AlertController* TestParticipation::waitForAlert(const QString& message) {
    if (!QTest::qWaitFor([] { return AlertController::visibleAlert() != nullptr; }, 10000)) {
        return nullptr;
    }
    AlertController* alert = AlertController::visibleAlert();
    if (alert->title() != text("ov_alarm") || alert->message() != message) {
        qWarning() << "unexpected alert" << alert->title() << alert->message();
        return nullptr;
    }
    return alert;
}

bool TestParticipation::noAlertFor(int ms) {
    return !QTest::qWaitFor([] { return AlertController::visibleAlert() != nullptr; }, ms);
}

bool TestParticipation::pollUntil(const std::function<bool()>& done) {
    while (!QTest::qWaitFor(done, 1500)) {
        if (!m_timer->fire()) {
            return false;
        }
    }
    return true;
}

void TestParticipation::joinRefusals_data() {
    QTest::addColumn<int>("result"); // -1: the reply carries no result
    QTest::addColumn<QString>("key");
    QTest::addColumn<bool>("refreshes");
    for (int code : {401, 407, 410, 500, 501, 502}) {
        QTest::addRow("%d", code) << code << QStringLiteral("ov_%1").arg(code) << true;
    }
    for (int code : {402, 403, 406, 411, 503, 900}) {
        QTest::addRow("%d", code) << code << QStringLiteral("ov_%1").arg(code) << false;
    }
    QTest::newRow("other code") << 404 << "ov_not_participation_campaign" << false;
    QTest::newRow("no result") << -1 << "ov_not_participation_campaign" << false;
}

void TestParticipation::joinRefusals() {
    QFETCH(int, result);
    QFETCH(QString, key);
    QFETCH(bool, refreshes);
    sandbox::Fault fault = sandbox::Fault::resultCode(result);
    if (result < 0) {
        fault = sandbox::Fault();
        fault.patch = QJsonObject{{QStringLiteral("result"), QJsonValue::Null}};
    }
    m_sandbox->server().setFault(QStringLiteral("/v1/join"), fault);
    Listener listener;
    ApiJoin::shared().startJoin(campaign(104), &listener);

    AlertController* alert = waitForAlert(localized(key));
    QVERIFY(alert);
    QCOMPARE(alert->actions().size(), 1);
    QVERIFY(m_posted.isEmpty());
    QVERIFY(alert->tapAction(text("ov_confirm")));
    const QStringList expected =
        refreshes ? QStringList{kActionListChange, kActionDetailFinish} : QStringList{};
    QCOMPARE(m_posted, expected);
    QVERIFY(m_opener->opened.isEmpty());
    QVERIFY(ApiJoin::shared().getPartiConfirmList().isEmpty());
    QCOMPARE(listener.checks, 0);
    QVERIFY(m_log->contains(
        QStringLiteral("ApiJoin apiJoin Error : ") +
        (result < 0 ? QStringLiteral("nil") : QStringLiteral("Optional(%1)").arg(result))));
}

void TestParticipation::consentGate_data() {
    QTest::addColumn<bool>("usage");
    QTest::addColumn<int>("status");
    QTest::addColumn<bool>("joins");
    QTest::newRow("not determined") << true << 0 << false;
    QTest::newRow("restricted") << true << 1 << false;
    QTest::newRow("denied") << true << 2 << false;
    QTest::newRow("authorized") << true << 3 << true;
    QTest::newRow("gate off") << false << 2 << true;
}

void TestParticipation::consentGate() {
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
    AlertController* alert = waitForAlert(text("ov_allow_tracking"));
    QVERIFY(alert);
    QCOMPARE(alert->actions().size(), 2);
    QCOMPARE(alert->actions().at(0).title(), text("ov_cancel"));
    QCOMPARE(alert->actions().at(1).title(), text("ov_confirm"));
    QVERIFY(alert->tapAction(text("ov_confirm")));
    QCOMPARE(m_consent->settingsOpenings, 1);
    QCOMPARE(requests("/v1/join"), 0);
}

void TestParticipation::landingJoinWaitsForTheCheck() {
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
    QVERIFY(noAlertFor(200));
}

void TestParticipation::landingAddressIsEncodedOrSkipped() {
    sandbox::Fault fault;
    fault.patch =
        QJsonObject{{QStringLiteral("lurl"), QStringLiteral("http://127.0.0.1:9/a b/ü?q=1#x")}};
    m_sandbox->server().setFault(QStringLiteral("/v1/join"), fault);
    ApiJoin::shared().startJoin(campaign(104));
    QTRY_COMPARE(m_opener->opened.size(), 1);
    QCOMPARE(m_opener->opened.first().toEncoded(),
             QByteArray("http://127.0.0.1:9/a%20b/%C3%BC?q=1%23x"));

    // Still no address after encoding: nothing is opened, the flow goes on.
    fault.patch = QJsonObject{{QStringLiteral("lurl"), QStringLiteral("http://[::1/x")}};
    m_sandbox->server().setFault(QStringLiteral("/v1/join"), fault);
    ApiJoin::shared().startJoin(campaign(104));
    QTRY_COMPARE(ApiJoin::shared().getPartiConfirmList().size(), 2);
    QCOMPARE(m_opener->opened.size(), 1);
    QVERIFY(m_log->contains(QStringLiteral("cannot open the landing page")));
}

void TestParticipation::instantKeyIsClaimedAtOnce() {
    // A join reply with both a key and a landing page: the key is claimed, the page not opened.
    sandbox::Fault withPage;
    withPage.patch = QJsonObject{
        {QStringLiteral("lurl"), m_sandbox->server().landingUrl(107, m_sandbox->userId())}};
    m_sandbox->server().setFault(QStringLiteral("/v1/join"), withPage);
    ApiJoin::shared().startJoin(campaign(107));
    AlertController* alert = waitForAlert(text("ov_participation_complete"));
    QVERIFY(alert);
    QCOMPARE(requests("/v1/reward"), 1);
    QVERIFY(m_opener->opened.isEmpty());
    QVERIFY(alert->tapAction(text("ov_confirm")));
    QCOMPARE(m_posted, (QStringList{kActionListChange, kActionDetailFinish}));
}

void TestParticipation::fivePollsThenSilenceAndJoinsRefused() {
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
    AlertController* waiting = waitForAlert(text("ov_participation_waiting"));
    QVERIFY(waiting);
    QVERIFY(waiting->tapAction(text("ov_confirm")));
    QCOMPARE(requests("/v1/join"), 1);
    QCOMPARE(join.joinProtocol(), static_cast<JoinProtocol*>(&first));

    for (int sent = 2; sent <= 5; ++sent) {
        QVERIFY(m_timer->fire());
        QTRY_COMPARE(requests("/v1/state"), sent);
    }
    QVERIFY(m_timer->fire()); // the sixth tick stops the poll
    QVERIFY(!join.isPolling());
    QVERIFY(!m_timer->fire());
    QVERIFY(noAlertFor(500));
    QCOMPARE(requests("/v1/state"), 5);
    QCOMPARE(first.checks, 0);
    QVERIFY(first.accumulations.isEmpty());
}

void TestParticipation::stateThreeByRewardType_data() {
    QTest::addColumn<int>("rewardtype");
    QTest::newRow("user collects") << 1;
    QTest::newRow("server credits") << 2;
}

void TestParticipation::stateThreeByRewardType() {
    QFETCH(int, rewardtype);
    m_sandbox->server().setRewardType(rewardtype);
    Listener listener;
    ApiJoin& join = ApiJoin::shared();
    join.startJoin(campaign(103, rewardtype), &listener);
    QTRY_COMPARE(requests("/v1/state"), 1); // the poll has started
    QVERIFY(pollUntil([&] { return !join.isPolling(); }));

    if (rewardtype == 2) {
        AlertController* alert = waitForAlert(text("ov_participation_complete"));
        QVERIFY(alert);
        QVERIFY(listener.accumulations.isEmpty());
        QVERIFY(m_posted.isEmpty());
        QVERIFY(alert->tapAction(text("ov_confirm")));
        QCOMPARE(m_posted, (QStringList{kActionListChange, kActionDetailFinish}));
        return;
    }
    QCOMPARE(listener.accumulations.size(), 1);
    QCOMPARE(listener.accumulations.first().first, 103);
    // The key of the state reply, which differs from the one the list and the join carry.
    const std::optional<QString> stateKey =
        m_sandbox->server().stateReplyKey(m_sandbox->userId(), 103);
    QVERIFY(stateKey && !stateKey->isEmpty());
    QCOMPARE(listener.accumulations.first().second, *stateKey);
    QVERIFY(noAlertFor(200));
    // The key claims the reward.
    join.apiReward(103, listener.accumulations.first().second);
    AlertController* alert = waitForAlert(text("ov_participation_complete"));
    QVERIFY(alert);
    QVERIFY(alert->tapAction(text("ov_confirm")));
    QCOMPARE(m_posted, (QStringList{kActionListChange, kActionDetailFinish}));
}

void TestParticipation::pollEndings_data() {
    QTest::addColumn<sandbox::Fault>("fault"); // on the first state request only
    QTest::addColumn<bool>("keepsPolling");
    QTest::addColumn<QString>("logged");
    sandbox::Fault confirmed;
    confirmed.patch = QJsonObject{{QStringLiteral("state"), 3},
                                  {QStringLiteral("orvkey"), QStringLiteral("first-key")}};
    QTest::newRow("HTTP error status") << sandbox::Fault::status(503) << true << QString();
    QTest::newRow("undecodable body")
        << sandbox::Fault::withBody(sandbox::Fault::Body::Malformed) << true << QString();
    QTest::newRow("result other than 200")
        << sandbox::Fault::resultCode(500) << false << "ApiJoin getReward Error : Optional(500)";
    QTest::newRow("state 3 at once") << confirmed << false << QString();
}

// How the first state reply of a poll decides whether it goes on.
void TestParticipation::pollEndings() {
    QFETCH(sandbox::Fault, fault);
    QFETCH(bool, keepsPolling);
    QFETCH(QString, logged);
    m_sandbox->server().setFault(QStringLiteral("/v1/state"), fault.times(1));
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
    if (!logged.isEmpty()) {
        QVERIFY(m_log->contains(logged));
        QVERIFY(listener.accumulations.isEmpty());
    } else {
        QCOMPARE(listener.accumulations,
                 (QList<QPair<qint64, QString>>{{103, QStringLiteral("first-key")}}));
    }
}

void TestParticipation::appParticipationEndToEnd() {
    Listener listener;
    ApiJoin& join = ApiJoin::shared();
    const Camp app = campaign(101);
    join.startJoin(app, &listener);
    QTRY_COMPARE(listener.checks, 1);
    join.startJoin(app, &listener);
    QTRY_COMPARE(listener.checks, 2);
    QCOMPARE(join.getPartiConfirmList(), (QList<qint64>{101, 101}));

    join.flowParticipation(app);
    AlertController* start = waitForAlert(text("ov_start_app"));
    QVERIFY(start);
    QCOMPARE(start->actions().at(0).title(), text("ov_cancel"));
    QVERIFY(start->tapAction(text("ov_confirm")));
    QTRY_COMPARE(requests("/v1/inst"), 1);
    QCOMPARE(m_opener->opened.last(), QUrl(app.package.value()));

    QVERIFY(pollUntil([&] { return !listener.accumulations.isEmpty(); }));
    QCOMPARE(listener.accumulations.first().first, 101);
    QCOMPARE(join.getPartiConfirmList(), QList<qint64>{101}); // one occurrence removed
    QVERIFY(!join.isPolling());
}

void TestParticipation::executeAndLaunchFailures() {
    ApiJoin& join = ApiJoin::shared();
    const Camp app = campaign(101);
    join.startJoin(app);
    QTRY_COMPARE(join.getPartiConfirmList().size(), 1);
    const int opened = m_opener->opened.size();

    // Cancelled: nothing more happens.
    join.flowParticipation(app);
    AlertController* start = waitForAlert(text("ov_start_app"));
    QVERIFY(start && start->tapAction(text("ov_cancel")));
    QVERIFY(noAlertFor(300));
    QCOMPARE(m_opener->opened.size(), opened);

    // The app is not installed: no install report, no poll.
    m_opener->result = false;
    join.flowParticipation(app);
    start = waitForAlert(text("ov_start_app"));
    QVERIFY(start && start->tapAction(text("ov_confirm")));
    AlertController* missing = waitForAlert(text("ov_not_installed"));
    QVERIFY(missing && missing->tapAction(text("ov_confirm")));
    QCOMPARE(requests("/v1/inst"), 0);
    QVERIFY(!join.isPolling());

    // Refusals of the execute report.
    m_sandbox->server().setFault(QStringLiteral("/v1/exec"), sandbox::Fault::resultCode(501));
    join.flowParticipation(app);
    AlertController* already = waitForAlert(text("ov_already_participation_campaign"));
    QVERIFY(already && already->tapAction(text("ov_confirm")));
    QCOMPARE(m_posted, (QStringList{kActionListChange, kActionDetailFinish}));
    m_sandbox->server().setFault(QStringLiteral("/v1/exec"), sandbox::Fault::resultCode(500));
    join.flowParticipation(app);
    AlertController* refused = waitForAlert(text("ov_not_participation_campaign"));
    QVERIFY(refused && refused->tapAction(text("ov_confirm")));
    QCOMPARE(m_posted.size(), 2);
}

void TestParticipation::claimFailures() {
    ApiJoin& join = ApiJoin::shared();
    join.apiReward(101, QStringLiteral("not-the-key"));
    AlertController* alert = waitForAlert(text("ov_try_again"));
    QVERIFY(alert && alert->tapAction(text("ov_confirm")));
    QVERIFY(m_posted.isEmpty());

    // Transport failure and an undecodable body: silent.
    m_sandbox->server().setFault(QStringLiteral("/v1/reward"),
                                 sandbox::Fault::withBody(sandbox::Fault::Body::Drop));
    join.apiReward(101, QStringLiteral("key"));
    QTRY_VERIFY(requests("/v1/reward") >= 2);
    QVERIFY(noAlertFor(1000));
    m_sandbox->server().setFault(QStringLiteral("/v1/reward"),
                                 sandbox::Fault::withBody(sandbox::Fault::Body::Malformed));
    m_log->clear();
    join.apiReward(101, QStringLiteral("key"));
    QTRY_VERIFY(m_log->lines().join(QLatin1Char('\n')).contains(QStringLiteral("ERROR")));
    QVERIFY(noAlertFor(300));
}

void TestParticipation::lateReplyOfAReplacedPollIsIgnored() {
    ApiJoin& join = ApiJoin::shared();
    const Camp app = campaign(101);
    join.startJoin(app);
    QTRY_COMPARE(join.getPartiConfirmList().size(), 1);

    // Poll A (campaign 103): its first state reply comes late and would end a poll. Poll B's
    // campaign does not complete meanwhile.
    m_sandbox->server().setCompletionDelay(60000);
    sandbox::Fault late = sandbox::Fault::resultCode(500);
    late.delayMs = 1500;
    m_sandbox->server().setFault(QStringLiteral("/v1/state"), late.times(1));
    m_opener->onOpen = nullptr;
    join.startJoin(campaign(103));
    QTRY_COMPARE(requests("/v1/state"), 1);

    // Poll B (campaign 101) replaces it.
    join.flowParticipation(app);
    AlertController* start = waitForAlert(text("ov_start_app"));
    QVERIFY(start && start->tapAction(text("ov_confirm")));
    QTRY_COMPARE(requests("/v1/state"), 2);
    const int left = join.count();

    QTRY_VERIFY_WITH_TIMEOUT(m_log->contains(QStringLiteral("ignores a state reply")), 10000);
    QVERIFY(join.isPolling());
    QCOMPARE(join.count(), left);
    QVERIFY(!m_log->contains(QStringLiteral("Optional(500)")));
}

void TestParticipation::lateConfirmedReplyDeliversItsOwnOutcome_data() {
    QTest::addColumn<int>("rewardtype");
    QTest::addColumn<bool>("replaced"); // else its own poll ended with an error meanwhile
    QTest::newRow("replaced, user collects") << 1 << true;
    QTest::newRow("replaced, server credits") << 2 << true;
    QTest::newRow("ended by an error, user collects") << 1 << false;
    QTest::newRow("ended by an error, server credits") << 2 << false;
}

// Poll A's first state reply confirms its campaign but arrives after A was replaced by poll B, or
// after an error ended A: A's campaign still gets its outcome, B goes on untouched.
void TestParticipation::lateConfirmedReplyDeliversItsOwnOutcome() {
    QFETCH(int, rewardtype);
    QFETCH(bool, replaced);
    m_sandbox->server().setCompletionDelay(60000); // nothing completes on its own
    Listener listener;
    ApiJoin& join = ApiJoin::shared();
    const Camp a = campaign(101, rewardtype);
    const Camp b = campaign(109, rewardtype);
    join.startJoin(a);
    QTRY_COMPARE(join.getPartiConfirmList().size(), 1);
    join.startJoin(b, &listener);
    QTRY_COMPARE(join.getPartiConfirmList(), (QList<qint64>{101, 109}));

    sandbox::Fault late = sandbox::Fault::delay(2500);
    late.patch = QJsonObject{{QStringLiteral("state"), 3},
                             {QStringLiteral("orvkey"), QStringLiteral("late-key")}};
    m_sandbox->server().setFault(QStringLiteral("/v1/state"), late.times(1));
    auto checkParticipation = [&](const Camp& camp) {
        join.flowParticipation(camp);
        AlertController* start = waitForAlert(text("ov_start_app"));
        QVERIFY(start && start->tapAction(text("ov_confirm")));
    };
    checkParticipation(a);
    QTRY_COMPARE(requests("/v1/state"), 1);
    int left = 0;
    if (replaced) {
        checkParticipation(b);
        QTRY_COMPARE(requests("/v1/state"), 2);
        left = join.count();
        QCOMPARE(join.getPartiConfirmList().size(), 2); // A's reply is still on its way
    } else {
        m_sandbox->server().setFault(QStringLiteral("/v1/state"),
                                     sandbox::Fault::resultCode(500).times(1));
        QVERIFY(m_timer->fire());
        QTRY_VERIFY(!join.isPolling());
        left = join.count();
        QCOMPARE(join.getPartiConfirmList().size(), 2);
    }

    // A's late reply: its own outcome only.
    if (rewardtype == 1) {
        QTRY_VERIFY_WITH_TIMEOUT(!listener.accumulations.isEmpty(), 10000);
        QCOMPARE(listener.accumulations,
                 (QList<QPair<qint64, QString>>{{101, QStringLiteral("late-key")}}));
    } else {
        AlertController* done = waitForAlert(text("ov_participation_complete"));
        QVERIFY(done && done->tapAction(text("ov_confirm")));
        QCOMPARE(m_posted, (QStringList{kActionListChange, kActionDetailFinish}));
    }
    QCOMPARE(join.getPartiConfirmList(), QList<qint64>{109});
    QCOMPARE(join.isPolling(), replaced);
    QCOMPARE(join.count(), left);
}

void TestParticipation::goneListenerAndScreenAreSkipped() {
    ApiJoin& join = ApiJoin::shared();
    auto* listener = new Listener;
    join.startJoin(campaign(104), listener);
    delete listener;
    QCOMPARE(join.joinProtocol(), nullptr);
    QTRY_COMPARE(join.getPartiConfirmList(), QList<qint64>{104});

    m_screen.reset();
    QCOMPARE(join.viewController(), nullptr);
    m_sandbox->server().setFault(QStringLiteral("/v1/join"), sandbox::Fault::resultCode(900));
    join.startJoin(campaign(104));
    QTRY_VERIFY(m_log->contains(QStringLiteral("drops an alert")));
}

QTEST_MAIN(TestParticipation)
#include "tst_participation.moc"
