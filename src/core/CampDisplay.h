#pragma once

#include <optional>

#include <QLocale>
#include <QString>
#include <QUrl>

#include "core/CampListModel.h"
#include "core/Records.h"

namespace orvane {

// What a campaign row shows, in words and addresses, for every front-end: no widgets, no fonts,
// any thread (the texts are read from the kit's tables).

// The campaign's reward in the locale's decimal style (grouping, at most three fraction digits),
// one space and the price mark: 1500 and "P" give "1,500 P" in English. Without a mark, the
// amount alone.
QString campRewardText(const Camp& camp, const QLocale& locale = QLocale());

// The price line of a purchase campaign: `cpsdcprice` in the locale's decimal style followed at
// once by the text of "ov_won".
QString campPriceText(const Camp& camp, const QLocale& locale = QLocale());

// The address of a campaign image when it is one the image cache can fetch: an absolute http or
// https URL with a host. Anything else (absent, empty, relative, another scheme, unparsable) gives
// nothing, and the caller shows the placeholder.
std::optional<QUrl> campImageUrl(const std::optional<QString>& address);

// The group a campaign is listed in: purchase for `bm` 4, standard for anything else.
CampListModel::Group campGroup(const Camp& camp);

// The action a row offers for `camp`. A purchase campaign has one action, join. A standard one
// offers accumulate when the server marks it converted (`convflag` 1) or a reward key is held for
// it, else the participation check while one waits for it, else join.
CampListModel::Action campAction(const Camp& camp, CampParticipation participation);

// The title of `action` on the row of `camp`: the reward text for a purchase campaign; for a
// standard one the campaign's `cta` to join (empty when it has none), "ov_participation_check" or
// "ov_accumulate".
QString campActionTitle(const Camp& camp, CampListModel::Action action,
                        const QLocale& locale = QLocale());

} // namespace orvane
