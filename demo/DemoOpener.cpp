#include "DemoOpener.h"

#include <QDesktopServices>
#include <QNetworkReply>
#include <QTimer>

#include "platform/Log.h"

namespace orvane::demo {

DemoOpener::DemoOpener(QUrl serverBase)
    : m_serverBase(std::move(serverBase)) {}

void DemoOpener::open(const QUrl& url, std::function<void(bool opened)> completion) {
    const QString scheme = url.scheme().toLower();
    const bool web = scheme == QLatin1String("http") || scheme == QLatin1String("https");
    const bool ownServer =
        web && url.host() == m_serverBase.host() && url.port() == m_serverBase.port();
    if (ownServer) {
        QNetworkReply* reply = m_browser.get(QNetworkRequest(url));
        QObject::connect(reply, &QNetworkReply::finished, reply,
                         [reply, completion = std::move(completion)] {
                             const bool ok = reply->error() == QNetworkReply::NoError;
                             Log::info("orvane-demo visited", reply->url().toString(),
                                       ok ? QString() : reply->errorString());
                             reply->deleteLater();
                             if (completion)
                                 completion(ok);
                         });
        return;
    }
    // An app address: on this desktop the app is "installed" and opens at once.
    const bool opened = web ? QDesktopServices::openUrl(url) : true;
    if (!web)
        Log::info("orvane-demo opens the app", url.toString());
    QTimer::singleShot(0, [opened, completion = std::move(completion)] {
        if (completion)
            completion(opened);
    });
}

} // namespace orvane::demo
