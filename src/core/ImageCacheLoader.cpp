#include "core/ImageCacheLoader.h"

#include <mutex>

#include <QCache>

#include "core/Dispatch.h"
#include "core/HandOff.h"
#include "core/ImageDownloader.h"
#include "core/Log.h"
#include "core/Mailbox.h"

namespace orvane {

// Shared with reads in flight, so a read that outlives its loader still has somewhere to store.
struct ImageCacheLoader::Store {
    std::mutex mutex; // seen by ThreadSanitizer even under contention
    QCache<QString, QImage> images;
};

ImageCacheLoader::ImageCacheLoader()
    : m_store(std::make_shared<Store>()) {
    m_store->images.setMaxCost(kMemoryCostLimit);
}

ImageCacheLoader::~ImageCacheLoader() = default;

std::optional<QUrl> ImageCacheLoader::urlForPath(const QString& imagePath) {
    QUrl url(imagePath, QUrl::StrictMode);
    if (url.isValid() && !url.isEmpty()) {
        return url;
    }
    // Unreserved characters stay as well; "%" and "#" are escaped like everything else.
    const QByteArray encoded = QUrl::toPercentEncoding(imagePath, "!$&'()*+,;=:@/?");
    url = QUrl(QString::fromLatin1(encoded), QUrl::StrictMode);
    if (url.isValid() && !url.isEmpty()) {
        return url;
    }
    return std::nullopt;
}

void ImageCacheLoader::obtainImageWithPath(const QString& imagePath, Handler handler) {
    {
        std::lock_guard lock(m_store->mutex);
        if (const QImage* hit = m_store->images.object(imagePath)) {
            detail::Mailbox::main().post([handler, image = *hit] {
                if (handler) {
                    handler(image);
                }
            });
            return;
        }
    }
    const std::optional<QUrl> url = urlForPath(imagePath);
    if (!url) {
        Log::error("ImageCacheLoader", "imagePath does not parse as an address:", imagePath);
        return;
    }
    ImageDownloader::shared().get(
        *url, [store = m_store, imagePath, handler](const ImageDownloader::Result& result) {
            if (!result.ok()) {
                Log::error("imagePath null", imagePath, result.error);
                return;
            }
            // Decoding runs on the shared pool, keeping the download thread free for replies.
            dispatch::toGlobal(detail::handOff([store, imagePath, handler, body = result.body] {
                const QImage image = QImage::fromData(body);
                if (image.isNull()) {
                    Log::error("ImageCacheLoader", "bytes do not decode as an image:", imagePath);
                    return;
                }
                {
                    std::lock_guard lock(store->mutex);
                    store->images.insert(imagePath, new QImage(image),
                                         std::max<qsizetype>(1, image.sizeInBytes()));
                }
                detail::Mailbox::main().post([handler, image] {
                    if (handler) {
                        handler(image);
                    }
                });
            }));
        });
}

} // namespace orvane
