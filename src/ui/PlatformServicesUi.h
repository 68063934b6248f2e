#pragma once

namespace orvane {

// Makes the desktop tracking-consent dialog and the file-dialog image picker the defaults of
// PlatformServices (the core's own defaults show nothing). Idempotent. The facade, the
// participation coordinator and the inquiry form call it, so a host that uses the screens gets
// the dialogs without asking for them.
void installDesktopServices();

} // namespace orvane
