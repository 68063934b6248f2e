#pragma once

#include <orvane/PlatformServices.h>

#include <QNetworkAccessManager>
#include <QUrl>

namespace demo {

// The demo's way of opening addresses, standing in for what a phone does. A desktop cannot
// install an app and may have no browser, so:
// - pages of the demo's own server (landing pages, store pages) are visited in-process, as a
//   browser would load them, and count as opened once they answered;
// - an app address (any scheme but http and https) counts as the app being installed and opened:
//   the kit then reports the launch to the server itself, as it does on a phone;
// - any other web address goes to the desktop's browser.
// Main thread only; completions run later on the main thread.
class DemoOpener final : public orvane::UrlOpener {
public:
    explicit DemoOpener(QUrl serverBase);

    void open(const QUrl& url, std::function<void(bool opened)> completion) override;

private:
    QUrl m_serverBase;
    QNetworkAccessManager m_browser;
};

} // namespace demo
