#pragma once

#include <functional>

#include <QList>
#include <QString>

namespace orvane {

// How the participation flow speaks to the user, whatever draws the screens: the flow decides what
// to say and what each answer does, a front-end shows it. The consent prompt itself is a platform
// service (TrackingConsent); what the flow says when consent is missing is an alert like any other.
// Main thread only.
class JoinPresenter {
public:
    // One answer of an alert: its title, and what choosing it does (nothing when empty).
    struct Action {
        QString title;
        std::function<void()> handler;
    };

    virtual ~JoinPresenter() = default;

    // Shows `message` under `title` with `actions` in order; choosing one closes the alert and
    // then runs its handler. False when there is nowhere to show it: the alert is dropped.
    virtual bool alert(const QString& title, const QString& message, QList<Action> actions) = 0;
};

} // namespace orvane
