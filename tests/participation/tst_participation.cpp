#include <memory>

#include <QtTest>

#include "core/HostEvents.h"
#include "core/Localized.h"
#include "core/NotificationCenter.h"
#include "core/SettingsKeys.h"
#include "core/UserDefaults.h"
#include "orvane/Orvane.h"
#include "participation/ApiJoin.h"
#include "participation/DeliveredRewards.h"
#include "participation/JoinPresenter.h"
#include "screens/AlertPresenter.h"
#include "support/CampTestUtil.h"
#include "support/Fakes.h"
#include "support/GuiTest.h"
#include "support/OfferwallHost.h"
#include "ui/AlertController.h"

using namespace orvane;
using namespace Qt::StringLiterals;
using test::text;
using Accumulations = QList<QPair<qint64, QString>>;

Q_DECLARE_METATYPE(orvane::sandbox::Fault)

namespace {

const QString kJoin = u"/v1/join"_s;
const QString kState = u"/v1/state"_s;
const QString kReward = u"/v1/reward"_s;

// A screen that takes every reward key ApiJoin offers, whatever its campaign.
class Listener final : public QObject, public JoinProtocol {
public:
    Listener() {
        connect(&ApiJoin::shared(), &ApiJoin::rewardKeyHeld, this,
                &Listener::onAccumulationPossible);
    }
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

sandbox::Fault confirmedState(const QString& key) {
    return patched({{u"state"_s, 3}, {u"orvkey"_s, key}});
}

} // namespace

class TstParticipation : public test::GuiTest {
    Q_OBJECT

private Q_SLOTS:
    void joinRefusals_data() {
        QTest::addColumn<int>("result"); // -1: the reply carries no result
        QTest::addColumn<QString>("key");
        QTest::addColumn<bool>("refreshes");
        for (int code : {401, 407, 410, 500, 501, 502, 402, 403, 406, 411, 503, 900}) {
            QTest::addRow("%d", code) << code << u"ov_%1"_s.arg(code)
                                      << QList<int>{401, 407, 410, 500, 501, 502}.contains(code);
        }
        QTest::newRow("other code") << 404 << u"ov_not_participation_campaign"_s << false;
        QTest::newRow("no result") << -1 << u"ov_not_participation_campaign"_s << false;
    }
    void joinRefusals() {
        QFETCH(int, result);
        QFETCH(QString, key);
        QFETCH(bool, refreshes);
        server().setFault(kJoin, result < 0 ? patched({{u"result"_s, QJsonValue::Null}})
                                            : sandbox::Fault::resultCode(result));
        Listener listener;
        join.startJoin(campaign(104), &listener);

        QTRY_VERIFY(AlertController::visibleAlert());
        QCOMPARE(AlertController::visibleAlert()->actions().size(), 1);
        QVERIFY(m_posted.isEmpty());
        QVERIFY(answerAlert(localized(key)));
        QCOMPARE(m_posted, refreshes ? m_refreshed : QStringList{});
        QVERIFY(m_opener->opened.isEmpty() && join.getPartiConfirmList().isEmpty());
        QCOMPARE(listener.checks, 0);
        QVERIFY(log().contains(u"ApiJoin apiJoin Error : "_s +
                               (result < 0 ? u"nil"_s : u"Optional(%1)"_s.arg(result))));
    }
    void consentGate_data() {
        QTest::addColumn<bool>("usage");
        QTest::addColumn<int>("status");
        QTest::addColumn<bool>("joins");
        QTest::newRow("not determined") << true << 0 << false;
        QTest::newRow("restricted") << true << 1 << false;
        QTest::newRow("denied") << true << 2 << false;
        QTest::newRow("authorized") << true << 3 << true;
        QTest::newRow("gate off") << false << 2 << true;
    }
    void consentGate() {
        QFETCH(bool, usage);
        QFETCH(int, status);
        QFETCH(bool, joins);
        UserDefaults::standard().set(keys::kTrackingUsage, usage);
        m_consent->status = status;
        join.startJoin(campaign(104));

        if (joins) {
            QTRY_COMPARE(join.getPartiConfirmList(), QList<qint64>{104});
            QCOMPARE(m_consent->requests, usage ? 1 : 0);
            return;
        }
        QTRY_VERIFY(AlertController::visibleAlert());
        const QList<AlertAction> actions = AlertController::visibleAlert()->actions();
        QCOMPARE(actions.size(), 2);
        QCOMPARE(actions.at(0).title() + actions.at(1).title(),
                 text("ov_cancel") + text("ov_confirm"));
        QVERIFY(answerAlert(text("ov_allow_tracking")));
        QCOMPARE(m_consent->settingsOpenings, 1);
        QCOMPARE(requests(kJoin), 0);
    }
    // A front-end of its own hears the alerts the Widgets screens show, with the same texts, and
    // its answers act the same.
    void anotherPresenterHearsTheSameAlerts() {
        struct Recorder final : JoinPresenter {
            bool alert(const QString& title, const QString& message, QList<Action> given) override {
                shown << QStringList{title, message} << given.first().title << given.last().title;
                actions = given;
                return true;
            }
            QStringList shown;
            QList<Action> actions;
        };
        auto recorder = std::make_shared<Recorder>();
        join.setPresenter(recorder);
        UserDefaults::standard().set(keys::kTrackingUsage, true);
        m_consent->status = 2;
        join.startJoin(campaign(104));
        QTRY_COMPARE(recorder->shown, (QStringList{text("ov_alarm"), text("ov_allow_tracking"),
                                                   text("ov_cancel"), text("ov_confirm")}));
        recorder->actions.last().handler();
        QCOMPARE(m_consent->settingsOpenings, 1);
        QVERIFY(!AlertController::visibleAlert());
    }

    // A landing join waits for the check; an address is encoded or skipped; a reply with a key is
    // claimed at once; failed claims; a listener or screen that is gone is skipped.
    void joinRepliesClaimsAndGoneParties() {
        m_opener->onOpen = nullptr;
        Listener listener;
        join.startJoin(campaign(104), &listener);
        QTRY_COMPARE(listener.checks, 1);
        QVERIFY(m_opener->opened.value(0).path().startsWith("/landing/104"_L1));
        QVERIFY(!join.isPolling());

        const QString lurl = u"lurl"_s;
        server().setFault(kJoin, patched({{lurl, u"http://127.0.0.1:9/a b/ü?q=1#x"_s}}));
        join.startJoin(campaign(104));
        QTRY_COMPARE(m_opener->opened.size(), 2);
        QCOMPARE(m_opener->opened.last().toEncoded(), "http://127.0.0.1:9/a%20b/%C3%BC?q=1%23x"_ba);

        // Still no address after encoding: nothing is opened, the flow goes on.
        server().setFault(kJoin, patched({{lurl, u"http://[::1/x"_s}}));
        join.startJoin(campaign(104));
        QTRY_COMPARE(join.getPartiConfirmList().size(), 3);
        QCOMPARE(m_opener->opened.size(), 2);
        QVERIFY(log().contains(u"cannot open the landing page"_s));

        // A reply with both a key and a landing page: the key is claimed, the page not opened.
        server().setFault(kJoin, patched({{lurl, server().landingUrl(107, sandbox().userId())}}));
        join.startJoin(campaign(107));
        QVERIFY(answerAlert(text("ov_participation_complete")));
        QCOMPARE(requests(kReward), 1);
        QCOMPARE(m_opener->opened.size(), 2);
        QCOMPARE(m_posted, m_refreshed);
        m_posted.clear();

        // A claim with a wrong key asks to try again, and so does one lost on the way.
        join.apiReward(101, u"not-the-key"_s);
        QVERIFY(answerAlert(text("ov_try_again")));
        server().setFault(kReward, sandbox::Fault::withBody(sandbox::Fault::Body::Drop));
        join.apiReward(101, u"key"_s);
        QVERIFY(answerAlert(text("ov_try_again")));
        QVERIFY(m_posted.isEmpty());
        QCOMPARE(join.heldKey(101), u"key"_s); // kept for the accumulate action

        // A listener gone or a screen gone is skipped.
        auto* gone = new Listener;
        join.startJoin(campaign(104), gone);
        delete gone;
        QCOMPARE(join.joinProtocol(), nullptr);
        QTRY_COMPARE(join.getPartiConfirmList().size(), 4);
        m_screen.reset();
        QCOMPARE(flowAlertScreen(), nullptr);
        server().setFault(kJoin, sandbox::Fault::resultCode(900));
        join.startJoin(campaign(104));
        QTRY_VERIFY(log().contains(u"drops an alert"_s));
    }
    void fivePollsThenSilenceAndJoinsRefused() {
        m_opener->onOpen = nullptr; // the page is never visited: the state stays below 3
        Listener first;
        join.startJoin(campaign(103), &first);
        QTRY_COMPARE(requests(kState), 1); // the first request goes out at once
        QVERIFY(join.isPolling() && join.getPartiConfirmList().isEmpty());

        // A join while polling is refused: nothing is sent, the listener stays.
        Listener second;
        join.startJoin(campaign(104), &second);
        QVERIFY(answerAlert(text("ov_participation_waiting")));
        QCOMPARE(requests(kJoin), 1);
        QCOMPARE(join.joinProtocol(), static_cast<JoinProtocol*>(&first));

        for (int sent = 2; sent <= 5; ++sent) {
            QVERIFY(m_timer->fire());
            QTRY_COMPARE(requests(kState), sent);
        }
        QVERIFY(m_timer->fire()); // the sixth tick stops the poll
        QVERIFY(!join.isPolling() && !m_timer->fire());
        QVERIFY(settled() && !AlertController::visibleAlert());
        QCOMPARE(requests(kState), 5);
        QVERIFY(first.checks == 0 && first.accumulations.isEmpty());
    }
    void pollEndings_data() {
        QTest::addColumn<qint64>("campid");        // 105 is a bm 3 campaign, 103 a bm 2 one
        QTest::addColumn<sandbox::Fault>("fault"); // on the first state request only
        QTest::addColumn<bool>("keepsPolling");
        QTest::addColumn<QString>("logged");
        using sandbox::Fault;
        const auto row = [](const char* name, qint64 campid, const Fault& fault, bool keepsPolling,
                            const QString& logged = {}) {
            QTest::newRow(name) << campid << fault << keepsPolling << logged;
        };
        row("HTTP error status", 103, Fault::status(503), true);
        row("undecodable body, bm 3", 105, Fault::withBody(Fault::Body::Malformed), true);
        row("result other than 200", 103, Fault::resultCode(500), false,
            u"ApiJoin getReward Error : Optional(500)"_s);
        row("state 3 at once", 103, confirmedState(u"first-key"_s), false);
    }
    // How the first state reply of a poll decides whether it goes on.
    void pollEndings() {
        QFETCH(qint64, campid);
        QFETCH(sandbox::Fault, fault);
        QFETCH(bool, keepsPolling);
        QFETCH(QString, logged);
        server().setFault(kState, fault.times(1));
        Listener listener;
        join.startJoin(campaign(campid), &listener);
        QTRY_COMPARE(requests(kState), 1);

        if (keepsPolling) {
            // The next ticks ask again, until the participation is confirmed.
            QVERIFY(pollUntil([&] { return !listener.accumulations.isEmpty(); }));
            QVERIFY(requests(kState) >= 2);
            QCOMPARE(listener.accumulations.first().first, campid);
            return;
        }
        QTRY_VERIFY(!join.isPolling());
        QVERIFY(!m_timer->fire());
        QCOMPARE(requests(kState), 1);
        QVERIFY(logged.isEmpty() || log().contains(logged));
        QCOMPARE(listener.accumulations,
                 (logged.isEmpty() ? Accumulations{{103, u"first-key"_s}} : Accumulations{}));
    }
    void appParticipationAndItsFailures() {
        Listener listener;
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
        QVERIFY(requests(u"/v1/inst"_s) == 0 && !join.isPolling());
        m_opener->result = true;

        // Refusals of the execute report.
        const QString exec = u"/v1/exec"_s;
        for (const auto& [code, key] : {std::pair(501, "ov_already_participation_campaign"),
                                        {500, "ov_not_participation_campaign"}}) {
            server().setFault(exec, sandbox::Fault::resultCode(code));
            join.flowParticipation(app);
            QVERIFY(answerAlert(text(key)));
            QCOMPARE(m_posted, m_refreshed); // from 501 only
        }

        // Started: the install is reported and the poll confirms the participation.
        server().clearFault(exec);
        join.flowParticipation(app);
        QTRY_VERIFY(AlertController::visibleAlert());
        QCOMPARE(AlertController::visibleAlert()->actions().at(0).title(), text("ov_cancel"));
        QVERIFY(answerAlert(text("ov_start_app")));
        QTRY_COMPARE(requests(u"/v1/inst"_s), 1);
        QCOMPARE(m_opener->opened.last(), QUrl(app.package.value()));
        QVERIFY(pollUntil([&] { return !listener.accumulations.isEmpty(); }));
        QCOMPARE(listener.accumulations.first().first, 101);
        QCOMPARE(join.getPartiConfirmList(), QList<qint64>{101}); // one occurrence removed
        QVERIFY(!join.isPolling());
    }
    void lateReplyOfAReplacedPoll_data() {
        QTest::addColumn<int>("rewardtype"); // 0: the late reply is a refusal
        QTest::newRow("refusal") << 0;
        QTest::newRow("user collects") << 1;
        QTest::newRow("server credits") << 2;
    }
    // Poll A's first state reply arrives after poll B replaced A: a confirmation still gives A's
    // campaign its outcome (its key to A's rows, not to B's row, which asked last), a refusal is
    // ignored; B goes on untouched.
    void lateReplyOfAReplacedPoll() {
        QFETCH(int, rewardtype);
        server().setCompletionDelay(60000); // nothing completes on its own
        test::ListScreen rows;              // their taps join at once (no detail page)
        for (const qint64 campid : {101, 109}) {
            rows.camps << campaign(campid, rewardtype);
            rows.camps.last().detailpage = 0;
        }
        rows.show();
        rows.table->reloadData();
        QTRY_VERIFY(rows.cell(0) && rows.cell(1));
        rows.cell(0)->clickJoin();
        QTRY_COMPARE(join.getPartiConfirmList().size(), 1);
        rows.cell(1)->clickJoin();
        QTRY_COMPARE(join.getPartiConfirmList(), (QList<qint64>{101, 109}));

        sandbox::Fault late =
            rewardtype ? confirmedState(u"late-key"_s) : sandbox::Fault::resultCode(500);
        late.delayMs = 2500;
        server().setFault(kState, late.times(1));
        for (const qint64 campid : {101, 109}) {
            join.flowParticipation(campaign(campid, rewardtype));
            QVERIFY(answerAlert(text("ov_start_app")));
            QTRY_COMPARE(requests(kState), campid == 101 ? 1 : 2);
        }
        const int left = join.count();
        QCOMPARE(join.getPartiConfirmList().size(), 2); // A's reply is still on its way

        // A's late reply: its own outcome only.
        if (rewardtype == 0) {
            QTRY_VERIFY_WITH_TIMEOUT(log().contains(u"ignores a state reply"_s), 10000);
            QVERIFY(!log().contains(u"Optional(500)"_s));
        } else if (rewardtype == 1) {
            QTRY_VERIFY_WITH_TIMEOUT(join.heldKey(101), 10000);
            QCOMPARE(rows.cell(0)->orvkey(), u"late-key"_s);
            QCOMPARE(rows.cell(0)->action(), CampTableViewCell::Action::accumulate);
            QCOMPARE(rows.cell(1)->action(), CampTableViewCell::Action::participationCheck);
            // A row bound to A later offers the key too.
            test::ListScreen later;
            later.camps = {campaign(101)};
            later.show();
            later.table->reloadData();
            QTRY_VERIFY(later.cell(0));
            QCOMPARE(later.cell(0)->orvkey(), u"late-key"_s);
        } else {
            QVERIFY(answerAlert(text("ov_participation_complete")));
            QCOMPARE(m_posted, m_refreshed);
        }
        QCOMPARE(join.getPartiConfirmList(),
                 rewardtype ? QList<qint64>{109} : (QList<qint64>{101, 109}));
        QVERIFY(join.isPolling());
        QCOMPARE(join.count(), left);
    }

    void openedAddressesAreChecked_data() {
        QTest::addColumn<bool>("landing"); // else an app launch address
        QTest::addColumn<QString>("address");
        QTest::addColumn<bool>("opens");
        QTest::newRow("landing https") << true << u"https://example.com/p?u=1"_s << true;
        QTest::newRow("landing file") << true << u"file:///etc/passwd"_s << false;
        QTest::newRow("landing javascript") << true << u"javascript:alert(1)"_s << false;
        QTest::newRow("landing app scheme") << true << u"orvaneapp://open"_s << false;
        QTest::newRow("launch app scheme") << false << u"orvaneapp://open"_s << true;
        QTest::newRow("launch https") << false << u"https://example.com/app"_s << true;
        QTest::newRow("launch file") << false << u"file:///usr/bin/xterm"_s << false;
        QTest::newRow("launch data") << false << u"data:text/plain,x"_s << false;
        QTest::newRow("launch javascript") << false << u"JavaScript:alert(1)"_s << false;
        QTest::newRow("launch without scheme") << false << u"usr/bin/xterm"_s << false;
    }
    // A landing page opens only with http or https, an app launch address with any scheme but
    // file, data and javascript. A refused one is logged at warning with its scheme only and goes
    // the way of an address that cannot be opened.
    void openedAddressesAreChecked() {
        QFETCH(bool, landing);
        QFETCH(QString, address);
        QFETCH(bool, opens);
        if (landing) {
            server().setFault(kJoin, patched({{u"lurl"_s, address}}));
            join.startJoin(campaign(104));
            QTRY_COMPARE(join.getPartiConfirmList(), QList<qint64>{104}); // the flow goes on
            QVERIFY(settled());
        } else {
            join.startJoin(campaign(101));
            QTRY_COMPARE(join.getPartiConfirmList(), QList<qint64>{101});
            m_opener->opened.clear(); // the landing page
            Camp app = campaign(101);
            app.package = address;
            join.flowParticipation(app);
            QVERIFY(answerAlert(text("ov_start_app")));
            QVERIFY(opens ? QTest::qWaitFor([&] { return !m_opener->opened.isEmpty(); })
                          : answerAlert(text("ov_not_installed")));
        }
        QCOMPARE(m_opener->opened, opens ? QList<QUrl>{QUrl(address)} : QList<QUrl>{});
        const QStringList warnings = log().lines().filter(u"WARNING"_s);
        QCOMPARE(warnings.size(), opens ? 0 : 1);
        if (!opens) {
            const QString scheme = QUrl(address).scheme();
            QVERIFY(warnings[0].endsWith(u"scheme "_s + (scheme.isEmpty() ? u"(none)"_s : scheme)));
        }
    }

    // A log-out in the middle of a poll stops it; the late reply of its state request, the user's
    // participation checks, listener, id and age are dropped; the next user starts clean.
    void logoutInTheMiddleOfAPoll() {
        m_opener->onOpen = nullptr; // nothing completes by itself
        Listener listener;
        join.startJoin(campaign(101), &listener);
        QTRY_COMPARE(join.getPartiConfirmList(), QList<qint64>{101});
        sandbox::Fault late = confirmedState(u"late-key"_s);
        late.delayMs = 1500;
        server().setFault(kState, late.times(1));
        join.startJoin(campaign(103, 2), &listener); // a confirmation would show an alert
        QTRY_COMPARE(requests(kState), 1);
        UserDefaults::standard().set(keys::kAge, 40);

        Orvane::shared().logout();
        QVERIFY(!join.isPolling() && !m_timer->fire());
        QVERIFY(join.getPartiConfirmList().isEmpty() && !join.joinProtocol());
        UserDefaults& defaults = UserDefaults::standard();
        QVERIFY(!defaults.contains(keys::kUserId) && !defaults.contains(keys::kAge));
        QVERIFY(settled()); // the late reply has come and gone
        QVERIFY(listener.accumulations.isEmpty() && !AlertController::visibleAlert());

        Orvane::shared().initialize(sandbox::kDemoMkey, sandbox::kDemoMckey, u"user-2"_s);
        join.startJoin(campaign(104), &listener);
        QTRY_COMPARE(join.getPartiConfirmList(), QList<qint64>{104});
        const sandbox::LoggedRequest joined = server().requestsTo(kJoin).last();
        QCOMPARE(joined.queryValue(u"userid"_s), std::optional<QString>(u"user-2"_s));
        QVERIFY(!joined.hasQueryItem(u"age"_s));
        QCOMPARE(requests(kState), 1);
    }

    // A double click is one tap: a second join or claim of a campaign while the first is on its
    // way sends nothing; once answered, the next one goes.
    void oneJoinAndOneClaimAtATime() {
        server().setCompletionDelay(60000); // the second join finds the campaign joined, not done
        join.startJoin(campaign(104));
        join.startJoin(campaign(104));
        QTRY_COMPARE(join.getPartiConfirmList().size(), 1);
        join.startJoin(campaign(104));
        QTRY_COMPARE(join.getPartiConfirmList().size(), 2);
        QCOMPARE(requests(kJoin), 2);

        server().setFault(kReward, sandbox::Fault::resultCode(500));
        join.apiReward(101, u"key"_s);
        join.apiReward(101, u"key"_s);
        QVERIFY(answerAlert(text("ov_try_again")));
        QVERIFY(settled() && !AlertController::visibleAlert());
        QCOMPARE(requests(kReward), 1);
        join.apiReward(101, u"key"_s);
        QVERIFY(answerAlert(text("ov_try_again")));
        QCOMPARE(requests(kReward), 2);
        QVERIFY(log().contains(u"ignores a join of campaign 104 while one is in flight"_s));
        QVERIFY(log().contains(u"ignores a claim for campaign 101 while one is in flight"_s));
    }
    void failedClaimsKeepTheirKey_data() {
        QTest::addColumn<sandbox::Fault>("fault"); // on the first claim
        QTest::addColumn<bool>("granted");         // the server granted the first claim
        using sandbox::Fault;
        QTest::newRow("result 500") << Fault::resultCode(500) << false;
        QTest::newRow("HTTP 503") << Fault::status(503) << true;
        QTest::newRow("unreadable") << Fault::withBody(Fault::Body::Malformed) << true;
        // The transport resends a request dropped before any answer byte, and drops it again.
        QTest::newRow("dropped") << Fault::withBody(Fault::Body::Drop).times(2) << true;
    }
    // The key of an automatic claim (join reply) that fails is kept and offered; the user's claim
    // with it is reported once, with the key as transaction id, also when the server answers 409
    // because the first claim was granted after all.
    void failedClaimsKeepTheirKey() {
        QFETCH(sandbox::Fault, fault);
        QFETCH(bool, granted);
        server().setFault(kReward, fault);
        QSignalSpy rewarded(&HostEvents::shared(), &HostEvents::rewardConfirmed);
        Listener listener;
        join.startJoin(campaign(107));
        QVERIFY(answerAlert(text("ov_try_again")));
        const QString key = server().requestsTo(kReward).first().queryValue(u"orvkey"_s).value();
        QCOMPARE(join.heldKey(107), key);
        QCOMPARE(listener.accumulations, (Accumulations{{107, key}}));
        QCOMPARE(server().rewardHistory(sandbox().userId()).size(), granted ? 1 : 0);

        server().clearFaults();
        join.apiReward(107, key);
        QVERIFY(answerAlert(text("ov_participation_complete")));
        QCOMPARE(rewarded.size(), 1);
        const Reward reward = rewarded.first().first().value<Reward>();
        QCOMPARE(reward, Reward(107, key, Reward::TYPE_REWARD_CLAIMED, *campaign(107).name,
                                *campaign(107).rewardprice, *campaign(107).pricemark));
        QCOMPARE(join.heldKey(107), std::nullopt);
        QCOMPARE(server().rewardHistory(sandbox().userId()).size(), 1);

        // A stale accumulate action after that: nothing reported again, the list reloads.
        m_posted.clear();
        join.apiReward(107, key);
        QVERIFY(settled());
        QVERIFY(!AlertController::visibleAlert());
        QCOMPARE(rewarded.size(), 1);
        QCOMPARE(m_posted, QStringList{kActionListChange});
    }
    // A credited reward confirmed again, by another poll or after the kit restarted with its store
    // kept, is neither reported nor shown again; the store keeps the last 1,000 ids.
    void rewardReportedOnceAcrossRestarts() {
        QSignalSpy rewarded(&HostEvents::shared(), &HostEvents::rewardConfirmed);
        server().setFault(kState, confirmedState(u"credit-1"_s));
        join.startJoin(campaign(103, 2));
        QVERIFY(answerAlert(text("ov_participation_complete")));
        QCOMPARE(rewarded.size(), 1);

        cleanupTest(); // the kit restarts: memory gone, settings read again from disk
        sandbox().settings().restart();
        initTest();
        server().setFault(kState, confirmedState(u"credit-1"_s));
        join.startJoin(campaign(105, 2));
        QTRY_COMPARE(requests(kState), 2);
        QVERIFY(settled() && !AlertController::visibleAlert());
        QVERIFY(!join.isPolling()); // confirmed: the poll ended
        QCOMPARE(rewarded.size(), 1);

        for (int i = 0; i < deliveredRewards::kLimit; ++i)
            QVERIFY(deliveredRewards::remember(QString::number(i)));
        QVERIFY(!deliveredRewards::remember(QString::number(deliveredRewards::kLimit - 1)));
        QVERIFY(deliveredRewards::remember(u"credit-1"_s)); // the oldest was dropped
    }

private:
    void initCase() override { registerCampCells(); }
    void initTest() override {
        server().setCompletionDelay(0);
        auto timer = std::make_unique<ManualPollTimer>();
        m_timer = timer.get();
        join.setPollTimer(std::move(timer));

        m_consent = &test::FakeConsent::install();
        m_opener = &test::FakeUrlOpener::install();
        // "Visits" landing pages the way a browser would.
        m_opener->onOpen = [this](const QUrl& url) {
            if (url.path().startsWith("/landing/"_L1))
                m_browser.visit(url);
        };

        m_screen = std::make_unique<ViewController>();
        m_screen->resize(390, 844);
        m_screen->show();
        presentFlowAlertsOn(m_screen.get());

        m_posted.clear();
        m_observer = std::make_unique<QObject>();
        for (const QString& name : m_refreshed) {
            NotificationCenter::defaultCenter().addObserver(name, m_observer.get(),
                                                            [this, name] { m_posted << name; });
        }
    }
    void cleanupTest() override {
        join.resetForTesting();
        m_screen.reset();
        m_observer.reset();
    }
    Camp campaign(qint64 campid, qint64 rewardtype = 1) {
        Camp camp = test::sandboxCamp(server(), campid);
        camp.rewardtype = rewardtype;
        return camp;
    }
    // The error alert with `message` comes up; taps its `action`.
    bool answerAlert(const QString& message, const char* action = "ov_confirm") {
        if (!QTest::qWaitFor([] { return AlertController::visibleAlert() != nullptr; }, 10000))
            return false;
        AlertController* alert = AlertController::visibleAlert();
        if (alert->title() != text("ov_alarm") || alert->message() != message) {
            qWarning() << "unexpected alert" << alert->title() << alert->message();
            return false;
        }
        return alert->tapAction(text(action));
    }
    // Fires the poll timer until `done` holds or the poll ends.
    bool pollUntil(const std::function<bool()>& done) {
        // Each tick only once the previous one's reply and any page visit have been handled.
        const auto quiet = [this] {
            return settled() && QTest::qWaitFor([this] { return m_browser.visiting == 0; });
        };
        while (quiet() && !done()) {
            if (!m_timer->fire())
                return false;
        }
        return done();
    }

    const QStringList m_refreshed{kActionListChange, kActionDetailFinish};
    std::unique_ptr<ViewController> m_screen;
    std::unique_ptr<QObject> m_observer;
    test::Browser m_browser;           // visits the landing pages
    ApiJoin& join = ApiJoin::shared(); // the flow under test, one per process
    ManualPollTimer* m_timer = nullptr;
    test::FakeConsent* m_consent = nullptr;
    test::FakeUrlOpener* m_opener = nullptr;
    QStringList m_posted;
};

QTEST_MAIN(TstParticipation)
#include "tst_participation.moc"
