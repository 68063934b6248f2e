#include "core/ImageDownloader.h"

#include <memory>

#include <QCoreApplication>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

#include "core/AddressRules.h"
#include "core/Mailbox.h"
#include "core/NoCookieJar.h"

namespace orvane {

namespace {
constexpr int kTimeoutMs = 60 * 1000;
using Failure = ImageDownloader::Failure;
using Result = ImageDownloader::Result;

Result refusedScheme(const QUrl& url) {
    return {{},
            QStringLiteral("refused scheme \"%1\": only http and https are fetched")
                .arg(address::schemeForLog(url)),
            Failure::refused};
}

Result redirectRefused(const QUrl& to) {
    Result refused = refusedScheme(to);
    refused.error.prepend(QStringLiteral("redirect: "));
    return refused;
}

Result tooLarge(const QString& what) {
    return {{},
            QStringLiteral("too large: %1 is over the limit of %2 bytes")
                .arg(what)
                .arg(ImageDownloader::kMaxBodyBytes),
            Failure::tooLarge};
}

Result resultOf(QNetworkReply* reply) {
    if (reply->error() == QNetworkReply::TooManyRedirectsError) {
        return {{},
                QStringLiteral("more than %1 redirects").arg(ImageDownloader::kMaxRedirects),
                Failure::refused};
    }
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (status.isValid()) {
        const int code = status.toInt();
        // The network follows only http and https redirects and ends the others here.
        const QUrl target = reply->url().resolved(QUrl::fromEncoded(reply->rawHeader("Location")));
        if (code >= 300 && code < 400 && reply->hasRawHeader("Location") &&
            !address::isWeb(target)) {
            return redirectRefused(target);
        }
        if (code < 200 || code >= 300) {
            return {{}, QStringLiteral("HTTP status %1").arg(code), Failure::status};
        }
    }
    if (reply->error() != QNetworkReply::NoError) {
        return {{}, reply->errorString(), Failure::transport};
    }
    return {reply->readAll(), {}, Failure::none};
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
    target->post([this, url, done = std::move(done)] { start(url, done); });
}

void ImageDownloader::start(const QUrl& url, Done done) {
    if (!address::isWeb(url)) {
        done(refusedScheme(url));
        return;
    }
    if (!m_network) {
        m_network = new QNetworkAccessManager(m_context);
        m_network->setCookieJar(new NoCookieJar(m_network));
    }
    QNetworkRequest request(url);
    request.setTransferTimeout(kTimeoutMs);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setMaximumRedirectsAllowed(kMaxRedirects);
    QNetworkReply* reply = m_network->get(request);

    // Set when the download is stopped here rather than by the network.
    auto stopped = std::make_shared<Result>();
    const auto stop = [reply, stopped](Result why) {
        *stopped = std::move(why);
        reply->abort();
    };
    QObject::connect(reply, &QNetworkReply::metaDataChanged, reply, [reply, stop] {
        const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
        if (length.isValid() && length.toLongLong() > kMaxBodyBytes) {
            stop(tooLarge(QStringLiteral("the announced length %1").arg(length.toLongLong())));
        }
    });
    // The reply buffers the body; counting what it holds costs nothing per chunk.
    QObject::connect(reply, &QNetworkReply::readyRead, reply, [reply, stop] {
        if (reply->bytesAvailable() > kMaxBodyBytes) {
            stop(tooLarge(QStringLiteral("the body")));
        }
    });
    QObject::connect(reply, &QNetworkReply::finished, reply, [reply, stopped, done] {
        reply->deleteLater();
        done(stopped->ok() ? resultOf(reply) : *stopped);
    });
}

} // namespace orvane
