#include "core/AddressRules.h"

#include <algorithm>
#include <array>

namespace orvane::address {

bool isWeb(const QUrl& url) {
    const QString scheme = url.scheme().toLower();
    return url.isValid() && !url.host().isEmpty() &&
           (scheme == QLatin1String("http") || scheme == QLatin1String("https"));
}

bool isLaunchable(const QUrl& url) {
    static constexpr std::array<QLatin1StringView, 3> kRefused{
        QLatin1StringView("file"), QLatin1StringView("data"), QLatin1StringView("javascript")};
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || scheme.isEmpty() || url.isLocalFile()) {
        return false;
    }
    return std::find(kRefused.begin(), kRefused.end(), scheme) == kRefused.end();
}

QString schemeForLog(const QUrl& url) {
    const QString scheme = url.scheme();
    return scheme.isEmpty() ? QStringLiteral("(none)") : scheme.left(32);
}

} // namespace orvane::address
