#include "core/CacheFiles.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace orvane {

namespace {
constexpr mode_t kPrivate = S_IRWXU;

// Sets mode 0700 on the folder `seen` describes, through a descriptor that cannot follow a link
// put in its place since.
bool closeToOthers(const QByteArray& path, const struct stat& seen) {
    const int fd = ::open(path.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    struct stat now {};
    const bool same = ::fstat(fd, &now) == 0 && now.st_dev == seen.st_dev &&
                      now.st_ino == seen.st_ino && now.st_uid == ::geteuid();
    const bool closed = same && ::fchmod(fd, kPrivate) == 0;
    ::close(fd);
    return closed;
}
} // namespace

QString cacheDirectory() {
    return cacheDirectoryFor(QStandardPaths::writableLocation(QStandardPaths::CacheLocation));
}

QString cacheDirectoryFor(const QString& base) {
    if (base.isEmpty()) {
        // The temporary folder is shared by every user: a name of our own, checked before use.
        return QDir(QDir::tempPath())
            .filePath(QStringLiteral("orvane-offerwall-%1").arg(::geteuid()));
    }
    return QDir(base).filePath(QStringLiteral("orvane-offerwall"));
}

QString checkCacheDirectory(const QString& folder, bool create) {
    const QByteArray path = QFile::encodeName(folder);
    if (create) {
        QDir().mkpath(QFileInfo(folder).absolutePath()); // a failure shows as a failed mkdir
        if (::mkdir(path.constData(), kPrivate) != 0 && errno != EEXIST) {
            return QStringLiteral("cannot create it: %1")
                .arg(QString::fromLocal8Bit(std::strerror(errno)));
        }
    }
    struct stat info {};
    if (::lstat(path.constData(), &info) != 0) {
        return errno == ENOENT ? QStringLiteral("missing")
                               : QString::fromLocal8Bit(std::strerror(errno));
    }
    if (S_ISLNK(info.st_mode)) {
        return QStringLiteral("it is a symbolic link");
    }
    if (!S_ISDIR(info.st_mode)) {
        return QStringLiteral("it is not a folder");
    }
    if (info.st_uid != ::geteuid()) {
        return QStringLiteral("it belongs to another user (uid %1)").arg(info.st_uid);
    }
    if ((info.st_mode & (S_IRWXG | S_IRWXO)) != 0 && !closeToOthers(path, info)) {
        return QStringLiteral("others may use it and it cannot be closed to them");
    }
    return {};
}

} // namespace orvane
