#pragma once

#include <functional>
#include <vector>

#include <orvane/PlatformServices.h>

#include <QNetworkAccessManager>
#include <QObject>
#include <QPointer>
#include <QUrl>

namespace quickhost {

// Opens the addresses the kit hands to the host. Pages of the host's own campaign server (here a
// local test server) are loaded in-process, as a browser view inside the app would load them, and
// count as opened once they answered; anything else goes to the desktop (the browser, or the app
// registered for the address's scheme).
class PageOpener final : public orvane::UrlOpener {
public:
    explicit PageOpener(QUrl server);

    void open(const QUrl& url, std::function<void(bool opened)> completion) override;

private:
    QUrl m_server;
    QNetworkAccessManager m_browser;
};

// The host's own tracking-consent prompt, shown by its QML (Main.qml) instead of the system's:
// `asking` turns true while the kit waits for an answer, and answer() gives it. The answer is
// remembered for the run, as the system prompt remembers it; openAppPrivacySettings() forgets it,
// so the next join asks again.
class ConsentPrompt final : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool asking READ isAsking NOTIFY askingChanged)

public:
    using QObject::QObject;

    bool isAsking() const { return !m_waiting.empty(); }
    Q_INVOKABLE void answer(bool allow);

    // What the kit calls, through PlatformServices.
    void request(std::function<void(int status)> completion);
    void forget() { m_status = orvane::TrackingConsent::NotDetermined; }

Q_SIGNALS:
    void askingChanged();

private:
    int m_status = orvane::TrackingConsent::NotDetermined;
    std::vector<std::function<void(int)>> m_waiting;
};

// The kit's side of ConsentPrompt: registered with PlatformServices::setTrackingConsent.
class PromptConsent final : public orvane::TrackingConsent {
public:
    explicit PromptConsent(ConsentPrompt* prompt)
        : m_prompt(prompt) {}

    void requestAuthorization(std::function<void(int status)> completion) override;
    void openAppPrivacySettings() override;

private:
    QPointer<ConsentPrompt> m_prompt;
};

} // namespace quickhost
