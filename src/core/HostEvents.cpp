#include "core/HostEvents.h"

namespace orvane {

HostEvents& HostEvents::shared() {
    // Never destroyed: the facade's connections to it last as long as the process.
    static HostEvents* instance = new HostEvents;
    return *instance;
}

} // namespace orvane
