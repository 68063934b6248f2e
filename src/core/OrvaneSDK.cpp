#include "orvane/OrvaneSDK.h"

#include <QMutex>

#include "core/BuildConfig.h"

namespace orvane {

class OrvaneSDKPrivate final {
public:
    QMutex mutex;
    std::optional<QString> hostUrl;
    std::optional<QString> hostPartnerUrl;
    std::optional<QString> noticeUrl;
    bool isInspect = false;
};

OrvaneSDK::OrvaneSDK()
    : d(std::make_unique<OrvaneSDKPrivate>()) {}

OrvaneSDK::~OrvaneSDK() = default;

OrvaneSDK& OrvaneSDK::shared() {
    static OrvaneSDK instance;
    return instance;
}

std::optional<QString> OrvaneSDK::hostUrl() const {
    QMutexLocker lock(&d->mutex);
    return d->hostUrl;
}

void OrvaneSDK::setHostUrl(std::optional<QString> url) {
    QMutexLocker lock(&d->mutex);
    d->hostUrl = std::move(url);
}

std::optional<QString> OrvaneSDK::hostPartnerUrl() const {
    QMutexLocker lock(&d->mutex);
    return d->hostPartnerUrl;
}

void OrvaneSDK::setHostPartnerUrl(std::optional<QString> url) {
    QMutexLocker lock(&d->mutex);
    d->hostPartnerUrl = std::move(url);
}

bool OrvaneSDK::isInspect() const {
    QMutexLocker lock(&d->mutex);
    return d->isInspect;
}

void OrvaneSDK::setIsInspect(bool inspect) {
    QMutexLocker lock(&d->mutex);
    d->isInspect = inspect;
}

std::optional<QString> OrvaneSDK::noticeUrlOverride() const {
    QMutexLocker lock(&d->mutex);
    return d->noticeUrl;
}

void OrvaneSDK::setNoticeUrlOverride(std::optional<QString> url) {
    QMutexLocker lock(&d->mutex);
    d->noticeUrl = std::move(url);
}

QString OrvaneSDK::noticeUrl() const {
    QMutexLocker lock(&d->mutex);
    return d->noticeUrl ? *d->noticeUrl : QString::fromUtf8(build::kDefaultNoticeUrl);
}

} // namespace orvane
