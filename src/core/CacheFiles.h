#pragma once

#include <QString>

namespace orvane {

// The kit's own folder inside the platform cache location ("<cache>/orvane-offerwall"). Keeping
// the image store in a folder of its own means its clean-up can never touch the host's other
// cached files. Without a cache location the folder is a per-user one in the temporary folder
// ("<tmp>/orvane-offerwall-<uid>"), never a name every user of the machine shares. The folder is
// not created here.
QString cacheDirectory();
// The folder cacheDirectory() picks for the platform cache location `base` (empty: none).
QString cacheDirectoryFor(const QString& base);

// Whether the store may read and write through `folder`, which must be a directory of the current
// user and not a symbolic link: a link there could send the store's files, and its clean-up, to a
// folder of someone else's choosing. With `create`, a missing folder is made (mode 0700, its
// parents as needed). An existing folder of ours that others may read is closed to them (0700).
// Returns an empty text when the folder is usable, otherwise why not ("missing" when it does not
// exist and `create` is false). Callable from any thread.
QString checkCacheDirectory(const QString& folder, bool create);

} // namespace orvane
