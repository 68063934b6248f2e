#include "support/GuiTest.h"

#include <QCoreApplication>
#include <QDir>
#include <QLocale>
#include <QTest>

#include "core/ApiProvider.h"
#include "core/CacheFiles.h"
#include "core/ImageCache.h"
#include "core/Localized.h"
#include "core/Log.h"
#include "participation/ApiJoin.h"
#include "support/Fakes.h"

namespace orvane::test {

bool GuiTest::settled() {
    // A reply's work may send the next request: quiet only when nothing is left after running it.
    const auto idle = [] { return ApiProvider::requestsInFlight() == 0; };
    for (int round = 0; round < 10 && QTest::qWaitFor(idle, 10000); ++round) {
        QCoreApplication::sendPostedEvents();
        if (idle())
            return true;
    }
    return false;
}

void GuiTest::initTestCase() {
    Log::setDisplayLog(true);
    setLocalizationLanguage(QStringLiteral("en"));
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    initCase();
}

void GuiTest::init() {
    m_sandbox = std::make_unique<SandboxFixture>(sandboxOptions());
    QVERIFY2(m_sandbox->ok(), qPrintable(m_sandbox->errorString()));
    ApiJoin::shared().resetForTesting();
    // Every sandbox serves its images under its own port, and ports come round again (within a
    // run, and across runs through the disk store): start with no image known, so that a test
    // counting image requests never gets an old answer.
    QDir(cacheDirectory()).removeRecursively();
    ImageCache::defaultCache().clearLocalCache();
    m_log = std::make_unique<LogCapture>();
    initTest();
}

void GuiTest::cleanup() {
    cleanupTest();
    const QStringList lines = m_log->lines();
    m_log.reset();
    for (const QString& line : QTest::currentTestFailed() ? lines : QStringList())
        qInfo().noquote() << line;
    ApiJoin::shared().resetForTesting();
    restoreDefaultServices();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    m_sandbox.reset(); // waits for the kit's requests to end
    setLocalizationLanguage(QStringLiteral("en"));
}

} // namespace orvane::test
