#pragma once

#include <optional>

#include <QObject>
#include <QString>

#include "core/CampListModel.h"
#include "core/Records.h"
#include "participation/JoinProtocol.h"

namespace orvane {

// What a campaign's detail page does, whatever draws it: it fetches the common notice text and
// reports the view of the campaign (both at once, answered in any order; failures are logged under
// the page's name and shown to nobody), and carries the page's one button through
//
//   Loading (cta, no action) -> Join once the view report is answered and `convflag` is 0
//   -> ParticipationCheck on onParticipationCheckPossible (the list under the page reloads)
//   -> Accumulate on a reward key for the campaign
//
// A reward key of the campaign (the list's own for a converted campaign, one the flow holds, or
// one confirmed later, whoever asked for it) moves it to Accumulate. It is the listener of the
// joins made from the page. "action_detail_finish" asks the page to close (finishRequested).
// Main thread only; owned by its page.
class DetailFlow final : public QObject, public JoinProtocol {
    Q_OBJECT
public:
    enum class State { Loading, Join, ParticipationCheck, Accumulate };

    // `page` names the page in the log. Nothing happens before start().
    DetailFlow(const Camp& camp, const char* page, QObject* parent = nullptr);
    ~DetailFlow() override;

    // Sends the two requests and takes the campaign's reward key; the page connects first.
    void start();

    const Camp& camp() const { return m_camp; }
    State state() const { return m_state; }
    std::optional<QString> orvkey() const { return m_orvkey; }
    // The button's title: the campaign's `cta` to join (and while loading), else
    // "ov_participation_check" or "ov_accumulate".
    QString buttonTitle() const;

    // The button's tap in the current state (nothing while loading).
    void tap();
    // Runs `action` for the campaign, joining with this flow as listener. A claim without a key
    // does nothing: the button offers it only once a key is stored.
    void run(CampListModel::Action action);

    void onParticipationCheckPossible() override;
    void onAccumulationPossible(qint64 campid, const QString& orvkey) override;

Q_SIGNALS:
    void stateChanged();
    // The notice text (HTML) arrived.
    void noticeArrived(const std::optional<QString>& text);
    void finishRequested();

private:
    void requestNotice();
    void requestView();
    void enter(State state);

    Camp m_camp;
    QString m_page;
    std::optional<QString> m_orvkey;
    State m_state = State::Loading;
};

} // namespace orvane
