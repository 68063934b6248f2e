#include "orvane/PlatformServices.h"

#include "core/Device.h"
#include "core/PlatformServicesSlot.h"

// The services that need no widgets. The tracking-consent prompt and the image picker live in
// PlatformServicesUi.cpp, compiled into OrvaneOfferwall.

namespace orvane {

namespace {
detail::ServiceSlot<UrlOpener> g_urlOpener;
detail::ServiceSlot<DeviceInfo> g_deviceInfo;
} // namespace

UrlOpener& PlatformServices::urlOpener() {
    static DesktopUrlOpener fallback;
    return g_urlOpener.get(fallback);
}

DeviceInfo& PlatformServices::deviceInfo() {
    static DesktopDeviceInfo fallback;
    return g_deviceInfo.get(fallback);
}

void PlatformServices::setUrlOpener(std::unique_ptr<UrlOpener> opener) {
    g_urlOpener.set(std::move(opener));
}

void PlatformServices::setDeviceInfo(std::unique_ptr<DeviceInfo> info) {
    g_deviceInfo.set(std::move(info));
}

} // namespace orvane
