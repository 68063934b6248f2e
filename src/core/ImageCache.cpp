#include "core/ImageCache.h"

#include <filesystem>
#include <system_error>

#include <QBuffer>
#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QTemporaryFile>
#include <QThreadPool>

#include "core/CacheFiles.h"
#include "core/HandOff.h"
#include "core/ImageDownloader.h"
#include "core/Log.h"
#include "core/Mailbox.h"
#include "core/ScaleToFit.h"
#include "core/SettingsKeys.h"
#include "core/UserDefaults.h"

namespace orvane {

namespace {
// What a host name may contain besides the unreserved characters, which are never escaped.
const QByteArray kSubDelimiters = QByteArrayLiteral("!$&'()*+,;=");

qsizetype costOf(const QImage& image) {
    return std::max<qsizetype>(1, image.sizeInBytes());
}
} // namespace

ImageCache::ImageCache(Clock now)
    : m_now(now ? std::move(now) : Clock([] { return QDateTime::currentDateTimeUtc(); }))
    , m_workers(std::make_unique<QThreadPool>())
    , m_downloader(std::make_unique<ImageDownloader>()) {
    m_images.setMaxCost(kMemoryCostLimit);
    m_lastCleanup = UserDefaults::standard().date(keys::kLastCleanup).value_or(m_now());
    m_workers->setObjectName(QStringLiteral("LoadImageQueue"));
}

ImageCache::~ImageCache() {
    shutdown();
}

void ImageCache::shutdown() {
    {
        std::unique_lock lock(m_mutex);
        m_closing = true; // no new downloads, no new work from download replies
    }
    m_workers->waitForDone(); // also joins the pool's threads
    m_downloader->stop();     // joins the network thread: no reply handler runs after this
    m_workers->waitForDone();
}

ImageCache& ImageCache::defaultCache() {
    // Never destroyed, so work queued by a caller never meets a destroyed cache; its threads are
    // stopped with the application object, while the statics they use still exist.
    static auto* instance = [] {
        auto* cache = new ImageCache();
        qAddPostRoutine([] { defaultCache().shutdown(); });
        return cache;
    }();
    return *instance;
}

CacheType ImageCache::cacheType() const {
    std::unique_lock lock(m_mutex);
    return m_cacheType;
}

void ImageCache::setCacheType(CacheType type) {
    std::unique_lock lock(m_mutex);
    m_cacheType = type;
}

QDateTime ImageCache::lastCleanup() const {
    std::unique_lock lock(m_mutex);
    return m_lastCleanup;
}

QString ImageCache::absoluteString(const QUrl& url) {
    return url.toString(QUrl::FullyEncoded);
}

QString ImageCache::key(const QUrl& url) {
    const QString absolute = absoluteString(url);
    const QByteArray encoded = QUrl::toPercentEncoding(absolute, kSubDelimiters);
    return encoded.isEmpty() ? absolute : QString::fromLatin1(encoded);
}

QString ImageCache::fileName(const QString& key) {
    const QByteArray bytes = key.toUtf8();
    const bool plain = !key.isEmpty() && bytes.size() <= kMaxFileNameBytes &&
                       key != QLatin1String(".") && key != QLatin1String("..") &&
                       !bytes.contains('/') && !bytes.contains('\\') && !bytes.contains('\0');
    if (plain) {
        return key;
    }
    return QStringLiteral("%sha256-") +
           QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
}

QString ImageCache::filePath(const QString& key) {
    return cacheDirectory() + QLatin1Char('/') + fileName(key);
}

QImage ImageCache::image(const QString& ofKey, std::optional<QSizeF> fitSize) const {
    if (ofKey.isEmpty()) {
        return {};
    }
    {
        std::unique_lock lock(m_mutex);
        if (const QImage* hit = m_images.object(ofKey)) {
            return *hit;
        }
    }
    QFile file(filePath(ofKey));
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    const QImage decoded = QImage::fromData(file.readAll());
    if (decoded.isNull() || !fitSize) {
        return decoded;
    }
    return scaleToFit(decoded, *fitSize);
}

QImage ImageCache::memoryImage(const QString& key) const {
    std::unique_lock lock(m_mutex);
    const QImage* hit = m_images.object(key);
    return hit ? *hit : QImage();
}

QImage ImageCache::image(const QUrl& ofUrl, std::optional<QSizeF> fitSize) const {
    return image(key(ofUrl), fitSize);
}

bool ImageCache::insertInMemory(const QString& key, const QImage& image) {
    std::unique_lock lock(m_mutex);
    if (m_images.insert(key, new QImage(image), costOf(image))) {
        return true;
    }
    lock.unlock();
    Log::error("ImageCache", "image larger than the memory store, not kept:", key);
    return false;
}

bool ImageCache::writeFile(const QString& key, const QByteArray& data) {
    QDir().mkpath(cacheDirectory()); // a failure shows as a failed open below
    // The bytes go to a temporary file that is renamed into place, and removed when a write
    // fails: a full disk leaves no truncated file that a later read would take for an image.
    // Nothing is synced to disk first: a sync costs tens of milliseconds on a busy disk, before
    // every answer, and a cache entry that a power cut leaves empty reads as no image and is
    // simply downloaded again.
    QTemporaryFile file(cacheDirectory() + QStringLiteral("/.write-XXXXXX"));
    bool written = file.open() && file.write(data) == data.size() && file.flush();
    QString error = file.errorString();
    if (written) {
        file.close();
        std::error_code renamed;
        std::filesystem::rename(QFile::encodeName(file.fileName()).toStdString(),
                                QFile::encodeName(filePath(key)).toStdString(), renamed);
        written = !renamed;
        error = QString::fromStdString(renamed.message());
    }
    if (!written) {
        // Logged once per run of failures: a full disk fails every write until space returns.
        if (!m_writeFailing.exchange(true)) {
            Log::error("Error write file", error,
                       "- further failed writes are not logged until one succeeds");
        }
        return false; // the temporary file is removed with `file`
    }
    file.setAutoRemove(false); // it is the entry now
    if (m_writeFailing.exchange(false)) {
        Log::info("ImageCache", "writing to the cache folder works again");
    }
    return true;
}

bool ImageCache::cacheImage(const QImage& image, const QString& key) {
    if (key.isEmpty() || image.isNull()) {
        Log::error("ImageCache", "nothing stored: empty key or image without pixels", key);
        return false;
    }
    if (cacheType() == CacheType::ram) {
        return insertInMemory(key, image);
    }
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG")) {
        Log::error("ImageCache", "PNG encoding failed, nothing stored:", key);
        return false;
    }
    return writeFile(key, png);
}

bool ImageCache::cacheImage(const QByteArray& data, const QString& key) {
    if (key.isEmpty() || data.isEmpty()) {
        Log::error("ImageCache", "nothing stored: empty key or data", key);
        return false;
    }
    if (cacheType() == CacheType::disk) {
        return writeFile(key, data);
    }
    const QImage decoded = QImage::fromData(data);
    if (decoded.isNull()) {
        Log::error("ImageCache", "bytes do not decode as an image, dropped:", key);
        return false;
    }
    return insertInMemory(key, decoded);
}

bool ImageCache::set(const QImage& image, const QString& key) {
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    if (image.isNull() || !image.save(&buffer, "JPEG", 0)) {
        Log::error("ImageCache", "JPEG encoding failed, nothing stored:", key);
        return false;
    }
    return cacheImage(jpeg, key);
}

void ImageCache::clearLocalCache() {
    const QDateTime now = m_now();
    bool expired = false;
    {
        std::unique_lock lock(m_mutex);
        expired = m_lastCleanup.msecsTo(now) > kAutoCleanupSeconds * 1000;
    }
    if (expired) {
        QDir folder(cacheDirectory());
        if (folder.exists() && !folder.removeRecursively()) {
            Log::error("ImageCache", "Error remove cache folder", folder.path());
        }
        {
            std::unique_lock lock(m_mutex);
            m_lastCleanup = now;
        }
        UserDefaults::standard().set(keys::kLastCleanup, now);
    }
    std::unique_lock lock(m_mutex);
    m_images.clear();
    m_downloads.removeIf(
        [](const auto& entry) { return entry.value().state != State::downloading; });
}

void ImageCache::loadImage(const QUrl& url, std::optional<QSizeF> fitSize, Completion completion) {
    const QString urlString = absoluteString(url);
    if (!url.isValid() || urlString.isEmpty()) {
        Log::error("ImageCache", "loadImage: not a valid URL, no answer:", url.toString());
        return;
    }
    Request request{url, urlString, key(url), fitSize, std::move(completion)};
    std::unique_lock lock(m_mutex);
    if (m_closing) {
        return; // shutting down: nothing would answer
    }
    // A load of an image being downloaded waits for that download at once, as a lookup that found
    // nothing would, without taking a worker for the lookup.
    if (auto entry = m_downloads.find(request.key);
        entry != m_downloads.end() && entry->state == State::downloading) {
        entry->waiters.append(Waiter{request.fitSize, std::move(request.completion), false});
        return;
    }
    m_workers->start(
        detail::handOff([this, request = std::move(request)] { lookupOrDownload(request); }));
}

void ImageCache::lookupOrDownload(const Request& request) {
    // Two rounds at most: a download that finishes between our lookup and our look at the table
    // has stored its image by the time it is marked done, so a second lookup finds it.
    for (int round = 0; round < 2; ++round) {
        const QImage found = image(request.key, request.fitSize);
        if (!found.isNull()) {
            answer(request.completion, request.urlString, found);
            return;
        }
        std::unique_lock lock(m_mutex);
        if (m_closing) {
            return;
        }
        auto entry = m_downloads.find(request.key);
        const bool start = entry == m_downloads.end() ||
                           (entry->state == State::done && round == 1); // the store lost it
        if (start) {
            m_downloads.insert(request.key,
                               Download{State::downloading,
                                        request.urlString,
                                        {Waiter{request.fitSize, request.completion, true}}});
            lock.unlock();
            startDownload(request.url, request.key);
            return;
        }
        if (entry->state == State::downloading) {
            entry->waiters.append(Waiter{request.fitSize, request.completion, false});
            return;
        }
        if (entry->state == State::failed) {
            lock.unlock();
            Log::error("ImageCache", "download failed earlier, not retried until clearLocalCache:",
                       request.urlString);
            return;
        }
    }
}

void ImageCache::startDownload(const QUrl& url, const QString& key) {
    m_downloader->get(url, [this, key](const ImageDownloader::Result& result) {
        std::unique_lock lock(m_mutex);
        if (m_closing) {
            return;
        }
        m_workers->start(detail::handOff(
            [this, key, result] { finishDownload(key, result.body, result.error); }));
    });
}

void ImageCache::finishDownload(const QString& key, const QByteArray& body, const QString& error) {
    const QImage decoded = error.isEmpty() ? QImage::fromData(body) : QImage();
    if (decoded.isNull()) {
        QString urlString;
        qsizetype waiting = 0;
        {
            std::unique_lock lock(m_mutex);
            Download& download = m_downloads[key];
            download.state = State::failed;
            urlString = download.urlString;
            waiting = download.waiters.size();
            download.waiters.clear();
        }
        const QString reason =
            error.isEmpty() ? QStringLiteral("the body does not decode as an image") : error;
        Log::error("ImageCache", "download failed:", urlString, reason,
                   "- unanswered loads:", waiting);
        return;
    }

    // The loads waiting now get the picture before it is stored: writing the file must not delay
    // it. Loads that come while it is stored still find the download running and wait; they are
    // answered once it is stored, as before.
    const bool toDisk = cacheType() != CacheType::ram;
    answerWaiters(key, decoded, toDisk);
    const bool onDisk = storeDecoded(key, body, decoded);
    answerWaiters(key, decoded, onDisk, State::done);
}

// Answers the loads waiting for the download of `key` with its image, scaled for those that did
// not start it when the image is read back from disk (as a disk hit is); `state` is the download's
// state from then on.
void ImageCache::answerWaiters(const QString& key, const QImage& decoded, bool onDisk,
                               State state) {
    Download finished;
    {
        std::unique_lock lock(m_mutex);
        Download& download = m_downloads[key];
        download.state = state;
        finished.urlString = download.urlString;
        finished.waiters.swap(download.waiters);
    }
    for (const Waiter& waiter : std::as_const(finished.waiters)) {
        const bool scale = onDisk && !waiter.startedDownload && waiter.fitSize;
        answer(waiter.completion, finished.urlString,
               scale ? scaleToFit(decoded, *waiter.fitSize) : decoded);
    }
}

// Returns whether the image went to disk (the level whose hits are scaled).
bool ImageCache::storeDecoded(const QString& key, const QByteArray& data, const QImage& image) {
    if (cacheType() == CacheType::ram) {
        insertInMemory(key, image);
        return false;
    }
    if (writeFile(key, data)) {
        return true;
    }
    // The disk refused it (full, read-only): keep the picture in memory so it still shows, rather
    // than downloading it again on every load.
    insertInMemory(key, image);
    return false;
}

void ImageCache::answer(const Completion& completion, const QString& urlString,
                        const QImage& image) {
    if (completion) {
        detail::Mailbox::main().post(
            [completion, urlString, image] { completion(urlString, image); });
    }
}

} // namespace orvane
