#include "screens/detail/DetailViewController.h"

#include <QFrame>
#include <QVBoxLayout>

#include "core/ImageCache.h"
#include "core/ImageCacheLoader.h"
#include "core/Localized.h"
#include "core/Log.h"
#include "participation/DetailFlow.h"
#include "screens/AlertPresenter.h"
#include "screens/offerwall/CampCellCommon.h"
#include "ui/Accessibility.h"
#include "ui/Button.h"
#include "ui/ImageView.h"
#include "ui/ImageViewBinding.h"
#include "ui/Label.h"
#include "ui/NavigationController.h"
#include "ui/Storyboard.h"
#include "ui/Theme.h"

namespace orvane {

namespace {

constexpr int kIconSide = 88;
constexpr int kButtonHeight = 50;
constexpr int kTitleFontSize = 20;
constexpr int kAmountFontSize = 14;
// Until the picture arrives its place is a grey block of these proportions.
constexpr double kExpectedPictureAspect = 2.0;

QFrame* separator(QWidget* parent) {
    auto* line = new QFrame(parent);
    line->setFixedHeight(1);
    line->setAutoFillBackground(true);
    QPalette p = line->palette();
    p.setColor(QPalette::Window, ui::separatorColor());
    line->setPalette(p);
    return line;
}

Label* textLabel(const QString& name, QWidget* parent) {
    auto* label = new Label(parent);
    label->setObjectName(name);
    label->setTextInteractionFlags(Qt::NoTextInteraction);
    label->setOpenExternalLinks(false);
    label->setTextColor(kCampSecondaryTextColor);
    return label;
}

// `html` styled in grey at `pixelSize`, as HTML for a rich-text label.
QString greyText(const std::optional<QString>& html, int pixelSize) {
    return campStyledHtml(html, kCampSecondaryTextColor, pixelSize);
}

} // namespace

DetailViewController::DetailViewController(QWidget* parent)
    : ViewController(parent) {
    buildLayout();
}

DetailViewController::~DetailViewController() = default;

void DetailViewController::registerScene() {
    Storyboard::registerScene(kSceneIdentifier, [] { return new DetailViewController; });
    Storyboard::registerSegue(kSceneIdentifier, kSceneIdentifier, Storyboard::SegueKind::Push);
}

void DetailViewController::buildLayout() {
    setLightAppearance();
    setAutoFillBackground(true);

    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(0, 0, 0, 0);
    root->setSpacing(0);

    m_scroll = new ScrollView(this);
    auto* content = new QWidget;
    auto* column = new QVBoxLayout(content);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    m_ivNative = new AspectImageView(kExpectedPictureAspect, content);
    m_ivNative->setObjectName(QStringLiteral("iv_native"));
    m_ivNative->setContentMode(ContentMode::AspectFill);
    m_ivNative->setBackgroundColor(QColor(238, 238, 242));
    QPointer<AspectImageView> native = m_ivNative;
    m_lchIvNativeDetail = LayoutConstraint::custom(
        [native](qreal height) {
            if (native && native->width() > 0 && height > 0) {
                native->setAspectRatio(native->width() / height);
            }
        },
        0);
    column->addWidget(m_ivNative);

    auto* body = new QVBoxLayout;
    body->setContentsMargins(20, 20, 20, 24);
    body->setSpacing(14);
    m_ivIcon = new ImageView(content);
    m_ivIcon->setObjectName(QStringLiteral("iv_icon"));
    m_ivIcon->setFixedSize(kIconSide, kIconSide);
    m_ivIcon->setContentMode(ContentMode::AspectFill);
    m_ivIcon->setBackgroundColor(QColor(238, 238, 242));
    m_ivIcon->setCornerRadius(kIconSide / 5.0);
    body->addWidget(m_ivIcon, 0, Qt::AlignLeft);

    m_lTitle = new Label(content);
    m_lTitle->setObjectName(QStringLiteral("l_title"));
    m_lTitle->setFontSize(kTitleFontSize, QFont::Bold);
    body->addWidget(m_lTitle);
    m_lContent = textLabel(QStringLiteral("l_content"), content);
    body->addWidget(m_lContent);
    body->addWidget(separator(content));
    m_lHowParticipate = textLabel(QStringLiteral("l_how_participate"), content);
    body->addWidget(m_lHowParticipate);
    body->addWidget(separator(content));
    m_lJoinDesc = textLabel(QStringLiteral("l_join_desc"), content);
    m_lJoinDesc->setFontSize(ui::kSmallFontSize);
    body->addWidget(m_lJoinDesc);
    body->addStretch();
    column->addLayout(body);
    m_scroll->setContentView(content);
    root->addWidget(m_scroll, 1);

    // The action stays in reach at the bottom, whatever the length of the page.
    root->addWidget(separator(this));
    auto* bar = new QWidget(this);
    auto* barLayout = new QVBoxLayout(bar);
    barLayout->setContentsMargins(20, 10, 20, 16);
    m_bReward = new Button(bar);
    m_bReward->setObjectName(QStringLiteral("b_reward"));
    m_bReward->setPill(true);
    m_bReward->setFixedHeight(kButtonHeight);
    m_bReward->setFontSize(16, QFont::Bold);
    m_bReward->setTitleColor(Qt::white);
    barLayout->addWidget(m_bReward);
    root->addWidget(bar);
}

void DetailViewController::viewDidLoad() {
    ViewController::viewDidLoad();
    if (!m_camp) {
        Log::error("DetailViewController viewDidLoad: no campaign was set; nothing to show");
        m_bReward->hide();
        return;
    }
    const Camp& camp = *m_camp;
    // The back button leading from this page reads the campaign's name (set at the first
    // appearance instead when the page loads before it is pushed).
    m_backTitle.set(*this, camp.name.value_or(QString()));

    presentFlowAlertsOn(this);

    showPicture();
    m_lTitle->setPlainText(camp.name.value_or(QString()));
    m_lContent->setRichText(campDescriptionHtml(camp, ui::kSmallFontSize, kAmountFontSize));
    m_lHowParticipate->setRichText(greyText(camp.joindesc, ui::kBodyFontSize));

    m_bReward->setBackgroundColor(ui::accentColor());
    m_flow = new DetailFlow(camp, "DetailViewController", this);
    connect(m_flow, &DetailFlow::stateChanged, this, &DetailViewController::showButton);
    connect(m_flow, &DetailFlow::noticeArrived, this, [this](const std::optional<QString>& text) {
        m_lJoinDesc->setRichText(greyText(text, ui::kSmallFontSize));
    });
    connect(m_flow, &DetailFlow::finishRequested, this, &DetailViewController::finish);
    showButton();
    m_flow->start();
}

void DetailViewController::viewDidAppear(bool animated) {
    ViewController::viewDidAppear(animated);
    if (m_camp) {
        m_backTitle.set(*this, m_camp->name.value_or(QString()));
    }
}

void DetailViewController::showPicture() {
    // The picture stands for the campaign: described by its name.
    const QString description =
        localized(QStringLiteral("ov_a11y_campaign_image")).arg(m_camp->name.value_or(QString()));
    for (ImageView* picture : {static_cast<ImageView*>(m_ivNative), m_ivIcon}) {
        ui::setAccessibleRole(picture, QAccessible::Graphic);
        picture->setAccessibleName(description);
    }
    m_ivIcon->hide();
    std::optional<QString> path;
    for (const std::optional<QString>& candidate : {m_camp->viewurl, m_camp->nativeurl}) {
        if (campImageUrl(candidate)) {
            path = candidate->trimmed();
            break;
        }
    }
    if (path) {
        m_loader = std::make_unique<ImageCacheLoader>();
        QPointer<DetailViewController> self = this;
        m_loader->obtainImageWithPath(*path, [self](const QImage& image) {
            if (self) {
                self->pictureArrived(image);
            }
        });
        return;
    }
    m_ivNative->hide();
    m_ivIcon->show();
    m_ivIcon->setPlaceholder(campPlaceholderIcon(m_camp->name));
    if (const std::optional<QUrl> icon = campImageUrl(m_camp->iconurl)) {
        setUrl(m_ivIcon, *icon, std::nullopt, ImageCache::defaultCache());
    } else {
        Log::info("DetailViewController: campaign", m_camp->campid,
                  "has no usable picture or icon address; showing its placeholder");
    }
}

void DetailViewController::pictureArrived(const QImage& image) {
    if (image.isNull() || image.height() <= 0) {
        return;
    }
    m_ivNative->setImage(image);
    const double aspect = double(image.width()) / image.height();
    m_ivNative->setAspectRatio(aspect);
    const int width = m_ivNative->width() > 0 ? m_ivNative->width() : m_scroll->viewport()->width();
    m_lchIvNativeDetail.setConstant(width / aspect);
}

DetailViewController::ButtonState DetailViewController::buttonState() const {
    return m_flow ? static_cast<ButtonState>(m_flow->state()) : ButtonState::loading;
}

std::optional<QString> DetailViewController::orvkey() const {
    return m_flow ? m_flow->orvkey() : std::nullopt;
}

void DetailViewController::showButton() {
    m_bReward->setTitle(m_flow->buttonTitle());
    if (m_flow->state() == DetailFlow::State::Loading) {
        m_bReward->onTap({});
    } else {
        m_bReward->onTap([this] { m_flow->tap(); });
    }
}

void DetailViewController::finish() {
    if (NavigationController* nav = navigationController()) {
        nav->popToRootViewController(true);
    }
}

void DetailViewController::clickJoin() {
    if (m_flow) {
        m_flow->run(CampListModel::Action::Join);
    }
}

void DetailViewController::clickParticipation() {
    if (m_flow) {
        m_flow->run(CampListModel::Action::ParticipationCheck);
    }
}

void DetailViewController::clickAccumulation() {
    if (m_flow) {
        m_flow->run(CampListModel::Action::Accumulate);
    }
}

void DetailViewController::onParticipationCheckPossible() {
    if (m_flow) {
        m_flow->onParticipationCheckPossible();
    }
}

void DetailViewController::onAccumulationPossible(qint64 campid, const QString& orvkey) {
    if (m_flow) {
        m_flow->onAccumulationPossible(campid, orvkey);
    }
}

} // namespace orvane
