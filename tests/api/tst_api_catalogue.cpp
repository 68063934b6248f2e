#include <functional>

#include <QtTest>

#include "core/ApiList.h"
#include "core/Log.h"
#include "core/Records.h"
#include "core/SettingsKeys.h"
#include "core/UserDefaults.h"
#include "orvane/OrvaneSDK.h"
#include "support/ApiTestUtil.h"
#include "support/Fakes.h"
#include "support/SandboxFixture.h"

using namespace orvane;
using namespace Qt::StringLiterals;
using test::CompletionProbe;

namespace {

const QByteArray kKeys = "mkey=demo-mkey&mckey=demo-mckey&userid=user-1";
const QByteArray kAdid = "11111111-2222-3333-4444-555555555555";
const QByteArray kAccid = "AAAAAAAA-BBBB-CCCC-DDDD-EEEEEEEEEEEE";

using Call = std::function<void(ApiList&, ApiCompletion)>;

struct Expected {
    QString path;
    Call call;
    QByteArray query;
};

// Every catalogue call with the query it must send under the fake device and default settings.
QList<Expected> everyGet() {
    using A = ApiList&;
    using C = ApiCompletion;
    const QString id = u"101"_s;
    return {
        {u"/v1/req"_s, [](A a, C c) { a.getReq(c); },
         kKeys + "&adid=" + kAdid + "&gender=0&carrier=Orvane%20Mobile"},
        {u"/api/cs/user_camp_list"_s, [](A a, C c) { a.getCamp(c); }, kKeys},
        {u"/api/cs/agree_contents_app"_s, [](A a, C c) { a.getAgreeContents(c); }, kKeys},
        {u"/api/cs/user_reward_list"_s,
         [](A a, C c) { a.getReward(u"0"_s, u"20240101"_s, u"20240131"_s, c); },
         kKeys + "&sdate=20240101&edate=20240131"},
        {u"/v1/view"_s, [id](A a, C c) { a.getView(id, c); }, kKeys + "&campid=101"},
        {u"/v1/state"_s, [id](A a, C c) { a.getState(id, c); }, kKeys + "&campid=101"},
        {u"/v1/join"_s, [id](A a, C c) { a.getJoin(id, c); },
         kKeys + "&campid=101&adid=" + kAdid + "&accid=" + kAccid +
             "&devmodel=iPhone%20SE%202nd%20Gen&osver=14.4&carrier=Orvane%20Mobile&gender=0"},
        {u"/v1/inst"_s, [id](A a, C) { a.getInst(id); },
         kKeys + "&campid=101&adid=" + kAdid + "&os=ios"},
        {u"/v1/exec"_s, [id](A a, C c) { a.getExec(id, c); },
         "mkey=demo-mkey&mckey=demo-mckey&campid=101&adid=" + kAdid},
        {u"/v1/reward"_s, [id](A a, C c) { a.getReward(id, u"k&y=1"_s, c); },
         "mkey=demo-mkey&mckey=demo-mckey&campid=101&userid=user-1&adid=" + kAdid +
             "&os=ios&orvkey=k%26y%3D1"},
    };
}

} // namespace

class TstApiCatalogue : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() {
        test::FakeDeviceInfo::install();
        m_sandbox = std::make_unique<test::SandboxFixture>();
        QVERIFY2(m_sandbox->ok(), qPrintable(m_sandbox->errorString()));
    }
    void cleanup() {
        m_sandbox.reset();
        OrvaneSDK::shared().setIsInspect(false);
        Log::setDisplayLog(false);
    }
    void everyCallSendsItsExactQueryAndHeaders_data() {
        QTest::addColumn<bool>("inspect");
        QTest::addColumn<bool>("child");
        QTest::newRow("plain") << false << false;
        QTest::newRow("inspection") << true << false;
        QTest::newRow("child") << false << true;
        QTest::newRow("child, inspection") << true << true;
    }
    // Inspection ends every query but the notice file's with "campinspect=1". For a child, every
    // field is still sent, but "adid" is all zeros and "accid" bare, whatever the device says.
    void everyCallSendsItsExactQueryAndHeaders() {
        QFETCH(bool, inspect);
        QFETCH(bool, child);
        UserDefaults::standard().set(keys::kChildDirected, child);
        OrvaneSDK::shared().setIsInspect(inspect);
        for (const Expected& e : everyGet()) {
            const bool completes = !inspect && e.path != "/v1/inst"_L1;
            const sandbox::LoggedRequest request = run(e.path, e.call, completes);
            QVERIFY2(!QTest::currentTestFailed(), qPrintable(e.path));
            QCOMPARE(request.method, "GET"_ba);
            QByteArray query = e.query + (inspect ? "&campinspect=1" : "");
            if (child)
                query.replace(kAdid, QUuid().toByteArray(QUuid::WithoutBraces))
                    .replace(QByteArray("accid=" + kAccid), "accid");
            QCOMPARE(request.rawQuery, query);
            QCOMPARE(request.header("User-Agent"), ApiProvider::kUserAgent.toUtf8());
            QCOMPARE(request.header("cookie"), "1"_ba);
            QVERIFY(!request.hasHeader("Content-Type") && request.body.isEmpty());
        }
        const sandbox::LoggedRequest notice =
            run(u"/orvane/sdk/notice_contents.json"_s,
                [](ApiList& a, ApiCompletion c) { a.getHalvekNotice(c); });
        QVERIFY(notice.rawQuery.isEmpty());
        QCOMPARE(notice.header("cookie"), "1"_ba);
    }
    void conditionalAndBareFields() {
        UserDefaults::standard().set(keys::kAge, 30);
        UserDefaults::standard().set(keys::kGender, u"2"_s);
        test::FakeDeviceInfo& device = test::FakeDeviceInfo::install();
        device.setCarrierName(std::nullopt);
        device.setVendorIdentifier(std::nullopt);
        device.setHardwareIdentifier(u"Desk9,1"_s); // not in the model table: sent as it is
        device.setSystemVersion(u"12"_s);

        const sandbox::LoggedRequest list =
            run(u"/v1/req"_s, [](ApiList& a, ApiCompletion c) { a.getReq(c); });
        QCOMPARE(list.rawQuery, kKeys + "&adid=" + kAdid + "&gender=2&carrier&age=30");
        // The server sees a bare field apart from an empty one.
        QVERIFY(list.hasQueryItem(u"carrier"_s) && !list.queryValue(u"carrier"_s));
        QCOMPARE(
            run(u"/v1/join"_s, [](ApiList& a, ApiCompletion c) { a.getJoin(u"7"_s, c); }).rawQuery,
            kKeys + "&campid=7&adid=" + kAdid +
                "&accid&devmodel=Desk9%2C1&osver=12&carrier&gender=2&age=30");

        // Values that look like query syntax stay one field.
        UserDefaults::standard().set(keys::kUserId, u"a b&c=d+e#f"_s);
        const sandbox::LoggedRequest odd =
            run(u"/v1/state"_s, [](ApiList& a, ApiCompletion c) { a.getState(u"1/2?"_s, c); });
        QCOMPARE(odd.queryValue(u"userid"_s), std::optional<QString>(u"a b&c=d+e#f"_s));
        QCOMPARE(odd.queryValue(u"campid"_s), std::optional<QString>(u"1/2?"_s));
        QCOMPARE(odd.queryNames(), (QStringList{u"mkey"_s, u"mckey"_s, u"userid"_s, u"campid"_s}));
    }
    void missingConfigurationFailsTheCall() {
        test::LogCapture log;
        Log::setDisplayLog(true);
        const auto expectConfigurationError = [](const std::function<void(ApiCompletion)>& call,
                                                 const char* fragment) {
            CompletionProbe probe;
            call(probe.completion());
            QTRY_COMPARE(probe.count(), 1);
            QVERIFY(!probe.ranOnMainThread());
            QCOMPARE(probe.result().error().kind, ApiError::Kind::Configuration);
            QVERIFY2(probe.result().error().description().contains(QLatin1String(fragment)),
                     qPrintable(probe.result().error().description()));
        };

        UserDefaults::standard().remove(keys::kMckey);
        expectConfigurationError([](ApiCompletion c) { ApiList().getReq(c); }, "STANDARD_MCKEY");
        expectConfigurationError(
            [](ApiCompletion c) { ApiList().postCS({}, {}, {}, {}, 1, {}, {}, c); }, "initialize");
        ApiList().getInst(u"1"_s); // no completion, no crash
        QVERIFY(log.contains(u"ERROR"_s) && log.contains(u"Configuration error"_s));

        UserDefaults::standard().set(keys::kMckey, u"demo-mckey"_s);
        OrvaneSDK::shared().setHostPartnerUrl(std::nullopt);
        expectConfigurationError([](ApiCompletion c) { ApiList().getState(u"1"_s, c); },
                                 "hostPartnerUrl");
        OrvaneSDK::shared().setHostPartnerUrl(u"ftp://127.0.0.1/api"_s);
        expectConfigurationError([](ApiCompletion c) { ApiList().getCamp(c); },
                                 "not an HTTP address");
        QCOMPARE(server().requests().size(), 0);

        // The notice file needs neither keys nor bases.
        UserDefaults::standard().remove(keys::kMkey);
        CompletionProbe notice;
        ApiList().getHalvekNotice(notice.completion());
        QTRY_COMPARE(notice.count(), 1);
        QVERIFY(decode<HalvekNotice>(notice.result().body()).ok());
    }

private:
    // Runs one call against the sandbox and returns what the server logged for `path`.
    sandbox::LoggedRequest run(const QString& path, const Call& call,
                               bool expectCompletion = true) {
        server().clearRequests();
        CompletionProbe probe;
        ApiList api;
        call(api, probe.completion());
        if (expectCompletion) {
            [&] {
                QTRY_COMPARE(probe.count(), 1);
                QVERIFY2(probe.result().ok(), qPrintable(probe.result().error().description()));
                QVERIFY(!probe.ranOnMainThread());
            }();
        }
        [&] { QTRY_COMPARE(server().requestsTo(path).size(), 1); }();
        return server().requestsTo(path).value(0);
    }
    sandbox::SandboxServer& server() { return m_sandbox->server(); }

    std::unique_ptr<test::SandboxFixture> m_sandbox;
};

QTEST_MAIN(TstApiCatalogue)
#include "tst_api_catalogue.moc"
