#include "HostServices.h"

#include <QDesktopServices>
#include <QNetworkReply>
#include <QTimer>

namespace quickhost {

PageOpener::PageOpener(QUrl server)
    : m_server(std::move(server)) {}

void PageOpener::open(const QUrl& url, std::function<void(bool opened)> completion) {
    const bool web =
        url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https");
    if (web && url.host() == m_server.host() && url.port() == m_server.port()) {
        QNetworkReply* reply = m_browser.get(QNetworkRequest(url));
        QObject::connect(reply, &QNetworkReply::finished, reply,
                         [reply, completion = std::move(completion)] {
                             reply->deleteLater();
                             completion(reply->error() == QNetworkReply::NoError);
                         });
        return;
    }
    const bool opened = QDesktopServices::openUrl(url);
    // The kit expects the answer later, never inside its own call.
    QTimer::singleShot(0, [opened, completion = std::move(completion)] { completion(opened); });
}

void ConsentPrompt::answer(bool allow) {
    if (m_waiting.empty())
        return;
    m_status = allow ? orvane::TrackingConsent::Authorized : orvane::TrackingConsent::Denied;
    std::vector<std::function<void(int)>> waiting;
    waiting.swap(m_waiting);
    Q_EMIT askingChanged();
    for (auto& completion : waiting)
        completion(m_status);
}

void ConsentPrompt::request(std::function<void(int status)> completion) {
    if (m_status != orvane::TrackingConsent::NotDetermined) {
        QTimer::singleShot(0, this,
                           [this, completion = std::move(completion)] { completion(m_status); });
        return;
    }
    m_waiting.push_back(std::move(completion));
    if (m_waiting.size() == 1)
        Q_EMIT askingChanged();
}

void PromptConsent::requestAuthorization(std::function<void(int status)> completion) {
    if (m_prompt)
        m_prompt->request(std::move(completion));
    else
        QTimer::singleShot(0, [completion = std::move(completion)] {
            completion(orvane::TrackingConsent::NotDetermined);
        });
}

void PromptConsent::openAppPrivacySettings() {
    if (m_prompt)
        m_prompt->forget();
}

} // namespace quickhost
