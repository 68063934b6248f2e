#include "participation/DetailFlow.h"

#include <QPointer>

#include "core/ApiList.h"
#include "core/Dispatch.h"
#include "core/Localized.h"
#include "core/Log.h"
#include "core/NotificationCenter.h"
#include "participation/ApiJoin.h"
#include "participation/CampTap.h"

namespace orvane {

DetailFlow::DetailFlow(const Camp& camp, const char* page, QObject* parent)
    : QObject(parent)
    , m_camp(camp)
    , m_page(QString::fromUtf8(page)) {}

DetailFlow::~DetailFlow() = default;

void DetailFlow::start() {
    NotificationCenter::defaultCenter().addObserver(kActionDetailFinish, this,
                                                    [this] { Q_EMIT finishRequested(); });
    requestNotice();
    requestView();
    if (!m_camp.campid) {
        return;
    }
    const qint64 campid = *m_camp.campid;
    connect(&ApiJoin::shared(), &ApiJoin::rewardKeyHeld, this,
            [this, campid](qint64 confirmed, const QString& orvkey) {
                if (confirmed == campid) {
                    onAccumulationPossible(confirmed, orvkey);
                }
            });
    std::optional<QString> key = ApiJoin::shared().heldKey(campid);
    if (m_camp.convflag == 1 && m_camp.orvkey && !m_camp.orvkey->isEmpty()) {
        key = m_camp.orvkey;
    }
    if (key) {
        onAccumulationPossible(campid, *key);
    }
}

QString DetailFlow::buttonTitle() const {
    switch (m_state) {
    case State::Loading:
    case State::Join:
        return m_camp.cta.value_or(QString());
    case State::ParticipationCheck:
        return localized(QStringLiteral("ov_participation_check"));
    case State::Accumulate:
        return localized(QStringLiteral("ov_accumulate"));
    }
    return {};
}

void DetailFlow::tap() {
    switch (m_state) {
    case State::Loading:
        return;
    case State::Join:
        run(CampListModel::Action::Join);
        return;
    case State::ParticipationCheck:
        run(CampListModel::Action::ParticipationCheck);
        return;
    case State::Accumulate:
        run(CampListModel::Action::Accumulate);
        return;
    }
}

void DetailFlow::run(CampListModel::Action action) {
    if (action == CampListModel::Action::Accumulate && !m_orvkey) {
        return;
    }
    runCampTap(m_camp,
               {.action = action, .listener = this, .receivedKey = m_orvkey, .openDetail = {}},
               m_page.toUtf8().constData());
}

void DetailFlow::requestNotice() {
    QPointer<DetailFlow> self = this;
    const QString page = m_page;
    ApiList().getHalvekNotice([self, page](const ApiResult& result) {
        if (!result.ok()) {
            return;
        }
        const Decoded<HalvekNotice> notice = decode<HalvekNotice>(result.body());
        if (!notice.ok()) {
            Log::error(notice.error());
            return;
        }
        if (notice.value().result != 200) {
            Log::error(page + QStringLiteral(" apiHalvekNotice Error :"), notice.value().result);
            return;
        }
        const std::optional<QString> text = notice.value().text;
        dispatch::toMain([self, text] {
            if (self) {
                Q_EMIT self->noticeArrived(text);
            }
        });
    });
}

void DetailFlow::requestView() {
    QPointer<DetailFlow> self = this;
    const QString page = m_page;
    const std::optional<qint64> convflag = m_camp.convflag;
    ApiList().getView(QString::number(m_camp.campid.value_or(0)), [self, page, convflag](
                                                                      const ApiResult& result) {
        if (!result.ok()) {
            return;
        }
        const Decoded<HalvekNotice> view = decode<HalvekNotice>(result.body());
        if (!view.ok()) {
            Log::error(view.error());
            return;
        }
        if (view.value().result != 200) {
            Log::error(page + QStringLiteral(" apiView Error :"), view.value().result);
        }
        if (convflag == 0) {
            dispatch::toMain([self] {
                // A listener call may already have moved the button on.
                if (self && self->m_state == State::Loading) {
                    self->enter(State::Join);
                }
            });
        }
    });
}

void DetailFlow::enter(State state) {
    m_state = state;
    Q_EMIT stateChanged();
}

void DetailFlow::onParticipationCheckPossible() {
    enter(State::ParticipationCheck);
    // The list under the page offers the check too.
    NotificationCenter::defaultCenter().post(kActionListChange);
}

void DetailFlow::onAccumulationPossible(qint64 campid, const QString& orvkey) {
    if (m_camp.campid != campid) {
        Log::info(m_page + QStringLiteral(" onAccumulationPossible: key for campaign"), campid,
                  "but this page shows another one; ignored");
        return;
    }
    m_orvkey = orvkey;
    enter(State::Accumulate);
}

} // namespace orvane
