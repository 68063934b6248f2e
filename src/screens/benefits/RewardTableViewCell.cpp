#include "screens/benefits/RewardTableViewCell.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

#include "core/RewardHistory.h"
#include "core/StyledText.h"
#include "ui/Label.h"
#include "ui/Theme.h"

namespace orvane {

RewardTableViewCell::RewardTableViewCell(QWidget* parent)
    : TableViewCell(parent)
    , l_name(new Label(this))
    , l_date(new Label(this))
    , l_reward_price(new Label(this)) {
    l_name->setObjectName(QStringLiteral("l_name"));
    l_date->setObjectName(QStringLiteral("l_date"));
    l_reward_price->setObjectName(QStringLiteral("l_reward_price"));

    l_name->setFont(ui::font(ui::kBodyFontSize + 1, QFont::DemiBold));
    l_date->setFont(ui::font(ui::kSmallFontSize));
    l_date->setTextColor(ui::secondaryTextColor());
    // Inside a table's viewport a label draws with the Text role unless told otherwise.
    l_date->setForegroundRole(QPalette::WindowText);
    l_reward_price->setWordWrap(false);
    l_reward_price->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    auto* texts = new QVBoxLayout;
    texts->setSpacing(4);
    texts->addWidget(l_name);
    texts->addWidget(l_date);

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(16, 14, 16, 14); // the header's and the separators' inset
    row->setSpacing(12);
    row->addLayout(texts, 1);
    row->addWidget(l_reward_price, 0, Qt::AlignVCenter);
}

void RewardTableViewCell::setItem(const RewardItem& reward, TableView&, int) {
    l_name->setPlainText(reward.name.value_or(QString()));
    l_date->setPlainText(rewardDisplayDate(reward.rewarddate.value_or(QString())));
    StyledText price =
        StyledText::fromPlainText(rewardAmountText(reward.rewardprice, reward.rewardmark));
    price.setColor(ui::accentColor());
    price.setFont(ui::boldFont(14));
    l_reward_price->setRichText(price.toHtml());
}

} // namespace orvane
