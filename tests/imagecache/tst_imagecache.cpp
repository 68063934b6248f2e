#include <QDir>
#include <QFile>
#include <QThread>
#include <QtTest>

#include "core/CacheFiles.h"
#include "core/ImageCache.h"
#include "core/ImageCacheLoader.h"
#include "core/Log.h"
#include "core/ScaleToFit.h"
#include "core/SettingsKeys.h"
#include "core/UserDefaults.h"
#include "support/ImageServer.h"
#include "support/TestSupport.h"
#include "ui/ImageView.h"
#include "ui/ImageViewBinding.h"

using namespace orvane;

namespace {

// Collects the answers of loadImage and checks that each arrives on the main thread.
struct Answers {
    QList<QPair<QString, QImage>> received;
    bool offMainThread = false;

    ImageCache::Completion completion() {
        return [this](const QString& url, const QImage& image) {
            offMainThread |= QThread::currentThread() != qApp->thread();
            received.append({url, image});
        };
    }
    int count() const { return int(received.size()); }
};

QColor centreColour(const QImage& image) {
    return image.isNull() ? QColor() : image.pixelColor(image.width() / 2, image.height() / 2);
}

} // namespace

class TstImageCache : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();

    void keysAreOnePathComponent();
    void everyKeyIsOneFileInTheFolder_data();
    void everyKeyIsOneFileInTheFolder();
    void scaleToFitRule_data();
    void scaleToFitRule();

    void concurrentLoadsShareOneDownload();
    void memoryStoreServesUnscaledAndEvicts();
    void diskEntriesAreScaledOnHitsOnly();
    void failedDownloadsAreLoggedAndNotRetried_data();
    void failedDownloadsAreLoggedAndNotRetried();
    void unwritableFolderIsLoggedAndLoadStillAnswers();
    void emptyImagesAndBytesAreRefused();
    void setStoresSmallestJpeg();
    void cleanupFollowsThirtyDayRule();
    void destroyingCacheWithLoadsInFlight();

    void loaderAnswersOnceCachesAndLogsFailures();

    void viewTakesOnlyTheImageItWantsLast();
    void qualityFactorScalesToViewSize();

private:
    // Waits until every answer queued so far for `url` has been delivered, by joining a probe
    // load that is answered after the loads queued before it.
    void flush(ImageCache& cache, const QUrl& url);

    test::TemporarySettings m_settings;
    std::unique_ptr<test::LogCapture> m_log; // after QtTest's own handler is in place
    std::unique_ptr<test::ImageServer> m_server;
};

void TstImageCache::initTestCase() {
    Log::setDisplayLog(true);
    m_log = std::make_unique<test::LogCapture>();
    m_server = std::make_unique<test::ImageServer>();
}

void TstImageCache::init() {
    QDir(cacheDirectory()).removeRecursively();
    QFile::remove(cacheDirectory());
    m_log->clear();
}

void TstImageCache::flush(ImageCache& cache, const QUrl& url) {
    bool answered = false;
    cache.loadImage(url, std::nullopt, [&](const QString&, const QImage&) { answered = true; });
    QTRY_VERIFY(answered);
}

void TstImageCache::keysAreOnePathComponent() {
    const auto key = [](const char* url) { return ImageCache::key(QUrl(QString::fromUtf8(url))); };
    QCOMPARE(key("scheme://host/dir/a.png"), QStringLiteral("scheme%3A%2F%2Fhost%2Fdir%2Fa.png"));
    // Sub-delimiters and unreserved characters stay; "%", "?", "#", "@" and brackets are escaped.
    QCOMPARE(key("http://h/a!$&'()*+,;=-._~b"),
             QStringLiteral("http%3A%2F%2Fh%2Fa!$&'()*+,;=-._~b"));
    QCOMPARE(key("http://u@h/a%20b?q=[1]#f"),
             QStringLiteral("http%3A%2F%2Fu%40h%2Fa%2520b%3Fq=%5B1%5D%23f"));
    // Addresses that differ only in escaped characters keep different keys.
    QVERIFY(key("http://h/a/b") != key("http://h/a?b"));
    QVERIFY(key("http://h/a:b") != key("http://h/a%3Ab"));
    // The answer string is the unescaped absolute string.
    QCOMPARE(ImageCache::absoluteString(QUrl(QStringLiteral("http://h/a b"))),
             QStringLiteral("http://h/a%20b"));
}

void TstImageCache::everyKeyIsOneFileInTheFolder_data() {
    QTest::addColumn<QString>("key");
    QTest::addColumn<bool>("hashed"); // else the key is its own file name
    const QString fits(ImageCache::kMaxFileNameBytes, QLatin1Char('k'));
    QTest::newRow("address key") << ImageCache::key(
                                        QUrl(QStringLiteral("http://h/a b/\u00fc.png?x=1")))
                                 << false;
    QTest::newRow("255 bytes") << fits << false;
    QTest::newRow("256 bytes") << fits + QLatin1Char('k') << true;
    QTest::newRow("255 bytes of two-byte characters")
        << QString(128, QChar(0x00fc)) << true; // 256 bytes in UTF-8
    QTest::newRow("parent path") << QStringLiteral("../../x") << true;
    QTest::newRow("slash") << QStringLiteral("a/b") << true;
    QTest::newRow("backslash") << QStringLiteral("a\\b") << true;
    QTest::newRow("dot") << QStringLiteral(".") << true;
    QTest::newRow("dot dot") << QStringLiteral("..") << true;
    QTest::newRow("empty") << QString() << true;
}

// Whatever a caller passes as a key, the store reads and writes one file directly inside its
// folder; keys that are plain file names keep that name, the others a stable hashed one.
void TstImageCache::everyKeyIsOneFileInTheFolder() {
    QFETCH(QString, key);
    QFETCH(bool, hashed);
    const QString name = ImageCache::fileName(key);
    QCOMPARE(ImageCache::fileName(key), name);
    QVERIFY(!name.contains(QLatin1Char('/')) && !name.contains(QLatin1Char('\\')));
    QVERIFY(name != QLatin1String(".") && name != QLatin1String("..") && !name.isEmpty());
    QVERIFY(name.toUtf8().size() <= ImageCache::kMaxFileNameBytes);
    if (hashed) {
        QVERIFY(name.startsWith(QLatin1String("%sha256-")));
        QCOMPARE(name.size(), 8 + 64);
    } else {
        QCOMPARE(name, key);
    }
    QCOMPARE(ImageCache::filePath(key), cacheDirectory() + QLatin1Char('/') + name);

    QImage red(3, 2, QImage::Format_RGB32);
    red.fill(Qt::red);
    ImageCache cache;
    cache.setCacheType(CacheType::disk);
    QCOMPARE(cache.set(red, key), !key.isEmpty());
    const QStringList stored =
        QDir(cacheDirectory()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
    QCOMPARE(stored, key.isEmpty() ? QStringList() : QStringList{name});
    QCOMPARE(cache.image(key).isNull(), key.isEmpty()); // read back from its file
    if (key.contains(QLatin1Char('/'))) {
        QVERIFY(!QFileInfo::exists(cacheDirectory() + QLatin1Char('/') + key));
    }
}

void TstImageCache::scaleToFitRule_data() {
    QTest::addColumn<QSize>("image");
    QTest::addColumn<QSizeF>("target");
    QTest::addColumn<QSize>("expected"); // invalid: the same image comes back
    QTest::newRow("covers 300x300") << QSize(1000, 500) << QSizeF(300, 300) << QSize(600, 300);
    QTest::newRow("covers 250x100") << QSize(1000, 500) << QSizeF(250, 100) << QSize(250, 125);
    QTest::newRow("third rounds up") << QSize(300, 300) << QSizeF(100, 100) << QSize(102, 102);
    QTest::newRow("thin side stays 1px") << QSize(1000, 1) << QSizeF(10, 0) << QSize(10, 1);
    QTest::newRow("never enlarged") << QSize(100, 50) << QSizeF(300, 10) << QSize();
    QTest::newRow("exact fit") << QSize(100, 50) << QSizeF(100, 50) << QSize();
    QTest::newRow("just under one") << QSize(1000, 1000) << QSizeF(995, 995) << QSize();
    QTest::newRow("zero target") << QSize(100, 50) << QSizeF(0, 0) << QSize();
    QTest::newRow("negative target") << QSize(100, 50) << QSizeF(-5, -5) << QSize();
}

void TstImageCache::scaleToFitRule() {
    QFETCH(QSize, image);
    QFETCH(QSizeF, target);
    QFETCH(QSize, expected);
    QImage source(image, QImage::Format_ARGB32);
    source.fill(Qt::transparent);
    const QImage scaled = scaleToFit(source, target);
    if (expected.isValid()) {
        QCOMPARE(scaled.size(), expected);
        QVERIFY(scaled.hasAlphaChannel());
        QCOMPARE(scaled.pixelColor(0, 0).alpha(), 0);
    } else {
        QCOMPARE(scaled.cacheKey(), source.cacheKey());
    }
    QVERIFY(scaleToFit(QImage(), target).isNull());
}

void TstImageCache::concurrentLoadsShareOneDownload() {
    ImageCache cache;
    const QUrl url = m_server->url(QStringLiteral("/hold/dedup/40x20/blue"));
    Answers answers;
    for (int i = 0; i < 10; ++i) {
        cache.loadImage(url, std::nullopt, answers.completion());
    }
    QTRY_COMPARE(m_server->requests(url.path()), 1);
    m_server->release(QStringLiteral("dedup"));
    QTRY_COMPARE(answers.count(), 10);
    QVERIFY(!answers.offMainThread);
    for (const auto& [urlString, image] : std::as_const(answers.received)) {
        QCOMPARE(urlString, url.toString(QUrl::FullyEncoded));
        QCOMPARE(image.size(), QSize(40, 20));
    }
    // Loads after the download are disk hits.
    flush(cache, url);
    QCOMPARE(m_server->requests(url.path()), 1);
}

// Memory entries are served unscaled and never written; the memory store evicts its oldest
// entries past its limit (a finished download is then fetched again), never the disk entries.
void TstImageCache::memoryStoreServesUnscaledAndEvicts() {
    ImageCache cache;
    QImage onDisk(8, 8, QImage::Format_RGB32);
    onDisk.fill(Qt::green);
    QVERIFY(cache.cacheImage(onDisk, QStringLiteral("disk")));
    cache.setCacheType(CacheType::ram);
    const QUrl url = m_server->url(QStringLiteral("/png/100x50/green/ram"));
    Answers answers;
    for (int i = 1; i <= 2; ++i) {
        cache.loadImage(url, QSizeF(10, 10), answers.completion());
        QTRY_COMPARE(answers.count(), i);
        QCOMPARE(answers.received.last().second.size(), QSize(100, 50));
    }
    QCOMPARE(m_server->requests(url.path()), 1);
    QVERIFY(!QFile::exists(ImageCache::filePath(ImageCache::key(url))));
    QCOMPARE(cache.image(url, QSizeF(10, 10)).size(), QSize(100, 50)); // memory: never scaled

    for (int i = 0; i < 6; ++i) { // 16 MiB each
        QImage big(2048, 2048, QImage::Format_RGB32);
        big.fill(i);
        QVERIFY(cache.cacheImage(big, QStringLiteral("big%1").arg(i)));
    }
    QVERIFY(cache.image(QStringLiteral("big0")).isNull());
    QVERIFY(!cache.image(QStringLiteral("big5")).isNull());
    QCOMPARE(centreColour(cache.image(QStringLiteral("disk"))), QColor(Qt::green));
    QVERIFY(cache.image(url).isNull());
    cache.loadImage(url, std::nullopt, answers.completion());
    QTRY_COMPARE(answers.count(), 3);
    QCOMPARE(m_server->requests(url.path()), 2);
    // An image larger than the whole memory store is refused with a log line.
    QVERIFY(!cache.cacheImage(QImage(4200, 4200, QImage::Format_RGB32), QStringLiteral("huge")));
    QVERIFY(m_log->contains(QStringLiteral("larger than the memory store")));
}

void TstImageCache::diskEntriesAreScaledOnHitsOnly() {
    ImageCache cache;
    const QUrl url = m_server->url(QStringLiteral("/png/1000x500/blue/disk"));
    Answers answers;
    cache.loadImage(url, QSizeF(300, 300), answers.completion());
    QTRY_COMPARE(answers.count(), 1);
    QCOMPARE(answers.received[0].second.size(), QSize(1000, 500)); // the download: unscaled

    QFile file(ImageCache::filePath(ImageCache::key(url)));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), test::ImageServer::png(test::ImageServer::makeImage(
                                 QStringLiteral("1000x500"), QStringLiteral("blue"))));
    QCOMPARE(cache.image(url).size(), QSize(1000, 500));
    QCOMPARE(cache.image(url, QSizeF(300, 300)).size(), QSize(600, 300));

    cache.loadImage(url, QSizeF(250, 100), answers.completion());
    QTRY_COMPARE(answers.count(), 2);
    QCOMPARE(answers.received[1].second.size(), QSize(250, 125));
    QCOMPARE(m_server->requests(url.path()), 1);

    file.close();
    QVERIFY(file.remove());
    QVERIFY2(cache.image(url).isNull(), "disk hits do not fill the memory store");
}

void TstImageCache::failedDownloadsAreLoggedAndNotRetried_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("reason");
    QTest::newRow("404") << QStringLiteral("/missing") << QStringLiteral("HTTP status 404");
    QTest::newRow("garbage") << QStringLiteral("/garbage") << QStringLiteral("does not decode");
    QTest::newRow("dropped") << QStringLiteral("/drop") << QStringLiteral("closed");
}

void TstImageCache::failedDownloadsAreLoggedAndNotRetried() {
    QFETCH(QString, path);
    QFETCH(QString, reason);
    ImageCache cache;
    const QUrl url = m_server->url(path);
    const int before = m_server->requests(path);
    Answers answers;
    cache.loadImage(url, std::nullopt, answers.completion());
    cache.loadImage(url, std::nullopt, answers.completion());
    QTRY_VERIFY(m_log->contains(QStringLiteral("download failed:")));
    QVERIFY2(m_log->contains(reason), qPrintable(m_log->lines().join(QLatin1Char('\n'))));

    // Qt's HTTP stack itself retries once on a connection closed before any answer.
    const int perDownload = m_server->requests(path) - before;
    QVERIFY(perDownload == 1 || (path == QLatin1String("/drop") && perDownload == 2));
    cache.loadImage(url, std::nullopt, answers.completion());
    QTRY_VERIFY(m_log->contains(QStringLiteral("not retried until clearLocalCache")));
    QCOMPARE(m_server->requests(path), before + perDownload);

    cache.clearLocalCache(); // forgets the failure
    m_log->clear();
    cache.loadImage(url, std::nullopt, answers.completion());
    QTRY_VERIFY(m_server->requests(path) > before + perDownload);
    QTRY_VERIFY(m_log->contains(QStringLiteral("download failed:")));
    QCoreApplication::processEvents();
    QCOMPARE(answers.count(), 0);
}

void TstImageCache::unwritableFolderIsLoggedAndLoadStillAnswers() {
    // A plain file where the cache folder should be makes every write fail, even for root.
    QDir().mkpath(QFileInfo(cacheDirectory()).path());
    QFile blocker(cacheDirectory());
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();

    ImageCache cache;
    const QByteArray bytes = test::ImageServer::png(
        test::ImageServer::makeImage(QStringLiteral("4x4"), QStringLiteral("red")));
    QVERIFY(!cache.cacheImage(bytes, QStringLiteral("k")));
    QVERIFY(m_log->contains(QStringLiteral("Error write file")));

    m_log->clear();
    Answers answers;
    cache.loadImage(m_server->url(QStringLiteral("/png/8x8/red/unwritable")), std::nullopt,
                    answers.completion());
    QTRY_COMPARE(answers.count(), 1);
    QCOMPARE(answers.received[0].second.size(), QSize(8, 8));
    QVERIFY(!m_log->contains(QStringLiteral("Error write file"))); // one line per run of failures

    QVERIFY(QFile::remove(cacheDirectory()));
    QVERIFY(cache.cacheImage(bytes, QStringLiteral("k"))); // the folder is created again
    QCOMPARE(cache.image(QStringLiteral("k")).size(), QSize(4, 4));
}

void TstImageCache::emptyImagesAndBytesAreRefused() {
    ImageCache cache;
    const QString key = QStringLiteral("empty");
    QVERIFY(!cache.cacheImage(QImage(), key));
    QVERIFY(!cache.cacheImage(QImage(0, 0, QImage::Format_RGB32), key));
    QVERIFY(!cache.cacheImage(QByteArray(), key));
    QVERIFY(!cache.set(QImage(), key));
    QVERIFY(!cache.cacheImage(QImage(2, 2, QImage::Format_RGB32), QString()));
    cache.setCacheType(CacheType::ram);
    QVERIFY(!cache.cacheImage(QImage(), key));
    QVERIFY(!cache.cacheImage(QByteArrayLiteral("no image"), key));
    QVERIFY(m_log->contains(QStringLiteral("bytes do not decode")));
    QVERIFY(m_log->contains(QStringLiteral("image without pixels")));
    QVERIFY(m_log->contains(QStringLiteral("JPEG encoding failed")));
    QVERIFY(cache.image(key).isNull());
    QVERIFY(!QFile::exists(ImageCache::filePath(key)));
    QVERIFY(cache.image(QString()).isNull());
}

void TstImageCache::setStoresSmallestJpeg() {
    ImageCache cache;
    QImage image(64, 64, QImage::Format_RGB32);
    for (int y = 0; y < 64; ++y) {
        for (int x = 0; x < 64; ++x) {
            image.setPixel(x, y, qRgb(x * 4, y * 4, (x * y) % 256));
        }
    }
    QVERIFY(cache.set(image, QStringLiteral("jpeg")));
    QFile file(ImageCache::filePath(QStringLiteral("jpeg")));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray stored = file.readAll();
    QVERIFY(stored.startsWith("\xFF\xD8"));
    QByteArray best;
    QBuffer buffer(&best);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPEG", 100);
    QVERIFY(stored.size() < best.size() / 2);

    QVERIFY(cache.cacheImage(image, QStringLiteral("png")));
    QCOMPARE(cache.image(QStringLiteral("png")).convertToFormat(QImage::Format_RGB32), image);
}

void TstImageCache::cleanupFollowsThirtyDayRule() {
    const QDateTime start = QDateTime::fromSecsSinceEpoch(1700000000, Qt::UTC);
    QDateTime now = start;
    UserDefaults::standard().remove(keys::kLastCleanup);
    ImageCache cache([&now] { return now; });
    QCOMPARE(cache.lastCleanup(), start);
    QVERIFY2(!UserDefaults::standard().contains(keys::kLastCleanup), "written by clean-ups only");

    QImage image(4, 4, QImage::Format_RGB32);
    image.fill(Qt::red);
    QVERIFY(cache.cacheImage(image, QStringLiteral("on-disk")));
    cache.setCacheType(CacheType::ram);
    QVERIFY(cache.cacheImage(image, QStringLiteral("in-memory")));

    for (int days : {29, 30}) { // exactly 30 days is not "more than 30 days"
        now = start.addDays(days);
        cache.clearLocalCache();
        QVERIFY(cache.image(QStringLiteral("in-memory")).isNull());
        QVERIFY(!cache.image(QStringLiteral("on-disk")).isNull());
        QCOMPARE(cache.lastCleanup(), start);
        QVERIFY(!UserDefaults::standard().contains(keys::kLastCleanup));
    }

    now = start.addDays(31);
    cache.clearLocalCache();
    QVERIFY(!QFileInfo::exists(cacheDirectory()));
    QCOMPARE(cache.lastCleanup(), now);
    QCOMPARE(UserDefaults::standard().date(keys::kLastCleanup), std::optional<QDateTime>(now));

    cache.setCacheType(CacheType::disk);
    QVERIFY(cache.cacheImage(image, QStringLiteral("again")));
    QVERIFY(QFile::exists(ImageCache::filePath(QStringLiteral("again"))));

    // A new instance starts from the stored date, not from its own creation.
    QDateTime later = now.addDays(5);
    ImageCache second([&later] { return later; });
    QCOMPARE(second.lastCleanup(), now);
}

void TstImageCache::destroyingCacheWithLoadsInFlight() {
    Answers answers;
    {
        ImageCache cache;
        cache.loadImage(m_server->url(QStringLiteral("/hold/gone/8x8/red")), std::nullopt,
                        answers.completion());
        QTRY_COMPARE(m_server->requests(QStringLiteral("/hold/gone/8x8/red")), 1);
    }
    m_server->release(QStringLiteral("gone"));
    // A load of another cache answered after the release: the released answer has come by then.
    ImageCache other;
    flush(other, m_server->url(QStringLiteral("/png/2x2/red/after-gone")));
    QCOMPARE(answers.count(), 0);
}

void TstImageCache::loaderAnswersOnceCachesAndLogsFailures() {
    ImageCacheLoader loader;
    const QString path = m_server->url(QStringLiteral("/png/20x10/red/loader")).toString();
    QList<QImage> images;
    bool offMain = false;
    auto handler = [&](const QImage& image) {
        offMain |= QThread::currentThread() != qApp->thread();
        images.append(image);
    };
    loader.obtainImageWithPath(path, handler);
    QTRY_COMPARE(images.size(), 1);
    loader.obtainImageWithPath(path, handler);
    QTRY_COMPARE(images.size(), 2);
    QCOMPARE(images[1].size(), QSize(20, 10));
    QCOMPARE(m_server->requests(QStringLiteral("/png/20x10/red/loader")), 1);
    QVERIFY(!offMain);

    // Another loader shares nothing.
    ImageCacheLoader other;
    other.obtainImageWithPath(path, handler);
    QTRY_COMPARE(images.size(), 3);
    QCOMPARE(m_server->requests(QStringLiteral("/png/20x10/red/loader")), 2);

    // A path with spaces is escaped before it is read.
    const QString spaced =
        m_server->url(QString()).toString() + QStringLiteral("/png/6x6/red/a b.png");
    QCOMPARE(ImageCacheLoader::urlForPath(spaced)->toString(QUrl::FullyEncoded),
             m_server->url(QStringLiteral("/png/6x6/red/a%20b.png")).toString(QUrl::FullyEncoded));
    loader.obtainImageWithPath(spaced, handler);
    QTRY_COMPARE(images.size(), 4);
    QCOMPARE(m_server->requests(QStringLiteral("/png/6x6/red/a b.png")), 1);

    // Failures are logged and never answered.
    loader.obtainImageWithPath(QStringLiteral("http://[::1"), handler);
    QVERIFY(m_log->contains(QStringLiteral("does not parse")));
    QVERIFY(!ImageCacheLoader::urlForPath(QString()));
    const QString missing = m_server->url(QStringLiteral("/missing")).toString();
    loader.obtainImageWithPath(missing, handler);
    QTRY_VERIFY(m_log->contains(QStringLiteral("imagePath null ") + missing));
    loader.obtainImageWithPath(m_server->url(QStringLiteral("/garbage")).toString(), handler);
    QTRY_VERIFY(m_log->contains(QStringLiteral("bytes do not decode as an image")));

    bool later = false;
    loader.obtainImageWithPath(path, [&later](const QImage&) { later = true; });
    QTRY_VERIFY(later);
    QCOMPARE(images.size(), 4); // at most once per call, never for a failure
}

// A view shows the image of the address it wants last; a cleared or deleted view takes none.
void TstImageCache::viewTakesOnlyTheImageItWantsLast() {
    ImageCache cache;
    ImageView view;
    const QUrl first = m_server->url(QStringLiteral("/hold/first/10x10/red"));
    const QUrl second = m_server->url(QStringLiteral("/hold/second/10x10/blue"));
    QList<QColor> completions;
    auto completion = [&completions](QImage image) { completions.append(centreColour(image)); };
    setUrl(&view, first, std::nullopt, cache, completion);
    setUrl(&view, second, std::nullopt, cache, completion);
    QCOMPARE(wantedUrl(&view), second.toString(QUrl::FullyEncoded));
    QTRY_COMPARE(m_server->requests(first.path()), 1);
    QTRY_COMPARE(m_server->requests(second.path()), 1);

    m_server->release(QStringLiteral("second"));
    QTRY_COMPARE(centreColour(view.image()), QColor(Qt::blue));
    m_server->release(QStringLiteral("first"));
    flush(cache, first);
    QCOMPARE(centreColour(view.image()), QColor(Qt::blue));
    QCOMPARE(completions, QList<QColor>{QColor(Qt::blue)});

    ImageView cleared;
    const QUrl url = m_server->url(QStringLiteral("/hold/cleared/10x10/red"));
    setUrl(&cleared, url, std::nullopt, cache, completion);
    clear(&cleared);
    QVERIFY(wantedUrl(&cleared).isEmpty());
    auto* doomed = new ImageView();
    setUrl(doomed, url, 1.0, cache, completion);
    QTRY_COMPARE(m_server->requests(url.path()), 1);
    delete doomed;
    m_server->release(QStringLiteral("cleared"));
    flush(cache, url);
    QVERIFY(!cleared.hasImage());
    QCOMPARE(completions.size(), 1);
}

void TstImageCache::qualityFactorScalesToViewSize() {
    ImageCache cache;
    const QUrl url = m_server->url(QStringLiteral("/png/1000x500/red/quality"));
    flush(cache, url); // now on disk
    ImageView view;
    view.resize(100, 50);
    QImage delivered;
    setUrl(&view, url, 2.0, cache, [&delivered](QImage image) { delivered = image; });
    QTRY_COMPARE(view.image().size(), QSize(200, 100));
    QCOMPARE(delivered.size(), QSize(200, 100));
}

QTEST_MAIN(TstImageCache)
#include "tst_imagecache.moc"
