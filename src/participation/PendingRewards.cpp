#include "participation/PendingRewards.h"

namespace orvane {

std::optional<QString> PendingRewards::key(qint64 campid) const {
    const auto it = m_keys.constFind(campid);
    return it == m_keys.constEnd() ? std::nullopt : std::optional<QString>(it.value());
}

bool PendingRewards::begin(Call call, qint64 campid) {
    const QPair<int, qint64> entry(int(call), campid);
    if (m_inFlight.contains(entry)) {
        return false;
    }
    m_inFlight.insert(entry);
    return true;
}

void PendingRewards::clear() {
    m_keys.clear();
    m_inFlight.clear();
    m_rewarded.clear();
}

} // namespace orvane
