#include "support/SandboxFixture.h"

#include <atomic>
#include <memory>

#include <QTest>

#include "core/ApiProvider.h"
#include "orvane/Orvane.h"
#include "orvane/OrvaneSDK.h"

namespace orvane::test {

SandboxFixture::SandboxFixture(sandbox::Options options, const QString& userId)
    : m_options(std::move(options))
    , m_userId(userId)
    , m_previousHost(OrvaneSDK::shared().hostUrl())
    , m_previousPartner(OrvaneSDK::shared().hostPartnerUrl())
    , m_previousNotice(OrvaneSDK::shared().noticeUrlOverride())
    , m_server(std::make_unique<sandbox::SandboxServer>(m_options)) {
    pointTheKitAtTheServer();
    Orvane::shared().initialize(sandbox::kDemoMkey, sandbox::kDemoMckey, m_userId);
}

void SandboxFixture::pointTheKitAtTheServer() {
    if (!m_server->listen(0)) {
        qWarning("SandboxFixture: %s", qPrintable(m_server->errorString()));
        return;
    }
    OrvaneSDK::shared().setHostUrl(m_server->campaignBase());
    OrvaneSDK::shared().setHostPartnerUrl(m_server->partnerBase());
    OrvaneSDK::shared().setNoticeUrlOverride(m_server->noticeUrl());
}

bool SandboxFixture::restart() {
    if (!QTest::qWaitFor([] { return ApiProvider::requestsInFlight() == 0; }, 10000)) {
        return false;
    }
    m_server.reset();
    m_server = std::make_unique<sandbox::SandboxServer>(m_options);
    pointTheKitAtTheServer();
    return ok();
}

bool SandboxFixture::settle() {
    auto answered = std::make_shared<std::atomic_bool>(false);
    ApiProvider::request(QUrl(m_server->baseUrl() + QStringLiteral("/__sandbox/requests")),
                         ApiProvider::REQUEST_METHOD_GET, {}, {},
                         [answered](const ApiResult&) { answered->store(true); });
    return QTest::qWaitFor([&answered] { return answered->load(); }, 10000);
}

SandboxFixture::~SandboxFixture() {
    // Let the requests of the test finish against this server: a completion that runs after the
    // test (or after the test framework's logger is gone) would otherwise log into the next one.
    if (!QTest::qWaitFor([] { return ApiProvider::requestsInFlight() == 0; }, 10000)) {
        qWarning("SandboxFixture: %d requests still running at teardown",
                 ApiProvider::requestsInFlight());
    }
    OrvaneSDK::shared().setHostUrl(m_previousHost);
    OrvaneSDK::shared().setHostPartnerUrl(m_previousPartner);
    OrvaneSDK::shared().setNoticeUrlOverride(m_previousNotice);
    m_server.reset(); // before the settings store goes away with m_settings
}

} // namespace orvane::test
