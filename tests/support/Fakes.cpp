#include "support/Fakes.h"

#include "core/Dispatch.h"
#include "ui/PlatformServicesUi.h"

namespace orvane::test {

namespace {
// Puts a new `Fake` in force through `set` and returns it.
template <typename Fake, typename Base>
Fake& install(void (*set)(std::unique_ptr<Base>)) {
    auto fake = std::make_unique<Fake>();
    Fake& ref = *fake;
    set(std::move(fake));
    return ref;
}
} // namespace

FakeUrlOpener& FakeUrlOpener::install() {
    return test::install<FakeUrlOpener>(&PlatformServices::setUrlOpener);
}

FakeConsent& FakeConsent::install() {
    return test::install<FakeConsent>(&PlatformServices::setTrackingConsent);
}

FakeDeviceInfo& FakeDeviceInfo::install() {
    return test::install<FakeDeviceInfo>(&PlatformServices::setDeviceInfo);
}

FakeImagePicker& FakeImagePicker::install() {
    return test::install<FakeImagePicker>(&PlatformServices::setImagePicker);
}

void FakeUrlOpener::open(const QUrl& url, std::function<void(bool opened)> completion) {
    opened << url;
    if (onOpen)
        onOpen(url);
    if (completion)
        dispatch::toMain([completion = std::move(completion), ok = result] { completion(ok); });
}

void FakeConsent::requestAuthorization(std::function<void(int status)> completion) {
    ++requests;
    if (completion)
        dispatch::toMain([completion = std::move(completion), s = status] { completion(s); });
}

void FakeImagePicker::pick(QWidget*, Source, int limit,
                           std::function<void(const QList<QImage>& images)> completion) {
    ++picks;
    lastLimit = limit;
    if (completion)
        dispatch::toMain([completion = std::move(completion),
                          answer = images.mid(0, std::max(limit, 0))] { completion(answer); });
}

void restoreDefaultServices() {
    installDesktopServices();
    PlatformServices::setUrlOpener(nullptr);
    PlatformServices::setTrackingConsent(nullptr);
    PlatformServices::setDeviceInfo(nullptr);
    PlatformServices::setImagePicker(nullptr);
}

} // namespace orvane::test
