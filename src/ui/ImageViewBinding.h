#pragma once

#include <functional>
#include <optional>

#include <QImage>
#include <QUrl>

namespace orvane {

class ImageCache;
class ImageView;

// Binds `view` to `url`: the view records the URL it now wants (replacing any earlier one) and
// asks `cache` for the image, scaled to the view's size times `qualityFactor` when one is given,
// in pixels of the view's screen (its size in points times its device pixel ratio).
// When the image arrives and the view still exists and still wants exactly that URL, the image is
// set on the view and `completion` gets it; a late image for a URL the view no longer wants is
// dropped. The current image stays until the new one arrives; no download is cancelled. An image
// the cache's memory level holds is set at once, and `completion` runs before setUrl returns.
// Main thread only; the completion runs on the main thread and never for a destroyed view.
void setUrl(ImageView* view, const QUrl& url, std::optional<double> qualityFactor,
            ImageCache& cache, std::function<void(QImage)> completion = {});

// Forgets the URL `view` wants, so a load still on its way is dropped. The image is not changed.
void clear(ImageView* view);

// The URL string `view` currently wants (as ImageCache::absoluteString), empty when none.
QString wantedUrl(const ImageView* view);

} // namespace orvane
