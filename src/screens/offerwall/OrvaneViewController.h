#pragma once

#include <optional>

#include <QPointer>

#include "core/CampListModel.h"
#include "screens/offerwall/CampClickProtocol.h"
#include "ui/TableView.h"
#include "ui/ViewController.h"

namespace orvane {

class Button;
class CopyRightView;
class Label;
class SegmentedControl;

// The offerwall main screen, root of the "OrvaneStoryboard" navigation container: the tab bar of
// the two campaign groups, the sort button, the summary of rewards on offer (in the list header,
// or as a popup sheet), the campaign table with its standard and CPS rows, and the copyright
// footer. The bar holds a close control (back) and the way to the benefits history.
//
// The data side (fetch, groups, sort, pinning, summary text) is CampListModel; the first load
// starts in viewDidLoad, which also starts observing "action_list_change" (every one reloads).
// Failed loads show an error dialog, a reply without campaigns a dialog whose confirmation closes
// the offerwall; the host hears of every load and failure through HostEvents. Every appearance
// makes this screen the one on which the participation flow presents its alerts.
//
// Main thread only. Owned by its navigation container.
class OrvaneViewController final : public ViewController,
                                   public TableViewDataSource,
                                   public CampClickProtocol {
    Q_OBJECT
public:
    static inline const QString kSceneIdentifier = QStringLiteral("OrvaneViewController");
    static inline const QString kStoryboardName = QStringLiteral("OrvaneStoryboard");
    // The initial scene of "OrvaneStoryboard": a navigation container with this screen as root.
    static inline const QString kNavigationSceneIdentifier =
        QStringLiteral("OrvaneNavigationController");
    static inline const QString kDetailSegue = QStringLiteral("DetailViewController");
    static inline const QString kBenefitsSegue = QStringLiteral("BenefitsViewController");

    explicit OrvaneViewController(QWidget* parent = nullptr);
    ~OrvaneViewController() override;

    // Outlets.
    QWidget* v_tabs;
    Button* b_sort;
    QWidget* v_coins_calue;
    Label* l_coins_value;
    TableView* tv_camp;
    SegmentedControl* sc_camp;
    CopyRightView* copyRightView() const { return m_footer; }
    // The close control in the bar and the entry to the benefits history above the list.
    Button* closeButton() const { return m_close; }
    Button* benefitsButton() const { return m_benefits; }

    CampListModel& model() { return *m_model; }
    int listType() const { return m_listType; }
    // Absent until the first appearance; then whether the screen is on display.
    std::optional<bool> isAppear() const { return m_isAppear; }

    // Closes the offerwall: dismisses its container (animated) when it was presented, closes it
    // when it is a window of its own; an offerwall the host embedded itself stays, and the host is
    // asked to close it (HostEvents::closeRequested).
    void back();
    void clickSort();
    void scValueChanged(int index);
    // Dismisses whatever this screen presents (the benefits popup, on a tap beside it).
    void alertControllerBackgroundTapped();
    // Opens the benefits history.
    void clickBenefits();
    // Fetches the campaign list again ("action_list_change", observed once the screen loads).
    void refreshList();
    // Escape on the root of the offerwall closes it, as the close control does.
    bool escape() override;

    // CampClickProtocol: opens the detail page of the campaign in `row`.
    void onClick(int row) override;
    void prepare(StoryboardSegue& segue, const QVariant& sender) override;

    // TableViewDataSource
    int numberOfRows(TableView& tableView) override;
    TableViewCell* cellForRow(TableView& tableView, int row) override;

    // Registers every scene, segue, cell and view of "OrvaneStoryboard" with the Storyboard.
    // Idempotent; the facade calls it before it builds an offerwall.
    static void registerStoryboard();

protected:
    void viewDidLoad() override;
    void viewDidAppear(bool animated) override;
    void viewDidDisappear(bool animated) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showSummary(const QString& text);
    void showError(CampListModel::LoadFailure failure);
    void showNoCampaigns();
    // Tells the host of an applied list: its size, and the failure of an empty one.
    void reportLoad(int count);
    void setSortTitle();

    CampListModel* m_model;
    CopyRightView* m_footer = nullptr;
    Button* m_close;
    Button* m_benefits;
    int m_listType = 1;
    std::optional<bool> m_isAppear;
    // The widget whose visibility is the offerwall's presentation (its navigation container),
    // and whether the host was told that it is shown.
    QPointer<QWidget> m_presentation;
    bool m_shownToHost = false;
};

// Styles the group tabs of the main screen: the selected segment filled with the accent colour
// (ui::accentColor() now), an accent border of 1 point, accent titles, white on the
// selected segment.
void drawMainTab(SegmentedControl& control);

} // namespace orvane
