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
// Thread contract: get() may be called from any thread; `done` runs on the download thread,
// exactly once per request while the downloader runs. stop() (and the destructor) aborts what is
// in flight and joins the thread, after which `done` is not called for it and get() drops its
// request.
class ImageDownloader final {
public:
    struct Result {
        QByteArray body;
        QString error; // empty on success (a 2xx answer, or a non-HTTP source that was read)
        bool ok() const { return error.isEmpty(); }
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
    detail::Mailbox* mailbox(); // lives on the download thread, created on first use

    std::mutex m_mutex;
    QThread m_thread;
    detail::Mailbox* m_context = nullptr;
    bool m_stopped = false;
    QNetworkAccessManager* m_network = nullptr; // created and used on m_thread only
};

} // namespace orvane
