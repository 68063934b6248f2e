#include "support/SandboxFixture.h"

#include "sdk/Orvane.h"
#include "sdk/OrvaneSDK.h"

namespace orvane::test {

SandboxFixture::SandboxFixture(sandbox::Options options, const QString& userId)
    : m_userId(userId)
    , m_previousHost(OrvaneSDK::shared().hostUrl())
    , m_previousPartner(OrvaneSDK::shared().hostPartnerUrl())
    , m_previousNotice(OrvaneSDK::shared().noticeUrlOverride())
    , m_server(std::make_unique<sandbox::SandboxServer>(std::move(options))) {
    if (!m_server->listen(0)) {
        qWarning("SandboxFixture: %s", qPrintable(m_server->errorString()));
        return;
    }
    OrvaneSDK::shared().setHostUrl(m_server->campaignBase());
    OrvaneSDK::shared().setHostPartnerUrl(m_server->partnerBase());
    OrvaneSDK::shared().setNoticeUrlOverride(m_server->noticeUrl());
    Orvane::shared().initialize(sandbox::kDemoMkey, sandbox::kDemoMckey, m_userId);
}

SandboxFixture::~SandboxFixture() {
    OrvaneSDK::shared().setHostUrl(m_previousHost);
    OrvaneSDK::shared().setHostPartnerUrl(m_previousPartner);
    OrvaneSDK::shared().setNoticeUrlOverride(m_previousNotice);
    m_server.reset(); // before the settings store goes away with m_settings
}

} // namespace orvane::test
