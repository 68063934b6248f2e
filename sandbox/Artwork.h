#pragma once

#include <QByteArray>

namespace orvane::sandbox {

enum class ArtworkKind {
    Icon,   // 128 x 128
    Banner, // 600 x 300
    Detail, // 600 x 900
};

// A PNG picture for a campaign, drawn with shapes only (no fonts needed): a colour of its own,
// a motif and the campaign id in segment digits. The same id always gives the same picture.
QByteArray campaignArtwork(qint64 campid, ArtworkKind kind);

} // namespace orvane::sandbox
