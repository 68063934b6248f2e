#include "qml/QuickConsent.h"

#include <functional>
#include <memory>

#include "core/Localized.h"
#include "core/Log.h"
#include "core/PlatformServicesSlot.h"
#include "core/PromptedConsent.h"
#include "participation/ApiJoin.h"

namespace orvane {

namespace {

// Runs `run` when the last copy of its owner goes: a question whose answers were dropped unchosen
// (the offerwall closed while it waited) still ends.
struct OnRelease {
    std::function<void()> run;
    ~OnRelease() { run(); }
};

class QuickConsent final : public PromptedConsent {
public:
    void openAppPrivacySettings() override {
        if (m_settingsShown) {
            return;
        }
        auto shown = std::make_shared<OnRelease>([this] { m_settingsShown = false; });
        m_settingsShown = show(settingsTitle(), settingsMessage(), true, std::move(shown));
        if (!m_settingsShown) {
            Log::error("TrackingConsent openAppPrivacySettings : no offerwall on screen");
        }
    }

private:
    bool ask() override {
        auto open = std::make_shared<OnRelease>([this] { dismiss(); });
        if (!show(promptTitle(), promptMessage(), false, std::move(open))) {
            Log::error("TrackingConsent requestAuthorization : no offerwall on screen, not asked");
            return false;
        }
        return true;
    }

    // Queues the question on the offerwall the flow's alerts go to; false when there is none.
    bool show(const QString& title, const QString& message, bool cancellable,
              std::shared_ptr<OnRelease> open) {
        JoinPresenter* presenter = ApiJoin::shared().presenter();
        if (!presenter) {
            return false;
        }
        QList<JoinPresenter::Action> actions{{denyText(), [this, open] { decide(Denied); }},
                                             {allowText(), [this, open] { decide(Authorized); }}};
        if (cancellable) {
            actions.append({localized(QStringLiteral("ov_cancel")), [open] {}});
        }
        return presenter->alert(title, message, std::move(actions));
    }

    bool m_settingsShown = false;
};

} // namespace

void installQuickConsent() {
    static QuickConsent consent;
    detail::setConsentDefault(consent);
}

} // namespace orvane
