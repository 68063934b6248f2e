#include <functional>

#include <QtTest>

#include "api/ApiTestUtil.h"
#include "core/ApiList.h"
#include "core/Records.h"
#include "support/SandboxFixture.h"

using namespace orvane;
using sandbox::Fault;

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
    static const QList<Call> table = {
        {"getReq", "/v1/req", [](ApiCompletion c) { ApiList().getReq(c); }, as<Req>()},
        {"getCamp", "/api/cs/user_camp_list", [](ApiCompletion c) { ApiList().getCamp(c); },
         as<Req>()},
        {"getAgreeContents", "/api/cs/agree_contents_app",
         [](ApiCompletion c) { ApiList().getAgreeContents(c); }, as<AgreeContents>()},
        {"getReward(history)", "/api/cs/user_reward_list",
         [](ApiCompletion c) {
             ApiList().getReward(QStringLiteral("0"), QStringLiteral("20240101"),
                                 QStringLiteral("20241231"), c);
         },
         as<RewardList>()},
        {"postCS", "/api/cs",
         [](ApiCompletion c) {
             ApiList().postCS(QStringLiteral("Name"), QStringLiteral("a@b.c"), QString(),
                              QStringLiteral("1"), 101, QStringLiteral("text"),
                              {test::testImage(Qt::red)}, c);
         },
         as<ResultData>()},
        {"getHalvekNotice", "/orvane/sdk/notice_contents.json",
         [](ApiCompletion c) { ApiList().getHalvekNotice(c); }, as<HalvekNotice>()},
        {"getView", "/v1/view",
         [](ApiCompletion c) { ApiList().getView(QStringLiteral("101"), c); }, as<HalvekNotice>()},
        {"getState", "/v1/state",
         [](ApiCompletion c) { ApiList().getState(QStringLiteral("103"), c); }, as<State>()},
        {"getJoin", "/v1/join",
         [](ApiCompletion c) { ApiList().getJoin(QStringLiteral("103"), c); }, as<Join>()},
        {"getInst",
         "/v1/inst",
         [](ApiCompletion c) { ApiList().getInst(QStringLiteral("101"), c); },
         {}},
        {"getExec", "/v1/exec",
         [](ApiCompletion c) { ApiList().getExec(QStringLiteral("101"), c); }, as<State>()},
        {"getReward(claim)", "/v1/reward",
         [](ApiCompletion c) {
             ApiList().getReward(QStringLiteral("108"), QStringLiteral("key"), c);
         },
         as<Join>()},
    };
    return table;
}

// What a call ends in.
enum class Outcome { HttpStatus, Undecodable, Transport, Timeout };

struct Injected {
    const char* name;
    Fault fault;
    Outcome outcome;
    std::optional<int> httpStatus;
};

const QList<Injected>& faults() {
    static const QList<Injected> table = {
        {"status 500", Fault::status(500), Outcome::HttpStatus, 500},
        {"status 404", Fault::status(404), Outcome::HttpStatus, 404},
        {"malformed body", Fault::withBody(Fault::Body::Malformed), Outcome::Undecodable, {}},
        {"empty body", Fault::withBody(Fault::Body::Empty), Outcome::Undecodable, {}},
        {"truncated body", Fault::withBody(Fault::Body::Truncated), Outcome::Transport, {}},
        {"dropped connection", Fault::withBody(Fault::Body::Drop), Outcome::Transport, {}},
        {"slower than the time-out", Fault::delay(30000), Outcome::Timeout, {}},
        {"oversized body", Fault(), Outcome::Transport, {}}, // with a reply cap below any reply
    };
    return table;
}

constexpr int kTimeoutMs = 500;
constexpr qint64 kReplyCap = 8;

} // namespace

// Every call under every fault the sandbox injects ends in exactly its documented outcome, and
// in bounded time: an HTTP error carries its status, a body that is not the call's record fails
// to decode, a reply that does not arrive whole is a transport error, one that does not come in
// time a time-out.
class FaultTableTest : public QObject {
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
    void everyCallUnderEveryFault_data();
    void everyCallUnderEveryFault();

private:
    std::unique_ptr<test::SandboxFixture> m_sandbox;
};

void FaultTableTest::everyCallUnderEveryFault_data() {
    QTest::addColumn<int>("call");
    QTest::addColumn<int>("fault");
    for (qsizetype c = 0; c < calls().size(); ++c) {
        for (qsizetype f = 0; f < faults().size(); ++f) {
            QTest::addRow("%s, %s", calls().at(c).name, faults().at(f).name) << int(c) << int(f);
        }
    }
}

void FaultTableTest::everyCallUnderEveryFault() {
    QFETCH(int, call);
    QFETCH(int, fault);
    const Call& target = calls().at(call);
    const Injected& injected = faults().at(fault);
    m_sandbox->server().setFault(QString::fromLatin1(target.path), injected.fault);
    if (injected.fault.delayMs > 0) {
        ApiProvider::setTimeoutForTesting(kTimeoutMs);
    } else if (injected.fault.body == Fault::Body::Normal && !injected.fault.httpStatus) {
        ApiProvider::setMaxReplyBytesForTesting(kReplyCap);
    }

    test::CompletionProbe probe;
    target.send(probe.completion());
    QTRY_COMPARE_WITH_TIMEOUT(probe.count(), 1, 15000);
    const ApiResult result = probe.result();
    QVERIFY2(m_sandbox->server().requestsTo(QString::fromLatin1(target.path)).size() >= 1,
             "the request never reached the server");

    switch (injected.outcome) {
    case Outcome::HttpStatus:
        QVERIFY(!result.ok());
        QCOMPARE(result.error().kind, ApiError::Kind::HttpStatus);
        QCOMPARE(result.error().httpStatus, injected.httpStatus);
        break;
    case Outcome::Undecodable:
        QVERIFY2(result.ok(), qPrintable(result.error().description()));
        if (target.decodes) {
            QVERIFY(!target.decodes(result.body()));
        }
        break;
    case Outcome::Transport:
        QVERIFY(!result.ok());
        QCOMPARE(result.error().kind, ApiError::Kind::Transport);
        break;
    case Outcome::Timeout:
        QVERIFY(!result.ok());
        QCOMPARE(result.error().kind, ApiError::Kind::Timeout);
        break;
    }
}

QTEST_MAIN(FaultTableTest)
#include "tst_faults.moc"
