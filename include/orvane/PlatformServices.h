#pragma once

#include <functional>
#include <memory>
#include <optional>

#include <orvane/orvane_export.h>

#include <QList>
#include <QString>
#include <QUrl>
#include <QUuid>

class QImage;
class QWidget;

namespace orvane {

/// @file
/// @brief Host-replaceable platform services.
///
/// Each service is one small interface with a desktop default; a host replaces one through
/// PlatformServices (tests install fakes). Install replacements on the main thread before the kit
/// uses them.

/// @brief Opens an address with the system: a landing page in the browser, an application by its
/// launch address.
///
/// Thread: open() is called on the main thread. Ownership: PlatformServices keeps an installed
/// opener until the process ends.
class ORVANE_EXPORT UrlOpener {
public:
    /// @brief Destroys the opener.
    virtual ~UrlOpener();
    /// @brief Opens `url`.
    /// @param url the address to open.
    /// @param completion called once, on the main thread, with whether the system could open it.
    virtual void open(const QUrl& url, std::function<void(bool opened)> completion) = 0;
};

/// @brief The tracking-consent prompt.
///
/// Thread: called on the main thread. Ownership: PlatformServices keeps an installed prompt until
/// the process ends.
class ORVANE_EXPORT TrackingConsent {
public:
    /// @brief The user's answer.
    enum Status {
        NotDetermined = 0, ///< not asked yet
        Restricted = 1,    ///< the system does not let the user allow tracking
        Denied = 2,        ///< the user refused
        Authorized = 3,    ///< the user allowed tracking
    };
    /// @brief Destroys the prompt.
    virtual ~TrackingConsent();
    /// @brief Asks the user, or answers the remembered status without asking.
    /// @param completion called once, on the main thread, with a Status value.
    virtual void requestAuthorization(std::function<void(int status)> completion) = 0;
    /// @brief Opens the host application's privacy page in the system settings (no result).
    virtual void openAppPrivacySettings() = 0;
};

/// @brief Device facts sent to the campaign server.
///
/// Thread: every call may come from any thread. Ownership: PlatformServices keeps installed facts
/// until the process ends.
class ORVANE_EXPORT DeviceInfo {
public:
    /// @brief Destroys the facts.
    virtual ~DeviceInfo();
    /// @brief The hardware identifier the system reports.
    /// @return for example "x86_64" or "iPhone12,8".
    virtual QString hardwareIdentifier() const = 0;
    /// @brief The mobile carrier of the current subscription.
    /// @return the carrier's name; none on a device without one.
    virtual std::optional<QString> carrierName() const = 0;
    /// @brief The operating system's product version.
    /// @return for example "12" or "17.2".
    virtual QString systemVersion() const = 0;
    /// @brief The advertising identifier.
    /// @return the identifier; all zeros when the platform has none or tracking is not allowed.
    virtual QUuid advertisingIdentifier() const = 0;
    /// @brief The vendor-scoped device identifier.
    /// @return the identifier, when the platform has one.
    virtual std::optional<QUuid> vendorIdentifier() const = 0;
};

/// @brief Lets the user pick images (photo library or camera) for an inquiry.
///
/// Thread: called on the main thread. Ownership: PlatformServices keeps an installed picker until
/// the process ends.
class ORVANE_EXPORT ImagePicker {
public:
    /// @brief Where the images come from.
    enum class Source {
        Library, ///< pictures already on the device
        Camera,  ///< a photo taken now
    };
    /// @brief Destroys the picker.
    virtual ~ImagePicker();
    /// @brief Lets the user pick up to `limit` images.
    /// @param parent the kit's screen to show a picker over; not owned.
    /// @param source where the images come from.
    /// @param limit the most images to return.
    /// @param completion called once, on the main thread, with the picked images (empty when the
    /// user cancelled).
    virtual void pick(QWidget* parent, Source source, int limit,
                      std::function<void(const QList<QImage>& images)> completion) = 0;
    /// @brief Whether Source::Camera can take a photo here.
    /// @return false by default, as on a desktop.
    virtual bool hasCamera() const { return false; }
};

/// @brief The services in force, and the way to replace them.
///
/// Each getter returns the installed service or the desktop default. The desktop consent prompt
/// and image picker appear once the kit's screens are in use (a Qt Quick offerwall brings its own
/// consent prompt, asked in its popup); before that, consent answers the remembered status and the
/// picker answers no image.
///
/// Thread: install on the main thread before the kit uses the service; the getters may be called
/// from any thread. Ownership: a replaced service is kept alive until the process ends, because
/// another thread may still hold it.
///
/// trackingConsent() forwards to the prompt in force and remembers each answer it gives: the
/// desktop device facts send the advertising identifier only while that answer is "authorized",
/// whichever prompt gave it.
class ORVANE_EXPORT PlatformServices final {
public:
    /// @brief The URL opener in force.
    /// @return the installed opener, or the desktop default.
    static UrlOpener& urlOpener();
    /// @brief The tracking-consent prompt in force.
    /// @return the installed prompt, or the desktop default.
    static TrackingConsent& trackingConsent();
    /// @brief The device facts in force.
    /// @return the installed facts, or the desktop default.
    static DeviceInfo& deviceInfo();
    /// @brief The image picker in force.
    /// @return the installed picker, or the desktop default.
    static ImagePicker& imagePicker();

    /// @brief Replaces the URL opener.
    /// @param opener the new opener, taken over by the kit; nullptr restores the desktop default.
    static void setUrlOpener(std::unique_ptr<UrlOpener> opener);
    /// @brief Replaces the tracking-consent prompt.
    /// @param consent the new prompt, taken over by the kit; nullptr restores the desktop default.
    static void setTrackingConsent(std::unique_ptr<TrackingConsent> consent);
    /// @brief Replaces the device facts. A host that replaces the consent prompt should replace
    /// these too.
    /// @param info the new facts, taken over by the kit; nullptr restores the desktop default.
    static void setDeviceInfo(std::unique_ptr<DeviceInfo> info);
    /// @brief Replaces the image picker.
    /// @param picker the new picker, taken over by the kit; nullptr restores the desktop default.
    static void setImagePicker(std::unique_ptr<ImagePicker> picker);
};

} // namespace orvane
