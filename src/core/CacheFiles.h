#pragma once

#include <QString>
#include <QUrl>

namespace orvane {

// The kit's own folder inside the platform cache location ("<cache>/orvane-offerwall"). Keeping
// the image store in a folder of its own means its clean-up can never touch the host's other
// cached files. The folder is not created here.
QString cacheDirectory();

// The file behind a cache entry: `name` appended as one path component to cacheDirectory(). A "/"
// in `name` is written as "%2F" and the names "." and ".." are escaped the same way, so the file is
// always directly inside the folder.
QUrl cacheFileUrl(const QString& name);

} // namespace orvane
