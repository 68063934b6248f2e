#pragma once

#include <QtGlobal>

namespace orvane {

// Values that the core and the screens share. The host-facing ones are repeated as the facade's
// Orvane::TYPE_* constants, which Orvane.cpp checks against these.

// List layouts (the list-type setting): native ad image rows, or icon rows.
inline constexpr int kListTypeNative = 1;
inline constexpr int kListTypeIcon = 2;

// Where the rewards on offer show (the benefits-display setting): a popup, or atop the list.
inline constexpr int kBenefitsDisplayPopup = 0;
inline constexpr int kBenefitsDisplayListTop = 1;

// The business model (`bm`) of a purchase campaign.
inline constexpr qint64 kPurchaseCampaignBm = 4;

} // namespace orvane
