#include "support/TestSupport.h"

#include <QMutex>
#include <QTest>

#include "core/Localized.h"
#include "core/UserDefaults.h"

namespace orvane::test {

namespace {
QMutex g_logMutex;
QStringList g_logLines;
QList<QtMsgType> g_logTypes;

void captureHandler(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    QMutexLocker lock(&g_logMutex);
    g_logTypes << type;
    g_logLines << QString::fromUtf8(context.category ? context.category : "") + QLatin1Char('|') +
                      message;
}
} // namespace

TemporarySettings::TemporarySettings() {
    restart();
}

TemporarySettings::~TemporarySettings() {
    UserDefaults::useStoreFile(QString());
}

QString TemporarySettings::path() const {
    return m_dir.filePath(QStringLiteral("settings.ini"));
}

void TemporarySettings::restart() {
    UserDefaults::useStoreFile(path());
}

LogCapture::LogCapture()
    : m_previous(qInstallMessageHandler(captureHandler)) {
    clear();
}

LogCapture::~LogCapture() {
    qInstallMessageHandler(m_previous);
}

QStringList LogCapture::lines() const {
    QMutexLocker lock(&g_logMutex);
    return g_logLines;
}

QList<QtMsgType> LogCapture::types() const {
    QMutexLocker lock(&g_logMutex);
    return g_logTypes;
}

bool LogCapture::contains(const QString& fragment) const {
    const QStringList all = lines();
    return std::any_of(all.cbegin(), all.cend(),
                       [&](const QString& l) { return l.contains(fragment); });
}

void LogCapture::clear() {
    QMutexLocker lock(&g_logMutex);
    g_logLines.clear();
    g_logTypes.clear();
}

QString text(const char* key) {
    return localized(QString::fromLatin1(key));
}

void drag(QWindow* window, QPoint at, int steps, int step, int delayMs, int holdMs) {
    QTest::mousePress(window, Qt::LeftButton, {}, at);
    for (int i = 0; i < steps; ++i) {
        QTest::qWait(delayMs);
        QTest::mouseMove(window, at -= QPoint(0, step));
    }
    QTest::qWait(holdMs);
    QTest::mouseRelease(window, Qt::LeftButton, {}, at);
}

} // namespace orvane::test
