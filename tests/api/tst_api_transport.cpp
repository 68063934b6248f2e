#include <QtTest>

#include "core/ApiProvider.h"
#include "support/ApiTestUtil.h"
#include "support/FixedReplyServer.h"

using namespace orvane;
using test::CompletionProbe;

class TstApiTransport : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void multipartBodyIsByteExact();
    void emptyFormIsOnlyTheClosingLine();
    void mimeTypeByExtension();
    void refusedRequestsCompleteOnceOffTheMainThread();
    void replyAsLargeAsTheCapArrives();
};

void TstApiTransport::multipartBodyIsByteExact() {
    const QImage red = test::testImage(Qt::red);
    const QImage blue = test::testImage(Qt::blue, 20, 50);
    const QVariantMap params{
        {"name", QStringLiteral("홍길동")},
        {"campid", qint64(3)},
        {"count", 7},
        {"email", "a@b.c"},
        {"empty", QString()},
        {"list", QVariantList{1, 2}},   // neither string nor integer: left out
        {"map", QVariantMap{{"a", 1}}}, // left out
        {"price", 1.5},                 // left out
        {"flag", true},                 // left out
    };
    const QByteArray body = ApiProvider::createBody(params, {red, blue}, ApiProvider::kBoundary);

    QList<quint64> numbers;
    const QByteArray normalised = test::normaliseFileNames(body, &numbers);
    QCOMPARE(numbers.size(), 2);
    for (const quint64 n : numbers) {
        QVERIFY(n <= 0xFFFFFFFFull);
    }

    auto text = [](const char* name, const QByteArray& value) {
        return QByteArray("--^-----^\r\nContent-Disposition: form-data; name=\"") + name +
               "\"\r\n\r\n" + value + "\r\n";
    };
    auto file = [](const QImage& image) {
        return QByteArray("--^-----^\r\nContent-Disposition: form-data; name=\"uploadfiles[]\"; "
                          "filename=\"imageN.jpg\"\r\nContent-Type: image/jpeg\r\n\r\n") +
               test::jpeg70(image) + "\r\n";
    };
    // Fields in key order.
    const QByteArray expected = text("campid", "3") + text("count", "7") + text("email", "a@b.c") +
                                text("empty", "") +
                                text("name", QStringLiteral("홍길동").toUtf8()) + file(red) +
                                file(blue) + "--^-----^--\r\n";
    QCOMPARE(normalised, expected);

    // The JPEG really is the picture at the customary quality.
    const QImage decoded = QImage::fromData(test::jpeg70(red), "JPEG");
    QCOMPARE(decoded.size(), red.size());
}

void TstApiTransport::emptyFormIsOnlyTheClosingLine() {
    QCOMPARE(ApiProvider::createBody({}, {}, ApiProvider::kBoundary),
             QByteArray("--^-----^--\r\n"));
    QCOMPARE(ApiProvider::createBody({{"a", QVariant()}}, {QImage()}, QStringLiteral("xy")),
             QByteArray("--xy--\r\n"));
}

// The extension decides, in any case; what neither the table nor the system knows is binary.
void TstApiTransport::mimeTypeByExtension() {
    QCOMPARE(ApiProvider::mimeTypeForPath("/tmp/shot.PNG"), "image/png");
    QCOMPARE(ApiProvider::mimeTypeForPath("a.tar.HTML"), "text/html");
    QCOMPARE(ApiProvider::mimeTypeForPath("dir.v2/README"), "application/octet-stream");
    QCOMPARE(ApiProvider::mimeTypeForPath("trailingdot."), "application/octet-stream");
    QCOMPARE(ApiProvider::mimeTypeForPath("notes.md"), "text/markdown");
    QCOMPARE(ApiProvider::mimeTypeForPath("x.zzqqunknown"), "application/octet-stream");
}

void TstApiTransport::refusedRequestsCompleteOnceOffTheMainThread() {
    // All at once: by the time the last has answered, a second answer to an earlier one would
    // have come too.
    QList<std::pair<CompletionProbe, ApiError::Kind>> sent;
    const auto send = [&](const char* url, const char* method, const QVariantMap& params,
                          const QList<QImage>& images, ApiError::Kind kind) {
        sent.append({CompletionProbe(), kind});
        ApiProvider::request(QUrl(url), method, params, images, sent.last().first.completion());
    };
    using enum ApiError::Kind;
    send("file:///etc/hostname", "GET", {}, {}, Configuration);
    send("not a url", "GET", {}, {}, Configuration);
    send("http://127.0.0.1:9/cs", "POST", {{"content", "a\r\n--^-----^\r\nforged"}}, {},
         InvalidInput);
    send("http://127.0.0.1:9/cs", "POST", {{"bad\"name", "x"}}, {}, InvalidInput);
    send("http://127.0.0.1:9/cs", "POST", {}, {QImage()}, InvalidInput);
    for (const auto& [probe, kind] : sent) {
        QTRY_COMPARE(probe.count(), 1);
        QVERIFY(!probe.result().ok());
        QCOMPARE(probe.result().error().kind, kind);
        QVERIFY(!probe.ranOnMainThread());
    }
    for (const auto& [probe, kind] : sent) {
        QCOMPARE(probe.count(), 1);
    }
}

// The cap is the largest reply accepted: one byte more fails as a transport error.
void TstApiTransport::replyAsLargeAsTheCapArrives() {
    const QByteArray body(64, 'x');
    test::FixedReplyServer server(body);
    const auto reset = qScopeGuard([] { ApiProvider::setMaxReplyBytesForTesting(0); });
    for (const qint64 cap : {body.size(), body.size() - 1}) {
        ApiProvider::setMaxReplyBytesForTesting(cap);
        CompletionProbe probe;
        ApiProvider::request(QUrl(server.baseUrl() + QStringLiteral("/cap")),
                             ApiProvider::REQUEST_METHOD_GET, {}, {}, probe.completion());
        QTRY_COMPARE(probe.count(), 1);
        const bool fits = cap == body.size();
        QCOMPARE(probe.result().ok(), fits);
        QCOMPARE(probe.result().body(), fits ? body : QByteArray());
        if (!fits) {
            QCOMPARE(probe.result().error().kind, ApiError::Kind::Transport);
        }
    }
}

QTEST_MAIN(TstApiTransport)
#include "tst_api_transport.moc"
