#include <QtTest>

#include "core/ApiProvider.h"
#include "support/ApiTestUtil.h"
#include "support/FixedReplyServer.h"

using namespace orvane;
using namespace Qt::StringLiterals;
using test::CompletionProbe;

class TstApiTransport : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void multipartBodyIsByteExact() {
        const QImage red = test::testImage(Qt::red);
        const QImage blue = test::testImage(Qt::blue, 20, 50);
        const QVariantMap params{
            {u"name"_s, u"홍길동"_s},
            {u"campid"_s, qint64(3)},
            {u"count"_s, 7},
            {u"email"_s, u"a@b.c"_s},
            {u"empty"_s, QString()},
            {u"list"_s, QVariantList{1, 2}},      // neither string nor integer: left out
            {u"map"_s, QVariantMap{{u"a"_s, 1}}}, // left out
            {u"price"_s, 1.5},                    // left out
            {u"flag"_s, true},                    // left out
        };
        const QByteArray body =
            ApiProvider::createBody(params, {red, blue}, ApiProvider::kBoundary);
        QList<quint64> numbers;
        const QByteArray normalised = test::normaliseFileNames(body, &numbers);
        QCOMPARE(numbers.size(), 2);
        QVERIFY(numbers.at(0) <= 0xFFFFFFFFull && numbers.at(1) <= 0xFFFFFFFFull);

        auto text = [](const char* name, const QByteArray& value) -> QByteArray {
            return "--^-----^\r\nContent-Disposition: form-data; name=\""_ba + name + "\"\r\n\r\n" +
                   value + "\r\n";
        };
        auto file = [](const QImage& image) -> QByteArray {
            return "--^-----^\r\nContent-Disposition: form-data; name=\"uploadfiles[]\"; "
                   "filename=\"imageN.jpg\"\r\nContent-Type: image/jpeg\r\n\r\n"_ba +
                   test::jpeg(image, 70) + "\r\n";
        };
        // Fields in key order; the JPEG really is the picture at the customary quality.
        QCOMPARE(normalised, text("campid", "3") + text("count", "7") + text("email", "a@b.c") +
                                 text("empty", "") + text("name", u"홍길동"_s.toUtf8()) +
                                 file(red) + file(blue) + "--^-----^--\r\n");
        // An empty form is only the closing line.
        QCOMPARE(ApiProvider::createBody({}, {}, ApiProvider::kBoundary), "--^-----^--\r\n"_ba);
        QCOMPARE(ApiProvider::createBody({{u"a"_s, QVariant()}}, {QImage()}, u"xy"_s),
                 "--xy--\r\n"_ba);

        // A file's type: the extension decides, in any case; what neither the table nor the
        // system knows is binary.
        const QString binary = u"application/octet-stream"_s;
        for (const auto& [path, type] : {std::pair(u"/tmp/shot.PNG"_s, u"image/png"_s),
                                         {u"a.tar.HTML"_s, u"text/html"_s},
                                         {u"dir.v2/README"_s, binary},
                                         {u"trailingdot."_s, binary},
                                         {u"notes.md"_s, u"text/markdown"_s},
                                         {u"x.zzqqunknown"_s, binary}})
            QCOMPARE(ApiProvider::mimeTypeForPath(path), type);
    }
    void refusedRequestsCompleteOnceOffTheMainThread() {
        // All at once: by the time the last has answered, a second answer to an earlier one would
        // have come too.
        QList<std::pair<CompletionProbe, ApiError::Kind>> sent;
        const auto send = [&](const char* url, const char* method, const QVariantMap& params,
                              const QList<QImage>& images, ApiError::Kind kind) {
            sent.append({CompletionProbe(), kind});
            ApiProvider::request(QUrl(QString::fromLatin1(url)), QString::fromLatin1(method),
                                 params, images, sent.last().first.completion());
        };
        using enum ApiError::Kind;
        send("file:///etc/hostname", "GET", {}, {}, Configuration);
        send("not a url", "GET", {}, {}, Configuration);
        send("http://127.0.0.1:9/cs", "POST", {{u"content"_s, u"a\r\n--^-----^\r\nforged"_s}}, {},
             InvalidInput);
        send("http://127.0.0.1:9/cs", "POST", {{u"bad\"name"_s, u"x"_s}}, {}, InvalidInput);
        send("http://127.0.0.1:9/cs", "POST", {}, {QImage()}, InvalidInput);
        for (const auto& [probe, kind] : sent) {
            QTRY_COMPARE(probe.count(), 1);
            QCOMPARE(probe.result().error().kind, kind);
            QVERIFY(!probe.result().ok() && !probe.ranOnMainThread());
        }
        for (const auto& [probe, kind] : sent)
            QCOMPARE(probe.count(), 1);
    }
    // The cap is the largest reply accepted: one byte more fails as a transport error.
    void replyAsLargeAsTheCapArrives() {
        const QByteArray body(64, 'x');
        test::FixedReplyServer server(body);
        const auto reset = qScopeGuard([] { ApiProvider::setMaxReplyBytesForTesting(0); });
        for (const qint64 cap : {body.size(), body.size() - 1}) {
            ApiProvider::setMaxReplyBytesForTesting(cap);
            CompletionProbe probe;
            ApiProvider::request(QUrl(server.baseUrl() + u"/cap"_s),
                                 ApiProvider::REQUEST_METHOD_GET, {}, {}, probe.completion());
            QTRY_COMPARE(probe.count(), 1);
            const bool fits = cap == body.size();
            QCOMPARE(probe.result().body(), fits ? body : QByteArray());
            QVERIFY(fits ? probe.result().ok()
                         : probe.result().error().kind == ApiError::Kind::Transport);
        }
    }
};

QTEST_MAIN(TstApiTransport)
#include "tst_api_transport.moc"
