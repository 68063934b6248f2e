#pragma once

#include "core/Records.h"
#include "ui/TableView.h"

namespace orvane {

class Label;

// One row of the benefits history ("tvc_reward"): the campaign's name, the day the reward was
// credited ("yyyy-MM-dd") and the amount with its mark in the accent colour. Main thread only.
class RewardTableViewCell final : public TableViewCell {
    Q_OBJECT
public:
    static inline const QString kReuseIdentifier = QStringLiteral("tvc_reward");

    explicit RewardTableViewCell(QWidget* parent = nullptr);

    // Fills the row from `reward`. A date that is not "yyyyMMdd" is shown as it came; a missing
    // amount leaves the amount line with the mark only (or empty).
    void setItem(const RewardItem& reward, TableView& tableView, int row);

    Label* l_name;
    Label* l_date;
    Label* l_reward_price;
};

} // namespace orvane
