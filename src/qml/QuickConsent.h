#pragma once

namespace orvane {

// Makes the Qt Quick consent prompt the default of PlatformServices (a prompt the host installed
// still comes first). It asks in the offerwall's alert popup, through the participation flow's
// presenter, with the desktop prompt's texts; the settings page is the same popup with the
// settings texts and a cancel answer. With no offerwall on screen it answers "not determined" and
// logs why. Idempotent; the offerwall controller calls it when it takes the flow's alerts.
void installQuickConsent();

} // namespace orvane
