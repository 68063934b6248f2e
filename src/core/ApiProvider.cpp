#include "core/ApiProvider.h"

#include <atomic>
#include <memory>
#include <utility>

#include <QBuffer>
#include <QCoreApplication>
#include <QImageWriter>
#include <QMimeDatabase>
#include <QMutex>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QRandomGenerator>
#include <QThread>

#include "core/Log.h"
#include "core/Mailbox.h"
#include "core/NoCookieJar.h"

namespace orvane {

namespace {

std::atomic<int> g_timeoutMs{0};
std::atomic<qint64> g_maxReplyBytes{0};

int timeoutMs() {
    const int value = g_timeoutMs.load();
    return value > 0 ? value : ApiProvider::kDefaultTimeoutMs;
}

qint64 maxReplyBytes() {
    const qint64 value = g_maxReplyBytes.load();
    return value > 0 ? value : ApiProvider::kMaxReplyBytes;
}

const QString kOctetStream = QStringLiteral("application/octet-stream");

std::atomic<int> g_requestsInFlight{0};

// Counts a request from its start until its completion has returned (or is dropped unrun): the
// count falls when the last copy of the wrapped completion goes.
ApiCompletion counted(ApiCompletion completion) {
    struct InFlight {
        InFlight() { g_requestsInFlight.fetch_add(1, std::memory_order_relaxed); }
        ~InFlight() { g_requestsInFlight.fetch_sub(1, std::memory_order_release); }
        InFlight(const InFlight&) = delete;
        InFlight& operator=(const InFlight&) = delete;
    };
    return [token = std::make_shared<InFlight>(),
            completion = std::move(completion)](const ApiResult& result) {
        if (completion) {
            completion(result);
        }
    };
}

// The transport thread with its one network manager. Work posted here runs on that thread in
// order. Stopped by a post routine when the application object goes away; requests still running
// then are aborted, so they complete (with an error) instead of vanishing.
class Transport final {
public:
    // Runs `work` on the transport thread; false once the application object is gone.
    static bool post(std::function<void(QNetworkAccessManager&)> work) {
        QMutexLocker lock(&s_mutex);
        if (!s_instance) {
            QCoreApplication* app = QCoreApplication::instance();
            if (!app || app == s_stoppedFor) {
                return false;
            }
            s_instance = new Transport;
            qAddPostRoutine(&Transport::shutdown);
        }
        Transport* transport = s_instance;
        // Through a mailbox rather than a queued functor: ThreadSanitizer then sees the hand-over
        // of the request and its completion to the transport thread.
        static_cast<detail::Mailbox*>(transport->m_context)
            ->post([transport, work = std::move(work)] { work(transport->manager()); });
        return true;
    }

private:
    Transport() {
        m_thread.setObjectName(QStringLiteral("orvane.transport"));
        m_context = new detail::Mailbox;
        m_context->moveToThread(&m_thread);
        m_thread.start();
    }

    ~Transport() {
        QObject* context = m_context;
        QMetaObject::invokeMethod(
            context,
            [context] {
                QCoreApplication::sendPostedEvents(context); // start what was queued
                for (QNetworkReply* reply : context->findChildren<QNetworkReply*>()) {
                    reply->abort(); // completes the request with an error
                }
                delete context; // and the manager with it
            },
            Qt::BlockingQueuedConnection);
        m_thread.quit();
        m_thread.wait();
    }

    // Completions run while stopping may post again: they must find no transport (and get an
    // error at once) rather than wait for the lock held here.
    static void shutdown() {
        Transport* transport = nullptr;
        {
            QMutexLocker lock(&s_mutex);
            transport = std::exchange(s_instance, nullptr);
            s_stoppedFor = QCoreApplication::instance();
        }
        delete transport;
    }

    // Made on first use so that it lives on the transport thread.
    QNetworkAccessManager& manager() {
        if (!m_manager) {
            m_manager = new QNetworkAccessManager(m_context);
            // The kit sends its own fixed "cookie" header and never the servers' cookies.
            m_manager->setCookieJar(new NoCookieJar(m_manager));
        }
        return *m_manager;
    }

    QThread m_thread;
    QObject* m_context = nullptr;
    QNetworkAccessManager* m_manager = nullptr; // transport thread only

    static inline QMutex s_mutex;
    static inline Transport* s_instance = nullptr;
    static inline QCoreApplication* s_stoppedFor = nullptr; // the application being destroyed
};

std::optional<QByteArray> formValue(const QVariant& value) {
    switch (value.typeId()) {
    case QMetaType::QString:
        return value.toString().toUtf8();
    case QMetaType::Short:
    case QMetaType::Int:
    case QMetaType::Long:
    case QMetaType::LongLong:
        return QByteArray::number(value.toLongLong());
    case QMetaType::UShort:
    case QMetaType::UInt:
    case QMetaType::ULong:
    case QMetaType::ULongLong:
        return QByteArray::number(value.toULongLong());
    default:
        return std::nullopt;
    }
}

QByteArray encodeJpeg(const QImage& image) {
    if (image.isNull()) {
        return {};
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(70);
    if (!writer.write(image)) {
        return {};
    }
    return bytes;
}

// Text that would break the fixed multipart framing: a part whose value holds the delimiter line
// would end early on the server, and a name with a quote or line break would forge headers.
std::optional<QString> unsafeFormContent(const QVariantMap& params, const QString& boundary) {
    const QString delimiter = QStringLiteral("--") + boundary;
    for (auto it = params.cbegin(); it != params.cend(); ++it) {
        if (it.key().contains(QLatin1Char('"')) || it.key().contains(QLatin1Char('\r')) ||
            it.key().contains(QLatin1Char('\n'))) {
            return QStringLiteral("form field name \"%1\" holds a quote or line break")
                .arg(it.key());
        }
        if (it.value().typeId() == QMetaType::QString &&
            it.value().toString().contains(delimiter)) {
            return QStringLiteral("form field \"%1\" holds the multipart boundary").arg(it.key());
        }
    }
    return std::nullopt;
}

QString banner(QChar c) {
    return QString(71, c);
}

// One request in flight on the transport thread.
struct Pending {
    QUrl url;
    ApiCompletion completion;
    QByteArray body;
    bool tooLarge = false;
    bool done = false;

    void complete(const ApiResult& result) {
        if (done) {
            return;
        }
        done = true;
        if (!result.ok()) {
            Log::info("APIProvider Error :", result.error().description());
        }
        ApiCompletion callback = std::move(completion);
        if (callback) {
            callback(result);
        }
    }
};

void finish(Pending& pending, QNetworkReply* reply) {
    if (pending.done) {
        return;
    }
    if (pending.tooLarge) {
        pending.complete(ApiResult::failure(
            {ApiError::Kind::Transport, std::nullopt,
             QStringLiteral("the reply is larger than %1 bytes").arg(maxReplyBytes())}));
        return;
    }
    if (reply->isOpen()) { // an aborted reply is closed
        pending.body += reply->readAll();
    }
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (!status.isValid()) {
        const bool timedOut = reply->error() == QNetworkReply::OperationCanceledError ||
                              reply->error() == QNetworkReply::TimeoutError;
        pending.complete(ApiResult::failure(
            timedOut ? ApiError{ApiError::Kind::Timeout, std::nullopt,
                                QStringLiteral("no reply within %1 ms").arg(timeoutMs())}
                     : ApiError{ApiError::Kind::Transport, std::nullopt, reply->errorString()}));
        return;
    }
    if (Log::displayLog()) {
        const QString text = QString::fromUtf8(pending.body);
        Log::network(banner(QLatin1Char('<')), "\n", pending.url.toString(), "\n", text,
                     banner(QLatin1Char('<')));
    }
    const int code = status.toInt();
    if (code != 200) {
        pending.complete(ApiResult::failure(
            {ApiError::Kind::HttpStatus, code,
             reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString()}));
    } else if (reply->error() != QNetworkReply::NoError) {
        // Status 200 but the body did not arrive whole (connection dropped, time-out).
        pending.complete(
            ApiResult::failure({ApiError::Kind::Transport, std::nullopt, reply->errorString()}));
    } else {
        pending.complete(ApiResult::success(std::move(pending.body)));
    }
}

void start(QNetworkAccessManager& manager, const QUrl& url, const QString& method,
           const QVariantMap& postParam, const QList<QImage>& uploadFiles,
           ApiCompletion completion) {
    auto pending = std::make_shared<Pending>();
    pending->url = url;
    pending->completion = std::move(completion);

    QNetworkRequest request(url);
    request.setTransferTimeout(timeoutMs());
    request.setRawHeader("User-Agent", ApiProvider::kUserAgent.toUtf8());
    request.setRawHeader("cookie", "1");

    if (Log::displayLog()) {
        Log::network(banner(QLatin1Char('>')), "\n", url.toString(), banner(QLatin1Char('>')));
    }

    QNetworkReply* reply = nullptr;
    if (method == ApiProvider::REQUEST_METHOD_POST) {
        request.setRawHeader("Content-Type",
                             "multipart/form-data; boundary=" + ApiProvider::kBoundary.toUtf8());
        reply = manager.post(
            request, ApiProvider::createBody(postParam, uploadFiles, ApiProvider::kBoundary));
    } else if (method == ApiProvider::REQUEST_METHOD_GET) {
        reply = manager.get(request);
    } else {
        reply = manager.sendCustomRequest(request, method.toUtf8());
    }

    QObject::connect(reply, &QNetworkReply::metaDataChanged, reply, [pending, reply] {
        const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
        if (length.isValid() && length.toLongLong() > maxReplyBytes()) {
            pending->tooLarge = true;
            reply->abort();
        }
    });
    QObject::connect(reply, &QNetworkReply::readyRead, reply, [pending, reply] {
        pending->body += reply->readAll();
        if (pending->body.size() > maxReplyBytes()) {
            pending->tooLarge = true;
            pending->body.clear();
            reply->abort();
        }
    });
    QObject::connect(reply, &QNetworkReply::finished, reply, [pending, reply] {
        finish(*pending, reply);
        reply->deleteLater();
    });
}

} // namespace

QString ApiError::description() const {
    switch (kind) {
    case Kind::Transport:
        return QStringLiteral("Transport error: %1").arg(message);
    case Kind::HttpStatus:
        return QStringLiteral("HTTP status %1%2")
            .arg(httpStatus.value_or(0))
            .arg(message.isEmpty() ? QString() : QStringLiteral(" ") + message);
    case Kind::Configuration:
        return QStringLiteral("Configuration error: %1").arg(message);
    case Kind::InvalidInput:
        return QStringLiteral("Invalid input: %1").arg(message);
    case Kind::Timeout:
        return QStringLiteral("Time-out: %1").arg(message);
    }
    return message;
}

ApiResult ApiResult::success(QByteArray body) {
    ApiResult result;
    result.m_body = std::move(body);
    return result;
}

ApiResult ApiResult::failure(ApiError error) {
    ApiResult result;
    result.m_error = std::move(error);
    return result;
}

const ApiError& ApiResult::error() const {
    static const ApiError none{ApiError::Kind::Transport, std::nullopt, QStringLiteral("none")};
    return m_error ? *m_error : none;
}

void ApiProvider::request(const QUrl& url, const QString& method, const QVariantMap& postParam,
                          const QList<QImage>& uploadFiles, ApiCompletion completion) {
    completion = counted(std::move(completion));
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || (scheme != QLatin1String("http") && scheme != QLatin1String("https"))) {
        fail({ApiError::Kind::Configuration, std::nullopt,
              QStringLiteral("not an HTTP address: \"%1\"").arg(url.toString())},
             std::move(completion));
        return;
    }
    if (method == REQUEST_METHOD_POST) {
        if (const auto unsafe = unsafeFormContent(postParam, kBoundary)) {
            fail({ApiError::Kind::InvalidInput, std::nullopt, *unsafe}, std::move(completion));
            return;
        }
        for (qsizetype i = 0; i < uploadFiles.size(); ++i) {
            if (uploadFiles.at(i).isNull()) {
                fail({ApiError::Kind::InvalidInput, std::nullopt,
                      QStringLiteral("image %1 is empty and cannot be sent").arg(i)},
                     std::move(completion));
                return;
            }
        }
    }
    auto shared = std::make_shared<ApiCompletion>(std::move(completion));
    const bool posted = Transport::post([=](QNetworkAccessManager& manager) {
        start(manager, url, method, postParam, uploadFiles, std::move(*shared));
    });
    if (!posted && *shared) {
        Log::error("APIProvider Error :", "the transport has stopped");
        (*shared)(ApiResult::failure({ApiError::Kind::Transport, std::nullopt,
                                      QStringLiteral("the transport has stopped")}));
    }
}

void ApiProvider::fail(const ApiError& error, ApiCompletion completion) {
    Log::error("APIProvider Error :", error.description());
    auto shared = std::make_shared<ApiCompletion>(std::move(completion));
    const bool posted = Transport::post([error, shared](QNetworkAccessManager&) {
        if (*shared) {
            (*shared)(ApiResult::failure(error));
        }
    });
    if (!posted && *shared) {
        (*shared)(ApiResult::failure(error));
    }
}

int ApiProvider::requestsInFlight() {
    return g_requestsInFlight.load(std::memory_order_acquire);
}

std::optional<QString> ApiProvider::formRefusal(const QVariantMap& params,
                                                const QString& boundary) {
    return unsafeFormContent(params, boundary);
}

QByteArray ApiProvider::createBody(const QVariantMap& params, const QList<QImage>& images,
                                   const QString& boundary) {
    const QByteArray delimiter = "--" + boundary.toUtf8() + "\r\n";
    QByteArray body;
    // QVariantMap iterates in key order, which makes the body reproducible.
    for (auto it = params.cbegin(); it != params.cend(); ++it) {
        const std::optional<QByteArray> value = formValue(it.value());
        if (!value) {
            continue;
        }
        body += delimiter;
        body += "Content-Disposition: form-data; name=\"" + it.key().toUtf8() + "\"\r\n\r\n";
        body += *value + "\r\n";
    }
    for (const QImage& image : images) {
        const QByteArray jpeg = encodeJpeg(image);
        if (jpeg.isEmpty()) {
            Log::error("APIProvider Error :", "an image could not be encoded and was left out");
            continue;
        }
        const QString fileName =
            QStringLiteral("image%1.jpg").arg(QRandomGenerator::global()->generate());
        body += delimiter;
        body += "Content-Disposition: form-data; name=\"uploadfiles[]\"; filename=\"" +
                fileName.toUtf8() + "\"\r\n";
        body += "Content-Type: " + mimeTypeForPath(fileName).toUtf8() + "\r\n\r\n";
        body += jpeg + "\r\n";
    }
    body += "--" + boundary.toUtf8() + "--\r\n";
    return body;
}

const QHash<QString, QString>& ApiProvider::mimeTypes() {
    static const QHash<QString, QString> table = [] {
        static const char* const rows[][2] = {
            {"html", "text/html"},
            {"htm", "text/html"},
            {"shtml", "text/html"},
            {"css", "text/css"},
            {"xml", "text/xml"},
            {"gif", "image/gif"},
            {"jpeg", "image/jpeg"},
            {"jpg", "image/jpeg"},
            {"js", "application/javascript"},
            {"atom", "application/atom+xml"},
            {"rss", "application/rss+xml"},
            {"mml", "text/mathml"},
            {"txt", "text/plain"},
            {"jad", "text/vnd.sun.j2me.app-descriptor"},
            {"wml", "text/vnd.wap.wml"},
            {"htc", "text/x-component"},
            {"png", "image/png"},
            {"tif", "image/tiff"},
            {"tiff", "image/tiff"},
            {"wbmp", "image/vnd.wap.wbmp"},
            {"ico", "image/x-icon"},
            {"jng", "image/x-jng"},
            {"bmp", "image/x-ms-bmp"},
            {"svg", "image/svg+xml"},
            {"svgz", "image/svg+xml"},
            {"webp", "image/webp"},
            {"woff", "application/font-woff"},
            {"jar", "application/java-archive"},
            {"war", "application/java-archive"},
            {"ear", "application/java-archive"},
            {"json", "application/json"},
            {"hqx", "application/mac-binhex40"},
            {"doc", "application/msword"},
            {"pdf", "application/pdf"},
            {"ps", "application/postscript"},
            {"eps", "application/postscript"},
            {"ai", "application/postscript"},
            {"rtf", "application/rtf"},
            {"m3u8", "application/vnd.apple.mpegurl"},
            {"xls", "application/vnd.ms-excel"},
            {"eot", "application/vnd.ms-fontobject"},
            {"ppt", "application/vnd.ms-powerpoint"},
            {"wmlc", "application/vnd.wap.wmlc"},
            {"kml", "application/vnd.google-earth.kml+xml"},
            {"kmz", "application/vnd.google-earth.kmz"},
            {"7z", "application/x-7z-compressed"},
            {"cco", "application/x-cocoa"},
            {"jardiff", "application/x-java-archive-diff"},
            {"jnlp", "application/x-java-jnlp-file"},
            {"run", "application/x-makeself"},
            {"pl", "application/x-perl"},
            {"pm", "application/x-perl"},
            {"prc", "application/x-pilot"},
            {"pdb", "application/x-pilot"},
            {"rar", "application/x-rar-compressed"},
            {"rpm", "application/x-redhat-package-manager"},
            {"sea", "application/x-sea"},
            {"swf", "application/x-shockwave-flash"},
            {"sit", "application/x-stuffit"},
            {"tcl", "application/x-tcl"},
            {"tk", "application/x-tcl"},
            {"der", "application/x-x509-ca-cert"},
            {"pem", "application/x-x509-ca-cert"},
            {"crt", "application/x-x509-ca-cert"},
            {"xpi", "application/x-xpinstall"},
            {"xhtml", "application/xhtml+xml"},
            {"xspf", "application/xspf+xml"},
            {"zip", "application/zip"},
            {"epub", "application/epub+zip"},
            {"docx", "application/vnd.openxmlformats-officedocument.wordprocessingml.document"},
            {"xlsx", "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet"},
            {"pptx", "application/vnd.openxmlformats-officedocument.presentationml.presentation"},
            {"mid", "audio/midi"},
            {"midi", "audio/midi"},
            {"kar", "audio/midi"},
            {"mp3", "audio/mpeg"},
            {"ogg", "audio/ogg"},
            {"m4a", "audio/x-m4a"},
            {"ra", "audio/x-realaudio"},
            {"3gpp", "video/3gpp"},
            {"3gp", "video/3gpp"},
            {"ts", "video/mp2t"},
            {"mp4", "video/mp4"},
            {"mpeg", "video/mpeg"},
            {"mpg", "video/mpeg"},
            {"mov", "video/quicktime"},
            {"webm", "video/webm"},
            {"flv", "video/x-flv"},
            {"m4v", "video/x-m4v"},
            {"mng", "video/x-mng"},
            {"asx", "video/x-ms-asf"},
            {"asf", "video/x-ms-asf"},
            {"wmv", "video/x-ms-wmv"},
            {"avi", "video/x-msvideo"},
        };
        QHash<QString, QString> hash;
        for (const auto& row : rows) {
            hash.insert(QLatin1String(row[0]), QLatin1String(row[1]));
        }
        return hash;
    }();
    return table;
}

QString ApiProvider::mimeTypeForPath(const QString& path) {
    const QString fileName = path.section(QLatin1Char('/'), -1);
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    const QString extension = dot < 0 ? QString() : fileName.mid(dot + 1).toLower();
    if (extension.isEmpty()) {
        return kOctetStream;
    }
    const auto found = mimeTypes().constFind(extension);
    if (found != mimeTypes().cend()) {
        return *found;
    }
    const QList<QMimeType> types =
        QMimeDatabase().mimeTypesForFileName(QStringLiteral("file.") + extension);
    return types.isEmpty() ? kOctetStream : types.first().name();
}

void ApiProvider::setTimeoutForTesting(int milliseconds) {
    g_timeoutMs.store(milliseconds);
}

void ApiProvider::setMaxReplyBytesForTesting(qint64 bytes) {
    g_maxReplyBytes.store(bytes);
}

} // namespace orvane
