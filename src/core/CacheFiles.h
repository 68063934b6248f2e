#pragma once

#include <QString>

namespace orvane {

// The kit's own folder inside the platform cache location ("<cache>/orvane-offerwall"). Keeping
// the image store in a folder of its own means its clean-up can never touch the host's other
// cached files. The folder is not created here.
QString cacheDirectory();

} // namespace orvane
