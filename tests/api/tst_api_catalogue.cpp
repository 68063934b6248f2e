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
using test::CompletionProbe;

namespace {

const QByteArray kKeys = "mkey=demo-mkey&mckey=demo-mckey&userid=user-1";
const QByteArray kAdid = "11111111-2222-3333-4444-555555555555";
const QByteArray kAccid = "AAAAAAAA-BBBB-CCCC-DDDD-EEEEEEEEEEEE";

using Call = std::function<void(ApiList&, ApiCompletion)>;

struct Expected {
    const char* label;
    QString path;
    Call call;
    QByteArray query;
};

// Every catalogue call with the query it must send under the fake device and default settings.
QList<Expected> everyGet() {
    using A = ApiList&;
    using C = ApiCompletion;
    return {
        {"getReq", "/v1/req", [](A a, C c) { a.getReq(c); },
         kKeys + "&adid=" + kAdid + "&gender=0&carrier=Orvane%20Mobile"},
        {"getCamp", "/api/cs/user_camp_list", [](A a, C c) { a.getCamp(c); }, kKeys},
        {"getAgreeContents", "/api/cs/agree_contents_app", [](A a, C c) { a.getAgreeContents(c); },
         kKeys},
        {"getReward history", "/api/cs/user_reward_list",
         [](A a, C c) { a.getReward("0", "20240101", "20240131", c); },
         kKeys + "&sdate=20240101&edate=20240131"},
        {"getView", "/v1/view", [](A a, C c) { a.getView("101", c); }, kKeys + "&campid=101"},
        {"getState", "/v1/state", [](A a, C c) { a.getState("101", c); }, kKeys + "&campid=101"},
        {"getJoin", "/v1/join", [](A a, C c) { a.getJoin("101", c); },
         kKeys + "&campid=101&adid=" + kAdid + "&accid=" + kAccid +
             "&devmodel=iPhone%20SE%202nd%20Gen&osver=14.4&carrier=Orvane%20Mobile&gender=0"},
        {"getInst", "/v1/inst", [](A a, C) { a.getInst("101"); },
         kKeys + "&campid=101&adid=" + kAdid + "&os=ios"},
        {"getExec", "/v1/exec", [](A a, C c) { a.getExec("101", c); },
         "mkey=demo-mkey&mckey=demo-mckey&campid=101&adid=" + kAdid},
        {"getReward claim", "/v1/reward", [](A a, C c) { a.getReward("101", "k&y=1", c); },
         "mkey=demo-mkey&mckey=demo-mckey&campid=101&userid=user-1&adid=" + kAdid +
             "&os=ios&orvkey=k%26y%3D1"},
    };
}

} // namespace

class TstApiCatalogue : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void everyCallSendsItsExactQueryAndHeaders();
    void conditionalAndBareFields();
    void settingsReadAtCreationOrAtCall();
    void inquiryIsOneMultipartPost();
    void missingConfigurationFailsTheCall();
    void requestsAndRepliesAreLogged();

private:
    // Runs one call against the sandbox and returns what the server logged for `path`.
    sandbox::LoggedRequest run(const QString& path, const Call& call, bool expectCompletion = true);

    std::unique_ptr<test::SandboxFixture> m_sandbox;
};

void TstApiCatalogue::init() {
    test::FakeDeviceInfo::install();
    m_sandbox = std::make_unique<test::SandboxFixture>();
    QVERIFY2(m_sandbox->ok(), qPrintable(m_sandbox->errorString()));
}

void TstApiCatalogue::cleanup() {
    m_sandbox.reset();
    OrvaneSDK::shared().setIsInspect(false);
    ApiProvider::setTimeoutForTesting(0);
    ApiProvider::setMaxReplyBytesForTesting(0);
    Log::setDisplayLog(false);
}

sandbox::LoggedRequest TstApiCatalogue::run(const QString& path, const Call& call,
                                            bool expectCompletion) {
    sandbox::SandboxServer& server = m_sandbox->server();
    server.clearRequests();
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
    [&] { QTRY_COMPARE(server.requestsTo(path).size(), 1); }();
    return server.requestsTo(path).value(0);
}

// Inspection ends every query but the notice file's with "campinspect=1".
void TstApiCatalogue::everyCallSendsItsExactQueryAndHeaders() {
    for (const bool inspect : {false, true}) {
        OrvaneSDK::shared().setIsInspect(inspect);
        for (const Expected& e : everyGet()) {
            const bool completes = !inspect && e.path != QLatin1String("/v1/inst");
            const sandbox::LoggedRequest request = run(e.path, e.call, completes);
            QVERIFY2(!QTest::currentTestFailed(), e.label);
            QCOMPARE(request.method, QByteArray("GET"));
            QCOMPARE(request.rawQuery, e.query + (inspect ? "&campinspect=1" : ""));
            QCOMPARE(request.header("User-Agent"), ApiProvider::kUserAgent.toUtf8());
            QCOMPARE(request.header("cookie"), QByteArray("1"));
            QVERIFY(!request.hasHeader("Content-Type"));
            QVERIFY(request.body.isEmpty());
        }
        const sandbox::LoggedRequest notice =
            run("/orvane/sdk/notice_contents.json",
                [](ApiList& a, ApiCompletion c) { a.getHalvekNotice(c); });
        QVERIFY(notice.rawQuery.isEmpty());
        QCOMPARE(notice.header("cookie"), QByteArray("1"));
    }
}

void TstApiCatalogue::conditionalAndBareFields() {
    UserDefaults::standard().set(keys::kAge, 30);
    UserDefaults::standard().set(keys::kGender, "2");
    test::FakeDeviceInfo& device = test::FakeDeviceInfo::install();
    device.setCarrierName(std::nullopt);
    device.setVendorIdentifier(std::nullopt);
    device.setHardwareIdentifier("Desk9,1"); // not in the model table: sent as it is
    device.setSystemVersion("12");

    QCOMPARE(run("/v1/req", [](ApiList& a, ApiCompletion c) { a.getReq(c); }).rawQuery,
             kKeys + "&adid=" + kAdid + "&gender=2&carrier&age=30");
    QCOMPARE(run("/v1/join", [](ApiList& a, ApiCompletion c) { a.getJoin("7", c); }).rawQuery,
             kKeys + "&campid=7&adid=" + kAdid +
                 "&accid&devmodel=Desk9%2C1&osver=12&carrier&gender=2&age=30");
    const sandbox::LoggedRequest history =
        run("/api/cs/user_reward_list",
            [](ApiList& a, ApiCompletion c) { a.getReward("2", "20240101", "20240131", c); });
    QCOMPARE(history.rawQuery, kKeys + "&sdate=20240101&edate=20240131&rewardtype=2");
    // The server sees a bare field apart from an empty one.
    const sandbox::LoggedRequest list =
        run("/v1/req", [](ApiList& a, ApiCompletion c) { a.getReq(c); });
    QVERIFY(list.hasQueryItem("carrier"));
    QVERIFY(!list.queryValue("carrier").has_value());

    // Values that look like query syntax stay one field.
    UserDefaults::standard().set(keys::kUserId, "a b&c=d+e#f");
    const sandbox::LoggedRequest odd =
        run("/v1/state", [](ApiList& a, ApiCompletion c) { a.getState("1/2?", c); });
    QCOMPARE(odd.queryValue("userid"), std::optional<QString>("a b&c=d+e#f"));
    QCOMPARE(odd.queryValue("campid"), std::optional<QString>("1/2?"));
    QCOMPARE(odd.queryNames(), (QStringList{"mkey", "mckey", "userid", "campid"}));
}

void TstApiCatalogue::settingsReadAtCreationOrAtCall() {
    ApiList api; // keys, user and bases are taken now
    UserDefaults::standard().set(keys::kMkey, "other-mkey");
    UserDefaults::standard().set(keys::kGender, "1");
    OrvaneSDK::shared().setIsInspect(true);
    const QString base = m_sandbox->server().campaignBase();
    OrvaneSDK::shared().setHostUrl("http://127.0.0.1:1/v1");

    CompletionProbe probe;
    api.getReq(probe.completion());
    QTRY_COMPARE(m_sandbox->server().requestsTo("/v1/req").size(), 1);
    const sandbox::LoggedRequest request = m_sandbox->server().requestsTo("/v1/req").first();
    QCOMPARE(request.queryValue("mkey"), std::optional<QString>("demo-mkey"));
    QCOMPARE(request.queryValue("gender"), std::optional<QString>("1"));
    QCOMPARE(request.queryNames().last(), "campinspect");
    QTRY_COMPARE(probe.count(), 1);

    // A new object sees the new values; the base given by the host gets the path appended.
    OrvaneSDK::shared().setHostUrl(base + "/");
    ApiList next;
    QCOMPARE(next.hostUrl(), base + "/");
    CompletionProbe second;
    next.getView("5", second.completion());
    QTRY_COMPARE(second.count(), 1);
    QVERIFY(!second.result().ok()); // "//view" is not a path the server knows
    QCOMPARE(second.result().error().kind, ApiError::Kind::HttpStatus);
    QCOMPARE(m_sandbox->server().requests().last().path, "/v1//view");
    QCOMPARE(m_sandbox->server().requests().last().queryValue("mkey"),
             std::optional<QString>("other-mkey"));
}

// The form's fields are checked where the inquiry screen sends one, the body's bytes in
// tst_api_transport: here, what makes it one multipart POST the server takes.
void TstApiCatalogue::inquiryIsOneMultipartPost() {
    OrvaneSDK::shared().setIsInspect(true); // adds nothing to a form
    const sandbox::LoggedRequest request = run("/api/cs", [&](ApiList& a, ApiCompletion c) {
        a.postCS("Kim", "kim@example.com", "010-1234", "2", 101, "Line 1\nLine 2 & more",
                 {test::testImage(Qt::green), test::testImage(Qt::yellow, 64, 64)}, c);
    });
    QCOMPARE(request.method, QByteArray("POST"));
    QVERIFY(request.rawQuery.isEmpty());
    QCOMPARE(request.header("Content-Type"), QByteArray("multipart/form-data; boundary=^-----^"));
    QCOMPARE(request.header("cookie"), QByteArray("1"));
    const QList<sandbox::Inquiry> stored = m_sandbox->server().inquiries();
    QCOMPARE(stored.size(), 1);
    QCOMPARE(stored.first().fields.size(), 9);
    QCOMPARE(stored.first().field("content"), "Line 1\nLine 2 & more");
    QCOMPARE(stored.first().field("mkey"), "demo-mkey");
    QCOMPARE(stored.first().field("mckey"), "demo-mckey");
    QCOMPARE(stored.first().images.size(), 2);
}

void TstApiCatalogue::missingConfigurationFailsTheCall() {
    test::LogCapture log;
    Log::setDisplayLog(true);
    auto expectConfigurationError = [](const std::function<void(ApiCompletion)>& call,
                                       const char* fragment) {
        CompletionProbe probe;
        call(probe.completion());
        QTRY_COMPARE(probe.count(), 1);
        QVERIFY(!probe.ranOnMainThread());
        QCOMPARE(probe.result().error().kind, ApiError::Kind::Configuration);
        QVERIFY2(probe.result().error().description().contains(fragment),
                 qPrintable(probe.result().error().description()));
    };

    UserDefaults::standard().remove(keys::kMckey);
    expectConfigurationError([](ApiCompletion c) { ApiList().getReq(c); }, "STANDARD_MCKEY");
    expectConfigurationError(
        [](ApiCompletion c) { ApiList().postCS("", "", "", "", 1, "", {}, c); }, "initialize");
    ApiList().getInst("1"); // no completion, no crash
    QVERIFY(log.contains(QStringLiteral("ERROR")));
    QVERIFY(log.contains(QStringLiteral("Configuration error")));

    UserDefaults::standard().set(keys::kMckey, "demo-mckey");
    OrvaneSDK::shared().setHostPartnerUrl(std::nullopt);
    expectConfigurationError([](ApiCompletion c) { ApiList().getState("1", c); }, "hostPartnerUrl");
    OrvaneSDK::shared().setHostPartnerUrl("ftp://127.0.0.1/api");
    expectConfigurationError([](ApiCompletion c) { ApiList().getCamp(c); }, "not an HTTP address");
    QCOMPARE(m_sandbox->server().requests().size(), 0);

    // The notice file needs neither keys nor bases.
    UserDefaults::standard().remove(keys::kMkey);
    CompletionProbe notice;
    ApiList().getHalvekNotice(notice.completion());
    QTRY_COMPARE(notice.count(), 1);
    QVERIFY(notice.result().ok());
    QVERIFY(decode<HalvekNotice>(notice.result().body()).ok());
}

void TstApiCatalogue::requestsAndRepliesAreLogged() {
    test::LogCapture log;
    Log::setDisplayLog(true);
    // One entry framed by a rule of 71 '>' (sent) or '<' (received), the address on its own line.
    const auto logged = [&](const QString& start, QChar rule, const QString& path) {
        const QString line = QString(71, rule);
        const QString entry = start + line + " \n " + m_sandbox->server().campaignBase() + path;
        const QStringList lines = log.lines();
        return std::any_of(lines.begin(), lines.end(),
                           [&](const QString& l) { return l.contains(entry) && l.endsWith(line); });
    };
    ApiProvider::setMaxReplyBytesForTesting(64);
    CompletionProbe probe;
    ApiList().getReq(probe.completion());
    QTRY_COMPARE(probe.count(), 1);
    QVERIFY(probe.result().error().description().contains("larger than 64 bytes"));
    QVERIFY2(logged("NETWORK|", '>', "/req?"), qPrintable(log.lines().join('\n')));
    QVERIFY(log.contains("APIProvider Error : Transport error"));

    ApiProvider::setMaxReplyBytesForTesting(0);
    m_sandbox->server().setFault("/v1/state", sandbox::Fault::status(404));
    CompletionProbe refused;
    ApiList().getState("3", refused.completion());
    QTRY_COMPARE(refused.count(), 1);
    QVERIFY2(logged("", '<', "/state?"), qPrintable(log.lines().join('\n')));
}

QTEST_MAIN(TstApiCatalogue)
#include "tst_api_catalogue.moc"
