#pragma once

#include <optional>

#include <QPointer>

#include "core/CampListModel.h"
#include "core/Records.h"
#include "participation/JoinProtocol.h"
#include "ui/Label.h"
#include "ui/TableView.h"
#include "ui/ViewController.h"
#include "ui/Views.h"

namespace orvane {

class AspectImageView;
class CampClickProtocol;
class ImageView;

// The standard campaign row ("tvc_camp"), for every campaign whose bm is not 4: the image (a wide
// native picture in the native list, otherwise a rounded icon), the name, the description with the
// reward, and a pill-shaped action. A tap anywhere on the row runs the row's current action:
//
//   join                 the campaign's cta    detail page through the screen (detailpage 1),
//                                              otherwise ApiJoin::startJoin with this row as
//                                              listener
//   participation check  "ov_participation_check"  ApiJoin::flowParticipation
//   accumulate           "ov_accumulate"       ApiJoin::apiReward with the campaign's key
//
// setItem recomputes everything from the campaign, the reward key ApiJoin holds for it and
// ApiJoin's partiConfirmList: a reused row never shows or acts on its previous campaign (images
// are replaced by the placeholder until the new ones arrive; a key or a listener call meant for
// another campaign is ignored). A key ApiJoin offers later for the row's campaign switches it to
// accumulate, whichever row or screen joined.
// Main thread only; owned by its table.
class CampTableViewCell final : public TableViewCell, public JoinProtocol {
    Q_OBJECT
public:
    static inline const QString kIdentifier = QStringLiteral("tvc_camp");
    // The row's actions: the shared ones (campAction), under the names its callers use.
    enum class Action {
        join = int(CampListModel::Action::Join),
        participationCheck = int(CampListModel::Action::ParticipationCheck),
        accumulate = int(CampListModel::Action::Accumulate),
    };

    explicit CampTableViewCell(QWidget* parent = nullptr);
    ~CampTableViewCell() override;

    // `row` is the row's index in the table; `listType` the screen's list type (1 native, 2 icon,
    // anything else icon). The table showing the row measures it again when a native picture
    // arrives with other proportions than expected. `campClickProtocol` must also be a QObject.
    void setItem(const Camp& camp, TableView* tableView, int row, int listType,
                 CampClickProtocol* campClickProtocol);

    // Tap actions (a tap on the row runs the current one).
    void clickJoin();
    void clickParticipation();
    void clickAccumulation();
    // Enter or Space on the row: the same as a tap.
    void activate() override { runAction(); }

    void onParticipationCheckPossible() override;
    void onAccumulationPossible(qint64 campid, const QString& orvkey) override;

    const std::optional<Camp>& camp() const { return m_camp; }
    std::optional<int> indexPath() const { return m_indexPath; }
    std::optional<QString> orvkey() const { return m_orvkey; }
    Action action() const { return m_action; }

    // Outlets.
    AspectImageView* iv_native() const { return m_ivNative; }
    ImageView* iv_icon() const { return m_ivIcon; }
    Label* l_title() const { return m_lTitle; }
    WrappingRichLabel* l_content() const { return m_lContent; }
    Label* l_reward_button() const { return m_lRewardButton; }
    const LayoutConstraint& lch_division() const { return m_lchDivision; }
    const LayoutConstraint& lch_iv_native() const { return m_lchIvNative; }

private:
    void enter(Action action);
    void runAction();
    void run(Action action);
    void showNative(const QUrl& url);
    void showIcon();
    void nativeImageArrived(const QImage& image);
    int nativeWidth() const;

    AspectImageView* m_ivNative;
    ImageView* m_ivIcon;
    Label* m_lTitle;
    WrappingRichLabel* m_lContent;
    Label* m_lRewardButton;
    LayoutConstraint m_lchDivision;
    LayoutConstraint m_lchIvNative;

    std::optional<Camp> m_camp;
    std::optional<int> m_indexPath;
    std::optional<QString> m_orvkey;
    QPointer<QObject> m_campClickProtocol;
    Action m_action = Action::join;
    // The campaign this row last asked ApiJoin to join with itself as listener.
    std::optional<qint64> m_joinedCampid;
};

// Registers "tvc_camp" and "tvc_camp_cps" with the Storyboard's cell registry.
void registerCampCells();

} // namespace orvane
