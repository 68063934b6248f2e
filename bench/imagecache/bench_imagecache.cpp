#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include "ImageServer.h"
#include "imagecache/ImageCache.h"
#include "platform/UserDefaults.h"
#include "sdk/CacheFiles.h"

using namespace orvane;

namespace {
// A 512x512 picture with enough detail that decoding it costs what a campaign image costs.
QImage detailedImage() {
    QImage image(512, 512, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            image.setPixel(x, y, qRgb((x * 7 + y) % 256, (y * 3) % 256, (x ^ y) % 256));
        }
    }
    return image;
}
} // namespace

// Hot paths of the image cache next to their baselines:
// memory hit; disk hit with and without a fit size next to a bare file read + decode of the same
// file; 100 simultaneous loads of one URL next to a single load.
class BenchImageCache : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();

    void memoryHit();
    void diskHit();
    void diskHitWithFitSize();
    void baselineFileReadAndDecode();
    void singleLoad();
    void hundredSimultaneousLoadsOfOneUrl();

private:
    void loads(int count);

    QTemporaryDir m_dir;
    std::unique_ptr<test::ImageServer> m_server;
    std::unique_ptr<ImageCache> m_cache;
    const QString m_key = QStringLiteral("bench-image");
    int m_round = 0;
};

void BenchImageCache::initTestCase() {
    // Keep the benchmark's files and settings out of the user's own folders.
    qputenv("XDG_CACHE_HOME", m_dir.filePath(QStringLiteral("cache")).toUtf8());
    UserDefaults::useStoreFile(m_dir.filePath(QStringLiteral("settings.ini")));
    m_server = std::make_unique<test::ImageServer>();
    m_cache = std::make_unique<ImageCache>();
    QVERIFY(m_cache->cacheImage(detailedImage(), m_key)); // disk: PNG
    m_cache->setCacheType(CacheType::ram);
    QVERIFY(m_cache->cacheImage(detailedImage(), QStringLiteral("memory")));
    m_cache->setCacheType(CacheType::disk);
    // Warm up: start the network thread and open the loopback connection outside the timings.
    int answered = 0;
    m_cache->loadImage(m_server->url(QStringLiteral("/png/8x8/red/warm-up")), std::nullopt,
                       [&answered](const QString&, const QImage&) { ++answered; });
    QVERIFY(QTest::qWaitFor([&] { return answered == 1; }, 10000));
}

void BenchImageCache::cleanupTestCase() {
    m_cache.reset();
    UserDefaults::useStoreFile(QString());
}

void BenchImageCache::memoryHit() {
    QImage image;
    QBENCHMARK {
        image = m_cache->image(QStringLiteral("memory"));
    }
    QCOMPARE(image.size(), QSize(512, 512));
}

void BenchImageCache::diskHit() {
    QImage image;
    QBENCHMARK {
        image = m_cache->image(m_key);
    }
    QCOMPARE(image.size(), QSize(512, 512));
}

void BenchImageCache::diskHitWithFitSize() {
    QImage image;
    QBENCHMARK {
        image = m_cache->image(m_key, QSizeF(120, 120));
    }
    QCOMPARE(image.size(), QSize(123, 123));
}

void BenchImageCache::baselineFileReadAndDecode() {
    QImage image;
    const QString path = ImageCache::filePath(m_key);
    QBENCHMARK {
        QFile file(path);
        file.open(QIODevice::ReadOnly);
        image = QImage::fromData(file.readAll());
    }
    QCOMPARE(image.size(), QSize(512, 512));
}

// Each round loads a URL no level holds yet, so every round downloads, decodes and stores once.
void BenchImageCache::loads(int count) {
    QBENCHMARK {
        const QString path = QStringLiteral("/png/512x512/teal/round%1").arg(++m_round);
        const QUrl url = m_server->url(path);
        int answered = 0;
        for (int i = 0; i < count; ++i) {
            m_cache->loadImage(url, std::nullopt,
                               [&answered](const QString&, const QImage&) { ++answered; });
        }
        QVERIFY(QTest::qWaitFor([&] { return answered == count; }, 10000));
        QCOMPARE(m_server->requests(path), 1);
    }
}

void BenchImageCache::singleLoad() {
    loads(1);
}

void BenchImageCache::hundredSimultaneousLoadsOfOneUrl() {
    loads(100);
}

QTEST_MAIN(BenchImageCache)
#include "bench_imagecache.moc"
