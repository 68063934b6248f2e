// The HTML-to-styled-text conversion over arbitrary fragments: it must never ask anybody for a
// resource (a picture, a style sheet), must leave no picture in its result, and must return in
// bounded time (libFuzzer's -timeout catches a slow input).
#include <cstdint>
#include <cstdlib>

#include <QGuiApplication>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFormat>
#include <QUrl>
#include <QVariant>

#include "core/StyledText.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication app(*argc, *argv); // text layout needs the application's fonts
    // The conversion answers every resource itself; reaching a provider means it asked for one.
    QTextDocument::setDefaultResourceProvider([](const QUrl&) -> QVariant { std::abort(); });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString html =
        QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const std::optional<orvane::StyledText> text = orvane::htmlToString(html);
    if (!text) {
        return 0;
    }
    QTextDocument document;
    document.setHtml(text->toHtml());
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            if (it.fragment().charFormat().isImageFormat()) {
                std::abort(); // a picture survived the conversion
            }
        }
    }
    return 0;
}
