#include <QtTest>

#include "core/ApiProvider.h"
#include "tests/api/ApiTestUtil.h"
#include "tests/api/ApiTests.h"

using namespace orvane;
using test::CompletionProbe;

class TransportTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void multipartBodyIsByteExact();
    void emptyFormIsOnlyTheClosingLine();
    void mimeTableAndLookup();
    void refusedRequestsCompleteOnceOffTheMainThread();
};

void TransportTest::multipartBodyIsByteExact() {
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

void TransportTest::emptyFormIsOnlyTheClosingLine() {
    QCOMPARE(ApiProvider::createBody({}, {}, ApiProvider::kBoundary),
             QByteArray("--^-----^--\r\n"));
    QCOMPARE(ApiProvider::createBody({{"a", QVariant()}}, {QImage()}, QStringLiteral("xy")),
             QByteArray("--xy--\r\n"));
}

void TransportTest::mimeTableAndLookup() {
    const auto& table = ApiProvider::mimeTypes();
    QCOMPARE(table.size(), 94);
    QCOMPARE(table.value("bmp"), "image/x-ms-bmp");
    QCOMPARE(table.value("cco"), "application/x-cocoa");
    QCOMPARE(table.value("m3u8"), "application/vnd.apple.mpegurl");
    QCOMPARE(table.value("ts"), "video/mp2t");
    for (auto it = table.cbegin(); it != table.cend(); ++it) {
        QCOMPARE(it.key(), it.key().toLower());
        QVERIFY2(it.value().contains('/'), qPrintable(it.key()));
    }

    QCOMPARE(ApiProvider::mimeTypeForPath("image123.jpg"), "image/jpeg");
    QCOMPARE(ApiProvider::mimeTypeForPath("/tmp/shot.PNG"), "image/png");
    QCOMPARE(ApiProvider::mimeTypeForPath("dir.v2/README"), "application/octet-stream");
    QCOMPARE(ApiProvider::mimeTypeForPath("trailingdot."), "application/octet-stream");
    QCOMPARE(ApiProvider::mimeTypeForPath(""), "application/octet-stream");
    QCOMPARE(ApiProvider::mimeTypeForPath("a.tar.HTML"), "text/html");
    // Not in the table: the system database answers, the unknown falls back.
    QCOMPARE(ApiProvider::mimeTypeForPath("notes.md"), "text/markdown");
    QCOMPARE(ApiProvider::mimeTypeForPath("x.zzqqunknown"), "application/octet-stream");
}

void TransportTest::refusedRequestsCompleteOnceOffTheMainThread() {
    struct Case {
        QUrl url;
        QString method;
        QVariantMap params;
        QList<QImage> images;
        ApiError::Kind kind;
    };
    const QList<Case> cases{
        {QUrl("file:///etc/hostname"), "GET", {}, {}, ApiError::Kind::Configuration},
        {QUrl("not a url"), "GET", {}, {}, ApiError::Kind::Configuration},
        {QUrl("http://127.0.0.1:9/cs"),
         "POST",
         {{"content", "a\r\n--^-----^\r\nforged"}},
         {},
         ApiError::Kind::InvalidInput},
        {QUrl("http://127.0.0.1:9/cs"),
         "POST",
         {{"bad\"name", "x"}},
         {},
         ApiError::Kind::InvalidInput},
        {QUrl("http://127.0.0.1:9/cs"), "POST", {}, {QImage()}, ApiError::Kind::InvalidInput},
    };
    for (const Case& c : cases) {
        CompletionProbe probe;
        ApiProvider::request(c.url, c.method, c.params, c.images, probe.completion());
        QTRY_COMPARE(probe.count(), 1);
        QVERIFY(!probe.result().ok());
        QCOMPARE(probe.result().error().kind, c.kind);
        QVERIFY(!probe.ranOnMainThread());
        QTest::qWait(20);
        QCOMPARE(probe.count(), 1);
    }
}

int runTransportTest(int argc, char** argv) {
    TransportTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "TransportTest.moc"
