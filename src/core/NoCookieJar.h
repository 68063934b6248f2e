#pragma once

#include <QNetworkCookieJar>

namespace orvane {

// A cookie jar that keeps nothing: cookies the servers set are never stored, so none is ever sent
// back. Every network manager of the kit uses one, so a server can never follow a user from one
// request to the next.
class NoCookieJar final : public QNetworkCookieJar {
public:
    using QNetworkCookieJar::QNetworkCookieJar;
    QList<QNetworkCookie> cookiesForUrl(const QUrl& url) const override;
    bool setCookiesFromUrl(const QList<QNetworkCookie>& cookies, const QUrl& url) override;
};

} // namespace orvane
