#include "screens/offerwall/OrvaneViewController.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QVBoxLayout>

#include "core/CampListModel.h"
#include "core/HostEvents.h"
#include "core/Localized.h"
#include "core/Log.h"
#include "core/NotificationCenter.h"
#include "core/SettingsKeys.h"
#include "core/UserDefaults.h"
#include "participation/ApiJoin.h"
#include "screens/AlertPresenter.h"
#include "screens/benefits/BenefitsViewController.h"
#include "screens/benefits/CanReceiveBenefitsViewController.h"
#include "screens/detail/DetailViewController.h"
#include "screens/inquiry/RequestViewController.h"
#include "screens/offerwall/CampCPSTableViewCell.h"
#include "screens/offerwall/CampTableViewCell.h"
#include "screens/offerwall/CopyRightView.h"
#include "ui/AlertController.h"
#include "ui/Button.h"
#include "ui/Label.h"
#include "ui/NavigationController.h"
#include "ui/SegmentedControl.h"
#include "ui/Storyboard.h"
#include "ui/Theme.h"

using namespace Qt::StringLiterals;

namespace orvane {

namespace {

// Two small arrows, up and down: the sort button's glyph. Drawn at twice its size.
QImage sortGlyph(const QColor& color) {
    QImage image(28, 28, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(color, 2.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawLine(QPointF(9, 5), QPointF(9, 23));
    p.drawPolyline(QPolygonF({QPointF(4, 10), QPointF(9, 5), QPointF(14, 10)}));
    p.drawLine(QPointF(19, 5), QPointF(19, 23));
    p.drawPolyline(QPolygonF({QPointF(14, 18), QPointF(19, 23), QPointF(24, 18)}));
    p.end();
    image.setDevicePixelRatio(2);
    return image;
}

// A clock face with a turning arrow: the glyph of the benefits history entry.
QImage historyGlyph(const QColor& color) {
    QImage image(32, 32, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(color, 2.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawArc(QRectF(4, 4, 24, 24), 200 * 16, 300 * 16);
    p.drawPolyline(QPolygonF({QPointF(3, 9), QPointF(5.5, 13), QPointF(9.5, 10.5)}));
    p.drawPolyline(QPolygonF({QPointF(16, 10), QPointF(16, 16), QPointF(20, 19)}));
    p.end();
    image.setDevicePixelRatio(2);
    return image;
}

QWidget* filledView(const QColor& color, QWidget* parent) {
    auto* view = new QWidget(parent);
    view->setAutoFillBackground(true);
    QPalette p = view->palette();
    p.setColor(QPalette::Window, color);
    view->setPalette(p);
    return view;
}

} // namespace

void drawMainTab(SegmentedControl& control) {
    const QColor accent = ui::accentColor();
    control.setTintColor(accent);
    control.setBorderColor(accent);
    control.setBorderWidth(1.0);
    control.setTitleColor(accent, Qt::white);
}

OrvaneViewController::OrvaneViewController(QWidget* parent)
    : ViewController(parent)
    , v_tabs(new QWidget(this))
    , b_sort(new Button(this))
    , v_coins_calue(filledView(QColor(255, 243, 242), this))
    , l_coins_value(new Label(v_coins_calue))
    , tv_camp(new TableView(this))
    , sc_camp(new SegmentedControl({localized(QStringLiteral("ov_tab_campaigns")),
                                    localized(QStringLiteral("ov_tab_shopping"))},
                                   v_tabs))
    , m_model(new CampListModel(this))
    , m_close(new Button(QStringLiteral("\u2715")))
    , m_benefits(new Button(localized(QStringLiteral("ov_benefits_received")), this)) {
    setObjectName(QStringLiteral("OrvaneViewController"));
    setTitle(localized(QStringLiteral("ov_offerwall_title")));
    v_tabs->setObjectName(QStringLiteral("v_tabs"));
    b_sort->setObjectName(QStringLiteral("b_sort"));
    v_coins_calue->setObjectName(QStringLiteral("v_coins_calue"));
    l_coins_value->setObjectName(QStringLiteral("l_coins_value"));
    tv_camp->setObjectName(QStringLiteral("tv_camp"));
    sc_camp->setObjectName(QStringLiteral("sc_camp"));
    m_close->setObjectName(QStringLiteral("b_close"));
    m_benefits->setObjectName(QStringLiteral("b_benefits"));

    // The tab bar.
    sc_camp->setSelectedSegmentIndex(0);
    sc_camp->setMinimumHeight(34);
    auto* tabs = new QHBoxLayout(v_tabs);
    tabs->setContentsMargins(16, 10, 16, 4);
    tabs->addWidget(sc_camp);

    // The summary card and the sort button.
    auto* caption = new Label(localized(QStringLiteral("ov_can_receive_benefits")), v_coins_calue);
    caption->setObjectName(QStringLiteral("l_coins_caption"));
    caption->setFont(ui::font(ui::kSmallFontSize + 1));
    caption->setTextColor(QColor(110, 110, 116));
    l_coins_value->setFont(ui::boldFont(20));
    l_coins_value->setWordWrap(false);
    // Shown once there is an amount to show (the header display type, after a load).
    v_coins_calue->hide();
    auto* coins = new QVBoxLayout(v_coins_calue);
    coins->setContentsMargins(16, 12, 16, 12);
    coins->setSpacing(2);
    coins->addWidget(caption);
    coins->addWidget(l_coins_value);

    b_sort->setImage(sortGlyph(QColor(90, 90, 96)));
    b_sort->setTitleColor(QColor(60, 60, 67));
    b_sort->setFontSize(ui::kSmallFontSize + 1, QFont::Medium);
    b_sort->setContentPadding(QMargins(6, 4, 2, 4));

    auto* header = new QWidget(this);
    auto* headerLayout = new QVBoxLayout(header);
    headerLayout->setContentsMargins(16, 10, 12, 4);
    headerLayout->setSpacing(6);
    headerLayout->addWidget(v_coins_calue);
    // The way to the benefits history at the left, the sort mode at the right.
    m_benefits->setImage(historyGlyph(ui::accentColor()));
    m_benefits->setFontSize(ui::kSmallFontSize + 1, QFont::DemiBold);
    m_benefits->setTitleColor(ui::accentColor());
    m_benefits->setBackgroundColor(QColor(255, 240, 239));
    m_benefits->setPill(true);
    m_benefits->setContentPadding(QMargins(10, 5, 12, 5));
    auto* sortRow = new QHBoxLayout;
    sortRow->addWidget(m_benefits);
    sortRow->addStretch(1);
    sortRow->addWidget(b_sort);
    headerLayout->addLayout(sortRow);

    tv_camp->setFrameShape(QFrame::NoFrame);
    tv_camp->setEstimatedRowHeight(96);
    tv_camp->registerCell(CampTableViewCell::kIdentifier, [] { return new CampTableViewCell; });
    tv_camp->registerCell(CampCPSTableViewCell::kIdentifier,
                          [] { return new CampCPSTableViewCell; });

    m_footer = new CopyRightView(this);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(v_tabs);
    column->addWidget(header);
    column->addWidget(tv_camp, 1);
    if (m_footer->isFooterVisible())
        column->addWidget(m_footer);

    // Bar controls.
    m_close->setFontSize(18, QFont::Normal);
    m_close->setTitleColor(QColor(60, 60, 67));
    m_close->setContentPadding(QMargins(10, 4, 10, 4));
    navigationItem().setLeftWidget(m_close);
    // The inquiry form, across the bar from the close control. Held here until a bar takes it.
    auto* inquiry = new Button(localized(QStringLiteral("ov_inquiry")), this);
    inquiry->hide();
    inquiry->setObjectName(QStringLiteral("b_inquiry"));
    inquiry->setFontSize(15, QFont::Medium);
    inquiry->setTitleColor(ui::accentColor());
    inquiry->setContentPadding(QMargins(10, 4, 12, 4));
    inquiry->onTap([this] { performSegue(RequestViewController::kSceneIdentifier); });
    navigationItem().setRightWidget(inquiry);
    // A short back title keeps the titles of the screens pushed above readable.
    navigationItem().setBackButtonTitle(localized(QStringLiteral("ov_back")));

    connect(m_model, &CampListModel::listChanged, this, [this] { tv_camp->reloadData(); });
    // The model's action roles follow what the participation flow knows, as the rows do.
    m_model->setParticipationSource(
        [](qint64 campid) { return ApiJoin::shared().participation(campid); });
    connect(&ApiJoin::shared(), &ApiJoin::participationChanged, m_model,
            &CampListModel::participationChanged);
    connect(m_model, &CampListModel::summaryReady, this, &OrvaneViewController::showSummary);
    // A reply applied (every one brings its summary): keys it carries replace those held.
    connect(m_model, &CampListModel::summaryReady, this, [this] {
        for (const QList<Camp>* camps : {&m_model->otherCampList(), &m_model->cpsCampList(),
                                         &m_model->otherHouseList(), &m_model->cpsHouseList()}) {
            ApiJoin::shared().releaseKeysCarriedBy(*camps);
        }
    });
    connect(m_model, &CampListModel::loadFailed, this, &OrvaneViewController::showError);
    connect(m_model, &CampListModel::noCampaigns, this, &OrvaneViewController::showNoCampaigns);
    connect(m_model, &CampListModel::loaded, this, &OrvaneViewController::reportLoad);
    connect(m_model, &CampListModel::tabBarHiddenChanged, v_tabs, &QWidget::setHidden);
    connect(m_model, &CampListModel::segmentChanged, sc_camp,
            &SegmentedControl::setSelectedSegmentIndex);
    connect(sc_camp, &SegmentedControl::valueChanged, this, &OrvaneViewController::scValueChanged);
    b_sort->onTap([this] { clickSort(); });
    m_close->onTap([this] { back(); });
    m_benefits->onTap([this] { clickBenefits(); });

    // Names for assistive technology where the control shows a glyph, and Tab in reading order:
    // tabs, history, sort, then the list (the bar's controls come before them).
    m_close->setAccessibleName(localized(QStringLiteral("ov_a11y_close")));
    sc_camp->setAccessibleName(localized(QStringLiteral("ov_a11y_tabs")));
    tv_camp->setAccessibleName(localized(QStringLiteral("ov_a11y_campaigns")));
    QWidget::setTabOrder(sc_camp, m_benefits);
    QWidget::setTabOrder(m_benefits, b_sort);
    QWidget::setTabOrder(b_sort, tv_camp);
}

void OrvaneViewController::setSortTitle() {
    const QString title = m_model->sortTitle();
    b_sort->setTitle(title);
    b_sort->setAccessibleName(localized(QStringLiteral("ov_a11y_sort")).arg(title));
}

OrvaneViewController::~OrvaneViewController() {
    tv_camp->setDataSource(nullptr);
    if (m_shownToHost)
        Q_EMIT HostEvents::shared().offerwallClosed(); // deleted while on display
}

void OrvaneViewController::viewDidLoad() {
    Log::info("OrvaneViewController viewDidLoad");
    const std::optional<QString> mainTitle = UserDefaults::standard().string(keys::kMainTitle);
    // The item is what a navigation container shows while this screen is on top; the container
    // may adopt the screen only after it loads.
    if (mainTitle && !mainTitle->isEmpty())
        navigationItem().setTitle(*mainTitle);
    setLightAppearance();
    NotificationCenter::defaultCenter().addObserver(kActionListChange, this,
                                                    [this] { refreshList(); });
    m_listType = static_cast<int>(UserDefaults::standard().integer(keys::kListType));
    m_model->setListType(m_listType);
    setSortTitle();
    tv_camp->setDataSource(this);
    m_model->apiReq();
    drawMainTab(*sc_camp);
}

void OrvaneViewController::viewDidAppear(bool) {
    m_isAppear = true;
    presentFlowAlertsOn(this);
    if (m_shownToHost)
        return; // back from a screen pushed above
    QWidget* container = navigationController();
    if (!container)
        container = this;
    if (m_presentation != container) {
        if (m_presentation)
            m_presentation->removeEventFilter(this);
        m_presentation = container;
        container->installEventFilter(this);
    }
    m_shownToHost = true;
    Q_EMIT HostEvents::shared().offerwallShown();
}

// The presentation ends when its container is hidden by the kit or the host (dismissed, closed,
// hidden); a window the system minimises (a spontaneous hide) is still presented.
bool OrvaneViewController::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_presentation && event->type() == QEvent::Hide && !event->spontaneous() &&
        m_shownToHost) {
        m_shownToHost = false;
        Q_EMIT HostEvents::shared().offerwallClosed();
    }
    return ViewController::eventFilter(watched, event);
}

void OrvaneViewController::viewDidDisappear(bool) {
    m_isAppear = false;
}

void OrvaneViewController::back() {
    ViewController* container = navigationController();
    if (!container)
        container = this;
    if (ViewController* presenter = container->presentingViewController()) {
        presenter->dismiss(true);
    } else if (container->isWindow()) {
        container->close();
    } else {
        Log::info(
            "OrvaneViewController back: the offerwall is embedded; the host is asked to close it");
        Q_EMIT HostEvents::shared().closeRequested();
    }
}

void OrvaneViewController::clickSort() {
    m_model->clickSort();
    setSortTitle();
}

bool OrvaneViewController::escape() {
    back();
    return true;
}

void OrvaneViewController::scValueChanged(int index) {
    m_model->selectGroup(index);
}

void OrvaneViewController::alertControllerBackgroundTapped() {
    dismiss(true);
}

void OrvaneViewController::clickBenefits() {
    performSegue(kBenefitsSegue);
}

void OrvaneViewController::refreshList() {
    m_model->refreshList();
}

void OrvaneViewController::onClick(int row) {
    performSegue(kDetailSegue, QVariant(row));
}

void OrvaneViewController::prepare(StoryboardSegue& segue, const QVariant& sender) {
    auto* detail = qobject_cast<DetailViewController*>(segue.destination);
    if (!detail)
        return;
    const CampRows& rows = m_model->selectedAllCampList();
    const int row = sender.typeId() == QMetaType::Int ? sender.toInt() : -1;
    if (row < 0 || row >= rows.size()) {
        Log::error("OrvaneViewController prepare: no campaign at row", row);
        return;
    }
    detail->setCamp(rows.at(row));
}

int OrvaneViewController::numberOfRows(TableView&) {
    const auto count = static_cast<int>(m_model->selectedAllCampList().size());
    Log::info(u"OrvaneViewController tableView count : "_s + QString::number(count));
    return count;
}

TableViewCell* OrvaneViewController::cellForRow(TableView& tableView, int row) {
    const CampRows& rows = m_model->selectedAllCampList();
    if (row < 0 || row >= rows.size())
        return nullptr;
    const Camp& camp = rows.at(row);
    if (camp.bm == kPurchaseCampaignBm) {
        auto* cell = qobject_cast<CampCPSTableViewCell*>(
            tableView.dequeueReusableCell(CampCPSTableViewCell::kIdentifier));
        if (cell)
            cell->setItem(camp, &tableView, row, m_listType, this);
        return cell;
    }
    auto* cell = qobject_cast<CampTableViewCell*>(
        tableView.dequeueReusableCell(CampTableViewCell::kIdentifier));
    if (cell)
        cell->setItem(camp, &tableView, row, m_listType, this);
    return cell;
}

void OrvaneViewController::showSummary(const QString& text) {
    if (UserDefaults::standard().integer(keys::kBenefitsDisplayType) != kBenefitsDisplayPopup) {
        l_coins_value->setPlainText(text);
        v_coins_calue->show();
        return;
    }
    if (m_isAppear == false)
        return; // covered (e.g. by a detail page): no popup over another screen
    ViewController* scene =
        Storyboard::instantiateViewController(CanReceiveBenefitsViewController::kSceneIdentifier);
    auto* popup = qobject_cast<CanReceiveBenefitsViewController*>(scene);
    if (!popup) {
        delete scene;
        return;
    }
    popup->rewardPriceAndMark = text;
    auto* sheet = new AlertController(QString(), QString(), AlertController::Style::ActionSheet);
    sheet->setObjectName(QStringLiteral("benefitsPopup"));
    sheet->setContentViewController(popup);
    connect(sheet, &AlertController::backdropTapped, this,
            &OrvaneViewController::alertControllerBackgroundTapped);
    present(sheet, true);
    v_coins_calue->hide();
}

void OrvaneViewController::showError(CampListModel::LoadFailure failure) {
    auto* alert = new AlertController(localized(QStringLiteral("ov_alarm")),
                                      CampListModel::failureText(failure));
    alert->addAction(
        AlertAction(localized(QStringLiteral("ov_confirm")), AlertAction::Style::Cancel));
    present(alert, false);
    Q_EMIT HostEvents::shared().offerwallFailed(failure == CampListModel::LoadFailure::NotConfigured
                                                    ? HostEvents::Failure::NotConfigured
                                                    : HostEvents::Failure::ListLoadFailed);
}

void OrvaneViewController::reportLoad(int count) {
    Q_EMIT HostEvents::shared().campaignsAvailable(count);
    if (count == 0) // the no-campaign dialog is up
        Q_EMIT HostEvents::shared().offerwallFailed(HostEvents::Failure::NoCampaigns);
}

void OrvaneViewController::showNoCampaigns() {
    auto* alert = new AlertController(localized(QStringLiteral("ov_alarm")),
                                      localized(QStringLiteral("ov_not_ads")));
    QPointer<OrvaneViewController> self(this);
    alert->addAction(
        AlertAction(localized(QStringLiteral("ov_confirm")), AlertAction::Style::Default, [self] {
            if (self)
                self->back();
        }));
    present(alert, false);
}

void OrvaneViewController::registerStoryboard() {
    if (!Storyboard::hasScene(kSceneIdentifier)) {
        Storyboard::registerScene(kSceneIdentifier, [] { return new OrvaneViewController; });
    }
    if (!Storyboard::hasScene(kNavigationSceneIdentifier)) {
        Storyboard::registerScene(kNavigationSceneIdentifier, []() -> ViewController* {
            auto* root = Storyboard::instantiateViewController(kSceneIdentifier);
            return root ? new NavigationController(root) : nullptr;
        });
        Storyboard::setInitialScene(kStoryboardName, kNavigationSceneIdentifier);
    }
    if (!Storyboard::hasScene(CanReceiveBenefitsViewController::kSceneIdentifier)) {
        Storyboard::registerScene(CanReceiveBenefitsViewController::kSceneIdentifier,
                                  [] { return new CanReceiveBenefitsViewController; });
    }
    if (!Storyboard::hasScene(BenefitsViewController::kSceneIdentifier)) {
        Storyboard::registerScene(BenefitsViewController::kSceneIdentifier,
                                  [] { return new BenefitsViewController; });
        Storyboard::registerSegue(kBenefitsSegue, BenefitsViewController::kSceneIdentifier);
    }
    if (!Storyboard::hasScene(RequestViewController::kSceneIdentifier)) {
        RequestViewController::registerScene();
        Storyboard::registerSegue(RequestViewController::kSceneIdentifier,
                                  RequestViewController::kSceneIdentifier);
    }
    if (!Storyboard::hasScene(DetailViewController::kSceneIdentifier)) {
        DetailViewController::registerScene();
        registerCampCells();
        CopyRightView::registerView();
    }
}

} // namespace orvane
