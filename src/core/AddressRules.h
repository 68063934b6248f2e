#pragma once

#include <QUrl>

// Which addresses from a server the kit fetches or hands to the system. On a desktop the system
// opens whatever it is given (a local file, a script, inline content), so the kit checks first.
namespace orvane::address {

// An http or https address with a host: the only kind the kit downloads images from, follows
// redirects to, and opens as a landing page.
bool isWeb(const QUrl& url);

// An app launch address: one with a scheme, which must not name local or inline content or run
// script ("file", "data", "javascript"). Without a scheme the system would take the address for a
// local path.
bool isLaunchable(const QUrl& url);

// The scheme as a log line may show it: never the rest of the address, which can carry the user's
// identifiers. "(none)" when there is none.
QString schemeForLog(const QUrl& url);

} // namespace orvane::address
