// Rewards from end to end: the sandbox's signed server-to-server call per granted reward, the
// example host reward server that checks and credits it, and a long walk of participations through
// the kit with faults along the way, after which the host's ledger, the sandbox's reward history
// and what the kit reported must agree exactly.

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTcpServer>
#include <QtTest>

#include "RewardServer.h"
#include "sandbox/Postbacks.h"
#include "screens/detail/DetailViewController.h"
#include "support/CampTestUtil.h"
#include "support/FixedReplyServer.h"
#include "support/GuiTest.h"
#include "support/HttpReply.h"
#include "support/OfferwallHost.h"
#include "ui/AlertController.h"
#include "ui/Button.h"

using namespace orvane;
using namespace Qt::StringLiterals;
using rewardserver::RewardServer;
using sandbox::PostbackCall;
using sandbox::Postbacks;
using test::text;

namespace {

const QByteArray kSecret = "walk-secret";
const QString kReward = u"/v1/reward"_s;

enum class Call { Good, Repeated, WrongSecret, Stale, Tampered, Unsigned, Malformed };

// What the walk does to one participation besides walking it.
enum class Trouble {
    None,
    ClaimRefused,   // the first claim is answered with result 500
    ClaimDropped,   // the first claim is granted, its answer (and the resent request's) dropped
    DoubleClicks,   // every tap is a double click
    WallReopened,   // the offerwall is closed and opened again during the poll
    ClaimHttpError, // the first claim is granted and answered with HTTP 503
    KitRestart,     // the kit restarts (store kept) while it holds the reward key
    Count
};

// Participations the kit polls: app campaigns after their launch, and landing campaigns with bm 2
// or 3 and bmcheck 1. The server credits any other one (reward type 2) when the list is next
// asked for, and the kit never sees that confirmed.
bool polled(const Camp& camp) {
    const qint64 bm = camp.bm.value_or(0);
    return !camp.package.value_or(QString()).isEmpty() ||
           ((bm == 2 || bm == 3) && camp.bmcheck == 1);
}

} // namespace

Q_DECLARE_METATYPE(Call)

class TstRewards : public test::GuiTest {
    Q_OBJECT

private Q_SLOTS:
    // --- the call and the host's server ----------------------------------------------------
    void signedCall() {
        // A vector made with another implementation of percent-encoding and HMAC-SHA256.
        const QByteArray query = Postbacks::query(
            {u"Ab9-._~ x/y"_s, u"user+1@host"_s, 101, 1200.5, u"포인트!*'()"_s, 1}, 1700000000);
        QCOMPARE(query, "txid=Ab9-._~%20x%2Fy&userid=user%2B1%40host&campid=101&amount=1200.5&mark="
                        "%ED%8F%AC%EC%9D%B8%ED%8A%B8%21%2A%27%28%29&rewardtype=1&ts=1700000000");
        const QByteArray signature =
            "ef6885dd478fd61d3d117e00fe9cbfea752afc34e8cf2b31e10e5b4d86365052";
        QCOMPARE(Postbacks::signature(query, u"s3crét"_s.toUtf8()), signature);
        QVERIFY(RewardServer::signatureMatches(query, signature, u"s3crét"_s.toUtf8()));
        QVERIFY(
            !RewardServer::signatureMatches(query, signature.left(63) + '0', u"s3crét"_s.toUtf8()));

        // On the wire, after the host URL's own query: the bytes a host's server reads are the ones
        // signed, and the values are the reward's.
        test::FixedReplyServer host;
        server().setPostback(host.baseUrl() + u"/pb?app=7"_s, u"s3cret"_s);
        const QString user = u"u+1@hü"_s;
        const QString key = claimInstant(user);
        QTRY_COMPARE(host.heads().size(), 1);
        const QByteArray target = host.heads().first().split(' ').value(1);
        const qsizetype start = target.indexOf('?') + 1;
        const qsizetype cut = target.lastIndexOf("&sig=");
        const QByteArray signedText = target.mid(start, cut - start);
        const Camp camp = test::sandboxCamp(server(), 107);
        const qint64 ts = signedText.mid(signedText.lastIndexOf("&ts=") + 4).toLongLong();
        QVERIFY(qAbs(QDateTime::currentSecsSinceEpoch() - ts) < 60);
        QCOMPARE(signedText,
                 "app=7&" +
                     Postbacks::query({key, user, 107, *camp.rewardprice, *camp.pricemark, 1}, ts));
        QCOMPARE(target.mid(cut + 5), Postbacks::signature(signedText, "s3cret"));
    }

    void hostServerChecks_data() {
        QTest::addColumn<Call>("call");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("answer");
        QTest::newRow("signed and fresh") << Call::Good << 200 << "credited"_ba;
        QTest::newRow("the same txid again") << Call::Repeated << 200 << "duplicate"_ba;
        QTest::newRow("another secret") << Call::WrongSecret << 403 << "bad signature"_ba;
        QTest::newRow("a value changed after signing")
            << Call::Tampered << 403 << "bad signature"_ba;
        QTest::newRow("no signature") << Call::Unsigned << 403 << "bad signature"_ba;
        QTest::newRow("an old time stamp")
            << Call::Stale << 403 << "time stamp outside the window"_ba;
        QTest::newRow("signed, but no amount") << Call::Malformed << 400 << "malformed call"_ba;
    }

    // The example host server credits a signed, fresh call once per txid and refuses the others.
    void hostServerChecks() {
        QFETCH(Call, call);
        QFETCH(int, status);
        QFETCH(QByteArray, answer);
        PostbackCall reward{u"tx-1"_s, u"u1"_s, 101, 1200, u"P"_s, 1};
        if (call == Call::Malformed)
            reward.amount = qQNaN();
        const qint64 ts = QDateTime::currentSecsSinceEpoch() - (call == Call::Stale ? 301 : 0);
        QByteArray query = Postbacks::query(reward, ts);
        const QByteArray sig =
            Postbacks::signature(query, call == Call::WrongSecret ? "other" : kSecret);
        if (call == Call::Tampered)
            query.replace("amount=1200", "amount=9200");
        if (call != Call::Unsigned)
            query += "&sig=" + sig;
        const QString url = m_wallet->postbackUrl() + u'?' + QString::fromLatin1(query);
        if (call == Call::Repeated)
            QCOMPARE(get(url).status, 200);
        const test::HttpReply reply = get(url);
        QCOMPARE(reply.status, status);
        QCOMPARE(reply.body, answer);
        const double credited = status == 200 ? 1200 : 0;
        QCOMPARE(m_wallet->ledger().size(), credited ? 1 : 0);
        QCOMPARE(m_wallet->balance(u"u1"_s), credited);
        const test::HttpReply balance = get(m_wallet->baseUrl() + u"/balance?userid=u1"_s);
        QCOMPARE(balance.json().value("balance"_L1).toDouble(), credited);
    }

    // Retried with the same txid until the host's server acknowledges it; the attempts are listed;
    // a repeated claim sends nothing; a host server that never answers is given up after six
    // attempts.
    void deliveredUntilAcknowledged() {
        const QString key = claimInstant(u"u1"_s);
        QTRY_COMPARE(server().postbackCalls().value(0).state, PostbackCall::State::Delivered);
        QList<std::optional<int>> statuses;
        for (const sandbox::PostbackAttempt& attempt : server().postbackAttempts()) {
            QCOMPARE(attempt.txid, key);
            QCOMPARE(attempt.attempt, statuses.size() + 1);
            statuses << attempt.status;
        }
        QCOMPARE(statuses, (QList<std::optional<int>>{503, 503, 200}));
        QCOMPARE(m_wallet->ledger().size(), 1);
        QCOMPARE(m_wallet->ledger().first().txid, key);

        const test::HttpReply again = get(server().baseUrl() +
                                          u"/v1/reward?mkey=demo-mkey&mckey=demo-mckey"
                                          "&userid=u1&campid=107&adid=A&orvkey="_s +
                                          key);
        QCOMPARE(again.json().value("result"_L1).toInt(), 409);
        const QJsonObject log = get(server().baseUrl() + u"/__sandbox/postbacks"_s).json();
        QCOMPARE(log.value("calls"_L1).toArray().size(), 1);
        QCOMPARE(log.value("calls"_L1)[0]["state"_L1].toString(), u"delivered"_s);
        QCOMPARE(log.value("attempts"_L1).toArray().size(), 3);
        QCOMPARE(log.value("attempts"_L1)[0]["status"_L1].toInt(), 503);

        QTcpServer silent; // takes the connection, never answers
        QVERIFY(silent.listen(QHostAddress::LocalHost));
        server().setPostback(u"http://127.0.0.1:%1/pb"_s.arg(silent.serverPort()), u"s"_s);
        const QString unanswered = claimInstant(u"u2"_s);
        QTRY_COMPARE_WITH_TIMEOUT(server().postbackCalls().value(1).state,
                                  PostbackCall::State::GivenUp, 10000);
        const QList<sandbox::PostbackAttempt> attempts = server().postbackAttempts().mid(3);
        QCOMPARE(attempts.size(), 6);
        for (const sandbox::PostbackAttempt& attempt : attempts) {
            QCOMPARE(attempt.txid, unanswered);
            QVERIFY(!attempt.status && attempt.error == u"no answer within 300 ms"_s);
        }
    }

    // Calls still pending when the sandbox stops go out when it starts again on the same data.
    void resumedAfterARestart() {
        const quint16 port = m_wallet->port();
        m_wallet.reset();
        const QString key = claimInstant(u"u1"_s);
        QTRY_VERIFY(!server().postbackAttempts().isEmpty()); // refused: nobody listens
        QVERIFY(sandbox().restart());
        QVERIFY(startWallet(port));
        QTRY_COMPARE(server().postbackCalls().value(0).state, PostbackCall::State::Delivered);
        QCOMPARE(m_wallet->ledger().value(0).txid, key);
        QCOMPARE(server().postbackCalls().size(), 1);
    }

    // Many participations through the kit, every campaign kind under both reward types, with
    // faults: claims refused, dropped or failing over HTTP, double clicks, the offerwall closed
    // during a poll, kit restarts, a reward server that fails its first calls and is later down,
    // and a sandbox restart on the same data. Afterwards the host's ledger and the sandbox's
    // history hold the same rewards, the kit reported each once (all but the credits it never saw
    // confirmed), and every participation ended rewarded.
    void walk() {
        const int rounds = qMax(2, qEnvironmentVariableIntValue("ORVANE_WALK_ROUNDS"));
        QElapsedTimer clock;
        clock.start();
        const quint16 walletPort = m_wallet->port();
        QVERIFY(startWallet(walletPort, 4)); // the first four calls fail
        QSignalSpy reported(&Orvane::shared(), &Orvane::rewardConfirmed);
        QList<qint64> campaigns;
        for (const QString& list : {u"camp"_s, u"housemd"_s}) {
            for (const QJsonValue& camp : server().catalogue().value(list).toArray()) {
                if (camp["bm"_L1].toInt() != 4) // purchase rows are not walked yet
                    campaigns << camp["campid"_L1].toInteger();
            }
        }
        QHash<QString, int> rewardTypes; // by user
        int participations = 0;
        for (int round = 0; round < rounds; ++round) {
            m_user = u"walker-%1"_s.arg(round);
            rewardTypes.insert(m_user, round % 2 ? 2 : 1);
            server().setUserRewardType(m_user, rewardTypes.value(m_user));
            Orvane::shared().initialize(sandbox::kDemoMkey, sandbox::kDemoMckey, m_user);
            m_host.reset(); // another user: the kit starts over
            present();
            for (const qint64 campid : campaigns) {
                const auto trouble = static_cast<Trouble>(participations++ % int(Trouble::Count));
                using sandbox::Fault;
                if (trouble == Trouble::ClaimRefused)
                    server().setFault(kReward, Fault::resultCode(500).times(1));
                else if (trouble == Trouble::ClaimDropped)
                    server().setFault(kReward, Fault::withBody(Fault::Body::Drop).times(2));
                else if (trouble == Trouble::ClaimHttpError)
                    server().setFault(kReward, Fault::status(503).times(1));
                m_troubleDone = false;
                // Done when the server granted it, the kit has had every answer and polls no more
                // (the list may credit a participation before the poll sees it confirmed), and it
                // holds no key for it (a claim granted but whose answer was lost leaves one).
                const auto done = [&] {
                    return quiet() && !ApiJoin::shared().isPolling() && rewarded(campid) &&
                           !ApiJoin::shared().heldKey(campid) && !AlertController::visibleAlert();
                };
                for (int step = 0; !done(); ++step) {
                    QVERIFY2(step < 40,
                             qPrintable(u"campaign %1 of %2 is stuck"_s.arg(campid).arg(m_user)));
                    QVERIFY(act(campid, trouble));
                }
                server().clearFaults();
                if (participations == rounds * int(campaigns.size()) / 2 - 2) {
                    m_wallet.reset(); // the host's server goes down for a while
                } else if (participations == rounds * int(campaigns.size()) / 2) {
                    QVERIFY(quiet());
                    QVERIFY(sandbox().restart()); // pending calls are in its file
                    server().setUserRewardType(m_user, rewardTypes.value(m_user));
                    QVERIFY(startWallet(walletPort));
                    test::reloadLists();
                }
            }
        }
        QVERIFY(quiet());
        if (AlertController* alert = AlertController::visibleAlert())
            alert->tapAction(text("ov_confirm"));

        // Every call acknowledged; the host's ledger is the sandbox's history, txid for txid.
        const auto delivered = [](const PostbackCall& c) {
            return c.state == PostbackCall::State::Delivered;
        };
        QTRY_VERIFY_WITH_TIMEOUT(std::ranges::all_of(server().postbackCalls(), delivered), 30000);
        QMap<QString, double> history;
        QMap<QString, double> ledger;
        QSet<QString> unseen; // credits the kit had no poll to see
        for (int round = 0; round < rounds; ++round) {
            for (const sandbox::RewardRecord& record :
                 server().rewardHistory(u"walker-%1"_s.arg(round)))
                history.insert(record.txid, record.rewardprice);
        }
        QHash<QString, RewardServer::Credit> credits;
        for (const RewardServer::Credit& credit : m_wallet->ledger()) {
            QVERIFY(!ledger.contains(credit.txid));
            credits.insert(credit.txid, credit);
            ledger.insert(credit.txid, credit.amount);
            if (credit.rewardType == 2 && !polled(test::sandboxCamp(server(), credit.campid)))
                unseen.insert(credit.txid);
        }
        QCOMPARE(history.size(), participations); // every participation ended rewarded
        QCOMPARE(ledger, history);

        // The kit reported each reward it saw once, with the ledger's amount.
        QMap<QString, double> kit;
        for (const QList<QVariant>& signal : std::as_const(reported)) {
            const Reward reward = signal.first().value<Reward>();
            QVERIFY2(!kit.contains(reward.transactionId()), qPrintable(reward.transactionId()));
            kit.insert(reward.transactionId(), reward.amount());
        }
        for (const QString& txid : std::as_const(unseen))
            ledger.remove(txid);
        // The maps are too long for a comparison's message: name the rewards that differ.
        QStringList differ;
        for (const QString& txid : QSet<QString>(kit.keyBegin(), kit.keyEnd()) +
                                       QSet<QString>(ledger.keyBegin(), ledger.keyEnd())) {
            if (kit.value(txid, -1) == ledger.value(txid, -1))
                continue;
            const RewardServer::Credit c = credits.value(txid);
            differ << QString::asprintf("%s (campaign %lld of %s, type %d): kit %g, ledger %g",
                                        qPrintable(txid), c.campid, qPrintable(c.userId),
                                        c.rewardType, kit.value(txid, -1), ledger.value(txid, -1));
        }
        QVERIFY2(differ.isEmpty(), qPrintable(differ.join(u"; "_s)));
        qInfo("walk: %d participations, %lld rewards reported, %lld calls attempted, %lld ms",
              participations, qint64(kit.size()), qint64(server().postbackAttempts().size()),
              clock.elapsed());
    }

private:
    sandbox::Options sandboxOptions() override {
        m_data = std::make_unique<QTemporaryDir>();
        startWallet(
            0, qstrcmp(QTest::currentTestFunction(), "deliveredUntilAcknowledged") == 0 ? 2 : 0);
        sandbox::Options options;
        options.dataDir = m_data->filePath(u"sandbox"_s);
        options.completionDelayMs = 0;
        options.postbackUrl = m_wallet->postbackUrl();
        options.postbackSecret = QString::fromLatin1(kSecret);
        options.postbackDelaysMs = {20, 40, 80, 160, 320}; // six attempts
        options.postbackTimeoutMs = 300;
        if (qstrcmp(QTest::currentTestFunction(), "walk") == 0) {
            // Long enough for calls to outlast the reward server's outage of the walk.
            options.postbackDelaysMs = {10, 50, 200, 800, 1600, 3200, 6400};
            options.postbackTimeoutMs = 5000;
        }
        return options;
    }
    void initTest() override {
        ApiJoin::shared().setPollTimer(std::make_unique<ManualPollTimer>());
    }
    void cleanupTest() override {
        m_host.reset();
        m_wallet.reset();
    }

    bool startWallet(quint16 port = 0, int failFirst = 0) {
        m_wallet = std::make_unique<RewardServer>(
            RewardServer::Options{kSecret, m_data->filePath(u"ledger.sqlite"_s), 300, failFirst});
        return m_wallet->listen(port);
    }
    test::HttpReply get(const QString& url) {
        return test::finish(m_network.get(QNetworkRequest(QUrl(url, QUrl::StrictMode))));
    }
    // Joins the instant campaign as `user` and claims its reward with the join's key, over HTTP.
    QString claimInstant(const QString& user) {
        const QString query = u"?mkey=demo-mkey&mckey=demo-mckey&campid=107&adid=A&userid="_s +
                              QString::fromLatin1(QUrl::toPercentEncoding(user));
        const QString key =
            get(server().campaignBase() + u"/join"_s + query).json().value("orvkey"_L1).toString();
        get(server().campaignBase() + u"/reward"_s + query + u"&orvkey="_s + key);
        return key;
    }

    // --- the walk's steps ---------------------------------------------------------------------
    void present() {
        m_host = std::make_unique<test::OfferwallHost>();
        QVERIFY(m_host->ok());
        m_host->browse();
        m_host->opener->onOpen = [this](const QUrl& url) {
            if (url.scheme() == "http"_L1) // not an app's address
                m_host->browser.visit(url);
        };
        auto timer = std::make_unique<ManualPollTimer>();
        m_timer = timer.get();
        ApiJoin::shared().setPollTimer(std::move(timer));
        QTRY_VERIFY(!m_host->rows().isEmpty());
    }
    bool quiet() {
        return settled() &&
               QTest::qWaitFor([this] { return m_host->browser.visiting == 0; }, 10000) &&
               settled();
    }
    bool rewarded(qint64 campid) {
        return std::ranges::any_of(
            server().rewardHistory(m_user),
            [campid](const sandbox::RewardRecord& r) { return r.campid == campid; });
    }
    void tap(QWidget* target, Trouble trouble) {
        const QPoint point(target->width() / 2, qMin(12, target->height() / 2));
        // A double click as the window system delivers it: press, release, double-click, release.
        QTest::mouseClick(target, Qt::LeftButton, {}, point);
        if (trouble == Trouble::DoubleClicks) {
            QTest::mouseDClick(target, Qt::LeftButton, {}, point); // the double-click event only
            QTest::mouseRelease(target, Qt::LeftButton, {}, point);
        }
    }
    // One step of a user taking part in `campid`: answer the alert on screen, wait for the poll,
    // use the detail page, or tap the campaign's row. A page visited for a campaign without a poll
    // completes it on the server; the user then looks at the list again.
    bool act(qint64 campid, Trouble trouble) {
        if (!quiet())
            return false;
        if (AlertController* alert = AlertController::visibleAlert())
            return alert->tapAction(text("ov_confirm")); // start the app, done, try again
        ApiJoin& join = ApiJoin::shared();
        if (join.isPolling()) {
            if (trouble == Trouble::WallReopened && !std::exchange(m_troubleDone, true))
                m_host->reopen();
            else
                m_timer->fire();
            return true;
        }
        if (trouble == Trouble::KitRestart && join.heldKey(campid) &&
            !std::exchange(m_troubleDone, true)) {
            // The kit's memory goes (screens, participation flow); its settings are read again.
            m_host.reset();
            sandbox().settings().restart();
            present();
            return true;
        }
        const Camp camp = test::sandboxCamp(server(), campid);
        if (auto* detail = qobject_cast<DetailViewController*>(m_host->nav->topViewController())) {
            const auto state = detail->buttonState();
            const bool waiting =
                state == DetailViewController::ButtonState::participationCheck && !polled(camp);
            if (detail->camp()->campid != campid || waiting ||
                state == DetailViewController::ButtonState::loading) {
                m_host->nav->popToRootViewController(false);
                if (waiting)
                    test::reloadLists();
            } else {
                tap(detail->b_reward(), trouble);
            }
            return true;
        }
        // The walked campaigns are all standard rows on the first tab.
        CampTableViewCell* row = m_host->cell(campid);
        if (!row ||
            (row->action() == CampTableViewCell::Action::participationCheck && !polled(camp))) {
            test::reloadLists();
            return true;
        }
        // A tap that opens the detail page is a tap; the double clicks go to the page's button.
        const bool opensDetail =
            camp.detailpage == 1 && row->action() == CampTableViewCell::Action::join;
        tap(row, opensDetail ? Trouble::None : trouble);
        return true;
    }

    std::unique_ptr<QTemporaryDir> m_data;
    std::unique_ptr<RewardServer> m_wallet;
    QNetworkAccessManager m_network;
    std::unique_ptr<test::OfferwallHost> m_host;
    ManualPollTimer* m_timer = nullptr;
    bool m_troubleDone = false;
    QString m_user;
};

QTEST_MAIN(TstRewards)
#include "tst_rewards.moc"
