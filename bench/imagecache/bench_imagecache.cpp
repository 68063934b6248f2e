// Hot paths of the image cache next to their baselines, interleaved: a memory hit next to a bare
// QHash lookup; a disk hit next to a bare file read + decode of the same file; one load from the
// loopback server next to a bare GET + decode of the same kind of address; 100 simultaneous loads
// of one URL next to one load.

#include <QCoreApplication>
#include <QFile>
#include <QHash>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTemporaryDir>

#include "BenchSupport.h"
#include "ImageServer.h"
#include "core/ImageCache.h"
#include "core/Log.h"
#include "core/UserDefaults.h"

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

class Bench {
public:
    Bench() {
        // Keep the benchmark's files and settings out of the user's own folders.
        qputenv("XDG_CACHE_HOME", m_dir.filePath(QStringLiteral("cache")).toUtf8());
        UserDefaults::useStoreFile(m_dir.filePath(QStringLiteral("settings.ini")));
        m_cache = std::make_unique<ImageCache>();
    }
    ~Bench() {
        m_cache.reset();
        UserDefaults::useStoreFile(QString());
    }

    void run() {
        memoryHit();
        diskHit();
        // Start the network thread and open the loopback connections outside the timings.
        loads(1);
        bareLoad();
        singleLoad();
        simultaneousLoads();
    }

private:
    void memoryHit() {
        m_cache->setCacheType(CacheType::ram);
        const QImage image = detailedImage();
        m_cache->cacheImage(image, QStringLiteral("memory"));
        QHash<QString, QImage> bare;
        for (int i = 0; i < 200; ++i) {
            bare.insert(QStringLiteral("image-%1").arg(i), image);
        }
        bare.insert(QStringLiteral("memory"), image);
        const QString key = QStringLiteral("memory");
        constexpr int kCalls = 100'000;
        qint64 pixels = 0;
        bench::report(bench::compare(
            QStringLiteral("image memory hit"), 3, 15,
            [&] {
                return bench::msPerCall(kCalls, [&] { pixels += m_cache->image(key).width(); });
            },
            [&] { return bench::msPerCall(kCalls, [&] { pixels += bare.value(key).width(); }); }));
        if (pixels == 0) {
            qFatal("the memory level did not answer");
        }
    }

    void diskHit() {
        m_cache->setCacheType(CacheType::disk);
        const QString key = QStringLiteral("disk");
        m_cache->cacheImage(detailedImage(), key);
        const QString path = ImageCache::filePath(key);
        constexpr int kCalls = 10;
        bench::report(bench::compare(
            QStringLiteral("image disk hit"), 1.15, 15,
            [&] { return bench::msPerCall(kCalls, [&] { check(m_cache->image(key)); }); },
            [&] {
                return bench::msPerCall(kCalls, [&] {
                    QFile file(path);
                    file.open(QIODevice::ReadOnly);
                    check(QImage::fromData(file.readAll()));
                });
            }));
    }

    // Each round loads addresses no level holds yet, so every load downloads, decodes and stores.
    double loads(int count) {
        const QString path = QStringLiteral("/png/512x512/teal/round%1").arg(++m_round);
        const QUrl url = m_server.url(path);
        int answered = 0;
        QElapsedTimer timer;
        timer.start();
        for (int i = 0; i < count; ++i) {
            m_cache->loadImage(url, std::nullopt, [&answered](const QString&, const QImage& image) {
                check(image);
                ++answered;
            });
        }
        if (!bench::waitUntil([&] { return answered == count; })) {
            qFatal("image loads did not finish");
        }
        const double ms = static_cast<double>(timer.nsecsElapsed()) / 1e6;
        m_singleRequest = m_singleRequest && m_server.requests(path) == 1;
        return ms;
    }

    double bareLoad() {
        const QUrl url = m_server.url(QStringLiteral("/png/512x512/teal/bare%1").arg(++m_round));
        QElapsedTimer timer;
        timer.start();
        QNetworkReply* reply = m_network.get(QNetworkRequest(url));
        if (!bench::waitUntil([reply] { return reply->isFinished(); })) {
            qFatal("the bare load did not finish");
        }
        check(QImage::fromData(reply->readAll()));
        const double ms = static_cast<double>(timer.nsecsElapsed()) / 1e6;
        reply->deleteLater();
        return ms;
    }

    void singleLoad() {
        bench::report(bench::compare(
            QStringLiteral("one image load from the loopback server"), 1.3, 21,
            [&] { return loads(1); }, [&] { return bareLoad(); }));
    }

    void simultaneousLoads() {
        m_singleRequest = true;
        bench::Measure measure = bench::compare(
            QStringLiteral("100 simultaneous loads of one URL"), 1.2, 21,
            [&] { return loads(100); }, [&] { return loads(1); });
        measure.extraHolds = m_singleRequest;
        measure.extra = m_singleRequest ? QStringLiteral("one request per URL")
                                        : QStringLiteral("more than one request per URL");
        bench::report(measure);
    }

    static void check(const QImage& image) {
        if (image.size() != QSize(512, 512)) {
            qFatal("an image did not come back whole");
        }
    }

    QTemporaryDir m_dir;
    test::ImageServer m_server;
    std::unique_ptr<ImageCache> m_cache;
    QNetworkAccessManager m_network;
    int m_round = 0;
    bool m_singleRequest = true;
};

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    Log::setDisplayLog(false);
    Bench().run();
    return 0;
}
