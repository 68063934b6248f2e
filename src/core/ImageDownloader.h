#pragma once

#include <functional>
#include <mutex>

#include <QByteArray>
#include <QString>
#include <QThread>
#include <QUrl>

class QNetworkAccessManager;

namespace orvane {

namespace detail {
class Mailbox;
}

// Plain HTTP GETs for the image cache, run by a QNetworkAccessManager on a thread of the
// downloader's own (started on the first request), so neither the main thread nor the caller
// waits. Requests time out after 60 seconds.
//
// What a server can make it do is bounded: only http and https addresses are fetched, a body over
// kMaxBodyBytes is refused (by its announced length before anything is read, otherwise as soon as
// the bytes received pass the limit), at most kMaxRedirects redirects are followed, only to
// http or https and never from https to http, and no cookie is kept or sent.
//
// Thread contract: get() may be called from any thread; `done` runs on the download thread,
// exactly once per request while the downloader runs. stop() (and the destructor) aborts what is
// in flight and joins the thread, after which `done` is not called for it and get() drops its
// request.
class ImageDownloader final {
public:
    // The transport's reply cap: a picture is never larger than an API reply may be.
    static constexpr qint64 kMaxBodyBytes = 16 * 1024 * 1024;
    static constexpr int kMaxRedirects = 5;

    enum class Failure {
        none,
        transport, // no connection, time-out, a body cut short: may succeed if tried again later
        status,    // an HTTP status other than 2xx
        tooLarge,  // a body over kMaxBodyBytes
        refused,   // an address or redirect that is not http or https, or too many redirects
    };
    struct Result {
        QByteArray body;
        QString error; // empty on success (a 2xx answer)
        Failure failure = Failure::none;
        bool ok() const { return failure == Failure::none; }
    };
    using Done = std::function<void(const Result& result)>;

    ImageDownloader() = default;
    ~ImageDownloader();
    Q_DISABLE_COPY_MOVE(ImageDownloader)

    // A process-wide downloader (used by loaders that may outlive any owner of their own). It is
    // never destroyed, and stopped when the application object is.
    static ImageDownloader& shared();

    void get(const QUrl& url, Done done);
    // Aborts the downloads in flight and joins the download thread. Idempotent; any thread but the
    // download thread.
    void stop();

private:
    detail::Mailbox* mailbox();             // lives on the download thread, created on first use
    void start(const QUrl& url, Done done); // on the download thread

    std::mutex m_mutex;
    QThread m_thread;
    detail::Mailbox* m_context = nullptr;
    bool m_stopped = false;
    QNetworkAccessManager* m_network = nullptr; // created and used on m_thread only
};

} // namespace orvane
