#include "orvane/PlatformServices.h"
#include "core/Util.h"

namespace orvane {

// On the desktop the application's privacy page is the consent service's own settings dialog; a
// host that runs on a system with a real settings page installs a consent service that opens it.
void Util::gotoAppPrivacySettings() {
    PlatformServices::trackingConsent().openAppPrivacySettings();
}

} // namespace orvane
