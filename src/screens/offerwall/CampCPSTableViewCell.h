#pragma once

#include <optional>

#include <QPointer>

#include "core/Records.h"
#include "ui/TableView.h"
#include "ui/ViewController.h"
#include "ui/Views.h"

namespace orvane {

class Button;
class CampClickProtocol;
class ImageView;
class Label;

// The row of a purchase (CPS, bm 4) campaign ("tvc_camp_cps"): rounded icon, name, the discounted
// price ("9,900" followed at once by the text of "ov_won"), and a pill button titled with the
// reward. It has one action, join: a tap on the row or the button opens the detail page through
// the screen (detailpage 1) or calls ApiJoin::startJoin without a listener. setItem recomputes
// everything. Main thread only; owned by its table.
class CampCPSTableViewCell final : public TableViewCell {
    Q_OBJECT
public:
    static inline const QString kIdentifier = QStringLiteral("tvc_camp_cps");

    explicit CampCPSTableViewCell(QWidget* parent = nullptr);
    ~CampCPSTableViewCell() override;

    // `tableView` and `listType` are not used by this row. `campClickProtocol` must also be a
    // QObject.
    void setItem(const Camp& camp, TableView* tableView, int row, int listType,
                 CampClickProtocol* campClickProtocol);

    void clickJoin();
    void activate() override { clickJoin(); }

    const std::optional<Camp>& camp() const { return m_camp; }
    std::optional<int> indexPath() const { return m_indexPath; }

    // Outlets.
    ImageView* iv_icon() const { return m_ivIcon; }
    Label* l_title() const { return m_lTitle; }
    Label* l_content() const { return m_lContent; }
    Button* b_reward_button() const { return m_bRewardButton; }
    const LayoutConstraint& lch_division() const { return m_lchDivision; }

private:
    ImageView* m_ivIcon;
    Label* m_lTitle;
    Label* m_lContent;
    Button* m_bRewardButton;
    LayoutConstraint m_lchDivision;

    std::optional<Camp> m_camp;
    std::optional<int> m_indexPath;
    QPointer<QObject> m_campClickProtocol;
};

} // namespace orvane
