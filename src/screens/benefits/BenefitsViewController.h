#pragma once

#include "core/RewardHistory.h"
#include "ui/BackTitle.h"
#include "ui/TableView.h"
#include "ui/ViewController.h"

namespace orvane {

class AlertAction;
class Button;
class Label;

// The history of rewards credited to the user, filtered by kind and period (scene
// "BenefitsViewController"). The two selector buttons carry the current choice as their titles;
// every choice asks the partner server again through the core's RewardHistoryModel and shows the
// reply as RewardTableViewCell rows, or l_no_receive_benefits when the server refused or could not
// be reached. Main thread only.
class BenefitsViewController final : public ViewController, public TableViewDataSource {
    Q_OBJECT
public:
    static inline const QString kSceneIdentifier = QStringLiteral("BenefitsViewController");
    using Clock = RewardHistoryModel::Clock;

    // `now` gives the current time (construction and every request); the system clock when empty.
    explicit BenefitsViewController(Clock now = {}, QWidget* parent = nullptr);
    ~BenefitsViewController() override;

    Button* b_benefits_kind;
    Button* b_period;
    Label* l_term;
    TableView* tv_reward;
    Label* l_no_receive_benefits;

    // The choices, the request and the rows on display.
    RewardHistoryModel* history() const { return m_history; }
    const QList<RewardItem>& reward() const { return m_history->reward(); }

    // Opens the kind / period sheet, with a tick beside the current choice.
    void clickBenefitsKind();
    void clickPeriod();
    // A choice from the sheets: becomes the button's title, then the list is requested again.
    void actionBenefitsKind(const AlertAction& action);
    void actionPeriod(const AlertAction& action);

    // Requests the kind and period the buttons show.
    void flowRewardList();

    // TableViewDataSource
    int numberOfRows(TableView& tableView) override;
    TableViewCell* cellForRow(TableView& tableView, int row) override;

protected:
    void viewDidLoad() override;
    void viewDidAppear(bool animated) override;

private:
    RewardHistoryModel* m_history;
    BackTitle m_backTitle;
};

} // namespace orvane
