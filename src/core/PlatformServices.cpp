#include "orvane/PlatformServices.h"

#include <QImage>
#include <QList>

#include "core/Device.h"
#include "core/Dispatch.h"
#include "core/Log.h"
#include "core/PlatformServicesSlot.h"
#include "core/PromptedConsent.h"
#include "core/UserDefaults.h"

// Every service slot of PlatformServices. The desktop consent prompt and image picker need widgets:
// the widget layer registers them as defaults (detail::setWidgetDefaults), the Qt Quick front-end
// its own consent prompt (detail::setConsentDefault); until one does, the headless defaults below
// answer.

namespace orvane {

UrlOpener::~UrlOpener() = default;
TrackingConsent::~TrackingConsent() = default;
DeviceInfo::~DeviceInfo() = default;
ImagePicker::~ImagePicker() = default;

namespace {

// Answers the remembered consent status without asking: there is nothing to ask with.
class HeadlessTrackingConsent final : public TrackingConsent {
public:
    void requestAuthorization(std::function<void(int status)> completion) override {
        const int status = PromptedConsent::rememberedStatus();
        if (status == NotDetermined)
            Log::info("TrackingConsent requestAuthorization : no consent prompt, not asked");
        if (completion)
            dispatch::toMain([completion = std::move(completion), status] { completion(status); });
    }

    void openAppPrivacySettings() override {
        Log::error("TrackingConsent openAppPrivacySettings : no settings page to open");
    }
};

// Picks nothing: there is no picker to show.
class HeadlessImagePicker final : public ImagePicker {
public:
    void pick(QWidget*, Source, int,
              std::function<void(const QList<QImage>& images)> completion) override {
        Log::info("ImagePicker pick : no image picker, nothing picked");
        if (completion)
            dispatch::toMain([completion = std::move(completion)] { completion({}); });
    }
};

detail::ServiceSlot<UrlOpener> g_urlOpener;
detail::ServiceSlot<DeviceInfo> g_deviceInfo;
detail::ServiceSlot<TrackingConsent> g_trackingConsent;
detail::ServiceSlot<ImagePicker> g_imagePicker;
std::atomic<TrackingConsent*> g_consentDefault{nullptr};
std::atomic<ImagePicker*> g_pickerDefault{nullptr};

TrackingConsent& installedConsent() {
    static HeadlessTrackingConsent headless;
    TrackingConsent* fallback = g_consentDefault.load(std::memory_order_acquire);
    return g_trackingConsent.get(fallback ? *fallback : headless);
}

// Forwards to the prompt in force and remembers every answer it gives, where the desktop device
// facts read it: the answer of a host's own prompt counts as the desktop prompt's does.
class RememberingConsent final : public TrackingConsent {
public:
    void requestAuthorization(std::function<void(int status)> completion) override {
        installedConsent().requestAuthorization([completion = std::move(completion)](int status) {
            remember(status);
            if (completion)
                completion(status);
        });
    }

    void openAppPrivacySettings() override { installedConsent().openAppPrivacySettings(); }

private:
    static void remember(int status) {
        if (status < NotDetermined || status > Authorized) {
            Log::error("TrackingConsent an answer that is no status, not remembered :", status);
            return;
        }
        UserDefaults& defaults = UserDefaults::standard();
        if (defaults.integer(kTrackingConsentStatusKey) != status) // absent reads as 0
            defaults.set(kTrackingConsentStatusKey, status);
    }
};

} // namespace

void detail::setWidgetDefaults(TrackingConsent& consent, ImagePicker& picker) {
    g_consentDefault.store(&consent, std::memory_order_release);
    g_pickerDefault.store(&picker, std::memory_order_release);
}

void detail::setConsentDefault(TrackingConsent& consent) {
    g_consentDefault.store(&consent, std::memory_order_release);
}

bool detail::imagePickerInstalled() {
    return g_imagePicker.isSet();
}

UrlOpener& PlatformServices::urlOpener() {
    static DesktopUrlOpener fallback;
    return g_urlOpener.get(fallback);
}

DeviceInfo& PlatformServices::deviceInfo() {
    static DesktopDeviceInfo fallback;
    return g_deviceInfo.get(fallback);
}

TrackingConsent& PlatformServices::trackingConsent() {
    static RememberingConsent remembering;
    return remembering;
}

ImagePicker& PlatformServices::imagePicker() {
    static HeadlessImagePicker headless;
    ImagePicker* fallback = g_pickerDefault.load(std::memory_order_acquire);
    return g_imagePicker.get(fallback ? *fallback : headless);
}

void PlatformServices::setUrlOpener(std::unique_ptr<UrlOpener> opener) {
    g_urlOpener.set(std::move(opener));
}

void PlatformServices::setDeviceInfo(std::unique_ptr<DeviceInfo> info) {
    g_deviceInfo.set(std::move(info));
}

void PlatformServices::setTrackingConsent(std::unique_ptr<TrackingConsent> consent) {
    g_trackingConsent.set(std::move(consent));
}

void PlatformServices::setImagePicker(std::unique_ptr<ImagePicker> picker) {
    g_imagePicker.set(std::move(picker));
}

} // namespace orvane
