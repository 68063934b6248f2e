#pragma once

#include <functional>
#include <memory>
#include <optional>

#include <QImage>
#include <QString>
#include <QUrl>

namespace orvane {

// A small loader that fetches one image by its address and keeps a memory cache of its own
// (bounded by kMemoryCostLimit bytes of decoded pixels). Each loader starts empty and shares
// nothing with other loaders or with ImageCache.
//
// Thread contract: call from any thread. The handler runs on the main thread, at most once: not at
// all when the address cannot be parsed or read, or the bytes do not decode (each logged). A
// loader may be destroyed while a read is in flight; the handler is still called.
class ImageCacheLoader final {
public:
    using Handler = std::function<void(const QImage& image)>;
    static constexpr qsizetype kMemoryCostLimit = 32 * 1024 * 1024;

    ImageCacheLoader();
    ~ImageCacheLoader();
    Q_DISABLE_COPY_MOVE(ImageCacheLoader)

    void obtainImageWithPath(const QString& imagePath, Handler handler);

    // The address read for `imagePath`: the path as it parses, otherwise the path percent-encoded
    // with the characters a URL fragment may hold, otherwise nothing.
    static std::optional<QUrl> urlForPath(const QString& imagePath);

private:
    struct Store;
    std::shared_ptr<Store> m_store;
};

} // namespace orvane
