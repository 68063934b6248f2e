#include "screens/offerwall/CampCellLayout.h"

#include "core/ImageCache.h"
#include "screens/offerwall/CampCellCommon.h"
#include "ui/ImageView.h"
#include "ui/ImageViewBinding.h"
#include "ui/Label.h"
#include "ui/Theme.h"

namespace orvane::campcell {

void setupIcon(ImageView* icon) {
    icon->setObjectName(QStringLiteral("iv_icon"));
    icon->setFixedSize(kIconSide, kIconSide);
    icon->setContentMode(ContentMode::AspectFill);
    icon->setBackgroundColor(kImageBackground);
}

void setupTitle(Label* title) {
    title->setObjectName(QStringLiteral("l_title"));
    title->setFontSize(kTitleFontSize, QFont::Bold);
    title->setTextColor(QColor(28, 28, 30));
}

void setupPillLabel(Label* label) {
    label->setWordWrap(false);
    label->setAlignment(Qt::AlignCenter);
    label->setFontSize(13, QFont::Bold);
    label->setTextColor(Qt::white);
    label->setCornerRadius(kPillHeight / 2.0);
    label->setContentsMargins(14, 0, 14, 0);
    label->setFixedHeight(kPillHeight);
    label->setMinimumWidth(kPillMinWidth);
    label->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void finishRow(QWidget* row) {
    row->setBackgroundRole(QPalette::Window);
    row->setForegroundRole(QPalette::WindowText);
    for (QWidget* child : row->findChildren<QWidget*>()) {
        child->setAttribute(Qt::WA_TransparentForMouseEvents);
    }
}

void bindIcon(ImageView* icon, const Camp& camp) {
    icon->setCornerRadius(icon->height() / 5.0);
    icon->setPlaceholder(campPlaceholderIcon(camp.name));
    const std::optional<QUrl> url = campImageUrl(camp.iconurl);
    if (!url) {
        clear(icon);
        icon->clearImage();
        return;
    }
    if (wantedUrl(icon) != ImageCache::absoluteString(*url)) {
        icon->clearImage();
    }
    setUrl(icon, *url, std::nullopt, ImageCache::defaultCache());
}

} // namespace orvane::campcell
