#include "sdk/CacheFiles.h"

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

QUrl cacheFileUrl(const QString& name) {
    return QUrl::fromLocalFile(cacheDirectory() + QLatin1Char('/') + name);
}

} // namespace orvane
