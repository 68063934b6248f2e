#pragma once

#include <QString>

// Keys of the settings the facade writes into the key-value store and the rest of the kit reads.
namespace orvane::keys {
inline const QString kMkey = QStringLiteral("STANDARD_MKEY");
inline const QString kMckey = QStringLiteral("STANDARD_MCKEY");
inline const QString kUserId = QStringLiteral("STANDARD_USER_ID");
inline const QString kTrackingUsage = QStringLiteral("STANDARD_TRACKING_USAGE");
inline const QString kAge = QStringLiteral("STANDARD_AGE");
inline const QString kGender = QStringLiteral("STANDARD_GENDER");
inline const QString kMainTitle = QStringLiteral("STANDARD_MAIN_TITLE");
inline const QString kListType = QStringLiteral("STANDARD_LIST_TYPE");
inline const QString kBenefitsDisplayType = QStringLiteral("STANDARD_BENEFITS_DISPLAY_TYPE");
inline const QString kCopyrightVisibility = QStringLiteral("STANDARD_COPYRIGHT_VISIBILITY");
inline const QString kLastCleanup = QStringLiteral("lastCleanup");
// The bound of the image cache's disk level in bytes (absent: ImageCache::kDefaultDiskLimit).
inline const QString kImageCacheLimit = QStringLiteral("STANDARD_IMAGE_CACHE_LIMIT");
// The host's users are children: no advertising or vendor identifier is sent.
inline const QString kChildDirected = QStringLiteral("STANDARD_CHILD_DIRECTED");
// The transaction ids of the rewards last reported to the host, oldest first (a string list).
inline const QString kDeliveredRewards = QStringLiteral("ORVANE_DELIVERED_REWARDS");
} // namespace orvane::keys
