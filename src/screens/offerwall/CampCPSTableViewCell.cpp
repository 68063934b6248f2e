#include "screens/offerwall/CampCPSTableViewCell.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

#include "core/Log.h"
#include "participation/CampTap.h"
#include "screens/offerwall/CampCellCommon.h"
#include "screens/offerwall/CampCellLayout.h"
#include "screens/offerwall/CampClickProtocol.h"
#include "ui/Button.h"
#include "ui/ImageView.h"
#include "ui/Label.h"
#include "ui/TapRecognizer.h"
#include "ui/Theme.h"

namespace orvane {

CampCPSTableViewCell::CampCPSTableViewCell(QWidget* parent)
    : TableViewCell(parent)
    , m_ivIcon(new ImageView(this))
    , m_lTitle(new Label(this))
    , m_lContent(new Label(this))
    , m_bRewardButton(new Button(this)) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(campcell::kRowMargins);
    row->setSpacing(campcell::kRowSpacing);
    campcell::setupIcon(m_ivIcon);
    row->addWidget(m_ivIcon, 0, Qt::AlignVCenter);

    auto* texts = new QVBoxLayout;
    m_lchDivision = LayoutConstraint::spacing(texts);
    m_lchDivision.setConstant(campcell::kTextSpacing);
    texts->addStretch();
    campcell::setupTitle(m_lTitle);
    texts->addWidget(m_lTitle);
    m_lContent->setObjectName(QStringLiteral("l_content"));
    m_lContent->setFontSize(ui::kBodyFontSize, QFont::DemiBold);
    m_lContent->setTextColor(QColor(28, 28, 30));
    texts->addWidget(m_lContent);
    texts->addStretch();
    row->addLayout(texts, 1);

    campcell::finishRow(this);

    m_bRewardButton->setObjectName(QStringLiteral("b_reward_button"));
    m_bRewardButton->setPill(true);
    m_bRewardButton->setTitleColor(Qt::white);
    m_bRewardButton->setFontSize(13, QFont::Bold);
    m_bRewardButton->setContentPadding(QMargins(14, 0, 14, 0));
    m_bRewardButton->setFixedHeight(campcell::kPillHeight);
    // The row is the control: its list moves between rows and Enter activates the row.
    m_bRewardButton->setFocusPolicy(Qt::NoFocus);
    row->addWidget(m_bRewardButton, 0, Qt::AlignVCenter);

    TapRecognizer::attach(this, [this] { clickJoin(); });
}

CampCPSTableViewCell::~CampCPSTableViewCell() = default;

void CampCPSTableViewCell::setItem(const Camp& camp, TableView*, int row, int,
                                   CampClickProtocol* campClickProtocol) {
    Log::info("setItem");
    m_camp = camp;
    m_indexPath = row;
    m_campClickProtocol = dynamic_cast<QObject*>(campClickProtocol);
    if (campClickProtocol && !m_campClickProtocol) {
        Log::error("CampCPSTableViewCell setItem: the click interface is not a QObject; ignored");
    }

    campcell::bindIcon(m_ivIcon, camp);
    m_lTitle->setPlainText(camp.name.value_or(QString()));
    m_lContent->setPlainText(campPriceText(camp));

    m_bRewardButton->setBackgroundColor(ui::accentColor());
    m_bRewardButton->setTitle(campActionTitle(camp, CampListModel::Action::Join));
    // A little room beyond the text's rounded width, so the title is never elided.
    m_bRewardButton->setFixedWidth(
        qMax(campcell::kPillMinWidth, m_bRewardButton->sizeHint().width() + 4));
    m_bRewardButton->onTap([this] { clickJoin(); });
    // Read as the row shows it: name, price, reward.
    setAccessibleName(
        QStringList{camp.name.value_or(QString()), m_lContent->plainText(), campRewardText(camp)}
            .join(QStringLiteral(", ")));
}

void CampCPSTableViewCell::clickJoin() {
    if (!m_camp) {
        return;
    }
    // A purchase has no later action to offer, so the row listens to nothing.
    const CampTap tap{.action = CampListModel::Action::Join,
                      .listener = nullptr,
                      .receivedKey = std::nullopt,
                      .openDetail = [this] {
                          campOpenDetail(*m_camp, m_campClickProtocol.data(), m_indexPath,
                                         "CampCPSTableViewCell");
                      }};
    runCampTap(*m_camp, tap, "CampCPSTableViewCell");
}

} // namespace orvane
