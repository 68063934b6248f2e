#include "sandbox/Postbacks.h"

#include <QDateTime>
#include <QMessageAuthenticationCode>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTimer>
#include <QUrl>

#include "sandbox/Store.h"

namespace orvane::sandbox {

namespace {
QByteArray encoded(const QString& value) {
    return QUrl::toPercentEncoding(value); // keeps ALPHA, DIGIT and "-._~"
}
} // namespace

Postbacks::Postbacks(Store& store, QObject* parent)
    : QObject(parent)
    , m_store(store)
    , m_network(new QNetworkAccessManager(this)) {}

Postbacks::~Postbacks() = default;

QByteArray Postbacks::query(const PostbackCall& call, qint64 ts) {
    return "txid=" + encoded(call.txid) + "&userid=" + encoded(call.userId) +
           "&campid=" + QByteArray::number(call.campid) +
           "&amount=" + encoded(QString::number(call.amount, 'f', QLocale::FloatingPointShortest)) +
           "&mark=" + encoded(call.mark) + "&rewardtype=" + QByteArray::number(call.rewardType) +
           "&ts=" + QByteArray::number(ts);
}

QByteArray Postbacks::signature(const QByteArray& query, const QByteArray& secret) {
    return QMessageAuthenticationCode::hash(query, secret, QCryptographicHash::Sha256).toHex();
}

void Postbacks::configure(const QString& url, const QString& secret) {
    m_url = url;
    m_secret = secret.toUtf8();
    resume();
}

void Postbacks::resume() {
    if (!enabled()) {
        return;
    }
    for (const PostbackCall& call : m_store.postbacks()) {
        if (call.state == PostbackCall::State::Pending) {
            schedule(call);
        }
    }
}

void Postbacks::queued(const QString& txid) {
    if (const std::optional<PostbackCall> call = m_store.postback(txid)) {
        schedule(*call);
    }
}

void Postbacks::schedule(const PostbackCall& call) {
    if (!enabled() || m_busy.contains(call.txid)) {
        return;
    }
    m_busy.insert(call.txid);
    const qint64 wait = qMax<qint64>(0, call.nextAt - QDateTime::currentMSecsSinceEpoch());
    QTimer::singleShot(std::chrono::milliseconds(wait), this,
                       [this, txid = call.txid] { attempt(txid); });
}

void Postbacks::attempt(const QString& txid) {
    const std::optional<PostbackCall> call = m_store.postback(txid);
    if (!call || call->state != PostbackCall::State::Pending || !enabled()) {
        m_busy.remove(txid); // done meanwhile, or off: resume() picks it up again
        return;
    }
    // The fields follow any query the host's URL has of its own; the signature covers the whole
    // query before "&sig=", which goes on the wire as it is.
    QUrl target(m_url);
    const QByteArray own = target.query(QUrl::FullyEncoded).toUtf8();
    QByteArray text = query(*call, QDateTime::currentSecsSinceEpoch());
    if (!own.isEmpty()) {
        text = own + '&' + text;
    }
    text += "&sig=" + signature(text, m_secret);
    target.setQuery(QString::fromLatin1(text), QUrl::StrictMode);
    QNetworkRequest request(target);
    request.setTransferTimeout(m_timeoutMs);
    QNetworkReply* reply = m_network->get(request);
    connect(reply, &QNetworkReply::finished, this, [this, reply, call = *call] {
        reply->deleteLater();
        const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
        QString error;
        if (!status.isValid()) {
            error = reply->error() == QNetworkReply::OperationCanceledError
                        ? QStringLiteral("no answer within %1 ms").arg(m_timeoutMs)
                        : reply->errorString();
        }
        answered(call, status.isValid() ? std::optional<int>(status.toInt()) : std::nullopt, error);
    });
}

void Postbacks::answered(PostbackCall call, std::optional<int> status, const QString& error) {
    m_busy.remove(call.txid);
    call.attempts += 1;
    const bool delivered = status && *status >= 200 && *status < 300;
    if (delivered) {
        call.state = PostbackCall::State::Delivered;
    } else if (call.attempts >= maxAttempts()) {
        call.state = PostbackCall::State::GivenUp;
        qWarning("orvane-sandbox: the reward call %s was given up after %d attempts (last: %s)",
                 qPrintable(call.txid), call.attempts,
                 qPrintable(status ? QString::number(*status) : error));
    } else {
        call.nextAt = QDateTime::currentMSecsSinceEpoch() + m_delaysMs.at(call.attempts - 1);
    }
    m_store.recordPostbackAttempt(
        call, {call.txid, call.attempts, status, error, QDateTime::currentDateTime()});
    if (call.state == PostbackCall::State::Pending) {
        schedule(call);
    }
}

} // namespace orvane::sandbox
