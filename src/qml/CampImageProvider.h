#pragma once

#include <QQuickAsyncImageProvider>
#include <QUrl>

namespace orvane {

// Campaign images for Image items, from the kit's image cache: "image://orvane/<address>" (see
// source()). A request hops to the main thread, where the cache is asked; the cache looks up its
// disk level and downloads on threads of its own and answers on the main thread, so neither the
// GUI thread nor the engine's loader thread ever waits for a file or the network. An image that
// cannot be had ends the request with the cache's reason (the item shows nothing).
class CampImageProvider final : public QQuickAsyncImageProvider {
public:
    static inline const QString kProviderId = QStringLiteral("orvane");

    // The source of `address` for an Image item.
    static QUrl source(const QUrl& address);
    // The address a source id names; empty when the id is not one of source()'s.
    static QUrl address(const QString& id);

    QQuickImageResponse* requestImageResponse(const QString& id,
                                              const QSize& requestedSize) override;
};

} // namespace orvane
