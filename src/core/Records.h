#pragma once

#include <optional>
#include <utility>

#include <QByteArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QList>
#include <QString>
#include <QStringList>

// moc (Qt 6.4) cannot parse concepts; headers with Q_OBJECT classes include this one.
#ifndef Q_MOC_RUN
#include <concepts>
#endif

namespace orvane {

// The records of the servers' JSON replies. Every field is optional: absent is distinct from ""
// and 0. JSON keys are the field names. Plain values, copied freely between threads.

// One campaign. Decoded tolerantly (decodeCamp): a bad or missing field takes its default, so only
// nativeurl, iconurl, viewurl, targetpkg, detargetpkg and orvkey can be absent after decoding.
struct Camp {
    std::optional<qint64> campid;
    std::optional<qint64> bm;
    std::optional<qint64> bmcheck;
    std::optional<QString> name;
    std::optional<QString> engname;
    std::optional<qint64> detailpage;
    std::optional<QString> package;
    std::optional<QString> ctvurl;
    std::optional<qint64> ctvwidth;
    std::optional<qint64> ctvheight;
    std::optional<QString> nativeurl;
    std::optional<QString> iconurl;
    std::optional<QString> viewurl;
    std::optional<QString> joindesc;
    std::optional<qint64> rewardcondition;
    std::optional<QString> rewarddesc;
    std::optional<QString> notice;
    std::optional<QString> cta;
    std::optional<qint64> category;
    std::optional<double> rewardprice;
    std::optional<QString> pricemark;
    std::optional<qint64> cpsprice;
    std::optional<qint64> cpsdcprice;
    std::optional<QString> carrier;
    std::optional<qint64> targetagemin;
    std::optional<qint64> targetagemax;
    std::optional<qint64> gender;
    std::optional<QStringList> targetpkg;
    std::optional<QStringList> detargetpkg;
    std::optional<QString> orvkey;
    std::optional<qint64> convflag;
    std::optional<qint64> orderseq;
    std::optional<QString> rewarddate;
    std::optional<qint64> rewardtype;

    bool operator==(const Camp&) const = default;
};

// A campaign list (offerwall list and the inquiry form's campaign picker).
struct Req {
    std::optional<qint64> result;
    std::optional<QString> errmsg;
    std::optional<qint64> adtype;
    std::optional<qint64> rewardtype;
    std::optional<QString> pricedecimal;
    std::optional<QList<Camp>> camp;
    std::optional<QList<Camp>> housemd;

    bool operator==(const Req&) const = default;
};

// One granted reward of the history (the wire record "Reward"; the name orvane::Reward belongs
// to the public value of a confirmed reward).
struct RewardItem {
    std::optional<qint64> campid;
    std::optional<QString> name;
    std::optional<double> rewardprice;
    std::optional<QString> rewardmark;
    std::optional<QString> rewarddate;
    std::optional<qint64> bm;

    bool operator==(const RewardItem&) const = default;
};

struct RewardList {
    std::optional<qint64> result;
    std::optional<QList<RewardItem>> reward;

    bool operator==(const RewardList&) const = default;
};

// The notice file and the detail-view report.
struct HalvekNotice {
    std::optional<qint64> result;
    std::optional<QString> text;

    bool operator==(const HalvekNotice&) const = default;
};

struct AgreeContents {
    std::optional<qint64> result;
    std::optional<QString> cs_agree_contents;

    bool operator==(const AgreeContents&) const = default;
};

struct ResultData {
    std::optional<qint64> result;

    bool operator==(const ResultData&) const = default;
};

// Participation state (state 3: confirmed) and execution report.
struct State {
    std::optional<qint64> result;
    std::optional<QString> orvkey;
    std::optional<qint64> state;

    bool operator==(const State&) const = default;
};

// Answer to a join (orvkey: rewarded at once; lurl: landing page) and to a reward claim.
struct Join {
    std::optional<qint64> result;
    std::optional<QString> orvkey;
    std::optional<QString> lurl;

    bool operator==(const Join&) const = default;
};

#ifndef Q_MOC_RUN
template <typename R>
concept WireRecord = std::same_as<R, Camp> || std::same_as<R, Req> || std::same_as<R, RewardItem> ||
    std::same_as<R, RewardList> || std::same_as<R, HalvekNotice> ||
    std::same_as<R, AgreeContents> || std::same_as<R, ResultData> || std::same_as<R, State> ||
    std::same_as<R, Join>;
#endif

// The outcome of decoding: the record, or a readable description of why there is none (which key,
// what was expected, what was found). value() of a failure is an empty record.
template <typename R>
class Decoded {
public:
    static Decoded success(R value) {
        Decoded d;
        d.m_value = std::move(value);
        d.m_ok = true;
        return d;
    }
    static Decoded failure(QString error) {
        Decoded d;
        d.m_error = std::move(error);
        return d;
    }

    bool ok() const { return m_ok; }
    const R& value() const { return m_value; }
    const QString& error() const { return m_error; }

private:
    R m_value{};
    QString m_error;
    bool m_ok = false;
};

// Decodes a reply body (UTF-8 JSON, one object). Every record but Camp is strict: a missing key or
// null gives an absent field, any value of the wrong type fails the whole record. decode<Camp>
// decodes one campaign object tolerantly. Pure functions; callable from any thread. Bad input
// (truncated, deeply nested, huge) fails with a description and never crashes.
template <WireRecord R>
Decoded<R> decode(const QByteArray& body);

// Tolerant decoding of one campaign: fails only when `value` is not an object.
Decoded<Camp> decodeCamp(const QJsonValue& value);

// The record as a JSON object with its present fields only (the inverse of decoding).
template <WireRecord R>
QJsonObject toJson(const R& record);

// The record as a JSON object describing each present field as {"type": ..., "value": ...}
// ("integer", "floating", "string", "array of strings", "array of Camp", "array of Reward"), for
// diagnostics output.
template <WireRecord R>
QJsonObject toTypedJson(const R& record);

// The record's name ("Camp", "Req", ...), for messages.
template <WireRecord R>
QString recordName();

} // namespace orvane
