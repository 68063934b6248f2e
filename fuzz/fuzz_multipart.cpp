// The multipart form the transport builds, parsed back by the sandbox's parser: every form the
// transport agrees to send must arrive with every field (name and value) and every file intact, in
// order.
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include <fuzzer/FuzzedDataProvider.h>

#include <QGuiApplication>
#include <QImage>
#include <QVariantMap>

#include "core/ApiProvider.h"
#include "sandbox/Multipart.h"

namespace {

// Stops at the first broken promise, naming it.
#define require(condition)                                                                         \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "broken: %s\n", #condition);                                      \
            std::abort();                                                                          \
        }                                                                                          \
    } while (false)

QString text(FuzzedDataProvider& input, size_t maxLength) {
    return QString::fromStdString(input.ConsumeRandomLengthString(maxLength));
}

QVariant value(FuzzedDataProvider& input) {
    switch (input.ConsumeIntegralInRange(0, 2)) {
    case 0:
        return input.ConsumeIntegral<qint64>();
    case 1:
        return input.ConsumeIntegral<quint32>();
    default:
        return text(input, 96);
    }
}

QImage image(FuzzedDataProvider& input) {
    QImage picture(input.ConsumeIntegralInRange(1, 8), input.ConsumeIntegralInRange(1, 8),
                   QImage::Format_RGB32);
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            picture.setPixel(x, y, input.ConsumeIntegral<quint32>());
        }
    }
    return picture;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication app(*argc, *argv); // image encoding plugins
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    QVariantMap params;
    const int fields = input.ConsumeIntegralInRange(0, 6);
    for (int i = 0; i < fields; ++i) {
        const QString name = text(input, 24);
        params.insert(name, value(input));
    }
    QList<QImage> images;
    const int files = input.ConsumeIntegralInRange(0, 2);
    for (int i = 0; i < files; ++i) {
        images.append(image(input));
    }
    const QString boundary = orvane::ApiProvider::kBoundary;
    if (orvane::ApiProvider::formRefusal(params, boundary)) {
        return 0; // never sent
    }

    const QByteArray body = orvane::ApiProvider::createBody(params, images, boundary);
    QString error;
    const auto parts = orvane::sandbox::parseMultipart(
        "multipart/form-data; boundary=" + boundary.toUtf8(), body, &error);
    require(parts.has_value());
    require(parts->size() == params.size() + images.size());
    qsizetype index = 0;
    for (auto it = params.cbegin(); it != params.cend(); ++it, ++index) {
        const orvane::sandbox::FormPart& part = parts->at(index);
        require(part.name == it.key());
        require(!part.fileName.has_value());
        const QByteArray expected = it.value().typeId() == QMetaType::QString
                                        ? it.value().toString().toUtf8()
                                        : it.value().toByteArray();
        require(part.data == expected);
    }
    for (const QImage& sent : std::as_const(images)) {
        const orvane::sandbox::FormPart& part = parts->at(index++);
        require(part.name == QLatin1String("uploadfiles[]"));
        require(part.fileName.has_value() && part.fileName->endsWith(QLatin1String(".jpg")));
        require(part.contentType == QLatin1String("image/jpeg"));
        require(QImage::fromData(part.data).size() == sent.size());
    }
    return 0;
}
