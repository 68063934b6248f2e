#include "orvane/OrvaneSDK.h"

#include "core/BuildConfig.h"

namespace orvane {

OrvaneSDK& OrvaneSDK::shared() {
    static OrvaneSDK instance;
    return instance;
}

std::optional<QString> OrvaneSDK::hostUrl() const {
    QMutexLocker lock(&m_mutex);
    return m_hostUrl;
}

void OrvaneSDK::setHostUrl(std::optional<QString> url) {
    QMutexLocker lock(&m_mutex);
    m_hostUrl = std::move(url);
}

std::optional<QString> OrvaneSDK::hostPartnerUrl() const {
    QMutexLocker lock(&m_mutex);
    return m_hostPartnerUrl;
}

void OrvaneSDK::setHostPartnerUrl(std::optional<QString> url) {
    QMutexLocker lock(&m_mutex);
    m_hostPartnerUrl = std::move(url);
}

bool OrvaneSDK::isInspect() const {
    QMutexLocker lock(&m_mutex);
    return m_isInspect;
}

void OrvaneSDK::setIsInspect(bool inspect) {
    QMutexLocker lock(&m_mutex);
    m_isInspect = inspect;
}

std::optional<QString> OrvaneSDK::noticeUrlOverride() const {
    QMutexLocker lock(&m_mutex);
    return m_noticeUrl;
}

void OrvaneSDK::setNoticeUrlOverride(std::optional<QString> url) {
    QMutexLocker lock(&m_mutex);
    m_noticeUrl = std::move(url);
}

QString OrvaneSDK::noticeUrl() const {
    QMutexLocker lock(&m_mutex);
    return m_noticeUrl ? *m_noticeUrl : QString::fromUtf8(build::kDefaultNoticeUrl);
}

} // namespace orvane
