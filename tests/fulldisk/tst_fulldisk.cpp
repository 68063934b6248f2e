#include <csignal>

#include <sys/resource.h>

#include <QtTest>

#include "core/CacheFiles.h"
#include "core/ImageCache.h"
#include "core/Log.h"
#include "core/UserDefaults.h"
#include "support/ApiTestUtil.h"
#include "support/ImageServer.h"
#include "support/SandboxFixture.h"

using namespace orvane;
using namespace Qt::StringLiterals;

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

} // namespace

class TstFullDisk : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { Log::setDisplayLog(true); }
    void init() { QDir(cacheDirectory()).removeRecursively(); }
    void imageStore_data() {
        QTest::addColumn<bool>("download"); // through loadImage, else cacheImage
        QTest::newRow("stored by the caller") << false;
        QTest::newRow("downloaded") << true;
    }

    // A full disk loses no picture (the download is answered and kept in memory), leaves no file a
    // later read could take for an image, logs once, and writes again once space returns.
    void imageStore() {
        QFETCH(bool, download);
        test::SandboxFixture sandbox;
        QVERIFY2(sandbox.ok(), qPrintable(sandbox.errorString()));
        test::LogCapture log;
        ImageCache cache;
        const auto url = [&](qint64 campid) { return QUrl(sandbox.server().imageUrl(campid)); };
        const auto store = [&](qint64 campid) {
            if (!download) {
                return cache.cacheImage(test::ImageServer::png(test::testImage(Qt::red, 64, 64)),
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
        QCOMPARE(log.lines().filter(u"Error write file"_s).size(), 1);

        QVERIFY(store(103));
        QVERIFY(!QImage(ImageCache::filePath(ImageCache::key(url(103)))).isNull());
        QVERIFY(log.contains(u"works again"_s));
    }

    // Settings written on a full disk stay readable, the file keeps its last good content, and the
    // first write after space returns stores everything.
    void settings() {
        test::TemporarySettings settings;
        test::LogCapture log;
        UserDefaults& defaults = UserDefaults::standard();
        defaults.set(u"before"_s, u"1"_s);
        const QByteArray lastGood = contentOf(settings.path());
        QVERIFY(lastGood.contains("before=1"));
        {
            FullDisk full;
            defaults.set(u"during"_s, u"2"_s);
            defaults.remove(u"before"_s);
            QCOMPARE(defaults.string(u"during"_s), u"2"_s);
            QVERIFY(!defaults.contains(u"before"_s));
            QCOMPARE(contentOf(settings.path()), lastGood);
        }
        QCOMPARE(log.lines().filter(u"settings could not be written"_s).size(), 1);

        defaults.set(u"after"_s, u"3"_s);
        const QByteArray written = contentOf(settings.path());
        QVERIFY2(written.contains("during=2") && written.contains("after=3") &&
                     !written.contains("before"),
                 written.constData());
        QVERIFY(log.contains(u"written to disk again"_s));
    }
};

QTEST_MAIN(TstFullDisk)
#include "tst_fulldisk.moc"
