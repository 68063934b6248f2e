#include "core/CampDisplay.h"

#include "core/KitConstants.h"
#include "core/Localized.h"

namespace orvane {

QString campRewardText(const Camp& camp, const QLocale& locale) {
    const QString mark = camp.pricemark.value_or(QString()).trimmed();
    const QString text = CampListModel::summaryText(camp.rewardprice.value_or(0), mark, locale);
    return mark.isEmpty() ? text.trimmed() : text;
}

QString campPriceText(const Camp& camp, const QLocale& locale) {
    return locale.toString(camp.cpsdcprice.value_or(0)) + localized(QStringLiteral("ov_won"));
}

std::optional<QUrl> campImageUrl(const std::optional<QString>& address) {
    if (!address || address->trimmed().isEmpty()) {
        return std::nullopt;
    }
    const QUrl url(address->trimmed(), QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || (scheme != u"http" && scheme != u"https") || url.host().isEmpty()) {
        return std::nullopt;
    }
    return url;
}

CampListModel::Group campGroup(const Camp& camp) {
    return camp.bm.value_or(-1) == kPurchaseCampaignBm ? CampListModel::Group::Purchase
                                                       : CampListModel::Group::Standard;
}

CampListModel::Action campAction(const Camp& camp, CampParticipation participation) {
    if (campGroup(camp) == CampListModel::Group::Purchase) {
        return CampListModel::Action::Join;
    }
    if (camp.convflag == 1 || participation.keyHeld) {
        return CampListModel::Action::Accumulate;
    }
    return participation.checkPending ? CampListModel::Action::ParticipationCheck
                                      : CampListModel::Action::Join;
}

QString campActionTitle(const Camp& camp, CampListModel::Action action, const QLocale& locale) {
    if (campGroup(camp) == CampListModel::Group::Purchase) {
        return campRewardText(camp, locale);
    }
    switch (action) {
    case CampListModel::Action::Join:
        return camp.cta.value_or(QString());
    case CampListModel::Action::ParticipationCheck:
        return localized(QStringLiteral("ov_participation_check"));
    case CampListModel::Action::Accumulate:
        break;
    }
    return localized(QStringLiteral("ov_accumulate"));
}

} // namespace orvane
