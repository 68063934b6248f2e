#include "core/ImageDownloader.h"

#include <QCoreApplication>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

#include "core/Mailbox.h"

namespace orvane {

namespace {
constexpr int kTimeoutMs = 60 * 1000;

ImageDownloader::Result resultOf(QNetworkReply* reply) {
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (status.isValid()) {
        const int code = status.toInt();
        if (code < 200 || code >= 300) {
            return {{}, QStringLiteral("HTTP status %1").arg(code)};
        }
    }
    if (reply->error() != QNetworkReply::NoError) {
        return {{}, reply->errorString()};
    }
    return {reply->readAll(), {}};
}
} // namespace

ImageDownloader::~ImageDownloader() {
    stop();
}

void ImageDownloader::stop() {
    std::lock_guard lock(m_mutex);
    m_stopped = true;
    if (!m_context) {
        return;
    }
    // Objects of the download thread are deleted there once its event loop has stopped; deleting
    // the manager drops its replies without calling their handlers.
    QObject::connect(&m_thread, &QThread::finished, m_context, &QObject::deleteLater);
    m_thread.quit();
    m_thread.wait();
    m_context = nullptr;
    m_network = nullptr; // deleted with its parent, the context
}

ImageDownloader& ImageDownloader::shared() {
    static auto* instance = [] {
        auto* downloader = new ImageDownloader();
        qAddPostRoutine([] { shared().stop(); });
        return downloader;
    }();
    return *instance;
}

detail::Mailbox* ImageDownloader::mailbox() {
    std::lock_guard lock(m_mutex);
    if (m_stopped) {
        return nullptr;
    }
    if (!m_context) {
        m_context = new detail::Mailbox();
        m_context->moveToThread(&m_thread);
        m_thread.setObjectName(QStringLiteral("ImageCache"));
        m_thread.start();
    }
    return m_context;
}

void ImageDownloader::get(const QUrl& url, Done done) {
    detail::Mailbox* target = mailbox();
    if (!target) {
        return; // stopped: the process is shutting down
    }
    target->post([this, target, url, done = std::move(done)] {
        if (!m_network) {
            m_network = new QNetworkAccessManager(target);
        }
        QNetworkRequest request(url);
        request.setTransferTimeout(kTimeoutMs);
        QNetworkReply* reply = m_network->get(request);
        QObject::connect(reply, &QNetworkReply::finished, reply, [reply, done] {
            reply->deleteLater();
            done(resultOf(reply));
        });
    });
}

} // namespace orvane
