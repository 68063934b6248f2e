#include "DemoOpener.h"

#include <QDesktopServices>
#include <QNetworkReply>
#include <QTimer>

namespace demo {

DemoOpener::DemoOpener(QUrl serverBase)
    : m_serverBase(std::move(serverBase)) {}

void DemoOpener::open(const QUrl& url, std::function<void(bool opened)> completion) {
    const QString scheme = url.scheme().toLower();
    const bool web = scheme == QLatin1String("http") || scheme == QLatin1String("https");
    if (web && url.host() == m_serverBase.host() && url.port() == m_serverBase.port()) {
        QNetworkReply* reply = m_browser.get(QNetworkRequest(url));
        QObject::connect(
            reply, &QNetworkReply::finished, reply, [reply, completion = std::move(completion)] {
                const bool ok = reply->error() == QNetworkReply::NoError;
                qInfo("orvane-demo: visited %s %s", qPrintable(reply->url().toString()),
                      ok ? "" : qPrintable(reply->errorString()));
                reply->deleteLater();
                if (completion)
                    completion(ok);
            });
        return;
    }
    // An app address: on this desktop the app is "installed" and opens at once.
    const bool opened = web ? QDesktopServices::openUrl(url) : true;
    if (!web)
        qInfo("orvane-demo: opened the app %s", qPrintable(url.toString()));
    QTimer::singleShot(0, [opened, completion = std::move(completion)] {
        if (completion)
            completion(opened);
    });
}

} // namespace demo
