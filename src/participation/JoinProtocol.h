#pragma once

#include <QString>
#include <QtGlobal>

namespace orvane {

// The listener a screen hands to ApiJoin::startJoin. Calls arrive on the main thread.
//
// A listener must also be a QObject (a screen or row that inherits both): ApiJoin keeps it through
// a QPointer, so a destroyed listener simply reads as "none" and is never called.
class JoinProtocol {
public:
    virtual ~JoinProtocol() = default;

    // A join succeeded and the user may later confirm participation: offer the participation-check
    // action, which calls ApiJoin::flowParticipation.
    virtual void onParticipationCheckPossible() = 0;

    // Polling found the reward of a reward-type-1 campaign ready: keep `orvkey` and offer the
    // accumulate action, which calls ApiJoin::apiReward(campid, orvkey).
    virtual void onAccumulationPossible(qint64 campid, const QString& orvkey) = 0;
};

} // namespace orvane
