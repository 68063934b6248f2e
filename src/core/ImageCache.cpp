#include "core/ImageCache.h"

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <vector>

#include <QBuffer>
#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
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
    trimSoon(); // counts the folder, drops what interrupted writes left
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
    if (!checkCacheDirectory(cacheDirectory(), false).isEmpty()) {
        return {}; // refused; writes log why
    }
    QFile file(filePath(ofKey));
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    const QImage decoded = QImage::fromData(file.readAll());
    if (!decoded.isNull()) {
        // Recently used files are the last the trim removes.
        file.setFileTime(QDateTime::currentDateTimeUtc(), QFileDevice::FileModificationTime);
    }
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
    const QString folder = cacheDirectory();
    QString error = checkCacheDirectory(folder, true);
    bool written = error.isEmpty();
    if (!written) {
        error = QStringLiteral("the cache folder %1 is refused: %2").arg(folder, error);
    }
    // The bytes go to a temporary file that is renamed into place, and removed when a write
    // fails: a full disk leaves no truncated file that a later read would take for an image.
    // Nothing is synced to disk first: a sync costs tens of milliseconds on a busy disk, before
    // every answer, and a cache entry that a power cut leaves empty reads as no image and is
    // simply downloaded again (trim() removes a temporary file a crash left behind).
    QTemporaryFile file(folder + QLatin1Char('/') + kTemporaryPrefix + QStringLiteral("XXXXXX"));
    if (written) {
        written = file.open() && file.write(data) == data.size() && file.flush();
        error = file.errorString();
    }
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
    if (m_diskBytes.fetch_add(data.size()) + data.size() > diskLimit()) {
        trimSoon();
    }
    return true;
}

qint64 ImageCache::diskLimit() {
    const qint64 limit = UserDefaults::standard().integer(keys::kImageCacheLimit);
    return limit > 0 ? limit : kDefaultDiskLimit;
}

void ImageCache::trimSoon() {
    if (m_trimQueued.exchange(true)) {
        return; // the one queued will see this write too
    }
    std::unique_lock lock(m_mutex);
    if (m_closing) {
        return;
    }
    m_workers->start(detail::handOff([this] { trim(); }));
}

void ImageCache::trim() {
    m_trimQueued.store(false);
    const qint64 counted = m_diskBytes.load();
    const QString folder = cacheDirectory();
    if (const QString refusal = checkCacheDirectory(folder, false); !refusal.isEmpty()) {
        Log::warning("ImageCache", "the cache folder is refused, nothing trimmed:", refusal);
        return;
    }
    struct Entry {
        QString path;
        qint64 size;
        QDateTime used;
    };
    std::vector<Entry> entries;
    qint64 total = 0;
    int stale = 0;
    const QDateTime staleBefore = QDateTime::currentDateTimeUtc().addSecs(-kStaleTemporarySeconds);
    // Links are never followed: only the folder's own files count, and only they are removed.
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System | QDir::NoSymLinks);
    while (it.hasNext()) {
        const QFileInfo file = it.nextFileInfo();
        const bool temporary = file.fileName().startsWith(kTemporaryPrefix);
        if (temporary && file.lastModified() < staleBefore && QFile::remove(file.filePath())) {
            ++stale; // an interrupted write
            continue;
        }
        total += file.size();
        if (!temporary) {
            entries.push_back({file.filePath(), file.size(), file.lastModified()});
        }
    }
    const qint64 limit = diskLimit();
    qint64 left = total;
    int removed = 0;
    if (total > limit) {
        // Down to nine tenths, so that the next few writes do not each start a trim.
        const qint64 target = limit - limit / 10;
        std::sort(entries.begin(), entries.end(),
                  [](const Entry& a, const Entry& b) { return a.used < b.used; });
        for (const Entry& entry : entries) {
            if (left <= target) {
                break;
            }
            if (QFile::remove(entry.path)) {
                left -= entry.size;
                ++removed;
            }
        }
    }
    if (stale || removed) {
        Log::info("ImageCache trimmed the cache folder: removed", removed,
                  "least recently used and", stale, "interrupted writes, keeping", left, "bytes of",
                  limit);
    }
    // Writes made during the count stay added: the count may run high, never low.
    m_diskBytes.fetch_add(left - counted);
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
        const QString folder = cacheDirectory();
        if (const QString refusal = checkCacheDirectory(folder, false); !refusal.isEmpty()) {
            Log::warning("ImageCache", "the cache folder is refused and left as it is:", refusal);
        } else {
            // Removes links themselves, never what they point to.
            std::error_code failed;
            std::filesystem::remove_all(QFile::encodeName(folder).toStdString(), failed);
            if (failed) {
                Log::error("ImageCache", "Error remove cache folder", folder,
                           QString::fromStdString(failed.message()));
            }
            m_diskBytes.store(0);
        }
        {
            std::unique_lock lock(m_mutex);
            m_lastCleanup = now;
        }
        UserDefaults::standard().set(keys::kLastCleanup, now);
    }
    std::unique_lock lock(m_mutex);
    m_images.clear();
    m_downloads.removeIf([](const auto& entry) {
        return entry.value().state != State::downloading && entry.value().state != State::lookingUp;
    });
}

void ImageCache::loadImage(const QUrl& url, std::optional<QSizeF> fitSize, Completion completion,
                           Failed failed) {
    const QString urlString = absoluteString(url);
    if (!url.isValid() || urlString.isEmpty()) {
        Log::error("ImageCache", "loadImage: not a valid URL, no answer:", url.toString());
        fail(failed, urlString, QStringLiteral("not a valid address"));
        return;
    }
    Request request{url, urlString, key(url), fitSize, std::move(completion), std::move(failed)};
    std::unique_lock lock(m_mutex);
    if (m_closing) {
        return; // shutting down: nothing would answer
    }
    // A load of an image being looked up or downloaded waits for it at once, as a lookup that found
    // nothing would, without taking a worker for a lookup of its own.
    auto entry = m_downloads.find(request.key);
    if (entry != m_downloads.end() &&
        (entry->state == State::downloading || entry->state == State::lookingUp)) {
        entry->waiters.append(Waiter{request.fitSize, std::move(request.completion),
                                     std::move(request.failed), false});
        return;
    }
    if (entry == m_downloads.end()) {
        Download lookup;
        lookup.state = State::lookingUp;
        lookup.urlString = request.urlString;
        m_downloads.insert(request.key, std::move(lookup));
        m_workers->start(
            detail::handOff([this, request = std::move(request)] { lookUpFirst(request); }));
        return;
    }
    m_workers->start(
        detail::handOff([this, request = std::move(request)] { lookupOrDownload(request); }));
}

// The lookup of a key's first load: a hit answers it, and the loads that joined it look again on
// this worker (a memory hit by now); a miss turns the lookup into the download they all wait for.
void ImageCache::lookUpFirst(const Request& request) {
    const QImage found = image(request.key, request.fitSize);
    std::unique_lock lock(m_mutex);
    if (m_closing) {
        return;
    }
    auto entry = m_downloads.find(request.key);
    if (!found.isNull()) {
        QList<Waiter> joined;
        if (entry != m_downloads.end() && entry->state == State::lookingUp) {
            joined.swap(entry->waiters);
            m_downloads.erase(entry);
        }
        lock.unlock();
        answer(request.completion, request.urlString, found);
        for (Waiter& waiter : joined) {
            lookupOrDownload(Request{request.url, request.urlString, request.key, waiter.fitSize,
                                     std::move(waiter.completion), std::move(waiter.failed)});
        }
        return;
    }
    if (entry == m_downloads.end()) {
        entry = m_downloads.insert(request.key, Download{});
        entry->urlString = request.urlString;
    }
    entry->state = State::downloading;
    entry->waiters.prepend(Waiter{request.fitSize, request.completion, request.failed, true});
    lock.unlock();
    startDownload(request.url, request.key);
}

void ImageCache::lookupOrDownload(const Request& request) {
    Waiter starter{request.fitSize, request.completion, request.failed, true};
    // Two rounds at most: a download that finishes between our lookup and our look at the table
    // has stored its image by the time it is marked done, so a second lookup finds it.
    for (int round = 0; round < 2; ++round) {
        const QImage found = image(request.key, request.fitSize);
        if (!found.isNull()) {
            answer(request.completion, request.urlString, found);
            return;
        }
        const qint64 now = nowMs();
        std::unique_lock lock(m_mutex);
        if (m_closing) {
            return;
        }
        auto entry = m_downloads.find(request.key);
        if (entry == m_downloads.end() || (entry->state == State::done && round == 1)) {
            // Never tried, or the store lost it.
            Download download;
            download.urlString = request.urlString;
            download.waiters = {starter};
            m_downloads.insert(request.key, std::move(download));
            lock.unlock();
            startDownload(request.url, request.key);
            return;
        }
        if (entry->state == State::downloading || entry->state == State::lookingUp) {
            starter.startedDownload = false;
            entry->waiters.append(starter);
            return;
        }
        if (entry->state == State::failed) {
            const qint64 retryAt = entry->retryAtMs;
            if (retryAt >= 0 && now >= retryAt) {
                entry->state = State::downloading; // keeps the back-off for a further failure
                entry->waiters = {starter};
                lock.unlock();
                Log::info("ImageCache", "trying a failed download again:", request.urlString);
                startDownload(request.url, request.key);
                return;
            }
            const QString reason = entry->reason;
            lock.unlock();
            if (retryAt < 0) {
                Log::error("ImageCache",
                           "download failed earlier, not retried until clearLocalCache:",
                           request.urlString, reason);
            } else {
                Log::error("ImageCache", "download failed earlier, tried again in",
                           (retryAt - now + 999) / 1000, "s:", request.urlString, reason);
            }
            fail(request.failed, request.urlString, reason);
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
        m_workers->start(detail::handOff([this, key, result] { finishDownload(key, result); }));
    });
}

void ImageCache::finishDownload(const QString& key, const ImageDownloader::Result& result) {
    const QImage decoded = result.ok() ? QImage::fromData(result.body) : QImage();
    if (decoded.isNull()) {
        failDownload(key, result);
        return;
    }

    // The loads waiting now get the picture before it is stored: writing the file must not delay
    // it. Loads that come while it is stored still find the download running and wait; they are
    // answered once it is stored, as before.
    const bool toDisk = cacheType() != CacheType::ram;
    answerWaiters(key, decoded, toDisk);
    const bool onDisk = storeDecoded(key, result.body, decoded);
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
        if (state == State::done) {
            download.backoffSeconds = 0;
        }
        finished.urlString = download.urlString;
        finished.waiters.swap(download.waiters);
    }
    for (const Waiter& waiter : std::as_const(finished.waiters)) {
        const bool scale = onDisk && !waiter.startedDownload && waiter.fitSize;
        answer(waiter.completion, finished.urlString,
               scale ? scaleToFit(decoded, *waiter.fitSize) : decoded);
    }
}

void ImageCache::failDownload(const QString& key, const ImageDownloader::Result& result) {
    const QString reason = result.ok()
                               ? QStringLiteral("not an image: the body does not decode as one")
                               : result.error;
    // Only a transport failure may go away by itself; the server meant every other answer.
    const bool transient = result.failure == ImageDownloader::Failure::transport;
    const qint64 now = transient ? nowMs() : 0;
    Download failed;
    int backoff = 0;
    {
        std::unique_lock lock(m_mutex);
        Download& download = m_downloads[key];
        download.state = State::failed;
        download.reason = reason;
        if (transient) {
            backoff = download.backoffSeconds == 0
                          ? kFirstRetrySeconds
                          : std::min(download.backoffSeconds * 2, kLastRetrySeconds);
            download.backoffSeconds = backoff;
            download.retryAtMs = now + qint64(backoff) * 1000;
        } else {
            download.retryAtMs = -1;
        }
        failed.urlString = download.urlString;
        failed.waiters.swap(download.waiters);
    }
    Log::error("ImageCache", "download failed:", failed.urlString, reason,
               "- loads waiting:", failed.waiters.size(),
               transient ? QStringLiteral("- tried again after %1 s").arg(backoff) : QString());
    for (const Waiter& waiter : std::as_const(failed.waiters)) {
        fail(waiter.failed, failed.urlString, reason);
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

qint64 ImageCache::nowMs() const {
    return m_now().toMSecsSinceEpoch();
}

void ImageCache::fail(const Failed& failed, const QString& urlString, const QString& reason) {
    if (failed) {
        detail::Mailbox::main().post([failed, urlString, reason] { failed(urlString, reason); });
    }
}

void ImageCache::answer(const Completion& completion, const QString& urlString,
                        const QImage& image) {
    if (completion) {
        detail::Mailbox::main().post(
            [completion, urlString, image] { completion(urlString, image); });
    }
}

} // namespace orvane
