#pragma once

#include <memory>
#include <optional>

#include <QString>

#include "sandbox/SandboxServer.h"
#include "support/TestSupport.h"

namespace orvane::test {

// A sandbox server on a free loopback port with the kit pointed at it: a private settings store,
// OrvaneSDK's campaign base, partner base and notice address set to the server, and
// Orvane::shared().initialize("demo-mkey", "demo-mckey", userId). Everything it changed is put back
// on destruction. Make it on the test's main thread and spin that thread's event loop
// (QTRY_*, QSignalSpy::wait) while the kit talks to the server.
//
//     test::SandboxFixture sandbox;
//     QVERIFY2(sandbox.ok(), qPrintable(sandbox.errorString()));
//     sandbox.server().setFault("/v1/join", sandbox::Fault::resultCode(403));
class SandboxFixture final {
public:
    explicit SandboxFixture(sandbox::Options options = {},
                            const QString& userId = QStringLiteral("user-1"));
    ~SandboxFixture();
    SandboxFixture(const SandboxFixture&) = delete;
    SandboxFixture& operator=(const SandboxFixture&) = delete;

    bool ok() const { return m_server->isListening(); }
    QString errorString() const { return m_server->errorString(); }
    sandbox::SandboxServer& server() { return *m_server; }
    TemporarySettings& settings() { return m_settings; }
    QString userId() const { return m_userId; }

    // Stops the server and starts a new one on the same options (the same data folder, when they
    // name one) and a free port, and points the kit at it, as a restart of the server would.
    bool restart();

    // Sends a request of its own through the kit's transport (to a control endpoint, so it is not
    // logged) and waits for its answer: what the code under test sent before it has reached the
    // server by then. The way to check that something was NOT requested without a fixed sleep.
    bool settle();

private:
    void pointTheKitAtTheServer();

    TemporarySettings m_settings;
    sandbox::Options m_options;
    QString m_userId;
    std::optional<QString> m_previousHost;
    std::optional<QString> m_previousPartner;
    std::optional<QString> m_previousNotice;
    std::unique_ptr<sandbox::SandboxServer> m_server;
};

} // namespace orvane::test
