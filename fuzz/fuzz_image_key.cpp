// The image store's key-to-file-name mapping, over arbitrary keys and addresses: the name is one
// plain file name directly inside the cache folder, and two keys never share a file. And the rules
// for addresses from a server: what the kit fetches or opens never names local or inline content.
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QUrl>

#include "core/AddressRules.h"
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
    check(text); // a key of the caller's own
    const QUrl url(text);
    check(orvane::ImageCache::key(url)); // the key of an address

    const QString scheme = url.scheme().toLower();
    const bool local = url.isLocalFile() || scheme == QLatin1String("file") ||
                       scheme == QLatin1String("data") || scheme == QLatin1String("javascript");
    if (orvane::address::isLaunchable(url)) {
        require(!local && !scheme.isEmpty(), "a launch address names no local or inline content");
    }
    if (orvane::address::isWeb(url)) {
        require(scheme == QLatin1String("http") || scheme == QLatin1String("https"),
                "a web address is http or https");
        require(!url.host().isEmpty() && orvane::address::isLaunchable(url),
                "a web address has a host and may be opened");
    }
    return 0;
}
