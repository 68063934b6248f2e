#pragma once

#include <memory>

#include <QObject>

#include "support/SandboxFixture.h"
#include "support/TestSupport.h"

namespace orvane::test {

// The base of the kit's screen tests. For the whole run: English texts, the US locale and the
// kit's debug log on. For each test function: a fresh sandbox with the kit pointed at it and a
// clean settings store, an empty image cache, the participation flow reset, the log captured (and
// printed when the test fails); afterwards the kit's requests are waited for before the sandbox
// stops, and the platform fakes and deleted screens are cleared away. Subclasses add their own
// steps in the hooks.
class GuiTest : public QObject {
    Q_OBJECT

protected:
    virtual void initCase() {}
    virtual void initTest() {}
    virtual void cleanupTest() {}
    // The options of each test function's sandbox.
    virtual sandbox::Options sandboxOptions() { return {}; }

    SandboxFixture& sandbox() { return *m_sandbox; }
    sandbox::SandboxServer& server() { return m_sandbox->server(); }
    int requests(const QString& path) { return int(server().requestsTo(path).size()); }
    LogCapture& log() { return *m_log; }
    // Waits until the kit has no request in flight and what the replies queued for this thread has
    // run: the way to check that something did NOT happen without a fixed sleep.
    static bool settled();

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

private:
    std::unique_ptr<SandboxFixture> m_sandbox;
    std::unique_ptr<LogCapture> m_log;
};

} // namespace orvane::test
