#include "ui/ImageViewBinding.h"

#include <QPointer>
#include <QVariant>

#include "core/ImageCache.h"
#include "ui/ImageView.h"

namespace orvane {

namespace {
// The dynamic property that carries the wanted URL string on a bound view.
constexpr const char* kWantedUrl = "orvane_wantedUrl";
} // namespace

QString wantedUrl(const ImageView* view) {
    return view ? view->property(kWantedUrl).toString() : QString();
}

void setUrl(ImageView* view, const QUrl& url, std::optional<double> qualityFactor,
            ImageCache& cache, std::function<void(QImage)> completion) {
    if (!view) {
        return;
    }
    // Fit sizes are in pixels: a view of 60 points wants 120 pixels on a screen of ratio 2.
    std::optional<QSizeF> fitSize;
    if (qualityFactor) {
        fitSize = QSizeF(view->size()) * *qualityFactor * view->devicePixelRatioF();
    }
    view->setProperty(kWantedUrl, ImageCache::absoluteString(url));
    // A picture the memory level holds is shown at once: no round trip through the cache's
    // threads for every row that scrolls back into view.
    if (const QImage held = cache.memoryImage(ImageCache::key(url)); !held.isNull()) {
        view->setImage(held);
        if (completion) {
            completion(held);
        }
        return;
    }
    cache.loadImage(url, fitSize,
                    [guard = QPointer<ImageView>(view), completion = std::move(completion)](
                        const QString& urlString, const QImage& image) {
                        if (!guard || wantedUrl(guard) != urlString || urlString.isEmpty()) {
                            return;
                        }
                        guard->setImage(image);
                        if (completion) {
                            completion(image);
                        }
                    });
}

void clear(ImageView* view) {
    if (view) {
        view->setProperty(kWantedUrl, QVariant());
    }
}

} // namespace orvane
