#include "participation/DeliveredRewards.h"

#include <QStringList>

#include "core/SettingsKeys.h"
#include "core/UserDefaults.h"

namespace orvane::deliveredRewards {

namespace {
QStringList stored() {
    return UserDefaults::standard().object(keys::kDeliveredRewards).toStringList();
}
} // namespace

bool remember(const QString& transactionId) {
    QStringList ids = stored();
    if (ids.contains(transactionId)) {
        return false;
    }
    ids.append(transactionId);
    if (ids.size() > kLimit) {
        ids.remove(0, ids.size() - kLimit);
    }
    UserDefaults::standard().set(keys::kDeliveredRewards, ids);
    return true;
}

} // namespace orvane::deliveredRewards
