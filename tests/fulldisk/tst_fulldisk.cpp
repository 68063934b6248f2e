#include <csignal>

#include <sys/resource.h>

#include <QDir>
#include <QtTest>

#include "core/CacheFiles.h"
#include "core/ImageCache.h"
#include "core/Log.h"
#include "core/UserDefaults.h"
#include "support/ImageServer.h"
#include "support/SandboxFixture.h"

using namespace orvane;

namespace {

// While it lives, no file may grow: writes fail with EFBIG, as on a full disk. Needs no privileges
// (the soft limit goes down and back up to the hard one); SIGXFSZ is ignored so that the write
// fails instead of killing the process.
class FullDisk final {
public:
    FullDisk() {
        getrlimit(RLIMIT_FSIZE, &m_saved);
        m_handler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit none = m_saved;
        none.rlim_cur = 0;
        setrlimit(RLIMIT_FSIZE, &none);
    }
    ~FullDisk() {
        setrlimit(RLIMIT_FSIZE, &m_saved);
        std::signal(SIGXFSZ, m_handler);
    }
    Q_DISABLE_COPY_MOVE(FullDisk)

private:
    rlimit m_saved{};
    void (*m_handler)(int) = nullptr;
};

QByteArray contentOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

qsizetype linesWith(const test::LogCapture& log, const QString& fragment) {
    return log.lines().filter(fragment).size();
}

} // namespace

class TstFullDisk : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { Log::setDisplayLog(true); }
    void init() { QDir(cacheDirectory()).removeRecursively(); }
    void imageStore_data();
    void imageStore();
    void settings();
};

void TstFullDisk::imageStore_data() {
    QTest::addColumn<bool>("download"); // through loadImage, else cacheImage
    QTest::newRow("stored by the caller") << false;
    QTest::newRow("downloaded") << true;
}

// A full disk loses no picture (the download is answered and kept in memory), leaves no file a
// later read could take for an image, logs once, and writes again once space returns.
void TstFullDisk::imageStore() {
    QFETCH(bool, download);
    test::SandboxFixture sandbox;
    QVERIFY2(sandbox.ok(), qPrintable(sandbox.errorString()));
    test::LogCapture log;
    ImageCache cache;
    const auto url = [&](qint64 campid) { return QUrl(sandbox.server().imageUrl(campid)); };
    const auto store = [&](qint64 campid) {
        if (!download) {
            return cache.cacheImage(test::ImageServer::png(test::ImageServer::makeImage(
                                        QStringLiteral("64x64"), QStringLiteral("red"))),
                                    ImageCache::key(url(campid)));
        }
        QImage answer;
        cache.loadImage(url(campid), std::nullopt,
                        [&answer](const QString&, const QImage& image) { answer = image; });
        return QTest::qWaitFor([&] { return !answer.isNull(); }, 10000);
    };

    {
        FullDisk full;
        QCOMPARE(store(101), download); // a download is still answered
        QCOMPARE(store(102), download);
        QCOMPARE(!cache.image(ImageCache::key(url(101))).isNull(), download); // from memory
    }
    QCOMPARE(QDir(cacheDirectory()).entryList(QDir::Files | QDir::Hidden), QStringList());
    QCOMPARE(linesWith(log, QStringLiteral("Error write file")), 1);

    QVERIFY(store(103));
    QVERIFY(!QImage(ImageCache::filePath(ImageCache::key(url(103)))).isNull());
    QVERIFY(log.contains(QStringLiteral("works again")));
}

// Settings written on a full disk stay readable, the file keeps its last good content, and the
// first write after space returns stores everything.
void TstFullDisk::settings() {
    test::TemporarySettings settings;
    test::LogCapture log;
    UserDefaults& defaults = UserDefaults::standard();
    defaults.set(QStringLiteral("before"), QStringLiteral("1"));
    const QByteArray lastGood = contentOf(settings.path());
    QVERIFY(lastGood.contains("before=1"));
    {
        FullDisk full;
        defaults.set(QStringLiteral("during"), QStringLiteral("2"));
        defaults.remove(QStringLiteral("before"));
        QCOMPARE(defaults.string(QStringLiteral("during")), QStringLiteral("2"));
        QVERIFY(!defaults.contains(QStringLiteral("before")));
        QCOMPARE(contentOf(settings.path()), lastGood);
    }
    QCOMPARE(linesWith(log, QStringLiteral("settings could not be written")), 1);

    defaults.set(QStringLiteral("after"), QStringLiteral("3"));
    const QByteArray written = contentOf(settings.path());
    QVERIFY2(written.contains("during=2") && written.contains("after=3") &&
                 !written.contains("before"),
             written.constData());
    QVERIFY(log.contains(QStringLiteral("written to disk again")));
}

QTEST_MAIN(TstFullDisk)
#include "tst_fulldisk.moc"
