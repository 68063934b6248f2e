#include "core/NoCookieJar.h"

#include <QNetworkCookie>

namespace orvane {

QList<QNetworkCookie> NoCookieJar::cookiesForUrl(const QUrl&) const {
    return {};
}

bool NoCookieJar::setCookiesFromUrl(const QList<QNetworkCookie>&, const QUrl&) {
    return false;
}

} // namespace orvane
