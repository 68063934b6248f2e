// The image store's key-to-file-name mapping, over arbitrary keys and addresses: the name is one
// plain file name directly inside the cache folder, and two keys never share a file.
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QUrl>

#include "core/CacheFiles.h"
#include "core/ImageCache.h"

namespace {

void require(bool condition, const char* promise) {
    if (!condition) {
        std::fprintf(stderr, "broken: %s\n", promise);
        std::abort();
    }
}

// Checks the name of `key` and returns it.
QString check(const QString& key) {
    const QString name = orvane::ImageCache::fileName(key);
    require(!name.isEmpty() && name != QLatin1String(".") && name != QLatin1String(".."),
            "a usable file name");
    require(!name.contains(QLatin1Char('/')) && !name.contains(QLatin1Char('\\')) &&
                !name.contains(QChar(0)),
            "no separator in the name");
    require(name.toUtf8().size() <= orvane::ImageCache::kMaxFileNameBytes, "a name that fits");
    const QFileInfo file(orvane::ImageCache::filePath(key));
    require(QDir::cleanPath(file.absolutePath()) ==
                QDir::cleanPath(QFileInfo(orvane::cacheDirectory()).absoluteFilePath()),
            "the file is directly inside the cache folder");
    return name;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    static QGuiApplication app(*argc, *argv); // the cache folder comes from the application
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString text =
        QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    check(text);                                // a key of the caller's own
    check(orvane::ImageCache::key(QUrl(text))); // the key of an address
    return 0;
}
