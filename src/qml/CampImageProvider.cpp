#include "qml/CampImageProvider.h"

#include <QMutex>
#include <QMutexLocker>

#include "core/Dispatch.h"
#include "core/ImageCache.h"
#include "core/Log.h"

namespace orvane {

namespace {

constexpr auto kIdEncoding = QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals;

// One request. The engine keeps it until finished() is emitted (also when it cancels), so the
// cache's answer always finds it; the image is handed over under a lock because the engine reads
// it on its loader thread.
class CampImageResponse final : public QQuickImageResponse {
public:
    CampImageResponse(const QUrl& address, const QSize& requestedSize) {
        std::optional<QSizeF> fit;
        if (requestedSize.width() > 0 && requestedSize.height() > 0)
            fit = QSizeF(requestedSize);
        // Answered later in every case: the engine connects to finished() once this is returned.
        dispatch::toMain([this, address, fit] {
            if (!address.isValid()) {
                finish({}, QStringLiteral("not a campaign image address"));
                return;
            }
            ImageCache::defaultCache().loadImage(
                address, fit, [this](const QString&, const QImage& image) { finish(image, {}); },
                [this](const QString&, const QString& reason) { finish({}, reason); });
        });
    }

    QQuickTextureFactory* textureFactory() const override {
        QMutexLocker lock(&m_mutex);
        return QQuickTextureFactory::textureFactoryForImage(m_image);
    }

    QString errorString() const override {
        QMutexLocker lock(&m_mutex);
        return m_error;
    }

private:
    void finish(const QImage& image, const QString& error) {
        {
            QMutexLocker lock(&m_mutex);
            m_image = image;
            m_error = error;
        }
        Q_EMIT finished();
    }

    mutable QMutex m_mutex;
    QImage m_image;
    QString m_error;
};

} // namespace

QUrl CampImageProvider::source(const QUrl& address) {
    return QUrl(QStringLiteral("image://") + kProviderId + QLatin1Char('/') +
                QString::fromLatin1(address.toEncoded().toBase64(kIdEncoding)));
}

QUrl CampImageProvider::address(const QString& id) {
    const auto decoded = QByteArray::fromBase64Encoding(
        id.toLatin1(), kIdEncoding | QByteArray::AbortOnBase64DecodingErrors);
    return decoded ? QUrl::fromEncoded(*decoded, QUrl::StrictMode) : QUrl();
}

QQuickImageResponse* CampImageProvider::requestImageResponse(const QString& id,
                                                             const QSize& requestedSize) {
    return new CampImageResponse(address(id), requestedSize);
}

} // namespace orvane
