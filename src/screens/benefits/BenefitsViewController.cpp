#include "screens/benefits/BenefitsViewController.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

#include "core/ApiList.h"
#include "core/Dispatch.h"
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

const QString kRequestDatePattern = QStringLiteral("yyyyMMdd");
const QString kTermDatePattern = QStringLiteral("yyyy-MM-dd");

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
    , m_now(now ? std::move(now) : Clock([] { return QDateTime::currentDateTime(); })) {
    benefitsKindlist = {
        {localized(QStringLiteral("ov_breakdown_all")), QStringLiteral("0")},
        {localized(QStringLiteral("ov_participation_benefits")), QStringLiteral("1")},
        {localized(QStringLiteral("ov_purchase_benefits")), QStringLiteral("2")},
    };
    // Start dates are fixed now; QDateTime clamps the day to the target month's length.
    const QDateTime created = m_now();
    peiriodlist = {
        {localized(QStringLiteral("ov_recently_week1")), created.addDays(-7)},
        {localized(QStringLiteral("ov_recently_month1")), created.addMonths(-1)},
        {localized(QStringLiteral("ov_recently_month3")), created.addMonths(-3)},
    };

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

    b_benefits_kind->setTitle(benefitsKindlist.first().first);
    b_period->setTitle(peiriodlist.first().first);
    b_benefits_kind->onTap([this] { clickBenefitsKind(); });
    b_period->onTap([this] { clickPeriod(); });

    tv_reward->setDataSource(this);
    l_no_receive_benefits->setPlainText(localized(QStringLiteral("ov_no_receive_benefits")));
    l_no_receive_benefits->hide();
    flowRewardList();
}

void BenefitsViewController::clickBenefitsKind() {
    QStringList labels;
    for (const auto& [label, code] : std::as_const(benefitsKindlist))
        labels << label;
    present(AlertController::choiceSheet(
                localized(QStringLiteral("ov_benefits")), labels, b_benefits_kind->title(),
                [this](const AlertAction& a) { actionBenefitsKind(a); },
                localized(QStringLiteral("ov_cancel"))),
            true);
}

void BenefitsViewController::clickPeriod() {
    QStringList labels;
    for (const auto& [label, start] : std::as_const(peiriodlist))
        labels << label;
    present(AlertController::choiceSheet(
                localized(QStringLiteral("ov_term")), labels, b_period->title(),
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
    QDateTime start = peiriodlist.first().second;
    for (const auto& [label, date] : std::as_const(peiriodlist)) {
        if (label == b_period->title()) {
            start = date;
            break;
        }
    }
    const QDateTime now = m_now();
    apiRewardList(start.toString(kRequestDatePattern), now.toString(kRequestDatePattern));

    const QString first = start.toString(kTermDatePattern);
    const QString last = now.toString(kTermDatePattern);
    l_term->setPlainText(localized(QStringLiteral("ov_term")) + QStringLiteral(" : ") + first +
                         QStringLiteral(" ~ ") + last);
    Log::info(u"sStart : "_s + first + u" / sEnd : "_s + last);
}

void BenefitsViewController::apiRewardList(const QString& sStart, const QString& sEnd) {
    QString code = benefitsKindlist.first().second;
    for (const auto& [label, kind] : std::as_const(benefitsKindlist)) {
        if (label == b_benefits_kind->title()) {
            code = kind;
            break;
        }
    }
    const quint64 request = ++m_lastIssued;
    QPointer<BenefitsViewController> self(this);
    // True when the reply to `request` is the one to show (the screen is there and asked nothing
    // since).
    auto current = [](const QPointer<BenefitsViewController>& self, quint64 request) {
        if (self && request != self->m_lastIssued)
            Log::info("BenefitsViewController drops the reply of an outdated request");
        return self && request == self->m_lastIssued;
    };
    ApiList().getReward(code, sStart, sEnd, [self, request, current](const ApiResult& result) {
        if (!result.ok()) {
            dispatch::toMain([self, request, current] {
                if (current(self, request))
                    self->showNoRewards();
            });
            return;
        }
        const Decoded<RewardList> decoded = decode<RewardList>(result.body());
        if (!decoded.ok()) {
            Log::error(decoded.error());
            return;
        }
        const RewardList& list = decoded.value();
        if (list.result == 200) {
            // A success without a list has nothing to show: an empty table, as an empty list.
            const QList<RewardItem> rewards = list.reward.value_or(QList<RewardItem>());
            dispatch::toMain([self, request, rewards, current] {
                if (current(self, request))
                    self->showRewards(rewards);
            });
            return;
        }
        Log::error(u"OrvaneViewController getReq Error : "_s + optionalDescription(list.result));
        dispatch::toMain([self, request, current] {
            if (current(self, request))
                self->showNoRewards();
        });
    });
    Log::info(u"sStart : "_s + sStart + u" / sEnd : "_s + sEnd);
}

void BenefitsViewController::showRewards(const QList<RewardItem>& rewards) {
    m_reward = rewards;
    tv_reward->reloadData();
    tv_reward->show();
    l_no_receive_benefits->hide();
}

void BenefitsViewController::showNoRewards() {
    tv_reward->hide();
    l_no_receive_benefits->show();
}

int BenefitsViewController::numberOfRows(TableView&) {
    const auto count = static_cast<int>(m_reward.size());
    Log::info(u"BenefitsViewController tableView count : "_s + QString::number(count));
    return count;
}

TableViewCell* BenefitsViewController::cellForRow(TableView& tableView, int row) {
    auto* cell = qobject_cast<RewardTableViewCell*>(
        tableView.dequeueReusableCell(RewardTableViewCell::kReuseIdentifier));
    if (cell && row >= 0 && row < m_reward.size())
        cell->setItem(m_reward.at(row), tableView, row);
    return cell;
}

} // namespace orvane
