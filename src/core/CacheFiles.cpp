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

QUrl cacheFileUrl(const QString& name) {
    // One path component, always inside the folder: a separator or a dot name in `name` must not
    // lead the image store's writes and clean-up anywhere else.
    QString component = name;
    component.replace(QLatin1Char('/'), QStringLiteral("%2F"));
    if (component == QLatin1String(".") || component == QLatin1String("..")) {
        component.replace(QLatin1Char('.'), QStringLiteral("%2E"));
    }
    return QUrl::fromLocalFile(cacheDirectory() + QLatin1Char('/') + component);
}

} // namespace orvane
