#include "DemoHost.h"

#include <QVBoxLayout>

#include "platform/ui/Button.h"
#include "platform/ui/Label.h"
#include "platform/ui/Theme.h"
#include "sdk/Orvane.h"

namespace orvane::demo {

DemoHost::DemoHost(QWidget* parent)
    : ViewController(parent)
    , m_open(new Button(QStringLiteral("Open offerwall"), this)) {
    setLightAppearance();
    setWindowTitle(QStringLiteral("Orvane Offerwall demo"));

    auto* title = new Label(QStringLiteral("Sample host app"), this);
    title->setFont(ui::boldFont(28));
    title->setAlignment(Qt::AlignCenter);
    auto* body = new Label(QStringLiteral("This window stands for your application. The offerwall "
                                          "runs against a local sandbox server started by the "
                                          "demo; nothing leaves this machine."),
                           this);
    body->setTextColor(ui::secondaryTextColor());
    body->setFont(ui::font(ui::kBodyFontSize));
    body->setAlignment(Qt::AlignCenter);

    m_open->setObjectName(QStringLiteral("b_open_offerwall"));
    m_open->setBackgroundColor(ui::accentColor());
    m_open->setTitleColor(Qt::white);
    m_open->setPill(true);
    m_open->setFontSize(17, QFont::DemiBold);
    m_open->setMinimumHeight(52);
    m_open->onTap([this] { openOfferwall(); });

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(32, 32, 32, 48);
    column->setSpacing(16);
    column->addStretch(2);
    column->addWidget(title);
    column->addWidget(body);
    column->addStretch(3);
    column->addWidget(m_open);
}

void DemoHost::openOfferwall() {
    Orvane::shared().presentOrvane(this);
}

} // namespace orvane::demo
