#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

#include <QCache>
#include <QDateTime>
#include <QHash>
#include <QImage>
#include <QList>
#include <QSizeF>
#include <QString>
#include <QUrl>

#include "core/ImageDownloader.h"

class QThreadPool;

namespace orvane {

// Where new entries go.
enum class CacheType { disk, ram };

// The kit's image store: a memory level and a disk level (one file per image in cacheDirectory(),
// holding the encoded bytes unchanged), plus de-duplicated downloads of images neither level
// holds.
//
// Keys: the URL's absolute string percent-encoded so that only unreserved characters and
// sub-delimiters stay ("/" and ":" become escapes), which makes every key one path component.
// Callers may pass keys of their own: every key, whatever it holds, is one file directly inside
// the folder. Keys that are plain file names are the file names themselves; the others are
// stored under a stable hashed name, see fileName().
//
// loadImage() downloads each URL once: concurrent loads of one URL wait for the same download and
// are all answered once the image is stored. Only http and https addresses are loaded (the
// downloader refuses the others, and that refusal stays like any other). A download
// that fails is remembered: later loads of that URL end with their failure handler (and a log
// line) without a new download. A transport failure (no connection, a time-out) is tried again by
// the first load after a back-off of kFirstRetrySeconds, doubled after every further failure up to
// kLastRetrySeconds; an HTTP error status, a body over the downloader's size limit or one that does
// not decode stays failed until clearLocalCache() runs. This keeps a broken address in a long list
// from being fetched again on every scroll.
//
// The disk level holds at most diskLimit() bytes (kDefaultDiskLimit unless the host set
// keys::kImageCacheLimit): when writes take it past the limit, a worker removes the least recently
// used files (a disk hit counts as a use) until it is back under nine tenths of it. That worker
// also runs once when the cache is made, and then removes the temporary files of writes that were
// interrupted (a crash, a power cut). The folder is used only while checkCacheDirectory() accepts
// it: a folder that is a symbolic link, or another user's, is neither read, written, trimmed nor
// cleared.
//
// The memory store is bounded by kMemoryCostLimit bytes of decoded pixels (least recently used
// images go first); eviction only ever drops memory copies, never disk entries.
//
// Thread contract: every member may be called from any thread. Completions run on the main thread.
// Lookups, decoding and disk writes of loadImage() run on the cache's own worker threads, the
// download on its own network thread. shutdown() (and destroying the cache) waits for that work,
// joins those threads and drops unanswered loads.
class ImageCache final {
public:
    using Clock = std::function<QDateTime()>;
    using Completion = std::function<void(const QString& urlString, const QImage& image)>;
    // Why a load ends without an image ("HTTP status 404", "too large: ...", "refused scheme ...").
    using Failed = std::function<void(const QString& urlString, const QString& reason)>;

    static constexpr int autoCleanupDays = 30;
    static constexpr qint64 kAutoCleanupSeconds = qint64(autoCleanupDays) * 86400;
    static constexpr qsizetype kMemoryCostLimit = 64 * 1024 * 1024;
    static constexpr int kMaxFileNameBytes = 255;            // NAME_MAX of common file systems
    static constexpr qint64 kDefaultDiskLimit = 100'000'000; // 100 MB
    static constexpr int kFirstRetrySeconds = 30;
    static constexpr int kLastRetrySeconds = 10 * 60;
    // Temporary files of writes are named so; one untouched this long belongs to no live write.
    static inline const QString kTemporaryPrefix = QStringLiteral(".write-");
    static constexpr int kStaleTemporarySeconds = 60;

    // `now` is the clock of the 30-day clean-up and of the retry back-off (the system clock when
    // empty); it is read on the cache's worker threads too.
    explicit ImageCache(Clock now = {});
    ~ImageCache();
    Q_DISABLE_COPY_MOVE(ImageCache)

    // The shared instance, created on first use; it lives until the process ends and is shut down
    // when the application object is destroyed, before Qt's and the kit's statics are.
    static ImageCache& defaultCache();

    // Refuses new work, finishes or drops the work queued, and joins the worker and download
    // threads. Idempotent; call from a thread that is not one of the cache's own.
    void shutdown();

    CacheType cacheType() const;
    void setCacheType(CacheType type);

    // Looks `url` up (memory, then disk scaled to `fitSize`), downloading it when neither level
    // holds it. The completion gets absoluteString(url) and the image, on the main thread. A fresh
    // download answers its first caller with the image unscaled; callers that joined it are
    // answered as a disk hit would answer them. Failures are logged and told to `failed`, on the
    // main thread, instead of the completion.
    void loadImage(const QUrl& url, std::optional<QSizeF> fitSize, Completion completion = {},
                   Failed failed = {});

    // Synchronous lookup: a memory image as it is (never scaled), otherwise the key's file decoded
    // and passed through scaleToFit(fitSize). Disk reads do not fill the memory store; they mark
    // the file as used. Null when neither level holds the key.
    QImage image(const QString& ofKey, std::optional<QSizeF> fitSize = std::nullopt) const;
    // The memory level alone: the image held for `key`, or a null image. Never reads the disk.
    QImage memoryImage(const QString& key) const;
    QImage image(const QUrl& ofUrl, std::optional<QSizeF> fitSize = std::nullopt) const;

    // Stores an image: `ram` keeps it in memory, `disk` writes its PNG encoding. False (and a log
    // line) for a null or zero-sized image, an empty key or a failed write.
    bool cacheImage(const QImage& image, const QString& key);
    // Stores encoded bytes: `ram` keeps the decoded image (bytes that do not decode are dropped),
    // `disk` writes the bytes unchanged. Writes are atomic (a temporary file renamed into place)
    // and re-create the cache folder when it is missing. A failed write (a full disk) leaves no
    // file and is logged once until a write succeeds again; a downloaded image whose write fails
    // is kept in memory instead.
    bool cacheImage(const QByteArray& data, const QString& key);
    // Stores the JPEG encoding at quality 0 (the smallest file), through cacheImage(data, key).
    bool set(const QImage& image, const QString& key);

    // Empties the memory store and forgets finished and failed downloads (so failed URLs may be
    // tried again); downloads still running keep their waiters. When more than 30 days have
    // passed since lastCleanup(), also removes the cache folder and sets lastCleanup() to now
    // (stored under the "lastCleanup" setting). The removal never follows a symbolic link: a link
    // inside the folder goes, not what it points to, and a folder that is itself a link is left.
    void clearLocalCache();
    // Read from the "lastCleanup" setting at creation; the creation time when absent.
    QDateTime lastCleanup() const;

    // The bound of the disk level: keys::kImageCacheLimit when the host set a positive value,
    // otherwise kDefaultDiskLimit. Read whenever it is needed, from any thread.
    static qint64 diskLimit();
    // Brings the disk level under diskLimit() on a worker thread, soon (at most one such run is
    // queued at a time). The cache calls it itself when made and after writes.
    void trimSoon();

    // The URL as the cache answers it: its absolute, fully encoded string.
    static QString absoluteString(const QUrl& url);
    static QString key(const QUrl& url);
    // The file name of a key: the key itself when it is a plain file name (not empty, not "." or
    // "..", no "/", backslash or NUL, at most kMaxFileNameBytes of UTF-8), otherwise
    // "%sha256-<hex of the key's UTF-8>". Escaping the separators instead would give a name that
    // is itself a plain key of today, and two keys would share one file. No address key collides
    // with a hashed name, since address keys escape "%". Pure; callable from any thread.
    static QString fileName(const QString& key);
    static QString filePath(const QString& key);

private:
    // lookingUp: the first load of a key never seen looks in memory and on disk; loads that come
    // meanwhile wait for that lookup (and the download it may start) instead of looking too.
    enum class State { lookingUp, downloading, done, failed };
    struct Waiter {
        std::optional<QSizeF> fitSize;
        Completion completion;
        Failed failed;
        bool startedDownload = false;
    };
    struct Download {
        State state = State::downloading;
        QString urlString;
        QList<Waiter> waiters;
        QString reason;         // of the last failure
        qint64 retryAtMs = -1;  // when a failed download may be tried again; -1: not in this run
        int backoffSeconds = 0; // of the last transport failure
    };
    struct Request {
        QUrl url;
        QString urlString;
        QString key;
        std::optional<QSizeF> fitSize;
        Completion completion;
        Failed failed;
    };

    void lookupOrDownload(const Request& request);
    void lookUpFirst(const Request& request);
    void startDownload(const QUrl& url, const QString& key);
    void finishDownload(const QString& key, const ImageDownloader::Result& result);
    void failDownload(const QString& key, const ImageDownloader::Result& result);
    bool storeDecoded(const QString& key, const QByteArray& data, const QImage& image);
    void answerWaiters(const QString& key, const QImage& decoded, bool onDisk,
                       State state = State::downloading);
    bool insertInMemory(const QString& key, const QImage& image);
    bool writeFile(const QString& key, const QByteArray& data);
    void trim();
    qint64 nowMs() const;
    static void answer(const Completion& completion, const QString& urlString, const QImage& image);
    static void fail(const Failed& failed, const QString& urlString, const QString& reason);

    Clock m_now;

    // Guards everything below up to the worker pointers. A std::mutex rather than QMutex, so that
    // ThreadSanitizer sees it even under contention in a Qt built without it.
    mutable std::mutex m_mutex;
    mutable QCache<QString, QImage> m_images; // object() reorders, so lookups mutate it
    QHash<QString, Download> m_downloads;
    CacheType m_cacheType = CacheType::disk;
    QDateTime m_lastCleanup;
    bool m_closing = false;

    std::atomic<bool> m_writeFailing{false}; // the last disk write failed (logged once per run)
    // Bytes in the folder as far as this cache knows: counted by trim(), raised by every write
    // (so it may run high, never low: a high count only brings the next trim sooner).
    std::atomic<qint64> m_diskBytes{0};
    std::atomic<bool> m_trimQueued{false};

    std::unique_ptr<QThreadPool> m_workers;
    std::unique_ptr<ImageDownloader> m_downloader;
};

} // namespace orvane
