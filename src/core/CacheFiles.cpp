#include "core/CacheFiles.h"

#include <QDir>
#include <QStandardPaths>

namespace orvane {

QString cacheDirectory() {
    QString base = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
    if (base.isEmpty()) {
        base = QDir::tempPath();
    }
    return QDir(base).filePath(QStringLiteral("orvane-offerwall"));
}

} // namespace orvane
