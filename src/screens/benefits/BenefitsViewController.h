#pragma once

#include <functional>

#include <QDateTime>
#include <QList>
#include <QPair>

#include "core/Records.h"
#include "ui/BackTitle.h"
#include "ui/TableView.h"
#include "ui/ViewController.h"

namespace orvane {

class AlertAction;
class Button;
class Label;

// The history of rewards credited to the user, filtered by kind and period (scene
// "BenefitsViewController"). The two selector buttons carry the current choice as their titles;
// every choice asks the partner server again (getReward) and shows the reply as
// RewardTableViewCell rows, or l_no_receive_benefits when the server refused or could not be
// reached.
//
// The period start dates are fixed when the screen is made (one week, one month and three months
// before "now", days clamped to the month's length); the end of every period is the moment of its
// request. Only the reply to the latest request is shown, so a slow earlier reply never shows one
// period's rewards under another period's title.
//
// Main thread only. Replies are decoded on the transport thread and applied on the main thread;
// a reply that arrives after the screen is gone is dropped.
class BenefitsViewController final : public ViewController, public TableViewDataSource {
    Q_OBJECT
public:
    static inline const QString kSceneIdentifier = QStringLiteral("BenefitsViewController");
    using Clock = std::function<QDateTime()>;

    // `now` gives the current time (construction and every request); the system clock when empty.
    explicit BenefitsViewController(Clock now = {}, QWidget* parent = nullptr);
    ~BenefitsViewController() override;

    Button* b_benefits_kind;
    Button* b_period;
    Label* l_term;
    TableView* tv_reward;
    Label* l_no_receive_benefits;

    // (label, kind code sent as rewardtype) and (label, start date), in display order.
    QList<QPair<QString, QString>> benefitsKindlist;
    QList<QPair<QString, QDateTime>> peiriodlist;

    // The rows on display.
    const QList<RewardItem>& reward() const { return m_reward; }

    // Opens the kind / period sheet, with a tick beside the current choice.
    void clickBenefitsKind();
    void clickPeriod();
    // A choice from the sheets: becomes the button's title, then the list is requested again.
    void actionBenefitsKind(const AlertAction& action);
    void actionPeriod(const AlertAction& action);

    // Works out the period from the buttons and requests it.
    void flowRewardList();
    void apiRewardList(const QString& sStart, const QString& sEnd);

    // TableViewDataSource
    int numberOfRows(TableView& tableView) override;
    TableViewCell* cellForRow(TableView& tableView, int row) override;

protected:
    void viewDidLoad() override;
    void viewDidAppear(bool animated) override;

private:
    void showRewards(const QList<RewardItem>& rewards);
    void showNoRewards();

    Clock m_now;
    QList<RewardItem> m_reward;
    quint64 m_lastIssued = 0; // number of the latest request; older replies are dropped
    BackTitle m_backTitle;
};

} // namespace orvane
