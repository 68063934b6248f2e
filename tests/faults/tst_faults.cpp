#include <functional>

#include <QtTest>

#include "core/ApiList.h"
#include "core/Records.h"
#include "support/ApiTestUtil.h"
#include "support/SandboxFixture.h"

using namespace orvane;
using sandbox::Fault;
using namespace Qt::StringLiterals;

namespace {

// Every server call of the kit, with the path it reaches on the sandbox and whether the reply
// body it is given decodes as the call's record.
struct Call {
    const char* name;
    const char* path;
    std::function<void(ApiCompletion)> send;
    std::function<bool(const QByteArray&)> decodes; // empty: the reply is not read
};

template <WireRecord R>
std::function<bool(const QByteArray&)> as() {
    return [](const QByteArray& body) { return decode<R>(body).ok(); };
}

const QList<Call>& calls() {
    using C = ApiCompletion;
    static const QList<Call> table = {
        {"getReq", "/v1/req", [](C c) { ApiList().getReq(c); }, as<Req>()},
        {"getCamp", "/api/cs/user_camp_list", [](C c) { ApiList().getCamp(c); }, as<Req>()},
        {"getAgreeContents", "/api/cs/agree_contents_app",
         [](C c) { ApiList().getAgreeContents(c); }, as<AgreeContents>()},
        {"getReward(history)", "/api/cs/user_reward_list",
         [](C c) { ApiList().getReward(u"0"_s, u"20240101"_s, u"20241231"_s, c); },
         as<RewardList>()},
        {"postCS", "/api/cs",
         [](C c) {
             ApiList().postCS(u"Name"_s, u"a@b.c"_s, {}, u"1"_s, 101, u"text"_s,
                              {test::testImage(Qt::red)}, c);
         },
         as<ResultData>()},
        {"getHalvekNotice", "/orvane/sdk/notice_contents.json",
         [](C c) { ApiList().getHalvekNotice(c); }, as<HalvekNotice>()},
        {"getView", "/v1/view", [](C c) { ApiList().getView(u"101"_s, c); }, as<HalvekNotice>()},
        {"getState", "/v1/state", [](C c) { ApiList().getState(u"103"_s, c); }, as<State>()},
        {"getJoin", "/v1/join", [](C c) { ApiList().getJoin(u"103"_s, c); }, as<Join>()},
        {"getInst", "/v1/inst", [](C c) { ApiList().getInst(u"101"_s, c); }, {}},
        {"getExec", "/v1/exec", [](C c) { ApiList().getExec(u"101"_s, c); }, as<State>()},
        {"getReward(claim)", "/v1/reward", [](C c) { ApiList().getReward(u"108"_s, u"key"_s, c); },
         as<Join>()},
    };
    return table;
}

// A fault and what a call ends in under it: the error kind, or none for a reply that arrives
// whole (and then whether it decodes as the call's record).
struct Injected {
    const char* name;
    Fault fault;
    std::optional<ApiError::Kind> kind;
    bool decodes = false;
    std::optional<int> httpStatus = std::nullopt;
};

const QList<Injected>& faults() {
    using K = ApiError::Kind;
    static const QList<Injected> table = {
        {"no fault", Fault(), {}, true},
        {"status 500", Fault::status(500), K::HttpStatus, false, 500},
        {"status 404", Fault::status(404), K::HttpStatus, false, 404},
        {"malformed body", Fault::withBody(Fault::Body::Malformed), {}},
        {"empty body", Fault::withBody(Fault::Body::Empty), {}},
        {"truncated body", Fault::withBody(Fault::Body::Truncated), K::Transport},
        {"dropped connection", Fault::withBody(Fault::Body::Drop), K::Transport},
        {"slower than the time-out", Fault::delay(30000), K::Timeout},
        {"oversized body", Fault(), K::Transport}, // with a reply cap below any reply
    };
    return table;
}

constexpr int kTimeoutMs = 500;
constexpr qint64 kReplyCap = 8;

} // namespace

// Every call, without and under every fault the sandbox injects, ends once in exactly its
// documented outcome, in bounded time: an HTTP error carries its status, a body that is not the
// call's record fails to decode, a reply that does not arrive whole is a transport error, one that
// does not come in time a time-out.
class TstFaults : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() {
        m_sandbox = std::make_unique<test::SandboxFixture>();
        QVERIFY2(m_sandbox->ok(), qPrintable(m_sandbox->errorString()));
    }
    void cleanupTestCase() { m_sandbox.reset(); }
    void cleanup() {
        m_sandbox->server().clearFaults();
        ApiProvider::setTimeoutForTesting(0);
        ApiProvider::setMaxReplyBytesForTesting(0);
    }
    void everyCallUnderEveryFault_data() {
        QTest::addColumn<int>("call");
        QTest::addColumn<int>("fault");
        for (qsizetype c = 0; c < calls().size(); ++c) {
            for (qsizetype f = 0; f < faults().size(); ++f)
                QTest::addRow("%s, %s", calls().at(c).name, faults().at(f).name)
                    << int(c) << int(f);
        }
    }

    void everyCallUnderEveryFault() {
        QFETCH(int, call);
        QFETCH(int, fault);
        const Call& target = calls().at(call);
        const Injected& injected = faults().at(fault);
        m_sandbox->server().setFault(QString::fromLatin1(target.path), injected.fault);
        if (injected.fault.delayMs > 0)
            ApiProvider::setTimeoutForTesting(kTimeoutMs);
        else if (injected.kind == ApiError::Kind::Transport &&
                 injected.fault.body == Fault::Body::Normal)
            ApiProvider::setMaxReplyBytesForTesting(kReplyCap);

        test::CompletionProbe probe;
        target.send(probe.completion());
        QTRY_COMPARE_WITH_TIMEOUT(probe.count(), 1, 15000);
        const ApiResult result = probe.result();
        QVERIFY2(m_sandbox->server().requestsTo(QString::fromLatin1(target.path)).size() >= 1,
                 "the request never reached the server");

        // A reply that arrives whole is handed over as it is; the rest fail with their kind.
        QVERIFY2(result.ok() == !injected.kind, qPrintable(result.error().description()));
        if (!injected.kind && target.decodes)
            QCOMPARE(target.decodes(result.body()), injected.decodes);
        if (injected.kind) {
            QCOMPARE(result.error().kind, *injected.kind);
            QCOMPARE(result.error().httpStatus, injected.httpStatus);
            QVERIFY(!result.error().description().isEmpty());
        }
        // A request of its own sent after it has its answer: a second completion would be here too.
        QVERIFY(m_sandbox->settle());
        QCOMPARE(probe.count(), 1);
    }

private:
    std::unique_ptr<test::SandboxFixture> m_sandbox;
};

QTEST_MAIN(TstFaults)
#include "tst_faults.moc"
