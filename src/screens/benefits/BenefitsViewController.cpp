#include "screens/benefits/BenefitsViewController.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

#include "core/Localized.h"
#include "core/Log.h"
#include "screens/benefits/RewardTableViewCell.h"
#include "ui/AlertController.h"
#include "ui/Button.h"
#include "ui/Label.h"
#include "ui/Theme.h"

using namespace Qt::StringLiterals;

namespace orvane {

namespace {

// A selector: a bordered rounded button with a small chevron at its right end.
Button* makeSelector(const QString& objectName, QWidget* parent) {
    auto* button = new Button(parent);
    button->setObjectName(objectName);
    button->setBorder(QColor::fromRgbF(227.0f / 255.0f, 227.0f / 255.0f, 227.0f / 255.0f, 1.0f), 1);
    button->setCornerRadius(8);
    button->setBackgroundColor(Qt::white);
    button->setTitleColor(QColor(28, 28, 30));
    button->setFontSize(ui::kBodyFontSize, QFont::Medium);
    button->setContentPadding(QMargins(12, 8, 28, 8));
    button->setMinimumHeight(40);
    auto* chevron = new Label(QStringLiteral("\u25BE"), button);
    chevron->setTextColor(ui::secondaryTextColor());
    chevron->setAttribute(Qt::WA_TransparentForMouseEvents);
    auto* layout = new QHBoxLayout(button);
    layout->setContentsMargins(0, 0, 12, 0);
    layout->addStretch(1);
    layout->addWidget(chevron);
    return button;
}

} // namespace

BenefitsViewController::BenefitsViewController(Clock now, QWidget* parent)
    : ViewController(parent)
    , b_benefits_kind(makeSelector(QStringLiteral("b_benefits_kind"), this))
    , b_period(makeSelector(QStringLiteral("b_period"), this))
    , l_term(new Label(this))
    , tv_reward(new TableView(this))
    , l_no_receive_benefits(new Label(this))
    , m_history(new RewardHistoryModel(std::move(now), this)) {
    setObjectName(QStringLiteral("BenefitsViewController"));
    l_term->setObjectName(QStringLiteral("l_term"));
    tv_reward->setObjectName(QStringLiteral("tv_reward"));
    l_no_receive_benefits->setObjectName(QStringLiteral("l_no_receive_benefits"));

    l_term->setFont(ui::font(ui::kSmallFontSize + 1));
    l_term->setTextColor(ui::secondaryTextColor());
    l_no_receive_benefits->setFont(ui::font(ui::kBodyFontSize));
    l_no_receive_benefits->setTextColor(ui::secondaryTextColor());
    l_no_receive_benefits->setAlignment(Qt::AlignCenter);
    tv_reward->setFrameShape(QFrame::NoFrame);
    tv_reward->registerCell(RewardTableViewCell::kReuseIdentifier,
                            [] { return new RewardTableViewCell; });
    tv_reward->setEstimatedRowHeight(68);

    auto* selectors = new QHBoxLayout;
    selectors->setSpacing(10);
    selectors->addWidget(b_benefits_kind, 1);
    selectors->addWidget(b_period, 1);

    auto* top = new QVBoxLayout;
    top->setContentsMargins(16, 14, 16, 10);
    top->setSpacing(10);
    top->addLayout(selectors);
    top->addWidget(l_term);

    auto* separator = new QWidget(this);
    separator->setFixedHeight(8);
    separator->setAutoFillBackground(true);
    QPalette sp = separator->palette();
    sp.setColor(QPalette::Window, ui::groupedBackgroundColor());
    separator->setPalette(sp);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addLayout(top);
    column->addWidget(separator);
    column->addWidget(tv_reward, 1);
    column->addWidget(l_no_receive_benefits, 1);

    connect(m_history, &RewardHistoryModel::termChanged, this,
            [this] { l_term->setPlainText(m_history->term()); });
    connect(m_history, &QAbstractItemModel::modelReset, this, [this] { tv_reward->reloadData(); });
    // A failure shows the label in the table's place until a reply brings rows again.
    connect(m_history, &RewardHistoryModel::stateChanged, this, [this] {
        tv_reward->setHidden(m_history->hasFailed());
        l_no_receive_benefits->setVisible(m_history->hasFailed());
    });
}

BenefitsViewController::~BenefitsViewController() {
    tv_reward->setDataSource(nullptr);
}

void BenefitsViewController::viewDidAppear(bool) {
    m_backTitle.set(*this, localized(QStringLiteral("ov_benefits_received"))); // loaded unpushed
}

void BenefitsViewController::viewDidLoad() {
    setLightAppearance();
    setTitle(localized(QStringLiteral("ov_benefits_received")));
    // The back button leading from this screen reads "Rewards received".
    m_backTitle.set(*this, localized(QStringLiteral("ov_benefits_received")));

    b_benefits_kind->setTitle(m_history->kindLabels().first());
    b_period->setTitle(m_history->periodLabels().first());
    b_benefits_kind->onTap([this] { clickBenefitsKind(); });
    b_period->onTap([this] { clickPeriod(); });

    tv_reward->setDataSource(this);
    l_no_receive_benefits->setPlainText(localized(QStringLiteral("ov_no_receive_benefits")));
    l_no_receive_benefits->hide();
    flowRewardList();
}

void BenefitsViewController::clickBenefitsKind() {
    present(AlertController::choiceSheet(
                localized(QStringLiteral("ov_benefits")), m_history->kindLabels(),
                b_benefits_kind->title(), [this](const AlertAction& a) { actionBenefitsKind(a); },
                localized(QStringLiteral("ov_cancel"))),
            true);
}

void BenefitsViewController::clickPeriod() {
    present(AlertController::choiceSheet(
                localized(QStringLiteral("ov_term")), m_history->periodLabels(), b_period->title(),
                [this](const AlertAction& a) { actionPeriod(a); },
                localized(QStringLiteral("ov_cancel"))),
            true);
}

void BenefitsViewController::actionBenefitsKind(const AlertAction& action) {
    b_benefits_kind->setTitle(action.title());
    flowRewardList();
}

void BenefitsViewController::actionPeriod(const AlertAction& action) {
    b_period->setTitle(action.title());
    flowRewardList();
}

void BenefitsViewController::flowRewardList() {
    m_history->flowRewardList(b_benefits_kind->title(), b_period->title());
}

int BenefitsViewController::numberOfRows(TableView&) {
    const auto count = static_cast<int>(reward().size());
    Log::info(u"BenefitsViewController tableView count : "_s + QString::number(count));
    return count;
}

TableViewCell* BenefitsViewController::cellForRow(TableView& tableView, int row) {
    auto* cell = qobject_cast<RewardTableViewCell*>(
        tableView.dequeueReusableCell(RewardTableViewCell::kReuseIdentifier));
    if (cell && row >= 0 && row < reward().size())
        cell->setItem(reward().at(row), tableView, row);
    return cell;
}

} // namespace orvane
