#include <atomic>

#include <sys/stat.h>
#include <unistd.h>

#include <QtTest>

#include "core/CacheFiles.h"
#include "core/ImageCache.h"
#include "core/ImageCacheLoader.h"
#include "core/ImageDownloader.h"
#include "core/Log.h"
#include "core/ScaleToFit.h"
#include "core/SettingsKeys.h"
#include "core/UserDefaults.h"
#include "support/ApiTestUtil.h"
#include "support/ImageServer.h"
#include "support/TestSupport.h"
#include "ui/ImageView.h"
#include "ui/ImageViewBinding.h"

using namespace orvane;
using namespace Qt::StringLiterals;

namespace {

// Collects the answers and failures of loadImage and checks that each arrives on the main thread.
struct Answers {
    QList<QPair<QString, QImage>> received;
    QStringList failures;
    bool offMainThread = false;

    ImageCache::Completion completion() {
        return [this](const QString& url, const QImage& image) {
            offMainThread |= QThread::currentThread() != qApp->thread();
            received.append({url, image});
        };
    }
    ImageCache::Failed failed() {
        return [this](const QString&, const QString& reason) {
            offMainThread |= QThread::currentThread() != qApp->thread();
            failures << reason;
        };
    }
    int count() const { return int(received.size()); }
    int outcomes() const { return count() + int(failures.size()); }
    QSize lastSize() const { return received.isEmpty() ? QSize() : received.last().second.size(); }
};

// Loads `address` and waits for its answer or failure.
bool loadOnce(ImageCache& cache, const QUrl& address, Answers& answers) {
    const int before = answers.outcomes();
    cache.loadImage(address, std::nullopt, answers.completion(), answers.failed());
    return QTest::qWaitFor([&] { return answers.outcomes() > before; }, 20000);
}

QStringList folderEntries() {
    return QDir(cacheDirectory())
        .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                   QDir::Name);
}

qint64 folderBytes() {
    qint64 total = 0;
    for (const QFileInfo& file : QDir(cacheDirectory()).entryInfoList(QDir::Files | QDir::Hidden))
        total += file.size();
    return total;
}

void writeFile(const QString& path, const QByteArray& bytes, const QDateTime& modified) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
    QVERIFY(file.flush()); // a later flush would set the time again
    QVERIFY(file.setFileTime(modified, QFileDevice::FileModificationTime));
}

QColor centreColour(const QImage& image) {
    return image.isNull() ? QColor() : image.pixelColor(image.width() / 2, image.height() / 2);
}

} // namespace

class TstImageCache : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() {
        Log::setDisplayLog(true);
        m_log = std::make_unique<test::LogCapture>();
        m_server = std::make_unique<test::ImageServer>();
        m_localPng = m_files.filePath(u"local.png"_s);
        QVERIFY(test::testImage(Qt::red, 8, 8).save(m_localPng));
    }

    void init() {
        QDir(cacheDirectory()).removeRecursively();
        QFile::remove(cacheDirectory());
        m_log->clear();
    }

    void keysAreOnePathComponent() {
        const auto key = [](const QString& url) { return ImageCache::key(QUrl(url)); };
        QCOMPARE(key(u"scheme://host/dir/a.png"_s), u"scheme%3A%2F%2Fhost%2Fdir%2Fa.png"_s);
        // Sub-delimiters and unreserved characters stay; "%", "?", "#", "@" and brackets are
        // escaped.
        QCOMPARE(key(u"http://h/a!$&'()*+,;=-._~b"_s), u"http%3A%2F%2Fh%2Fa!$&'()*+,;=-._~b"_s);
        QCOMPARE(key(u"http://u@h/a%20b?q=[1]#f"_s),
                 u"http%3A%2F%2Fu%40h%2Fa%2520b%3Fq=%5B1%5D%23f"_s);
        // Addresses that differ only in escaped characters keep different keys.
        QVERIFY(key(u"http://h/a/b"_s) != key(u"http://h/a?b"_s));
        QVERIFY(key(u"http://h/a:b"_s) != key(u"http://h/a%3Ab"_s));
        // The answer string is the unescaped absolute string.
        QCOMPARE(ImageCache::absoluteString(QUrl(u"http://h/a b"_s)), u"http://h/a%20b"_s);
    }

    void everyKeyIsOneFileInTheFolder_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<bool>("hashed"); // else the key is its own file name
        const QString fits(ImageCache::kMaxFileNameBytes, u'k');
        QTest::newRow("address key")
            << ImageCache::key(QUrl(u"http://h/a b/\u00fc.png?x=1"_s)) << false;
        QTest::newRow("255 bytes") << fits << false;
        QTest::newRow("256 bytes") << QString(fits + u'k') << true;
        QTest::newRow("256 bytes of two-byte characters") << QString(128, QChar(0x00fc)) << true;
        for (const QString& key : {u"../../x"_s, u"a/b"_s, u"a\\b"_s, u"."_s, u".."_s, QString()})
            QTest::addRow("\"%s\"", qPrintable(key)) << key << true;
    }

    // Whatever a caller passes as a key, the store reads and writes one file directly inside its
    // folder; keys that are plain file names keep that name, the others a stable hashed one.
    void everyKeyIsOneFileInTheFolder() {
        QFETCH(QString, key);
        QFETCH(bool, hashed);
        const QString name = ImageCache::fileName(key);
        QVERIFY(!name.contains(u'/') && !name.contains(u'\\') && name.toUtf8().size() <= 255);
        QVERIFY(hashed ? name.startsWith("%sha256-"_L1) && name.size() == 8 + 64 : name == key);
        QCOMPARE(ImageCache::filePath(key), cacheDirectory() + u'/' + name);

        ImageCache cache;
        cache.setCacheType(CacheType::disk);
        QCOMPARE(cache.set(test::testImage(Qt::red, 3, 2), key), !key.isEmpty());
        const QStringList stored =
            QDir(cacheDirectory()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
        QCOMPARE(stored, key.isEmpty() ? QStringList() : QStringList{name});
        QCOMPARE(cache.image(key).isNull(), key.isEmpty()); // read back from its file
        QVERIFY(!key.contains(u'/') || !QFileInfo::exists(cacheDirectory() + u'/' + key));
    }

    void scaleToFitRule_data() {
        QTest::addColumn<QSize>("image");
        QTest::addColumn<QSizeF>("target");
        QTest::addColumn<QSize>("expected"); // invalid: the same image comes back
        QTest::newRow("third rounds up") << QSize(300, 300) << QSizeF(100, 100) << QSize(102, 102);
        QTest::newRow("thin side stays 1px") << QSize(1000, 1) << QSizeF(10, 0) << QSize(10, 1);
        QTest::newRow("never enlarged") << QSize(100, 50) << QSizeF(300, 10) << QSize();
        QTest::newRow("just under one") << QSize(1000, 1000) << QSizeF(995, 995) << QSize();
        QTest::newRow("zero target") << QSize(100, 50) << QSizeF(0, 0) << QSize();
    }

    void scaleToFitRule() {
        QFETCH(QSize, image);
        QFETCH(QSizeF, target);
        QFETCH(QSize, expected);
        QImage source(image, QImage::Format_ARGB32);
        source.fill(Qt::transparent);
        const QImage scaled = scaleToFit(source, target);
        if (expected.isValid()) {
            QCOMPARE(scaled.size(), expected);
            QCOMPARE(scaled.pixelColor(0, 0).alpha(), 0); // transparency kept
        } else {
            QCOMPARE(scaled.cacheKey(), source.cacheKey());
        }
        QVERIFY(scaleToFit(QImage(), target).isNull());
    }

    // Concurrent loads of one address share one download, answered unscaled on the main thread; the
    // file keeps the bytes as served, and disk hits are scaled to the size asked (a view asks for
    // its own size times the quality factor) without filling the memory store.
    void downloadsAreSharedAndScaledOnDiskHits() {
        ImageCache cache;
        const QUrl held = url(u"/hold/shared/1000x500/blue"_s);
        Answers answers;
        cache.loadImage(held, QSizeF(300, 300), answers.completion()); // the download: unscaled
        QTRY_COMPARE(m_server->requests(held.path()), 1);
        for (int i = 1; i < 10; ++i)
            cache.loadImage(held, std::nullopt, answers.completion());
        m_server->release(u"shared"_s);
        QTRY_COMPARE(answers.count(), 10);
        QVERIFY(!answers.offMainThread);
        for (const auto& [urlString, image] : std::as_const(answers.received)) {
            QCOMPARE(urlString, held.toString(QUrl::FullyEncoded));
            QCOMPARE(image.size(), QSize(1000, 500));
        }
        QFile file(ImageCache::filePath(ImageCache::key(held)));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(),
                 test::ImageServer::png(test::ImageServer::makeImage(u"1000x500"_s, u"blue"_s)));
        QCOMPARE(cache.image(held).size(), QSize(1000, 500));
        QCOMPARE(cache.image(held, QSizeF(300, 300)).size(), QSize(600, 300));
        cache.loadImage(held, QSizeF(250, 100), answers.completion());
        QTRY_COMPARE(answers.count(), 11);
        QCOMPARE(answers.lastSize(), QSize(250, 125));
        ImageView view;
        view.resize(100, 50);
        setUrl(&view, held, 2.0, cache);
        QTRY_COMPARE(view.image().size(), QSize(200, 100));
        QCOMPARE(m_server->requests(held.path()), 1);

        // Loads of an address found only on disk, made before the first lookup ends, share it
        // and are each answered at their own size.
        const QUrl stored = url(u"/png/1000x500/red/stored"_s);
        writeFile(ImageCache::filePath(ImageCache::key(stored)),
                  test::ImageServer::png(test::ImageServer::makeImage(u"1000x500"_s, u"red"_s)),
                  QDateTime::currentDateTime());
        Answers hits;
        cache.loadImage(stored, QSizeF(300, 300), hits.completion());
        for (int i = 0; i < 4; ++i)
            cache.loadImage(stored, std::nullopt, hits.completion());
        QTRY_COMPARE(hits.count(), 5);
        QCOMPARE(hits.received.first().second.size(), QSize(600, 300));
        QCOMPARE(hits.lastSize(), QSize(1000, 500));
        QCOMPARE(m_server->requests(stored.path()), 0);

        QVERIFY(file.remove());
        QVERIFY2(cache.image(held).isNull(), "disk hits do not fill the memory store");

        // Cookies a picture's server sets are never sent back.
        Answers cookies;
        QVERIFY(loadOnce(cache, url(u"/cookie/1"_s), cookies));
        QVERIFY(loadOnce(cache, url(u"/cookie/2"_s), cookies));
        QCOMPARE(cookies.count(), 2);
        QCOMPARE(m_server->cookieHeaders(), QList<QByteArray>());
    }

    // Memory entries are served unscaled and never written; the memory store evicts its oldest
    // entries past its limit (a finished download is then fetched again), never the disk entries.
    void memoryStoreServesUnscaledAndEvicts() {
        ImageCache cache;
        QVERIFY(cache.cacheImage(test::testImage(Qt::green, 8, 8), u"disk"_s));
        cache.setCacheType(CacheType::ram);
        const QUrl ram = url(u"/png/100x50/green/ram"_s);
        Answers answers;
        for (int i = 1; i <= 2; ++i) {
            cache.loadImage(ram, QSizeF(10, 10), answers.completion());
            QTRY_COMPARE(answers.count(), i);
            QCOMPARE(answers.lastSize(), QSize(100, 50));
        }
        QCOMPARE(m_server->requests(ram.path()), 1);
        QVERIFY(!QFile::exists(ImageCache::filePath(ImageCache::key(ram))));
        QCOMPARE(cache.image(ram, QSizeF(10, 10)).size(), QSize(100, 50)); // memory: never scaled

        for (int i = 0; i < 6; ++i) // 16 MiB each
            QVERIFY(
                cache.cacheImage(test::testImage(QColor(i, 0, 0), 2048, 2048), u"big%1"_s.arg(i)));
        QVERIFY(cache.image(u"big0"_s).isNull());
        QVERIFY(!cache.image(u"big5"_s).isNull());
        QCOMPARE(centreColour(cache.image(u"disk"_s)), QColor(Qt::green));
        QVERIFY(cache.image(ram).isNull());
        cache.loadImage(ram, std::nullopt, answers.completion());
        QTRY_COMPARE(answers.count(), 3);
        QCOMPARE(m_server->requests(ram.path()), 2);
        // An image larger than the whole memory store is refused with a log line.
        QVERIFY(!cache.cacheImage(QImage(4200, 4200, QImage::Format_RGB32), u"huge"_s));
        QVERIFY(m_log->contains(u"larger than the memory store"_s));
    }

    // A transport failure is tried again by the first load after its back-off (30 s, doubled after
    // every further failure, at most 10 min); until then loads fail at once without a request.
    // Once the server is back, concurrent loads share one download.
    void transportFailuresAreRetriedAfterBackOff() {
        std::atomic<qint64> nowMs{1'700'000'000'000};
        ImageCache cache([&nowMs] { return QDateTime::fromMSecsSinceEpoch(nowMs, Qt::UTC); });
        const QString path = u"/png/6x6/blue/flaky"_s;
        m_server->setDropping(true);
        Answers answers;
        QVERIFY(loadOnce(cache, url(path), answers));
        int requests = m_server->requests(path);
        QVERIFY(requests >= 1);
        for (const int backoff : {30, 60, 120, 240, 480, 600, 600}) {
            nowMs += (backoff - 1) * 1000;
            QVERIFY(loadOnce(cache, url(path), answers));
            QCOMPARE(m_server->requests(path), requests);
            nowMs += 1000;
            QVERIFY(loadOnce(cache, url(path), answers));
            QVERIFY2(m_server->requests(path) > requests, qPrintable(QString::number(backoff)));
            requests = m_server->requests(path);
        }
        QVERIFY(m_log->contains(u"tried again after 600 s"_s));

        m_server->setDropping(false);
        nowMs += 600 * 1000;
        cache.loadImage(url(path), std::nullopt, answers.completion(), answers.failed());
        cache.loadImage(url(path), std::nullopt, answers.completion(), answers.failed());
        QTRY_COMPARE(answers.count(), 2);
        QCOMPARE(m_server->requests(path), requests + 1);
        QCOMPARE(answers.lastSize(), QSize(6, 6));
    }

    void downloadsLoadOrAreRefused_data() {
        QTest::addColumn<QString>("address"); // a path on the image server, or an address
        QTest::addColumn<QString>("reason");  // empty: the image loads
        QTest::addColumn<bool>("stays");      // the server meant it: not downloaded again
        const qint64 limit = ImageDownloader::kMaxBodyBytes;
        const QString local = QUrl::fromLocalFile(m_localPng).toString();
        const auto row = [](const char* name, const QString& address, const QString& reason = {},
                            bool stays = false) {
            QTest::newRow(name) << address << reason << stays;
        };
        row("404", u"/missing"_s, u"HTTP status 404"_s, true);
        row("no image", u"/garbage"_s, u"not an image"_s, true);
        row("at the limit", u"/padded/%1"_s.arg(limit));
        row("at the limit, not announced", u"/padded/%1/unannounced"_s.arg(limit));
        row("one byte over", u"/padded/%1"_s.arg(limit + 1), u"too large"_s, true);
        row("one byte over, not announced", u"/padded/%1/unannounced"_s.arg(limit + 1),
            u"too large"_s, true);
        row("endless", u"/endless"_s, u"too large"_s, true);
        row("announces 2 GB", u"/announce/2147483648"_s, u"too large"_s, true);
        row("five redirects", u"/redirect/5/png/4x4/green"_s);
        row("six redirects", u"/redirect/6/png/4x4/green"_s, u"more than 5 redirects"_s);
        row("redirect to a local file", u"/redirect-to?"_s + local,
            u"redirect: refused scheme \"file\""_s);
        row("local file", local, u"refused scheme \"file\""_s);
    }

    // Only http and https addresses are loaded, redirects included, and at most five redirects
    // are followed; loads at once share one download, answered on the main thread. A body past
    // the limit is refused as soon as that is known (from its announced length, or from the bytes
    // received). A failure leaves nothing on disk and no answer (the view keeps its placeholder);
    // one the server meant (an HTTP error, a body that is no image or too large) is told to every
    // later load without a new download, until clearLocalCache() forgets it.
    void downloadsLoadOrAreRefused() {
        QFETCH(QString, address);
        QFETCH(QString, reason);
        QFETCH(bool, stays);
        const QUrl target = address.startsWith(u'/') ? url(address) : QUrl(address);
        const auto requests = [&] { return m_server->requests(target.path()); };
        const int before = requests();
        ImageCache cache;
        Answers answers;
        QElapsedTimer clock;
        clock.start();
        cache.loadImage(target, std::nullopt, answers.completion(), answers.failed());
        cache.loadImage(target, std::nullopt, answers.completion(), answers.failed());
        QTRY_COMPARE_WITH_TIMEOUT(answers.outcomes(), 2, 20000);
        QVERIFY(clock.elapsed() < 10000 && !answers.offMainThread);
        if (reason.isEmpty()) {
            QVERIFY2(answers.count() == 2, qPrintable(answers.failures.value(0)));
            QCOMPARE(answers.lastSize(), QSize(4, 4));
            // Waiters are answered before the file is written: the file follows shortly.
            if (address.startsWith("/padded/"_L1))
                QTRY_COMPARE(QFileInfo(ImageCache::filePath(ImageCache::key(target))).size(),
                             address.section(u'/', 2, 2).toLongLong());
            return;
        }
        QVERIFY2(answers.failures.value(0).startsWith(reason),
                 qPrintable(answers.failures.value(0)));
        QCOMPARE(folderEntries(), QStringList());
        if (!stays)
            return;
        QVERIFY(m_log->contains(u"download failed:"_s));
        QCOMPARE(requests(), before + 1);
        QVERIFY(loadOnce(cache, target, answers));
        QCOMPARE(answers.failures.size(), 3);
        QVERIFY(m_log->contains(u"not retried until clearLocalCache"_s));
        QCOMPARE(requests(), before + 1);
        cache.clearLocalCache(); // forgets the failure
        QVERIFY(loadOnce(cache, target, answers));
        QCOMPARE(requests(), before + 2);
        QCOMPARE(answers.count(), 0);
    }

    // The disk level stays under its bound: the least recently used files go first (a read is a
    // use), a trim runs when the cache is made (it also removes what interrupted writes left) and
    // after writes.
    void diskLevelStaysUnderItsBound() {
        QVERIFY(QDir().mkpath(cacheDirectory()));
        const QDateTime now = QDateTime::currentDateTimeUtc();
        QByteArray entry = test::ImageServer::png(test::testImage(Qt::red, 4, 4));
        entry.append(20000 - entry.size(), '\0');
        for (int i = 0; i < 10; ++i) // used an hour apart, "old0" longest ago
            writeFile(cacheDirectory() + u"/old%1"_s.arg(i), entry, now.addSecs((i - 10) * 3600));
        writeFile(cacheDirectory() + u"/.write-stale"_s, "x", now.addSecs(-120));
        writeFile(cacheDirectory() + u"/.write-live"_s, "x", now);

        ImageCache cache;
        QTRY_VERIFY(!folderEntries().contains(u".write-stale"_s));
        QCOMPARE(folderEntries().size(), 11);      // under the default bound: nothing else goes
        QVERIFY(!cache.image(u"old0"_s).isNull()); // a use: now the most recent

        // A trim goes below the bound, so a full cache is not trimmed again at every write: five
        // files would fit under this bound, four are kept.
        const qint64 bound = 110000;
        UserDefaults::standard().set(keys::kImageCacheLimit, bound);
        QCOMPARE(ImageCache::diskLimit(), bound);
        cache.trimSoon();
        QTRY_VERIFY(folderBytes() <= bound);
        QCOMPARE(folderEntries(),
                 (QStringList{u".write-live"_s, u"old0"_s, u"old7"_s, u"old8"_s, u"old9"_s}));

        Answers answers;
        for (int i = 0; i < 15; ++i) // three times the bound in distinct images
            QVERIFY(loadOnce(cache, url(u"/padded/20000/%1"_s.arg(i)), answers));
        QCOMPARE(answers.count(), 15);
        QTRY_VERIFY(folderBytes() <= bound);
        QVERIFY(QFile::exists(ImageCache::filePath(ImageCache::key(url(u"/padded/20000/14"_s)))));
        UserDefaults::standard().remove(keys::kImageCacheLimit);
    }

    void cacheFolderChecks_data() {
        QTest::addColumn<QString>("place"); // what is at the folder's place beforehand
        QTest::addColumn<QString>("refusal");
        QTest::newRow("nothing: made private") << u"nothing"_s << QString();
        QTest::newRow("open to others: closed") << u"open"_s << QString();
        QTest::newRow("a symbolic link") << u"link"_s << u"it is a symbolic link"_s;
        QTest::newRow("another user's folder") << u"foreign"_s << u"it belongs to another user"_s;
    }

    // Without a cache location the folder is a per-user one in the shared temporary folder; it is
    // used only as a private folder of the current user.
    void cacheFolderChecks() {
        QFETCH(QString, place);
        QFETCH(QString, refusal);
        QTemporaryDir tmp;
        const QByteArray savedTmp = qgetenv("TMPDIR");
        qputenv("TMPDIR", QFile::encodeName(tmp.path()));
        const QString folder = cacheDirectoryFor(QString());
        qputenv("TMPDIR", savedTmp);
        QCOMPARE(folder, tmp.path() + u"/orvane-offerwall-%1"_s.arg(::geteuid()));
        QCOMPARE(cacheDirectoryFor(u"/base"_s), u"/base/orvane-offerwall"_s);

        const QByteArray path = QFile::encodeName(folder);
        if (place == "open"_L1 || place == "foreign"_L1) {
            QCOMPARE(::mkdir(path.constData(), 0777), 0);
            QCOMPARE(::chmod(path.constData(), 0777), 0);
        } else if (place == "link"_L1) {
            QVERIFY(QFile::link(tmp.path(), folder));
        }
        if (place == "foreign"_L1 && (::geteuid() != 0 || ::chown(path.constData(), 65534, 65534)))
            QSKIP("giving a folder to another user needs root");

        QVERIFY(checkCacheDirectory(folder, true).startsWith(refusal));
        struct stat info {};
        QCOMPARE(::lstat(path.constData(), &info), 0);
        if (refusal.isEmpty())
            QCOMPARE(info.st_mode & 07777, mode_t(0700));
        else if (place == "foreign"_L1)
            QCOMPARE(info.st_mode & 07777, mode_t(0777)); // left as it is
    }

    // A cache folder that is a symbolic link is neither written, read nor cleared through; a link
    // inside the folder is removed by a clean-up, not what it points to.
    void linksAreNeverFollowed() {
        QTemporaryDir elsewhere;
        const QUrl address = url(u"/png/5x5/green/linked"_s);
        const QString planted = elsewhere.filePath(ImageCache::fileName(ImageCache::key(address)));
        writeFile(planted, test::ImageServer::png(test::testImage(Qt::red, 5, 5)),
                  QDateTime::currentDateTimeUtc());
        QVERIFY(QDir().mkpath(QFileInfo(cacheDirectory()).absolutePath()));
        QVERIFY(QFile::link(elsewhere.path(), cacheDirectory()));

        QDateTime now = QDateTime::currentDateTimeUtc();
        ImageCache cache([&now] { return now; });
        Answers answers;
        QVERIFY(loadOnce(cache, address, answers));
        QCOMPARE(centreColour(answers.received.value(0).second), QColor(u"green"_s)); // downloaded
        QCOMPARE(QDir(elsewhere.path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList{QFileInfo(planted).fileName()});
        QVERIFY(m_log->contains(u"it is a symbolic link"_s));

        now = now.addDays(31);
        cache.clearLocalCache();
        QVERIFY(QFileInfo(cacheDirectory()).isSymLink() && QFile::exists(planted));

        QVERIFY(QFile::remove(cacheDirectory()));
        QVERIFY(QDir().mkpath(cacheDirectory()));
        QVERIFY(QFile::link(elsewhere.path(), cacheDirectory() + u"/inner"_s));
        now = now.addDays(31);
        cache.clearLocalCache();
        QVERIFY(!QFileInfo::exists(cacheDirectory()) && QFile::exists(planted));
    }
    // Empty images and bytes are refused with a log line and store nothing; set() stores a JPEG far
    // smaller than the best quality, cacheImage() a lossless copy.
    void refusalsAndSmallestJpeg() {
        ImageCache cache;
        const QString key = u"empty"_s;
        QVERIFY(!cache.cacheImage(QImage(), key));
        QVERIFY(!cache.cacheImage(QByteArray(), key));
        QVERIFY(!cache.set(QImage(), key));
        QVERIFY(!cache.cacheImage(QImage(2, 2, QImage::Format_RGB32), QString()));
        cache.setCacheType(CacheType::ram);
        QVERIFY(!cache.cacheImage(QImage(), key));
        QVERIFY(!cache.cacheImage("no image"_ba, key));
        for (const QString& line :
             {u"bytes do not decode"_s, u"image without pixels"_s, u"JPEG encoding failed"_s})
            QVERIFY(m_log->contains(line));
        QVERIFY(cache.image(key).isNull() && cache.image(QString()).isNull());
        QVERIFY(!QFile::exists(ImageCache::filePath(key)));

        cache.setCacheType(CacheType::disk);
        QImage image(64, 64, QImage::Format_RGB32);
        for (int y = 0; y < 64; ++y) {
            for (int x = 0; x < 64; ++x)
                image.setPixel(x, y, qRgb(x * 4, y * 4, (x * y) % 256));
        }
        QVERIFY(cache.set(image, u"jpeg"_s));
        QFile file(ImageCache::filePath(u"jpeg"_s));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray stored = file.readAll();
        QVERIFY(stored.startsWith("\xFF\xD8"));
        QVERIFY(stored.size() < test::jpeg(image, 100).size() / 2);
        QVERIFY(cache.cacheImage(image, u"png"_s));
        QCOMPARE(cache.image(u"png"_s).convertToFormat(QImage::Format_RGB32), image);
    }

    void cleanupFollowsThirtyDayRule() {
        const QDateTime start = QDateTime::fromSecsSinceEpoch(1700000000, Qt::UTC);
        QDateTime now = start;
        UserDefaults& defaults = UserDefaults::standard();
        defaults.remove(keys::kLastCleanup);
        ImageCache cache([&now] { return now; });
        QCOMPARE(cache.lastCleanup(), start);
        const QImage image = test::testImage(Qt::red, 4, 4);
        QVERIFY(cache.cacheImage(image, u"on-disk"_s));
        cache.setCacheType(CacheType::ram);
        QVERIFY(cache.cacheImage(image, u"in-memory"_s));

        for (int days : {29, 30}) { // exactly 30 days is not "more than 30 days"
            now = start.addDays(days);
            cache.clearLocalCache();
            QVERIFY(cache.image(u"in-memory"_s).isNull());
            QVERIFY(!cache.image(u"on-disk"_s).isNull());
            QCOMPARE(cache.lastCleanup(), start);
            QVERIFY2(!defaults.contains(keys::kLastCleanup), "written by clean-ups only");
        }
        now = start.addDays(31);
        cache.clearLocalCache();
        QVERIFY(!QFileInfo::exists(cacheDirectory()));
        QCOMPARE(cache.lastCleanup(), now);
        QCOMPARE(defaults.date(keys::kLastCleanup), std::optional<QDateTime>(now));
        cache.setCacheType(CacheType::disk);
        QVERIFY(cache.cacheImage(image, u"again"_s));
        QVERIFY(QFile::exists(ImageCache::filePath(u"again"_s)));

        // A new instance starts from the stored date, not from its own creation.
        const QDateTime later = now.addDays(5);
        QCOMPARE(ImageCache([&later] { return later; }).lastCleanup(), now);
    }

    void loaderAnswersOnceCachesAndLogsFailures() {
        ImageCacheLoader loader;
        const QString path = url(u"/png/20x10/red/loader"_s).toString();
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
        QCOMPARE(m_server->requests(u"/png/20x10/red/loader"_s), 1);
        QVERIFY(!offMain);

        // A path with spaces is escaped before it is read.
        loader.obtainImageWithPath(url(QString()).toString() + u"/png/6x6/red/a b.png"_s, handler);
        QTRY_COMPARE(images.size(), 3);
        QCOMPARE(m_server->requests(u"/png/6x6/red/a b.png"_s), 1);

        // Failures are logged and never answered.
        loader.obtainImageWithPath(u"http://[::1"_s, handler);
        QVERIFY(m_log->contains(u"does not parse"_s));
        QVERIFY(!ImageCacheLoader::urlForPath(QString()));
        const QString missing = url(u"/missing"_s).toString();
        loader.obtainImageWithPath(missing, handler);
        QTRY_VERIFY(m_log->contains(u"imagePath null "_s + missing));
        loader.obtainImageWithPath(url(u"/garbage"_s).toString(), handler);
        QTRY_VERIFY(m_log->contains(u"bytes do not decode as an image"_s));
        bool later = false;
        loader.obtainImageWithPath(path, [&later](const QImage&) { later = true; });
        QTRY_VERIFY(later);
        QCOMPARE(images.size(), 3); // at most once per call, never for a failure
    }

    // A view shows the image of the address it wants last; a cleared or deleted view, or a cache
    // destroyed with the load in flight, takes none.
    void viewTakesOnlyTheImageItWantsLast() {
        ImageCache cache;
        ImageView view;
        const QUrl first = url(u"/hold/first/10x10/red"_s);
        const QUrl second = url(u"/hold/second/10x10/blue"_s);
        QList<QColor> completions;
        auto completion = [&completions](QImage image) { completions.append(centreColour(image)); };
        setUrl(&view, first, std::nullopt, cache, completion);
        setUrl(&view, second, std::nullopt, cache, completion);
        QCOMPARE(wantedUrl(&view), second.toString(QUrl::FullyEncoded));
        QTRY_COMPARE(m_server->requests(first.path()), 1);
        QTRY_COMPARE(m_server->requests(second.path()), 1);
        m_server->release(u"second"_s);
        QTRY_COMPARE(centreColour(view.image()), QColor(Qt::blue));
        m_server->release(u"first"_s);
        flush(cache, first);
        QCOMPARE(centreColour(view.image()), QColor(Qt::blue));
        QCOMPARE(completions, QList<QColor>{QColor(Qt::blue)});

        ImageView cleared;
        const QUrl held = url(u"/hold/cleared/10x10/red"_s);
        setUrl(&cleared, held, std::nullopt, cache, completion);
        clear(&cleared);
        QVERIFY(wantedUrl(&cleared).isEmpty());
        auto* doomed = new ImageView();
        setUrl(doomed, held, 1.0, cache, completion);
        {
            ImageCache gone;
            const QUrl other = url(u"/hold/cleared/12x12/red"_s);
            gone.loadImage(other, std::nullopt,
                           [&](const QString&, const QImage& i) { completion(i); });
            QTRY_COMPARE(m_server->requests(held.path()) + m_server->requests(other.path()), 2);
        }
        delete doomed;
        m_server->release(u"cleared"_s);
        flush(cache, held);
        QVERIFY(!cleared.hasImage());
        QCOMPARE(completions.size(), 1);
    }

private:
    // Waits until every answer queued so far for `url` has been delivered, by joining a probe
    // load that is answered after the loads queued before it.
    void flush(ImageCache& cache, const QUrl& url) {
        bool answered = false;
        cache.loadImage(url, std::nullopt, [&](const QString&, const QImage&) { answered = true; });
        QTRY_VERIFY(answered);
    }

    QUrl url(const QString& path) const { return m_server->url(path); }

    test::TemporarySettings m_settings;
    QTemporaryDir m_files;
    QString m_localPng; // a picture on the local disk, which no address from a server may load
    std::unique_ptr<test::LogCapture> m_log; // after QtTest's own handler is in place
    std::unique_ptr<test::ImageServer> m_server;
};

QTEST_MAIN(TstImageCache)
#include "tst_imagecache.moc"
