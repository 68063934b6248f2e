#include "participation/CampTap.h"

#include "core/Log.h"
#include "core/NotificationCenter.h"
#include "participation/ApiJoin.h"

namespace orvane {

bool runCampTap(const Camp& camp, const CampTap& tap, const char* screen) {
    ApiJoin& flow = ApiJoin::shared();
    switch (tap.action) {
    case CampListModel::Action::Join:
        if (camp.detailpage == 1 && tap.openDetail) {
            tap.openDetail();
            return false;
        }
        flow.startJoin(camp, tap.listener);
        return true;
    case CampListModel::Action::ParticipationCheck:
        flow.flowParticipation(camp);
        return false;
    case CampListModel::Action::Accumulate: {
        // An empty key in the campaign is no key: the one received stands.
        const bool campKey = camp.orvkey && !camp.orvkey->isEmpty();
        const std::optional<QString> key = campKey ? camp.orvkey : tap.receivedKey;
        if (!key || key->isEmpty()) {
            Log::error(QString::fromUtf8(screen) +
                           QStringLiteral(" clickAccumulation: no reward key for campaign"),
                       camp.campid, "- refreshing the list");
            NotificationCenter::defaultCenter().post(kActionListChange);
            return false;
        }
        flow.apiReward(camp, *key);
        return false;
    }
    }
    return false;
}

} // namespace orvane
