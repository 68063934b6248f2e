#include "sandbox/SandboxServer.h"

#include <QBuffer>
#include <QDir>
#include <QHostAddress>
#include <QHttpServerRequest>
#include <QImageReader>
#include <QJsonArray>
#include <QJsonDocument>
#include <QPointer>
#include <QTcpSocket>
#include <QTimer>

#include "sandbox/HttpWire.h"
#include "sandbox/Postbacks.h"
#include "sandbox/Service.h"
#include "sandbox/Store.h"

using namespace Qt::StringLiterals;

namespace orvane::sandbox {

namespace {
void applyPatch(Reply& reply, const QJsonObject& patch) {
    QJsonObject object = QJsonDocument::fromJson(reply.body).object();
    if (object.isEmpty()) {
        return; // not a JSON object: nothing to patch
    }
    for (auto it = patch.begin(); it != patch.end(); ++it) {
        object.insert(it.key(), it.value());
    }
    reply.body = QJsonDocument(object).toJson(QJsonDocument::Compact);
}

// One stored inquiry as the control endpoint shows it: the form fields in body order, then the
// files in upload order with what their bytes decode to (a file that is no picture has width and
// height 0 and format "").
QJsonObject inquiryJson(const Inquiry& inquiry) {
    QJsonArray fields;
    for (const auto& [name, value] : inquiry.fields) {
        fields.append(QJsonObject{{u"name"_s, name}, {u"value"_s, value}});
    }
    QJsonArray images;
    for (const InquiryImage& image : inquiry.images) {
        QByteArray data = image.data;
        QBuffer buffer(&data);
        QImageReader reader(&buffer);
        const QString format = QString::fromLatin1(reader.format());
        const QImage decoded = reader.read();
        images.append(QJsonObject{
            {u"filename"_s, image.fileName},
            {u"contenttype"_s, image.contentType},
            {u"bytes"_s, image.data.size()},
            {u"width"_s, decoded.width()},
            {u"height"_s, decoded.height()},
            {u"format"_s, decoded.isNull() ? QString() : format},
            {u"data"_s, QString::fromLatin1(image.data.toBase64())},
        });
    }
    return {{u"id"_s, inquiry.id},
            {u"received"_s, inquiry.received.toString(Qt::ISODateWithMs)},
            {u"fields"_s, fields},
            {u"images"_s, images}};
}

std::optional<Fault::Body> bodyMode(const QString& name) {
    static const QHash<QString, Fault::Body> modes = {
        {QStringLiteral("normal"), Fault::Body::Normal},
        {QStringLiteral("malformed"), Fault::Body::Malformed},
        {QStringLiteral("truncated"), Fault::Body::Truncated},
        {QStringLiteral("empty"), Fault::Body::Empty},
        {QStringLiteral("drop"), Fault::Body::Drop},
    };
    const auto it = modes.constFind(name);
    return it == modes.constEnd() ? std::nullopt : std::optional(it.value());
}

QJsonObject toJson(const PostbackAttempt& attempt) {
    QJsonObject object{{u"txid"_s, attempt.txid},
                       {u"attempt"_s, attempt.attempt},
                       {u"time"_s, attempt.at.toString(Qt::ISODateWithMs)}};
    if (attempt.status) {
        object.insert(u"status"_s, *attempt.status);
    } else {
        object.insert(u"error"_s, attempt.error);
    }
    return object;
}

QJsonObject toJson(const PostbackCall& call) {
    static const char* const states[] = {"pending", "delivered", "given up"};
    return {{u"txid"_s, call.txid},
            {u"userid"_s, call.userId},
            {u"campid"_s, call.campid},
            {u"amount"_s, call.amount},
            {u"mark"_s, call.mark},
            {u"rewardtype"_s, call.rewardType},
            {u"state"_s, QLatin1String(states[static_cast<int>(call.state)])},
            {u"attempts"_s, call.attempts}};
}

QJsonObject toJson(const LoggedRequest& r) {
    QJsonArray query;
    for (const QueryItem& item : r.query) {
        query.append(item.value ? QJsonArray{item.name, *item.value} : QJsonArray{item.name});
    }
    QJsonArray headers;
    for (const auto& [name, value] : r.headers) {
        headers.append(QJsonArray{QString::fromLatin1(name), QString::fromLatin1(value)});
    }
    return {{u"method"_s, QString::fromLatin1(r.method)},
            {u"path"_s, r.path},
            {u"query"_s, query},
            {u"headers"_s, headers},
            {u"bodySize"_s, r.body.size()},
            {u"received"_s, r.received.toString(Qt::ISODateWithMs)}};
}
} // namespace

SandboxServer::SandboxServer(Options options, QObject* parent)
    : QObject(parent)
    , m_options(std::move(options))
    , m_store(std::make_unique<Store>())
    , m_postbacks(std::make_unique<Postbacks>(*m_store)) {
    Catalogue catalogue = Catalogue::builtIn();
    if (!m_options.cataloguePath.isEmpty()) {
        if (std::optional<Catalogue> loaded =
                Catalogue::fromFile(m_options.cataloguePath, &m_error)) {
            catalogue = *loaded;
        }
    }
    m_service = std::make_unique<Service>(std::move(catalogue), *m_store);
    m_service->setCompletionDelay(m_options.completionDelayMs);
    m_service->setRewardType(m_options.rewardType);
    for (const auto& [mkey, mckey] : std::as_const(m_options.extraKeys)) {
        m_service->addKeys(mkey, mckey);
    }
    m_postbacks->setRetryDelays(m_options.postbackDelaysMs);
    m_postbacks->setTimeout(m_options.postbackTimeoutMs);
    m_service->setPostbacks(m_postbacks.get());
    m_frontend =
        std::make_unique<HttpFrontend>([this](const QHttpServerRequest& request,
                                              QTcpSocket* socket) { onRequest(request, socket); });
}

SandboxServer::~SandboxServer() {
    m_frontend.reset(); // no request may reach the service while it goes away
}

bool SandboxServer::listen(quint16 port) {
    if (isListening()) {
        return true;
    }
    if (!m_error.isEmpty()) {
        return false; // the catalogue did not load
    }
    QString folder = m_options.dataDir;
    if (folder.isEmpty()) {
        m_tempDir = std::make_unique<QTemporaryDir>();
        if (!m_tempDir->isValid()) {
            m_error = QStringLiteral("cannot make a temporary folder: ") + m_tempDir->errorString();
            return false;
        }
        folder = m_tempDir->path();
    } else if (!QDir().mkpath(folder)) {
        m_error = QStringLiteral("cannot make the data folder ") + folder;
        return false;
    }
    if (!m_store->open(QDir(folder).filePath(QStringLiteral("sandbox.sqlite")), &m_error)) {
        return false;
    }
    m_port = m_frontend->listen(QHostAddress::LocalHost, port);
    if (m_port == 0) {
        m_error = QStringLiteral("cannot listen on 127.0.0.1:%1").arg(port);
        return false;
    }
    m_service->setBaseUrl(baseUrl());
    // Calls left pending by an earlier run on the same data go out again.
    m_postbacks->configure(m_options.postbackUrl, m_options.postbackSecret);
    return true;
}

QString SandboxServer::baseUrl() const {
    return QStringLiteral("http://127.0.0.1:%1").arg(m_port);
}

QString SandboxServer::campaignBase() const {
    return baseUrl() + QStringLiteral("/v1");
}

QString SandboxServer::partnerBase() const {
    return baseUrl() + QStringLiteral("/api");
}

QString SandboxServer::noticeUrl() const {
    return baseUrl() + QStringLiteral("/orvane/sdk/notice_contents.json");
}

QString SandboxServer::imageUrl(qint64 campid, const QString& kind) const {
    return QStringLiteral("%1/img/%2/%3.png").arg(baseUrl()).arg(campid).arg(kind);
}

QString SandboxServer::landingUrl(qint64 campid, const QString& userId, const QString& mkey) const {
    return m_service->landingUrl(campid, mkey, userId);
}

void SandboxServer::setFault(const QString& path, const Fault& fault) {
    QMutexLocker lock(&m_mutex);
    m_faults.insert(path, fault);
}

void SandboxServer::clearFault(const QString& path) {
    QMutexLocker lock(&m_mutex);
    m_faults.remove(path);
}

void SandboxServer::clearFaults() {
    QMutexLocker lock(&m_mutex);
    m_faults.clear();
}

std::optional<Fault> SandboxServer::takeFault(const QString& path) {
    QMutexLocker lock(&m_mutex);
    auto it = m_faults.find(path);
    if (it == m_faults.end()) {
        it = m_faults.find(QStringLiteral("*"));
    }
    if (it == m_faults.end()) {
        return std::nullopt;
    }
    const Fault fault = it.value();
    if (it->count > 0 && --it->count == 0) {
        m_faults.erase(it);
    }
    return fault;
}

void SandboxServer::setCompletionDelay(int ms) {
    m_service->setCompletionDelay(ms);
}

int SandboxServer::completionDelay() const {
    return m_service->completionDelay();
}

void SandboxServer::setRewardType(int rewardType) {
    m_service->setRewardType(rewardType);
}

void SandboxServer::setUserRewardType(const QString& userId, std::optional<int> rewardType) {
    m_service->setUserRewardType(userId, rewardType);
}

bool SandboxServer::setCatalogue(const QJsonObject& catalogue, QString* error) {
    std::optional<Catalogue> parsed = Catalogue::fromJson(catalogue, error);
    if (!parsed) {
        return false;
    }
    m_service->setCatalogue(std::move(*parsed));
    return true;
}

QJsonObject SandboxServer::catalogue() const {
    return m_service->catalogue().source();
}

void SandboxServer::addKeys(const QString& mkey, const QString& mckey) {
    m_service->addKeys(mkey, mckey);
}

void SandboxServer::setPostback(const QString& url, const QString& secret) {
    m_options.postbackUrl = url;
    m_options.postbackSecret = secret;
    if (isListening()) {
        m_postbacks->configure(url, secret);
    }
}

QList<PostbackCall> SandboxServer::postbackCalls() const {
    return m_store->postbacks();
}

QList<PostbackAttempt> SandboxServer::postbackAttempts() const {
    return m_store->postbackAttempts();
}

QList<LoggedRequest> SandboxServer::requests() const {
    QMutexLocker lock(&m_mutex);
    return m_log;
}

QList<LoggedRequest> SandboxServer::requestsTo(const QString& path) const {
    QMutexLocker lock(&m_mutex);
    QList<LoggedRequest> matching;
    for (const LoggedRequest& request : m_log) {
        if (request.path == path) {
            matching.append(request);
        }
    }
    return matching;
}

void SandboxServer::clearRequests() {
    QMutexLocker lock(&m_mutex);
    m_log.clear();
}

QList<Inquiry> SandboxServer::inquiries() const {
    return m_store->inquiries();
}

QList<RewardRecord> SandboxServer::rewardHistory(const QString& userId, const QString& mkey) const {
    return m_store->rewards(mkey, userId, std::nullopt, QStringLiteral("00000000"),
                            QStringLiteral("99999999"));
}

std::optional<QString> SandboxServer::stateReplyKey(const QString& userId, qint64 campid,
                                                    const QString& mkey) const {
    const std::optional<Participation> p = m_store->participation(mkey, userId, campid);
    return p ? std::optional<QString>(stateOrvkey(p->orvkey)) : std::nullopt;
}

void SandboxServer::addRewardRecord(const RewardRecord& record) {
    m_store->addReward(record);
}

void SandboxServer::onRequest(const QHttpServerRequest& request, QTcpSocket* socket) {
    const LoggedRequest logged = toLoggedRequest(request);
    if (logged.path.startsWith(QLatin1String("/__sandbox/"))) {
        writeReply(socket, control(logged), Fault::Body::Normal);
        return;
    }
    {
        QMutexLocker lock(&m_mutex);
        m_log.append(logged);
    }
    Q_EMIT requestReceived(logged.path);

    const std::optional<Fault> fault = takeFault(logged.path);
    // The request takes effect now; only the answer waits for a delay.
    Reply reply = fault && fault->result ? refusal(*fault->result, QStringLiteral("injected"))
                                         : m_service->handle(logged);
    if (fault && !fault->patch.isEmpty()) {
        applyPatch(reply, fault->patch);
    }
    if (fault && fault->httpStatus) {
        reply.status = *fault->httpStatus;
    }
    const Fault::Body mode = fault ? fault->body : Fault::Body::Normal;
    if (fault && fault->delayMs > 0) {
        // The socket is the timer's context: a client that gave up cancels the answer.
        QPointer<QTcpSocket> guard(socket);
        QTimer::singleShot(fault->delayMs, socket, [guard, reply, mode] {
            if (guard) {
                writeReply(guard, reply, mode);
            }
        });
        return;
    }
    writeReply(socket, reply, mode);
}

// GET /__sandbox/fault?path=P[&status=N][&result=N][&delay=MS][&body=MODE][&count=N]
//     /__sandbox/fault?path=P&clear   /__sandbox/fault?clear   (all)
// GET /__sandbox/config[?delay=MS][&rewardtype=N[&user=U]][&postback=URL&secret=S]
// GET /__sandbox/requests[?clear]
// GET /__sandbox/inquiries
// GET /__sandbox/postbacks
Reply SandboxServer::control(const LoggedRequest& r) {
    const auto number = [&r](const QString& name, bool* ok) {
        return r.queryValue(name).value_or(QString()).toInt(ok);
    };
    bool ok = true;
    if (r.path == QLatin1String("/__sandbox/fault")) {
        const QString path = r.queryValue(QStringLiteral("path")).value_or(QString());
        if (r.hasQueryItem(QStringLiteral("clear"))) {
            path.isEmpty() ? clearFaults() : clearFault(path);
            return Reply::json({{u"result"_s, 200}});
        }
        if (path.isEmpty()) {
            return refusal(400, QStringLiteral("path is required"));
        }
        Fault fault;
        if (r.hasQueryItem(QStringLiteral("status"))) {
            fault.httpStatus = number(QStringLiteral("status"), &ok);
        }
        if (ok && r.hasQueryItem(QStringLiteral("result"))) {
            fault.result = number(QStringLiteral("result"), &ok);
        }
        if (ok && r.hasQueryItem(QStringLiteral("delay"))) {
            fault.delayMs = number(QStringLiteral("delay"), &ok);
        }
        if (ok && r.hasQueryItem(QStringLiteral("count"))) {
            fault.count = number(QStringLiteral("count"), &ok);
        }
        if (ok && r.hasQueryItem(QStringLiteral("body"))) {
            const auto mode = bodyMode(r.queryValue(QStringLiteral("body")).value_or(QString()));
            ok = mode.has_value();
            fault.body = mode.value_or(Fault::Body::Normal);
        }
        if (!ok || fault.delayMs < 0 ||
            (fault.httpStatus && (*fault.httpStatus < 100 || *fault.httpStatus > 599))) {
            return refusal(400, QStringLiteral("bad fault parameters"));
        }
        setFault(path, fault);
        return Reply::json({{u"result"_s, 200}});
    }
    if (r.path == QLatin1String("/__sandbox/config")) {
        if (r.hasQueryItem(QStringLiteral("delay"))) {
            const int delay = number(QStringLiteral("delay"), &ok);
            if (!ok || delay < 0) {
                return refusal(400, QStringLiteral("bad delay"));
            }
            setCompletionDelay(delay);
        }
        if (r.hasQueryItem(QStringLiteral("rewardtype"))) {
            const int type = number(QStringLiteral("rewardtype"), &ok);
            if (!ok) {
                return refusal(400, QStringLiteral("bad rewardtype"));
            }
            const auto user = r.queryValue(QStringLiteral("user"));
            user ? setUserRewardType(*user, type) : setRewardType(type);
        }
        if (r.hasQueryItem(QStringLiteral("postback"))) {
            const QString url = r.queryValue(QStringLiteral("postback")).value_or(QString());
            const QUrl parsed(url, QUrl::StrictMode);
            if (!url.isEmpty() && (!parsed.isValid() || parsed.host().isEmpty() ||
                                   !parsed.scheme().startsWith(QLatin1String("http")))) {
                return refusal(400, QStringLiteral("bad postback URL"));
            }
            setPostback(url, r.queryValue(QStringLiteral("secret")).value_or(QString()));
        }
        return Reply::json({{u"result"_s, 200},
                            {u"delay"_s, completionDelay()},
                            {u"postback"_s, m_options.postbackUrl}});
    }
    if (r.path == QLatin1String("/__sandbox/requests")) {
        if (r.hasQueryItem(QStringLiteral("clear"))) {
            clearRequests();
            return Reply::json({{u"result"_s, 200}});
        }
        QJsonArray list;
        for (const LoggedRequest& request : requests()) {
            list.append(toJson(request));
        }
        return Reply::json({{u"result"_s, 200}, {u"requests"_s, list}});
    }
    if (r.path == QLatin1String("/__sandbox/postbacks")) {
        QJsonArray calls;
        for (const PostbackCall& call : postbackCalls()) {
            calls.append(toJson(call));
        }
        QJsonArray attempts;
        for (const PostbackAttempt& attempt : postbackAttempts()) {
            attempts.append(toJson(attempt));
        }
        return Reply::json({{u"result"_s, 200}, {u"calls"_s, calls}, {u"attempts"_s, attempts}});
    }
    if (r.path == QLatin1String("/__sandbox/inquiries")) {
        QJsonArray list;
        for (const Inquiry& inquiry : inquiries()) {
            list.append(inquiryJson(inquiry));
        }
        return Reply::json({{u"result"_s, 200}, {u"inquiries"_s, list}});
    }
    return Reply::json({{u"result"_s, 404}, {u"errmsg"_s, u"no such control endpoint"_s}}, 404);
}

} // namespace orvane::sandbox
