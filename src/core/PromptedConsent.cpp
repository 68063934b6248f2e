#include "core/PromptedConsent.h"

#include <QGuiApplication>

#include "core/Device.h"
#include "core/Dispatch.h"
#include "core/Localized.h"
#include "core/UserDefaults.h"

namespace orvane {

namespace {

void answer(std::function<void(int)> completion, int status) {
    if (completion) {
        dispatch::toMain([completion = std::move(completion), status] { completion(status); });
    }
}

} // namespace

int PromptedConsent::rememberedStatus() {
    const qint64 value = UserDefaults::standard().integer(kTrackingConsentStatusKey);
    return value >= NotDetermined && value <= Authorized ? static_cast<int>(value) : NotDetermined;
}

void PromptedConsent::requestAuthorization(std::function<void(int status)> completion) {
    const int remembered = rememberedStatus();
    if (remembered != NotDetermined) {
        answer(std::move(completion), remembered);
        return;
    }
    m_waiting.push_back(std::move(completion));
    if (m_waiting.size() == 1 && !ask()) {
        flush(NotDetermined);
    }
}

void PromptedConsent::decide(int status) {
    UserDefaults::standard().set(kTrackingConsentStatusKey, status);
    flush(status);
}

void PromptedConsent::flush(int status) {
    std::vector<std::function<void(int)>> waiting;
    waiting.swap(m_waiting);
    for (auto& completion : waiting) {
        answer(std::move(completion), status);
    }
}

// A translation may leave out the application's name, so no QString::arg here.
QString PromptedConsent::promptTitle() {
    return localized(QStringLiteral("ov_tracking_prompt_title"))
        .replace(QStringLiteral("%1"), QGuiApplication::applicationDisplayName());
}

QString PromptedConsent::promptMessage() {
    return localized(QStringLiteral("ov_tracking_prompt_message"));
}

QString PromptedConsent::settingsTitle() {
    return localized(QStringLiteral("ov_tracking_settings_title"));
}

QString PromptedConsent::settingsMessage() {
    return localized(QStringLiteral("ov_tracking_settings_message"));
}

QString PromptedConsent::allowText() {
    return localized(QStringLiteral("ov_tracking_allow"));
}

QString PromptedConsent::denyText() {
    return localized(QStringLiteral("ov_tracking_deny"));
}

} // namespace orvane
