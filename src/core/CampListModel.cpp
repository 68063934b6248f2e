#include "core/CampListModel.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include <QPointer>

#include "core/ApiList.h"
#include "core/CampDisplay.h"
#include "core/Dispatch.h"
#include "core/KitConstants.h"
#include "core/Localized.h"
#include "core/Log.h"
#include "core/NotificationCenter.h"

namespace orvane {

namespace {

// The row at which a house campaign lands in a list of `size` rows.
qsizetype pinnedRow(const Camp& house, qsizetype size) {
    const qint64 orderseq = house.orderseq.value_or(0);
    if (orderseq < 1) {
        return 0;
    }
    return orderseq - 1 > size ? size : static_cast<qsizetype>(orderseq - 1);
}

// The final row of each house campaign (in pinning order) once all are pinned among `regular`
// rows. Inserting one at a row pushes every row at or after it down, so the last one keeps its row
// and each earlier one ends at its row counted among the rows the later ones leave free. Found from
// the last to the first in a Fenwick tree of free rows: O(n log n) whatever the rows asked for.
std::vector<qsizetype> finalHouseRows(const std::vector<const Camp*>& house, qsizetype regular) {
    const qsizetype total = regular + std::ssize(house);
    std::vector<qsizetype> freeRows(static_cast<size_t>(total) + 1); // 1-based
    qsizetype top = 1;
    for (qsizetype i = 1; i <= total; ++i) {
        freeRows[static_cast<size_t>(i)] = i & -i;
        top = (i & (i - 1)) == 0 ? i : top;
    }
    std::vector<qsizetype> rows(house.size());
    for (qsizetype k = std::ssize(house) - 1; k >= 0; --k) {
        const auto index = static_cast<size_t>(k);
        qsizetype wanted = pinnedRow(*house[index], regular + k) + 1; // the wanted-th free row
        qsizetype at = 0;
        for (qsizetype step = top; step > 0; step /= 2) {
            if (at + step <= total && freeRows[static_cast<size_t>(at + step)] < wanted) {
                at += step;
                wanted -= freeRows[static_cast<size_t>(at)];
            }
        }
        rows[index] = at;
        for (qsizetype i = at + 1; i <= total; i += i & -i) {
            --freeRows[static_cast<size_t>(i)];
        }
    }
    return rows;
}

// The body as valid UTF-8: every invalid sequence becomes U+FFFD, exactly as QString::fromUtf8
// replaces it. A valid body, the usual case, costs one scan and comes back shared, not copied.
QByteArray validUtf8(const QByteArray& body) {
    if (body.isValidUtf8()) {
        return body;
    }
    return QString::fromUtf8(body).toUtf8();
}

// The reply text (valid UTF-8) with every occurrence of the "ascii_newline" text removed. In valid
// UTF-8 a byte match of a whole character sequence is a character match, so bytes suffice.
QByteArray withoutNewlineText(QByteArray text) {
    const QByteArray newline = localized(QStringLiteral("ascii_newline")).toUtf8();
    if (!newline.isEmpty() && text.contains(newline)) {
        text.replace(newline, QByteArrayView());
    }
    return text;
}

CampListModel::LoadFailure failureOf(const ApiError& error) {
    switch (error.kind) {
    case ApiError::Kind::Transport:
        return CampListModel::LoadFailure::NoConnection;
    case ApiError::Kind::Timeout:
        return CampListModel::LoadFailure::TimedOut;
    case ApiError::Kind::Configuration:
        return CampListModel::LoadFailure::NotConfigured;
    case ApiError::Kind::HttpStatus:
    case ApiError::Kind::InvalidInput:
        break;
    }
    return CampListModel::LoadFailure::ServerError;
}

} // namespace

QList<Camp> CampRows::toList() const {
    QList<Camp> out;
    out.reserve(size());
    for (const Camp* camp : m_rows) {
        out.append(*camp);
    }
    return out;
}

bool operator==(const CampRows& a, const CampRows& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end());
}

// The four group lists and the summary of one reply; built on the transport thread, applied on
// the main thread.
struct CampListModel::Grouped {
    QList<Camp> otherCamp;
    QList<Camp> cpsCamp;
    QList<Camp> otherHouse;
    QList<Camp> cpsHouse;
    double total = 0;
    QString mark;
};

CampListModel::CampListModel(QObject* parent)
    : QAbstractListModel(parent) {}

CampListModel::~CampListModel() = default;

void CampListModel::apiReq() {
    const quint64 sequence = ++m_lastIssued;
    QPointer<CampListModel> guard(this);
    ApiList().getReq([guard, sequence](const ApiResult& result) {
        // Runs on the transport thread: decode here, touch the model on the main thread only.
        auto fail = [guard, sequence](LoadFailure failure, const QString& description) {
            dispatch::toMain([guard, sequence, failure, description] {
                if (!guard) {
                    return;
                }
                if (sequence < guard->m_lastApplied) {
                    Log::info("OrvaneViewController drops the failure of an outdated request");
                    return;
                }
                Q_EMIT guard->loadFailed(failure, description);
            });
        };
        if (!result.ok()) {
            Log::error("OrvaneViewController getReq Error :", result.error().description());
            fail(failureOf(result.error()), result.error().description());
            return;
        }
        Grouped grouped;
        QString error;
        if (!prepare(result.body(), grouped, error)) {
            fail(LoadFailure::UnreadableReply, error);
            return;
        }
        dispatch::toMain([guard, sequence, grouped = std::move(grouped)] {
            if (!guard) {
                return;
            }
            if (sequence <= guard->m_lastApplied) {
                Log::info("OrvaneViewController drops the reply of an outdated request");
                return;
            }
            guard->m_lastApplied = sequence;
            guard->apply(grouped);
        });
    });
}

void CampListModel::applyReply(const Req& reply) {
    apply(group(reply));
}

bool CampListModel::applyBody(const QByteArray& body) {
    Grouped grouped;
    QString error;
    if (!prepare(body, grouped, error)) {
        Q_EMIT loadFailed(LoadFailure::UnreadableReply, error);
        return false;
    }
    apply(grouped);
    return true;
}

bool CampListModel::prepare(const QByteArray& body, Grouped& grouped, QString& error) {
    Req reply;
    {
        const Decoded<Req> decoded = decode<Req>(withoutNewlineText(validUtf8(body)));
        if (!decoded.ok()) {
            Log::error("OrvaneViewController Decoding Error");
            Log::error(decoded.error());
            error = decoded.error();
            return false;
        }
        reply = decoded.value(); // shares the lists; once `decoded` is gone, grouping moves them
    }
    if (reply.result != 200) {
        Log::error("OrvaneViewController getReq Error :", optionalDescription(reply.result));
    }
    grouped = group(std::move(reply));
    return true;
}

CampListModel::Grouped CampListModel::group(Req reply) {
    Grouped grouped;
    auto take = [&](std::optional<QList<Camp>>& camps, QList<Camp>& other, QList<Camp>& cps) {
        if (!camps) {
            return;
        }
        for (Camp& camp : *camps) {
            // The list-level reward type reaches every campaign here; polling reads it later.
            camp.rewardtype = reply.rewardtype;
            grouped.total += camp.rewardprice.value_or(0);
            if (grouped.mark.isEmpty()) {
                grouped.mark = camp.pricemark.value_or(QString());
            }
            (campGroup(camp) == Group::Purchase ? cps : other).append(std::move(camp));
        }
    };
    take(reply.camp, grouped.otherCamp, grouped.cpsCamp);
    take(reply.housemd, grouped.otherHouse, grouped.cpsHouse);
    Log::info("OrvaneViewController otherCampList.count :", grouped.otherCamp.size(),
              "cpsCampList.count :", grouped.cpsCamp.size(),
              "otherHouseList.count :", grouped.otherHouse.size(),
              "cpsHouseList.count :", grouped.cpsHouse.size());
    return grouped;
}

void CampListModel::apply(const Grouped& grouped) {
    m_otherCampList = grouped.otherCamp;
    m_cpsCampList = grouped.cpsCamp;
    m_otherHouseList = grouped.otherHouse;
    m_cpsHouseList = grouped.cpsHouse;
    m_summaryTotal = grouped.total;
    m_summaryMark = grouped.mark;
    selectAfterLoad();
    setSort();
    Q_EMIT summaryReady(summaryText());
    Q_EMIT loaded(int(m_otherCampList.size() + m_cpsCampList.size() + m_otherHouseList.size() +
                      m_cpsHouseList.size()));
}

void CampListModel::selectAfterLoad() {
    const bool hasOther = !m_otherCampList.isEmpty() || !m_otherHouseList.isEmpty();
    const bool hasCps = !m_cpsCampList.isEmpty() || !m_cpsHouseList.isEmpty();
    if (!hasOther && !hasCps) {
        Q_EMIT noCampaigns();
        return;
    }
    // The selected segment's group while it has campaigns; otherwise the group that has them,
    // and the segment follows it, so tabs and rows always agree.
    const bool showCps = hasCps && (m_segment != 0 || !hasOther);
    if (showCps) {
        select(m_cpsCampList, m_cpsHouseList);
    } else {
        select(m_otherCampList, m_otherHouseList);
    }
    if ((m_segment != 0) != showCps) {
        m_segment = showCps ? 1 : 0;
        Q_EMIT segmentChanged(m_segment);
    }
    const bool hideTabs = hasOther != hasCps;
    if (hideTabs != m_tabBarHidden) {
        m_tabBarHidden = hideTabs;
        Q_EMIT tabBarHiddenChanged(hideTabs);
    }
}

void CampListModel::select(const QList<Camp>& camps, const QList<Camp>& house) {
    m_selectedCampList = camps;
    m_selectedHouseList = house;
}

void CampListModel::selectGroup(int segmentIndex) {
    m_segment = segmentIndex;
    if (segmentIndex == 0) {
        select(m_otherCampList, m_otherHouseList);
    } else {
        select(m_cpsCampList, m_cpsHouseList);
    }
    setSort();
}

// Campaigns with convflag 1 come first in every mode.
bool CampListModel::comesBefore(const Camp& a, const Camp& b, SortMode mode, int listType) {
    const bool aConv = a.convflag.value_or(0) == 1;
    const bool bConv = b.convflag.value_or(0) == 1;
    if (aConv != bConv) {
        return aConv;
    }
    switch (mode) {
    case CampListModel::SortMode::Init:
        if (listType != kListTypeIcon && a.nativeurl.has_value() != b.nativeurl.has_value()) {
            return a.nativeurl.has_value();
        }
        return a.orderseq.value_or(0) < b.orderseq.value_or(0);
    case CampListModel::SortMode::High:
        return a.rewardprice.value_or(0) > b.rewardprice.value_or(0);
    case CampListModel::SortMode::Low:
        break;
    }
    return b.rewardprice.value_or(0) > a.rewardprice.value_or(0);
}

void CampListModel::setSort() {
    // Only pointers move: the shown rows point into the selected lists, which the view shares.
    CampRows shown;
    shown.m_regular = m_selectedCampList;
    shown.m_house = m_selectedHouseList;
    std::vector<const Camp*> regular;
    regular.reserve(shown.m_regular.size());
    for (const Camp& camp : std::as_const(shown.m_regular)) {
        regular.push_back(&camp);
    }
    const SortMode mode = m_sortMode;
    const int listType = m_listType;
    std::stable_sort(regular.begin(), regular.end(),
                     [mode, listType](const Camp* a, const Camp* b) {
                         return comesBefore(*a, *b, mode, listType);
                     });
    std::vector<const Camp*> house;
    house.reserve(shown.m_house.size());
    for (const Camp& camp : std::as_const(shown.m_house)) {
        house.push_back(&camp);
    }
    std::stable_sort(house.begin(), house.end(), [](const Camp* a, const Camp* b) {
        return a->orderseq.value_or(0) < b->orderseq.value_or(0);
    });

    const std::vector<qsizetype> houseRow = finalHouseRows(house, std::ssize(regular));
    shown.m_rows.resize(std::ssize(regular) + std::ssize(house), nullptr);
    const Camp** rows = shown.m_rows.data();
    for (size_t k = 0; k < house.size(); ++k) {
        rows[houseRow[k]] = house[k];
    }
    auto next = regular.cbegin();
    for (qsizetype row = 0; row < shown.m_rows.size(); ++row) {
        if (!rows[row]) {
            rows[row] = *next++;
        }
    }
    beginResetModel();
    m_selectedAllCampList = std::move(shown);
    endResetModel();
    Q_EMIT listChanged();
}

void CampListModel::clickSort() {
    switch (m_sortMode) {
    case SortMode::Init:
        m_sortMode = SortMode::High;
        break;
    case SortMode::High:
        m_sortMode = SortMode::Low;
        break;
    case SortMode::Low:
        m_sortMode = SortMode::Init;
        break;
    }
    setSort();
}

QString CampListModel::sortTitle(SortMode mode) {
    switch (mode) {
    case SortMode::Init:
        return localized(QStringLiteral("ov_sort_init"));
    case SortMode::High:
        return localized(QStringLiteral("ov_sort_high"));
    case SortMode::Low:
        break;
    }
    return localized(QStringLiteral("ov_sort_low"));
}

QString CampListModel::failureText(LoadFailure failure) {
    switch (failure) {
    case LoadFailure::NoConnection:
        return localized(QStringLiteral("ov_error_no_connection"));
    case LoadFailure::TimedOut:
        return localized(QStringLiteral("ov_error_timeout"));
    case LoadFailure::NotConfigured:
    case LoadFailure::ServerError:
        return localized(QStringLiteral("ov_error_server"));
    case LoadFailure::UnreadableReply:
        break;
    }
    return localized(QStringLiteral("ov_error_unreadable_reply"));
}

int CampListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_selectedAllCampList.size());
}

QVariant CampListModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid)) {
        return {};
    }
    const Camp& camp = m_selectedAllCampList.at(index.row());
    switch (role) {
    case CampIdRole:
        return camp.campid ? QVariant(*camp.campid) : QVariant();
    case Qt::DisplayRole:
    case NameRole:
        return camp.name.value_or(QString());
    case DescriptionRole:
        return camp.rewarddesc.value_or(QString());
    case AmountRole:
        return camp.rewardprice.value_or(0);
    case MarkRole:
        return camp.pricemark.value_or(QString()).trimmed();
    case RewardTextRole:
        return campRewardText(camp, m_locale);
    case PriceTextRole:
        return campPriceText(camp, m_locale);
    case IconUrlRole:
        return campImageUrl(camp.iconurl).value_or(QUrl());
    case BannerUrlRole:
        return m_listType == kListTypeNative ? campImageUrl(camp.nativeurl).value_or(QUrl())
                                             : QUrl();
    case ActionRole:
    case ActionTitleRole: {
        const CampParticipation known =
            m_participation && camp.campid ? m_participation(*camp.campid) : CampParticipation();
        const Action action = campAction(camp, known);
        if (role == ActionRole) {
            return static_cast<int>(action);
        }
        return campActionTitle(camp, action, m_locale);
    }
    case GroupRole:
        return static_cast<int>(campGroup(camp));
    case HasDetailRole:
        return camp.detailpage == 1;
    default:
        break;
    }
    return {};
}

QHash<int, QByteArray> CampListModel::roleNames() const {
    QHash<int, QByteArray> names = QAbstractListModel::roleNames();
    names.insert(QHash<int, QByteArray>{
        {CampIdRole, "campId"},
        {NameRole, "name"},
        {DescriptionRole, "description"},
        {AmountRole, "amount"},
        {MarkRole, "mark"},
        {RewardTextRole, "rewardText"},
        {PriceTextRole, "priceText"},
        {IconUrlRole, "iconUrl"},
        {BannerUrlRole, "bannerUrl"},
        {ActionRole, "action"},
        {ActionTitleRole, "actionTitle"},
        {GroupRole, "group"},
        {HasDetailRole, "hasDetail"},
    });
    return names;
}

void CampListModel::setParticipationSource(ParticipationSource source) {
    m_participation = std::move(source);
    participationChanged();
}

void CampListModel::participationChanged() {
    if (rowCount() > 0) {
        Q_EMIT dataChanged(index(0), index(rowCount() - 1), {ActionRole, ActionTitleRole});
    }
}

QString CampListModel::summaryText(double total, const QString& mark, const QLocale& locale) {
    // At most three fraction digits, no trailing zeros, as a decimal number style shows it.
    double rounded = std::isfinite(total) ? std::round(total * 1000.0) / 1000.0 : total;
    if (!std::isfinite(rounded)) {
        rounded = total; // too large to scale: it has no fraction digits to round anyway
    }
    if (rounded == 0) {
        rounded = 0; // never "-0"
    }
    return locale.toString(rounded, 'f', QLocale::FloatingPointShortest) + QLatin1Char(' ') + mark;
}

} // namespace orvane
