#pragma once

#include <functional>
#include <iterator>

#include <QAbstractListModel>
#include <QList>
#include <QLocale>
#include <QString>

#include "core/KitConstants.h"
#include "core/Records.h"

namespace orvane {

// The campaigns the offerwall table shows, row by row, in the order of the model's last sort. The
// rows point into the selected lists, which this view shares with the model (implicitly shared,
// never changed in place), so a copy is cheap and stays valid and unchanged after the model moves
// on to another sort, group or reply.
class CampRows {
public:
    class const_iterator {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = Camp;
        using difference_type = qsizetype;
        using pointer = const Camp*;
        using reference = const Camp&;

        const_iterator() = default;
        const Camp& operator*() const { return **m_at; }
        const Camp* operator->() const { return *m_at; }
        const_iterator& operator++() {
            ++m_at;
            return *this;
        }
        const_iterator operator++(int) {
            const_iterator old = *this;
            ++m_at;
            return old;
        }
        bool operator==(const const_iterator&) const = default;

    private:
        friend class CampRows;
        explicit const_iterator(const Camp* const* at)
            : m_at(at) {}
        const Camp* const* m_at = nullptr;
    };

    qsizetype size() const { return m_rows.size(); }
    bool isEmpty() const { return m_rows.isEmpty(); }
    const Camp& at(qsizetype row) const { return *m_rows.at(row); }
    const Camp& operator[](qsizetype row) const { return at(row); }
    const Camp& first() const { return *m_rows.first(); }
    const_iterator begin() const { return const_iterator(m_rows.constData()); }
    const_iterator end() const { return const_iterator(m_rows.constData() + m_rows.size()); }
    // The shown campaigns as records of their own.
    QList<Camp> toList() const;
    // The same campaigns, field for field, in the same order.
    friend bool operator==(const CampRows& a, const CampRows& b);

private:
    friend class CampListModel;
    QList<Camp> m_regular;
    QList<Camp> m_house;
    QList<const Camp*> m_rows; // into m_regular and m_house
};

// What the participation flow knows of one campaign; a row's action follows it.
struct CampParticipation {
    bool keyHeld = false;      // a reward key waits for its claim
    bool checkPending = false; // joined; its participation check waits
};

// The data side of the offerwall main screen: fetches the campaign list, splits it into the
// standard and CPS (`bm` 4) groups, chooses the group to show, sorts it and pins the house
// campaigns at the rows their `orderseq` names, and computes the summary of the rewards on offer.
// The screen owns one model, reads its lists and listens to its signals.
//
// As an item model it has one row per shown campaign (selectedAllCampList) and one column; the
// roles (roleNames) carry what a row shows. Every sort, group switch and applied reply resets it
// (modelReset, then listChanged); a change of what the participation flow knows changes the action
// roles of every row (dataChanged).
//
// Thread: create and use on the main thread. Replies are decoded on the transport thread and
// applied on the main thread, one at a time and each completely, in arrival order; a reply to a
// request older than one already applied is dropped. A reply that arrives after the model is gone
// is dropped.
//
// Pinning: after the regular campaigns are sorted, each house campaign (in ascending `orderseq`
// order, ties in reply order) is inserted at row `orderseq` - 1, so `orderseq` is a 1-based row
// and later insertions push earlier rows down. An `orderseq` below 1 pins the campaign first; one
// past the end of the list at that moment appends it last. Nothing is ever inserted out of bounds.
class CampListModel final : public QAbstractListModel {
    Q_OBJECT

public:
    // The group a campaign is listed in (campGroup): its tab.
    enum class Group { Standard, Purchase };
    Q_ENUM(Group)
    // The action a row offers (campAction).
    enum class Action { Join, ParticipationCheck, Accumulate };
    Q_ENUM(Action)

    // The roles of a row. Absent fields read as empty texts, 0, false or an empty address.
    enum Role {
        CampIdRole = Qt::UserRole + 1, // qint64; invalid when the campaign has no id
        NameRole,                      // also Qt::DisplayRole
        DescriptionRole,               // `rewarddesc` as the server sent it (HTML)
        AmountRole,                    // double, `rewardprice`
        MarkRole,                      // the price mark, trimmed
        RewardTextRole,                // campRewardText in the model's locale
        PriceTextRole,                 // campPriceText in the model's locale
        IconUrlRole,                   // QUrl of the icon when fetchable (campImageUrl), else empty
        BannerUrlRole,                 // the same for the native picture, in the native layout only
        ActionRole,                    // int, an Action
        ActionTitleRole,               // campActionTitle
        GroupRole,                     // int, a Group
        HasDetailRole,                 // bool: a tap opens the detail page (`detailpage` 1)
    };
    Q_ENUM(Role)

    // Tells the model what the participation flow knows of a campaign (by id).
    using ParticipationSource = std::function<CampParticipation(qint64 campid)>;

    // The three orders of the regular campaigns. The screen shows the mode as the title of its
    // sort button (sortTitle()).
    enum class SortMode {
        Init, // campaigns with a native image first (unless the icon layout is used), then orderseq
        High, // highest reward first
        Low,  // lowest reward first
    };

    // Why a load failed, as the user is told; the technical detail goes to the log.
    enum class LoadFailure {
        NoConnection,    // the server could not be reached or the connection dropped
        TimedOut,        // no answer in time
        ServerError,     // an HTTP error status
        NotConfigured,   // the kit is not set up for the call (never initialised, addresses)
        UnreadableReply, // an answer that does not decode as a campaign list
    };
    Q_ENUM(LoadFailure)

    explicit CampListModel(QObject* parent = nullptr);
    ~CampListModel() override;
    Q_DISABLE_COPY_MOVE(CampListModel)

    // Fetches the list through a new ApiList (getReq). The screen also calls it on every
    // "action_list_change" notification once it has loaded.
    void apiReq();
    void refreshList() { apiReq(); }

    // Applies one decoded list reply at once, as a fetched reply is applied: grouping, group
    // selection, setSort and the summary. For screens that already hold a reply, and for tests.
    void applyReply(const Req& reply);
    // Decodes, groups and applies one list reply body exactly as a fetched body is (on this
    // thread). False, with the failure logged and loadFailed() emitted, when it does not decode.
    bool applyBody(const QByteArray& body);

    // Rebuilds selectedAllCampList from selectedCampList and selectedHouseList (see above) and
    // emits listChanged(). The selected lists themselves keep their reply order.
    void setSort();
    // Advances the sort mode init -> high -> low -> init, then setSort().
    void clickSort();
    // The tab control: segment 0 shows the standard group, any other segment the CPS group. A
    // later load keeps showing that group while it has campaigns.
    void selectGroup(int segmentIndex);
    // The segment whose group is shown (0 at first).
    int selectedSegment() const { return m_segment; }

    SortMode sortMode() const { return m_sortMode; }
    // Sets the mode without sorting; call setSort() afterwards.
    void setSortMode(SortMode mode) { m_sortMode = mode; }
    // Texts of "ov_sort_init", "ov_sort_high", "ov_sort_low".
    static QString sortTitle(SortMode mode);
    // The order of setSort: true when regular campaign `a` comes before `b` in `mode`.
    static bool comesBefore(const Camp& a, const Camp& b, SortMode mode, int listType);
    QString sortTitle() const { return sortTitle(m_sortMode); }

    // The list layout (kListTypeNative by default, or kListTypeIcon). The screen sets
    // it from "STANDARD_LIST_TYPE" when it loads. Takes effect at the next setSort().
    int listType() const { return m_listType; }
    void setListType(int listType) { m_listType = listType; }

    // Group lists of the last applied reply, and the lists of the group being shown.
    const QList<Camp>& otherCampList() const { return m_otherCampList; }
    const QList<Camp>& cpsCampList() const { return m_cpsCampList; }
    const QList<Camp>& otherHouseList() const { return m_otherHouseList; }
    const QList<Camp>& cpsHouseList() const { return m_cpsHouseList; }
    const QList<Camp>& selectedCampList() const { return m_selectedCampList; }
    const QList<Camp>& selectedHouseList() const { return m_selectedHouseList; }
    // What the table shows, row by row.
    const CampRows& selectedAllCampList() const { return m_selectedAllCampList; }

    // True while the last load found only one group: there is nothing to switch to.
    bool isTabBarHidden() const { return m_tabBarHidden; }

    // Summary of the last applied reply: the sum of every campaign's reward and the first
    // non-empty price mark.
    double summaryTotal() const { return m_summaryTotal; }
    QString summaryMark() const { return m_summaryMark; }
    QString summaryText() const { return summaryText(m_summaryTotal, m_summaryMark, m_locale); }
    // The total in the locale's decimal style (grouping, at most three fraction digits), one
    // space, and the mark: 1500 and "P" give "1,500 P" in English.
    static QString summaryText(double total, const QString& mark, const QLocale& locale);

    // The sentence the error dialog shows for `failure`, in the current language.
    static QString failureText(LoadFailure failure);

    // The locale of the summary text and the reward and price roles; QLocale() by default.
    QLocale locale() const { return m_locale; }
    void setLocale(const QLocale& locale) { m_locale = locale; }

    // The item model: the shown rows.
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    // The roles in camelCase: "campId", "name", "description", "amount", "mark", "rewardText",
    // "priceText", "iconUrl", "bannerUrl", "action", "actionTitle", "group", "hasDetail", plus the
    // standard ones.
    QHash<int, QByteArray> roleNames() const override;

    // Where the action roles learn what the participation flow knows; without one, every campaign
    // reads as neither joined nor holding a key. Call participationChanged() when it changes.
    void setParticipationSource(ParticipationSource source);
    // The participation of some campaign changed: the action roles of every row change.
    void participationChanged();

Q_SIGNALS:
    // The shown list changed (after every setSort): reload the table.
    void listChanged();
    // The summary text of a newly applied reply.
    void summaryReady(const QString& text);
    // The list could not be fetched or decoded; the previous list stays. `detail` is the
    // technical description (already logged).
    void loadFailed(orvane::CampListModel::LoadFailure failure, const QString& detail);
    // A reply carried no campaign of either group; the previous selection stays.
    void noCampaigns();
    // A reply was applied (after listChanged and summaryReady): `count` campaigns of both groups,
    // house campaigns included; 0 after noCampaigns.
    void loaded(int count);
    // A load moved the shown group away from the selected segment (that group has no campaigns
    // now): select `segment` in the tab control.
    void segmentChanged(int segment);
    // A reply carried one group only (hide the tab bar), or both again (show it).
    void tabBarHiddenChanged(bool hidden);

private:
    struct Grouped;
    static Grouped group(Req reply);
    // Decodes and groups a list reply body; any thread. False with `error` when it fails.
    static bool prepare(const QByteArray& body, Grouped& grouped, QString& error);
    void apply(const Grouped& grouped);
    void selectAfterLoad();
    void select(const QList<Camp>& camps, const QList<Camp>& house);

    QList<Camp> m_otherCampList;
    QList<Camp> m_cpsCampList;
    QList<Camp> m_selectedCampList;
    QList<Camp> m_otherHouseList;
    QList<Camp> m_cpsHouseList;
    QList<Camp> m_selectedHouseList;
    CampRows m_selectedAllCampList;
    int m_listType = kListTypeNative;
    SortMode m_sortMode = SortMode::Init;
    int m_segment = 0;
    bool m_tabBarHidden = false;
    double m_summaryTotal = 0;
    QString m_summaryMark;
    QLocale m_locale;
    ParticipationSource m_participation;
    // Request numbers: every apiReq takes the next one; a reply numbered at or below the last
    // applied one is stale.
    quint64 m_lastIssued = 0;
    quint64 m_lastApplied = 0;
};

} // namespace orvane
