#include "screens/offerwall/CopyRightView.h"

#include <QDate>
#include <QLayout>
#include <QVBoxLayout>

#include "core/Localized.h"
#include "core/Log.h"
#include "core/SettingsKeys.h"
#include "core/UserDefaults.h"
#include "ui/Label.h"
#include "ui/Storyboard.h"
#include "ui/Theme.h"

namespace orvane {

CopyRightView::CopyRightView(QWidget* parent)
    : QWidget(parent) {
    setObjectName(QStringLiteral("CopyRightView"));
    const bool visible = UserDefaults::standard().boolean(keys::kCopyrightVisibility);
    if (visible)
        m_content = Storyboard::instantiateView(kViewIdentifier, this);
    if (!m_content) {
        // Hidden (or, when the resource is missing, a packaging fault already logged by the
        // Storyboard: the host keeps running with no footer rather than stopping).
        setFixedHeight(0);
        hide();
        if (parentWidget() && parentWidget()->layout())
            parentWidget()->layout()->removeWidget(this);
        return;
    }
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_content);
    setFixedHeight(kHeight);
}

void CopyRightView::registerView() {
    Storyboard::registerView(kViewIdentifier, [](QWidget* parent) -> QWidget* {
        auto* line = new Label(parent);
        line->setObjectName(QStringLiteral("l_copyright"));
        line->setPlainText(
            localized(QStringLiteral("ov_copyright")).arg(QDate::currentDate().year()));
        line->setFont(ui::font(11));
        line->setTextColor(QColor(160, 160, 166));
        line->setAlignment(Qt::AlignCenter);
        line->setWordWrap(false);
        line->setAutoFillBackground(true);
        QPalette p = line->palette();
        p.setColor(QPalette::Window, ui::groupedBackgroundColor());
        line->setPalette(p);
        return line;
    });
}

} // namespace orvane
