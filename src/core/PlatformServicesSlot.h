#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

namespace orvane {

class ImagePicker;
class TrackingConsent;

} // namespace orvane

namespace orvane::detail {

// Makes `consent` and `picker` the defaults that PlatformServices answers when no replacement is
// installed. The widget layer installs its dialogs this way (installDesktopServices()); the
// services must live until the process ends.
void setWidgetDefaults(TrackingConsent& consent, ImagePicker& picker);
// Makes `consent` alone the default prompt: a front-end with a prompt but no picker of its own
// (Qt Quick) installs it this way. It must live until the process ends.
void setConsentDefault(TrackingConsent& consent);

// Whether an image picker was installed with PlatformServices::setImagePicker (a host's own, or a
// test's), as opposed to a default. A front-end without a default picker of its own (Qt Quick)
// offers a file dialog otherwise.
bool imagePickerInstalled();

// Holds the installed replacement of one platform service. Reads are lock-free; a replaced service
// is kept alive until the process ends, because another thread may still be inside one of its
// calls (device facts are read from the transport thread). Replacements are rare (host start-up,
// tests), so what is retained stays small.
template <typename T>
class ServiceSlot final {
public:
    // The installed service, or `fallback` when none is installed.
    T& get(T& fallback) const {
        T* current = m_current.load(std::memory_order_acquire);
        return current ? *current : fallback;
    }
    bool isSet() const { return m_current.load(std::memory_order_acquire) != nullptr; }

    void set(std::unique_ptr<T> service) {
        std::lock_guard lock(m_mutex);
        T* raw = service.get();
        if (service) {
            m_owned.push_back(std::move(service));
        }
        m_current.store(raw, std::memory_order_release);
    }

private:
    std::atomic<T*> m_current{nullptr};
    std::mutex m_mutex;
    std::vector<std::unique_ptr<T>> m_owned;
};

} // namespace orvane::detail
