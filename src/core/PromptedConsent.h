#pragma once

#include <functional>
#include <vector>

#include <QString>

#include "orvane/PlatformServices.h"

namespace orvane {

// A consent prompt that asks once and remembers the answer, as the mobile system prompt does:
// later requests answer the remembered status (kTrackingConsentStatusKey) without asking, and
// requests made while the question is up wait for the same answer. A front-end supplies the
// question (ask) and reports the user's choice (decide) or a prompt closed without one (dismiss).
// Main thread only.
class PromptedConsent : public TrackingConsent {
public:
    void requestAuthorization(std::function<void(int status)> completion) final;

    // The prompt's texts: the question (with the application's display name) and its
    // explanation, the settings page's, and the answers.
    static QString promptTitle();
    static QString promptMessage();
    static QString settingsTitle();
    static QString settingsMessage();
    static QString allowText();
    static QString denyText();
    // The remembered answer; "not determined" when none (or no valid one) is stored.
    static int rememberedStatus();

protected:
    // Shows the question. False when there is nowhere to show it (the front-end logs why): the
    // waiting requests are answered "not determined".
    virtual bool ask() = 0;

    // The user chose `status` (on the prompt or the settings page): it is remembered and answers
    // every waiting request.
    void decide(int status);
    // The prompt closed without a choice: the waiting requests are answered "not determined", and
    // the next request asks again.
    void dismiss() { flush(NotDetermined); }

private:
    void flush(int status);

    std::vector<std::function<void(int)>> m_waiting;
};

} // namespace orvane
