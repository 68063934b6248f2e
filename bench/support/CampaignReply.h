#pragma once

#include <QByteArray>
#include <QString>

namespace orvane::bench {

// A campaign list reply (compact JSON) like a large real one: `regular` campaigns with every text,
// address and amount filled, a tenth with convflag 1, half with a native image, then `house`
// campaigns pinned at rows spread over the list. `imageBase` starts the image addresses.
// Deterministic: the same arguments give the same bytes.
QByteArray campaignListReply(int regular, int house = 0,
                             const QString& imageBase = QStringLiteral("http://127.0.0.1:9"));

} // namespace orvane::bench
