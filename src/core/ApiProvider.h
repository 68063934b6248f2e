#pragma once

#include <functional>
#include <optional>

#include <QByteArray>
#include <QHash>
#include <QImage>
#include <QList>
#include <QString>
#include <QUrl>
#include <QVariantMap>

namespace orvane {

// Why a call produced no reply body.
struct ApiError {
    enum class Kind {
        Transport,     // no HTTP response: connection refused or dropped, TLS, too large
        HttpStatus,    // a response whose status is not 200
        Configuration, // the kit is not set up for the call (keys, server addresses)
        InvalidInput,  // the caller's data cannot be sent (an image that cannot be encoded)
        Timeout,       // no HTTP response within the time-out
    };

    Kind kind = Kind::Transport;
    std::optional<int> httpStatus; // present for HttpStatus
    QString message;               // the transport's or the kit's own text

    // Readable one-line description for logs and dialogs.
    QString description() const;
};

// The outcome of one call: the reply body (status 200), or an error.
class ApiResult final {
public:
    static ApiResult success(QByteArray body);
    static ApiResult failure(ApiError error);

    bool ok() const { return !m_error.has_value(); }
    const QByteArray& body() const { return m_body; } // empty on failure
    const ApiError& error() const;                    // valid only when !ok()

private:
    QByteArray m_body;
    std::optional<ApiError> m_error;
};

// Called exactly once per request, on the transport thread (never on the main thread): move to the
// main thread (dispatch::toMain) before touching state the main thread reads.
using ApiCompletion = std::function<void(const ApiResult&)>;

// Sends one HTTP request and hands back the body. All requests of the process run through one
// QNetworkAccessManager on one dedicated transport thread, started on first use and stopped when
// the application object is destroyed. Every request completes exactly once: with the body on
// status 200, otherwise with an error carrying the HTTP status or the transport failure. Callable
// from any thread; returns at once.
class ApiProvider final {
public:
    static inline const QString REQUEST_METHOD_GET = QStringLiteral("GET");
    static inline const QString REQUEST_METHOD_POST = QStringLiteral("POST");
    static inline const QString kBoundary = QStringLiteral("^-----^");
    static inline const QString kUserAgent =
        QStringLiteral("Mozilla/5.0 (Windows NT 6.1; WOW64) AppleWebKit/535.7 (KHTML, like Gecko) "
                       "Chrome/16.0.912.75 Safari/535.7");
    static constexpr int kDefaultTimeoutMs = 60000;
    // Replies larger than this fail with a Transport error instead of filling memory.
    static constexpr qint64 kMaxReplyBytes = 16 * 1024 * 1024;

    // GET carries everything in `url`; POST sends `postParam` and `uploadFiles` as a multipart
    // form (see createBody). Any other method sends no body.
    static void request(const QUrl& url, const QString& method, const QVariantMap& postParam,
                        const QList<QImage>& uploadFiles, ApiCompletion completion);

    // Completes `completion` with `error` on the transport thread, as a request would. For
    // failures found before anything is sent (configuration), so every call reports the same way.
    static void fail(const ApiError& error, ApiCompletion completion);

    // The multipart form body: one part per string or integer parameter (other value types are
    // left out), then one "uploadfiles[]" part per image (JPEG, quality 70, named
    // "image<random u32>.jpg"), then the closing boundary. Parameters are written sorted by key
    // so the body is reproducible. Images that cannot be encoded are left out (request() refuses
    // them before building the body).
    static QByteArray createBody(const QVariantMap& params, const QList<QImage>& images,
                                 const QString& boundary);

    // Why request() refuses to send `params` as a form with `boundary` (a field name with a quote
    // or line break, a value holding the delimiter line), or nothing when it can be sent.
    static std::optional<QString> formRefusal(const QVariantMap& params, const QString& boundary);

    // Lower-case extension -> MIME type; the customary web-server table of 94 entries.
    static const QHash<QString, QString>& mimeTypes();
    // MIME type of a file path or name: the table first, then the system's MIME database for
    // extensions the table lacks, else "application/octet-stream".
    static QString mimeTypeForPath(const QString& path);

    // Requests whose completion has not returned yet. Lets a test wait until the kit is quiet
    // before it tears down the server the requests went to.
    static int requestsInFlight();

    // Tests only: the inactivity time-out of requests started from now on (0 restores 60 s).
    static void setTimeoutForTesting(int milliseconds);
    // Tests only: the reply size cap (0 restores kMaxReplyBytes).
    static void setMaxReplyBytesForTesting(qint64 bytes);
};

} // namespace orvane
