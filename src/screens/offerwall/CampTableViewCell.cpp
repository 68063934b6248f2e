#include "screens/offerwall/CampTableViewCell.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

#include "core/ImageCache.h"
#include "core/KitConstants.h"
#include "core/Log.h"
#include "participation/ApiJoin.h"
#include "participation/CampTap.h"
#include "screens/offerwall/CampCPSTableViewCell.h"
#include "screens/offerwall/CampCellCommon.h"
#include "screens/offerwall/CampCellLayout.h"
#include "screens/offerwall/CampClickProtocol.h"
#include "ui/ImageView.h"
#include "ui/ImageViewBinding.h"
#include "ui/Label.h"
#include "ui/Storyboard.h"
#include "ui/TapRecognizer.h"
#include "ui/Theme.h"

namespace orvane {

namespace {

constexpr int kNativeSpacing = 10;
constexpr int kIconSpacing = 2;
// Proportions of a native picture until it arrives (the servers' banners are 2:1).
constexpr double kExpectedNativeAspect = 2.0;

} // namespace

CampTableViewCell::CampTableViewCell(QWidget* parent)
    : TableViewCell(parent)
    , m_ivNative(new AspectImageView(kExpectedNativeAspect, this))
    , m_ivIcon(new ImageView(this))
    , m_lTitle(new Label(this))
    , m_lContent(new WrappingRichLabel(this))
    , m_lRewardButton(new Label(this)) {
    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(campcell::kRowMargins);
    m_lchDivision = LayoutConstraint::spacing(root);
    m_lchDivision.setConstant(kIconSpacing);

    m_ivNative->setObjectName(QStringLiteral("iv_native"));
    m_ivNative->setContentMode(ContentMode::AspectFill);
    m_ivNative->setCornerRadius(campcell::kNativeCornerRadius);
    m_ivNative->setBackgroundColor(campcell::kImageBackground);
    m_ivNative->hide();
    // The height of the native picture: setting it sets the picture's proportions at the current
    // width, so the height keeps following the width afterwards (rotation, window resize).
    QPointer<AspectImageView> native = m_ivNative;
    m_lchIvNative = LayoutConstraint::custom(
        [native](qreal height) {
            if (native && native->width() > 0 && height > 0) {
                native->setAspectRatio(native->width() / height);
            }
        },
        0);
    root->addWidget(m_ivNative);

    auto* row = new QHBoxLayout;
    row->setSpacing(campcell::kRowSpacing);
    campcell::setupIcon(m_ivIcon);
    row->addWidget(m_ivIcon, 0, Qt::AlignVCenter);

    auto* texts = new QVBoxLayout;
    texts->setSpacing(campcell::kTextSpacing);
    texts->addStretch();
    campcell::setupTitle(m_lTitle);
    texts->addWidget(m_lTitle);
    m_lContent->setObjectName(QStringLiteral("l_content"));
    m_lContent->setTextInteractionFlags(Qt::NoTextInteraction);
    m_lContent->setFontSize(ui::kSmallFontSize);
    m_lContent->setTextColor(kCampSecondaryTextColor);
    texts->addWidget(m_lContent);
    texts->addStretch();
    row->addLayout(texts, 1);

    m_lRewardButton->setObjectName(QStringLiteral("l_reward_button"));
    campcell::setupPillLabel(m_lRewardButton);
    row->addWidget(m_lRewardButton, 0, Qt::AlignVCenter);
    root->addLayout(row);

    campcell::finishRow(this);
    TapRecognizer::attach(this, [this] { runAction(); });
    // A reward key confirmed for this row's campaign, whoever asked for it.
    connect(&ApiJoin::shared(), &ApiJoin::rewardKeyHeld, this,
            [this](qint64 campid, const QString& orvkey) {
                if (m_camp && m_camp->campid == campid) {
                    onAccumulationPossible(campid, orvkey);
                }
            });
}

CampTableViewCell::~CampTableViewCell() = default;

void CampTableViewCell::setItem(const Camp& camp, TableView* /*tableView*/, int row, int listType,
                                CampClickProtocol* campClickProtocol) {
    Log::info("setItem");
    if (!m_camp || m_camp->campid != camp.campid) {
        // A key or a pending listener call belongs to the campaign it was given for.
        m_orvkey.reset();
        m_joinedCampid.reset();
    }
    m_camp = camp;
    m_indexPath = row;
    m_campClickProtocol = dynamic_cast<QObject*>(campClickProtocol);
    if (campClickProtocol && !m_campClickProtocol) {
        Log::error("CampTableViewCell setItem: the click interface is not a QObject; ignored");
    }

    const std::optional<QUrl> nativeUrl = campImageUrl(camp.nativeurl);
    if (listType == kListTypeNative && nativeUrl) {
        showNative(*nativeUrl);
        m_lchDivision.setConstant(kNativeSpacing);
    } else {
        m_ivNative->hide();
        clear(m_ivNative);
        showIcon();
        m_lchDivision.setConstant(listType == kListTypeNative ? kNativeSpacing : kIconSpacing);
    }

    m_lTitle->setPlainText(camp.name.value_or(QString()));

    m_lRewardButton->setBackgroundColor(ui::accentColor());
    m_lContent->setRichDocument(
        campDescriptionDocument(camp, ui::kSmallFontSize, ui::kSmallFontSize));

    const std::optional<QString> heldKey =
        camp.campid ? ApiJoin::shared().heldKey(*camp.campid) : std::nullopt;
    if (camp.convflag != 1 && heldKey) {
        m_orvkey = heldKey; // the campaign's own key, when converted, is the one to claim with
    }
    const CampParticipation known =
        camp.campid ? ApiJoin::shared().participation(*camp.campid) : CampParticipation();
    enter(static_cast<Action>(campAction(camp, known)));
}

void CampTableViewCell::showNative(const QUrl& url) {
    m_ivIcon->hide();
    clear(m_ivIcon);
    m_ivNative->show();
    if (wantedUrl(m_ivNative) != ImageCache::absoluteString(url)) {
        m_ivNative->clearImage();
        m_ivNative->setAspectRatio(kExpectedNativeAspect);
    }
    QPointer<CampTableViewCell> self = this;
    setUrl(m_ivNative, url, std::nullopt, ImageCache::defaultCache(), [self](const QImage& image) {
        if (self) {
            self->nativeImageArrived(image);
        }
    });
}

void CampTableViewCell::nativeImageArrived(const QImage& image) {
    if (image.isNull() || image.height() <= 0) {
        return;
    }
    const double aspect = double(image.width()) / image.height();
    m_ivNative->setAspectRatio(aspect);
    m_lchIvNative.setConstant(nativeWidth() / aspect);
    // The row was laid out for other proportions (the expected ones, or another picture's): the
    // table measures this row again once its current layout pass is over, and only this row.
    if (m_ivNative->height() != m_ivNative->heightForWidth(nativeWidth())) {
        QMetaObject::invokeMethod(
            this, [this] { invalidateRowHeight(); }, Qt::QueuedConnection);
    }
}

int CampTableViewCell::nativeWidth() const {
    if (m_ivNative->width() > 0 && m_ivNative->isVisible()) {
        return m_ivNative->width();
    }
    const QMargins m = campcell::kRowMargins;
    const int cellWidth = width() > 0 ? width() : ui::kPhoneSize.width();
    return qMax(1, cellWidth - m.left() - m.right());
}

void CampTableViewCell::showIcon() {
    m_ivIcon->show();
    campcell::bindIcon(m_ivIcon, *m_camp);
}

void CampTableViewCell::enter(Action action) {
    m_action = action;
    m_lRewardButton->setText(
        m_camp ? campActionTitle(*m_camp, static_cast<CampListModel::Action>(action)) : QString());
    m_lRewardButton->setVisible(!m_lRewardButton->text().isEmpty());
    // Read as "title, reward, action".
    QStringList spoken;
    if (m_camp)
        spoken << m_camp->name.value_or(QString()) << campRewardText(*m_camp);
    spoken << m_lRewardButton->text();
    spoken.removeAll(QString());
    setAccessibleName(spoken.join(QStringLiteral(", ")));
    invalidateRowHeight(); // a wider action leaves the description less room
}

void CampTableViewCell::runAction() {
    run(m_action);
}

void CampTableViewCell::clickJoin() {
    run(Action::join);
}

void CampTableViewCell::clickParticipation() {
    run(Action::participationCheck);
}

void CampTableViewCell::clickAccumulation() {
    run(Action::accumulate);
}

void CampTableViewCell::run(Action action) {
    if (!m_camp) {
        return;
    }
    const CampTap tap{.action = static_cast<CampListModel::Action>(action),
                      .listener = this,
                      .receivedKey = m_orvkey,
                      .openDetail = [this] {
                          campOpenDetail(*m_camp, m_campClickProtocol.data(), m_indexPath,
                                         "CampTableViewCell");
                      }};
    if (runCampTap(*m_camp, tap, "CampTableViewCell")) {
        m_joinedCampid = m_camp->campid;
    }
}

void CampTableViewCell::onParticipationCheckPossible() {
    if (!m_camp || !m_joinedCampid || m_camp->campid != m_joinedCampid) {
        Log::info("CampTableViewCell onParticipationCheckPossible: the row shows another campaign "
                  "now; ignored");
        return;
    }
    enter(Action::participationCheck);
}

void CampTableViewCell::onAccumulationPossible(qint64 campid, const QString& orvkey) {
    if (!m_camp || m_camp->campid != campid) {
        Log::info("CampTableViewCell onAccumulationPossible: key for campaign", campid,
                  "but the row shows another campaign; ignored");
        return;
    }
    m_orvkey = orvkey;
    enter(Action::accumulate);
}

void registerCampCells() {
    Storyboard::registerCell(CampTableViewCell::kIdentifier, [] { return new CampTableViewCell; });
    Storyboard::registerCell(CampCPSTableViewCell::kIdentifier,
                             [] { return new CampCPSTableViewCell; });
}

} // namespace orvane
