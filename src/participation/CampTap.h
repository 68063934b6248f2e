#pragma once

#include <functional>
#include <optional>

#include <QString>

#include "core/CampListModel.h"
#include "core/Records.h"
#include "participation/JoinProtocol.h"

namespace orvane {

// What a tap on a campaign's action does, on a list row, a carousel card or the detail page, in
// every front-end: join (or open the campaign's detail page, where campaigns are listed), the
// participation check, or the reward claim.
struct CampTap {
    // The action the screen offers for the campaign (campAction, or the state of its button).
    CampListModel::Action action = CampListModel::Action::Join;
    // The listener of a join: the row or page that shows the campaign (a QObject too, see
    // JoinProtocol); null for none.
    JoinProtocol* listener = nullptr;
    // The reward key the screen received for the campaign (a listener call, or the one the flow
    // holds). The campaign's own key, when the list carries a non-empty one, comes first.
    std::optional<QString> receivedKey;
    // Opens the campaign's detail page. Screens that list campaigns set it: a join tap on a
    // campaign with a detail page (`detailpage` 1) calls it instead of joining. The detail page
    // leaves it empty and joins.
    std::function<void()> openDetail;
};

// Runs `tap` for `camp` through ApiJoin::shared(). A claim without any key has nothing to send:
// the list may be stale, so it is logged and "action_list_change" is posted instead. `screen`
// names the caller in the log. True when a join was asked for (the listener may hear from the
// flow later, never before this returns). Main thread only.
bool runCampTap(const Camp& camp, const CampTap& tap, const char* screen);

} // namespace orvane
