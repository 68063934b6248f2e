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

// Host-replaceable platform services. Each is one small interface with a desktop default; tests
// install fakes. Install replacements on the main thread before the kit uses them.

// Opens an address with the system (a landing page in the browser, an application by its launch
// address). The completion reports whether the system could open it; it runs on the main thread.
class ORVANE_EXPORT UrlOpener {
public:
    virtual ~UrlOpener();
    virtual void open(const QUrl& url, std::function<void(bool opened)> completion) = 0;
};

// The tracking-consent prompt. Status values: 0 not determined, 1 restricted, 2 denied,
// 3 authorized. The completion runs on the main thread.
class ORVANE_EXPORT TrackingConsent {
public:
    enum Status { NotDetermined = 0, Restricted = 1, Denied = 2, Authorized = 3 };
    virtual ~TrackingConsent();
    virtual void requestAuthorization(std::function<void(int status)> completion) = 0;
    // Opens the host application's privacy page in the system settings (no result).
    virtual void openAppPrivacySettings() = 0;
};

// Device facts sent to the campaign server. Callable from any thread.
class ORVANE_EXPORT DeviceInfo {
public:
    virtual ~DeviceInfo();
    // The hardware identifier the system reports ("x86_64", "iPhone12,8", ...).
    virtual QString hardwareIdentifier() const = 0;
    // The mobile carrier of the current subscription; none on a device without one.
    virtual std::optional<QString> carrierName() const = 0;
    // The operating system's product version ("12", "17.2").
    virtual QString systemVersion() const = 0;
    // The advertising identifier (all zeros when the platform has none).
    virtual QUuid advertisingIdentifier() const = 0;
    // The vendor-scoped device identifier, when the platform has one.
    virtual std::optional<QUuid> vendorIdentifier() const = 0;
};

// Lets the user pick an image (photo library or camera). The completion runs on the main thread
// with the picked images, empty when cancelled.
class ORVANE_EXPORT ImagePicker {
public:
    enum class Source { Library, Camera };
    virtual ~ImagePicker();
    virtual void pick(QWidget* parent, Source source, int limit,
                      std::function<void(const QList<QImage>& images)> completion) = 0;
    // Whether Source::Camera can take a photo here (none by default, as on a desktop).
    virtual bool hasCamera() const { return false; }
};

// The services in force. Each getter returns the installed service or the desktop default (the
// consent prompt and the image picker of the desktop appear once the kit's screens are in use;
// before that, consent answers the remembered status and the picker answers no image).
// trackingConsent() forwards to the prompt in force and remembers each answer it gives: the
// desktop device facts send the advertising identifier only while that answer is "authorized",
// whichever prompt gave it.
class ORVANE_EXPORT PlatformServices final {
public:
    static UrlOpener& urlOpener();
    static TrackingConsent& trackingConsent();
    static DeviceInfo& deviceInfo();
    static ImagePicker& imagePicker();

    // Replace a service; passing nullptr restores the desktop default.
    static void setUrlOpener(std::unique_ptr<UrlOpener> opener);
    static void setTrackingConsent(std::unique_ptr<TrackingConsent> consent);
    static void setDeviceInfo(std::unique_ptr<DeviceInfo> info);
    static void setImagePicker(std::unique_ptr<ImagePicker> picker);
};

} // namespace orvane
