#include "core/Records.h"

#include <algorithm>
#include <limits>
#include <type_traits>
#include <vector>

#include <QCborMap>
#include <QCborValue>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>

namespace orvane {

namespace {

// Field lists, one per record, in the order of the wire format. The JSON key is the field name.
// `visit.template operator()<&Record::field>(key)` is called for every field, in that order.
#define ORVANE_FIELD(R, name) visit.template operator()<&R::name>(#name)

template <typename V>
void fields(std::type_identity<Camp>, V&& visit) {
    ORVANE_FIELD(Camp, campid);
    ORVANE_FIELD(Camp, bm);
    ORVANE_FIELD(Camp, bmcheck);
    ORVANE_FIELD(Camp, name);
    ORVANE_FIELD(Camp, engname);
    ORVANE_FIELD(Camp, detailpage);
    ORVANE_FIELD(Camp, package);
    ORVANE_FIELD(Camp, ctvurl);
    ORVANE_FIELD(Camp, ctvwidth);
    ORVANE_FIELD(Camp, ctvheight);
    ORVANE_FIELD(Camp, nativeurl);
    ORVANE_FIELD(Camp, iconurl);
    ORVANE_FIELD(Camp, viewurl);
    ORVANE_FIELD(Camp, joindesc);
    ORVANE_FIELD(Camp, rewardcondition);
    ORVANE_FIELD(Camp, rewarddesc);
    ORVANE_FIELD(Camp, notice);
    ORVANE_FIELD(Camp, cta);
    ORVANE_FIELD(Camp, category);
    ORVANE_FIELD(Camp, rewardprice);
    ORVANE_FIELD(Camp, pricemark);
    ORVANE_FIELD(Camp, cpsprice);
    ORVANE_FIELD(Camp, cpsdcprice);
    ORVANE_FIELD(Camp, carrier);
    ORVANE_FIELD(Camp, targetagemin);
    ORVANE_FIELD(Camp, targetagemax);
    ORVANE_FIELD(Camp, gender);
    ORVANE_FIELD(Camp, targetpkg);
    ORVANE_FIELD(Camp, detargetpkg);
    ORVANE_FIELD(Camp, orvkey);
    ORVANE_FIELD(Camp, convflag);
    ORVANE_FIELD(Camp, orderseq);
    ORVANE_FIELD(Camp, rewarddate);
    ORVANE_FIELD(Camp, rewardtype);
}

template <typename V>
void fields(std::type_identity<Req>, V&& visit) {
    ORVANE_FIELD(Req, result);
    ORVANE_FIELD(Req, errmsg);
    ORVANE_FIELD(Req, adtype);
    ORVANE_FIELD(Req, rewardtype);
    ORVANE_FIELD(Req, pricedecimal);
    ORVANE_FIELD(Req, camp);
    ORVANE_FIELD(Req, housemd);
}

template <typename V>
void fields(std::type_identity<RewardItem>, V&& visit) {
    ORVANE_FIELD(RewardItem, campid);
    ORVANE_FIELD(RewardItem, name);
    ORVANE_FIELD(RewardItem, rewardprice);
    ORVANE_FIELD(RewardItem, rewardmark);
    ORVANE_FIELD(RewardItem, rewarddate);
    ORVANE_FIELD(RewardItem, bm);
}

template <typename V>
void fields(std::type_identity<RewardList>, V&& visit) {
    ORVANE_FIELD(RewardList, result);
    ORVANE_FIELD(RewardList, reward);
}

template <typename V>
void fields(std::type_identity<HalvekNotice>, V&& visit) {
    ORVANE_FIELD(HalvekNotice, result);
    ORVANE_FIELD(HalvekNotice, text);
}

template <typename V>
void fields(std::type_identity<AgreeContents>, V&& visit) {
    ORVANE_FIELD(AgreeContents, result);
    ORVANE_FIELD(AgreeContents, cs_agree_contents);
}

template <typename V>
void fields(std::type_identity<ResultData>, V&& visit) {
    ORVANE_FIELD(ResultData, result);
}

template <typename V>
void fields(std::type_identity<State>, V&& visit) {
    ORVANE_FIELD(State, result);
    ORVANE_FIELD(State, orvkey);
    ORVANE_FIELD(State, state);
}

template <typename V>
void fields(std::type_identity<Join>, V&& visit) {
    ORVANE_FIELD(Join, result);
    ORVANE_FIELD(Join, orvkey);
    ORVANE_FIELD(Join, lurl);
}

#undef ORVANE_FIELD

// A campaign with every field at the value it takes when it cannot be read. Fields not named here
// stay absent. Decoding starts from a copy, which costs no allocation (static string data).
const Camp& campDefaults() {
    static const Camp defaults = [] {
        const QString empty = QStringLiteral("");
        Camp camp;
        camp.campid = -1;
        camp.bm = -1;
        camp.bmcheck = 0;
        camp.name = empty;
        camp.engname = empty;
        camp.detailpage = 0;
        camp.package = empty;
        camp.ctvurl = empty;
        camp.ctvwidth = 0;
        camp.ctvheight = 0;
        camp.joindesc = empty;
        camp.rewardcondition = 0;
        camp.rewarddesc = empty;
        camp.notice = empty;
        camp.cta = empty;
        camp.category = 0;
        camp.rewardprice = 0.0;
        camp.pricemark = empty;
        camp.cpsprice = 0;
        camp.cpsdcprice = 0;
        camp.carrier = empty;
        camp.targetagemin = 0;
        camp.targetagemax = 0;
        camp.gender = 0;
        camp.convflag = 0;
        camp.orderseq = 0;
        camp.rewarddate = empty;
        camp.rewardtype = -1;
        return camp;
    }();
    return defaults;
}

QString found(const QJsonValue& value) {
    switch (value.type()) {
    case QJsonValue::Null:
        return QStringLiteral("null");
    case QJsonValue::Bool:
        return QStringLiteral("a boolean");
    case QJsonValue::Double:
        return QStringLiteral("the number %1").arg(value.toDouble(), 0, 'g', 17);
    case QJsonValue::String:
        return QStringLiteral("a string");
    case QJsonValue::Array:
        return QStringLiteral("an array");
    case QJsonValue::Object:
        return QStringLiteral("an object");
    case QJsonValue::Undefined:
        break;
    }
    return QStringLiteral("nothing");
}

QString expected(const char* what, const QJsonValue& value) {
    return QStringLiteral("expected %1, found %2").arg(QLatin1String(what), found(value));
}

// Readers of one JSON value (a QJsonValue or a reference into a parsed document) as a field's
// value type. Each returns false when the value does not have exactly that type, and says why
// when `why` is given (strict records); tolerant reading passes nullptr and builds no message.
template <typename V>
bool read(const V& value, qint64& out, QString* why) {
    // toInteger() yields its default unless the number is integral and fits in 64 bits; two
    // different defaults tell a real value from a refusal (1.5 is refused, 100.0 is 100).
    if (value.isDouble()) {
        const qint64 a = value.toInteger(0);
        if (a == value.toInteger(1)) {
            out = a;
            return true;
        }
    }
    if (why) {
        *why = expected("an integer", value);
    }
    return false;
}

template <typename V>
bool read(const V& value, double& out, QString* why) {
    if (!value.isDouble()) {
        if (why) {
            *why = expected("a number", value);
        }
        return false;
    }
    out = value.toDouble();
    return true;
}

template <typename V>
bool read(const V& value, QString& out, QString* why) {
    if (!value.isString()) {
        if (why) {
            *why = expected("a string", value);
        }
        return false;
    }
    out = value.toString();
    return true;
}

QString elementError(qsizetype index, const QString& why) {
    return QStringLiteral("element %1: %2").arg(index).arg(why);
}

template <typename V>
bool read(const V& value, QStringList& out, QString* why) {
    if (!value.isArray()) {
        if (why) {
            *why = expected("an array of strings", value);
        }
        return false;
    }
    const QJsonArray array = value.toArray();
    out.reserve(array.size());
    qsizetype index = 0;
    for (const QJsonValueConstRef element : array) {
        if (!element.isString()) {
            if (why) {
                *why = elementError(index, expected("a string", element));
            }
            return false;
        }
        out.append(element.toString());
        ++index;
    }
    return true;
}

// Arrays of records (defined below, with the record decoders).
template <WireRecord R, typename V>
bool read(const V& value, QList<R>& out, QString* why);

// The last string or string list read into one field of a list's records, with the raw value it
// came from. Replies repeat many of them from record to record (marks, empty texts, the same
// targeting lists): an equal raw value takes the same text, shared instead of allocated again.
// A field whose value changed in each of the last few records (names, addresses) is no longer
// compared: those comparisons would only cost.
struct Recent {
    static constexpr int giveUpAfter = 8;

    QCborValue raw{QCborValue::Invalid}; // never equal to a parsed value
    QString text;
    QStringList list;
    int misses = 0; // records in a row whose value differed from the one before

    bool watched() const { return misses < giveUpAfter; }
};

// One member being read: its value, the same value seen as CBOR (compared without copying), the
// field's slot of recent values (null outside lists) and where to say why it cannot be read
// (null for tolerant reading).
struct Member {
    QJsonValueConstRef value;
    QCborValueConstRef raw;
    Recent* recent = nullptr;
    QString* why = nullptr;
};

template <typename R>
using ReadField = bool (*)(R&, const Member&);

template <typename T>
T& recentValue(Recent& recent) {
    if constexpr (std::is_same_v<T, QString>) {
        return recent.text;
    } else {
        return recent.list;
    }
}

// Reads a member into the field `member` of `record`; the field is left alone on failure.
template <typename R, auto member>
bool readField(R& record, const Member& item) {
    using T = typename std::remove_cvref_t<decltype(record.*member)>::value_type;
    constexpr bool shareable = std::is_same_v<T, QString> || std::is_same_v<T, QStringList>;
    Recent* recent = shareable && item.recent && item.recent->watched() ? item.recent : nullptr;
    if constexpr (shareable) {
        if (recent) {
            if (item.raw == recent->raw) {
                recent->misses = 0;
                record.*member = recentValue<T>(*recent);
                return true;
            }
            ++recent->misses;
        }
    }
    T parsed;
    if (!read(item.value, parsed, item.why)) {
        return false;
    }
    if constexpr (shareable) {
        if (recent) {
            recent->raw = item.raw;
            recentValue<T>(*recent) = parsed;
        }
    }
    record.*member = std::move(parsed);
    return true;
}

// The fields of record R by JSON key, built once from the field list. A parsed object holds its
// members sorted by key (code unit order, as QJsonObject keeps them), so the table keeps the
// fields in that order too and matches an object's members in one sweep: each member is compared
// with the next fields until one matches. A key that matches no later field is looked for among
// the earlier ones as well, so the result never depends on that order, only the cost does.
// Keys are compared as CBOR values sharing the parsed data: no key is copied into a QString.
template <typename R>
class FieldTable {
public:
    struct Field {
        QLatin1StringView key;
        int order = 0; // position in the field list: the first failing field is reported
        ReadField<R> read = nullptr;
    };

    static const FieldTable& instance() {
        static const FieldTable table;
        return table;
    }

    // The field named `key`; `next` is where the sweep through the sorted fields stands.
    const Field* match(const QCborValue& key, size_t& next) const {
        const size_t count = m_fields.size();
        for (size_t i = next; i < count; ++i) {
            if (key == m_keys[i]) {
                next = i + 1;
                return &m_fields[i];
            }
        }
        for (size_t i = 0; i < next && i < count; ++i) {
            if (key == m_keys[i]) {
                return &m_fields[i];
            }
        }
        return nullptr;
    }

    size_t size() const { return m_fields.size(); }

private:
    FieldTable() {
        fields(
            std::type_identity<R>{}, [this]<auto member>(const char* name) {
                const int order = static_cast<int>(m_fields.size());
                m_fields.push_back(Field{QLatin1StringView(name), order, &readField<R, member>});
            });
        std::sort(m_fields.begin(), m_fields.end(),
                  [](const Field& a, const Field& b) { return a.key.compare(b.key) < 0; });
        for (const Field& field : m_fields) {
            m_keys.emplace_back(field.key);
        }
    }

    std::vector<Field> m_fields; // sorted by key
    std::vector<QCborValue> m_keys;
};

QString notAnObject(const QString& record, const QJsonValue& value) {
    return QStringLiteral("%1: %2").arg(record, expected("an object", value));
}

// Tolerant decoding of one campaign into `camp`: a field that cannot be read keeps its default.
// `recent` holds one slot per field when the campaign is an element of a list, else null.
template <typename V>
bool decodeCampInto(const V& value, Camp& camp, QString* error, Recent* recent) {
    if (!value.isObject()) {
        if (error) {
            *error = notAnObject(QStringLiteral("Camp"), value);
        }
        return false;
    }
    const FieldTable<Camp>& table = FieldTable<Camp>::instance();
    const QJsonObject object = value.toObject();
    const QCborMap keys = QCborMap::fromJsonObject(object); // the same members, not a copy
    camp = campDefaults();
    size_t next = 0;
    auto key = keys.constBegin();
    for (auto it = object.constBegin(), end = object.constEnd(); it != end; ++it, ++key) {
        const QJsonValueConstRef item = it.value();
        if (item.isNull()) {
            continue; // the field keeps its default
        }
        if (const auto* field = table.match(key.key(), next)) {
            // A field that cannot be read is dropped on purpose: it keeps its default.
            field->read(camp, {item, key.value(), recent ? &recent[field->order] : nullptr});
        }
    }
    return true;
}

// Strict decoding into `record`: null means absent, a wrong type fails the record. When several
// fields are wrong, the first in the field list is reported.
template <typename R, typename V>
bool decodeStrictInto(const V& value, R& record, QString& error, Recent* recent) {
    if (!value.isObject()) {
        error = notAnObject(recordName<R>(), value);
        return false;
    }
    const FieldTable<R>& table = FieldTable<R>::instance();
    const QJsonObject object = value.toObject();
    const QCborMap keys = QCborMap::fromJsonObject(object); // the same members, not a copy
    int failed = std::numeric_limits<int>::max();
    size_t next = 0;
    auto key = keys.constBegin();
    for (auto it = object.constBegin(), end = object.constEnd(); it != end; ++it, ++key) {
        const QJsonValueConstRef item = it.value();
        if (item.isNull()) {
            continue;
        }
        const auto* field = table.match(key.key(), next);
        if (!field || field->order > failed) {
            continue;
        }
        QString why;
        const Member member{item, key.value(), recent ? &recent[field->order] : nullptr, &why};
        if (!field->read(record, member)) {
            failed = field->order;
            error = QStringLiteral("%1: key \"%2\": %3").arg(recordName<R>(), field->key, why);
        }
    }
    return failed == std::numeric_limits<int>::max();
}

template <WireRecord R, typename V>
bool read(const V& value, QList<R>& out, QString* why) {
    if (!value.isArray()) {
        if (why) {
            *why = expected("an array", value);
        }
        return false;
    }
    const QJsonArray array = value.toArray();
    out.reserve(array.size());
    QString error;
    std::vector<Recent> recent(FieldTable<R>::instance().size());
    qsizetype index = 0;
    for (const QJsonValueConstRef element : array) {
        bool ok = false;
        if constexpr (std::is_same_v<R, Camp>) {
            ok = decodeCampInto(element, out.emplaceBack(), why ? &error : nullptr, recent.data());
        } else {
            ok = decodeStrictInto(element, out.emplaceBack(), error, recent.data());
        }
        if (!ok) {
            if (why) {
                *why = elementError(index, error);
            }
            return false;
        }
        ++index;
    }
    return true;
}

template <typename R>
Decoded<R> decodeStrict(const QJsonValue& value) {
    R record;
    QString error;
    if (!decodeStrictInto(value, record, error, nullptr)) {
        return Decoded<R>::failure(error);
    }
    return Decoded<R>::success(std::move(record));
}

// Writers of a field's value as plain JSON, with the type name used in typed output.
QJsonValue write(qint64 value) {
    return QJsonValue(value);
}
QJsonValue write(double value) {
    return QJsonValue(value);
}
QJsonValue write(const QString& value) {
    return QJsonValue(value);
}
QJsonValue write(const QStringList& value) {
    return QJsonArray::fromStringList(value);
}
template <WireRecord R>
QJsonValue write(const QList<R>& records) {
    QJsonArray array;
    for (const R& record : records) {
        array.append(toJson(record));
    }
    return array;
}

template <WireRecord R>
QJsonValue writeTyped(const QList<R>& records) {
    QJsonArray array;
    for (const R& record : records) {
        array.append(toTypedJson(record));
    }
    return array;
}
template <typename T>
QJsonValue writeTyped(const T& value) {
    return write(value);
}

template <typename T>
QString typeName() {
    if constexpr (std::is_same_v<T, qint64>) {
        return QStringLiteral("integer");
    } else if constexpr (std::is_same_v<T, double>) {
        return QStringLiteral("floating");
    } else if constexpr (std::is_same_v<T, QString>) {
        return QStringLiteral("string");
    } else if constexpr (std::is_same_v<T, QStringList>) {
        return QStringLiteral("array of strings");
    } else if constexpr (std::is_same_v<T, QList<Camp>>) {
        return QStringLiteral("array of Camp");
    } else {
        static_assert(std::is_same_v<T, QList<RewardItem>>);
        return QStringLiteral("array of Reward");
    }
}

} // namespace

Decoded<Camp> decodeCamp(const QJsonValue& value) {
    Camp camp;
    QString error;
    if (!decodeCampInto(value, camp, &error, nullptr)) {
        return Decoded<Camp>::failure(error);
    }
    return Decoded<Camp>::success(std::move(camp));
}

template <WireRecord R>
Decoded<R> decode(const QByteArray& body) {
    // QJsonDocument refuses nesting deeper than its limit with an error instead of recursing on.
    QJsonParseError parseError{};
    const QJsonDocument document = QJsonDocument::fromJson(body, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        return Decoded<R>::failure(
            QStringLiteral("%1: the reply is not valid JSON (%2 at offset %3)")
                .arg(recordName<R>(), parseError.errorString())
                .arg(parseError.offset));
    }
    if (!document.isObject()) {
        return Decoded<R>::failure(
            QStringLiteral("%1: the reply is not a JSON object").arg(recordName<R>()));
    }
    if constexpr (std::is_same_v<R, Camp>) {
        return decodeCamp(document.object());
    } else {
        return decodeStrict<R>(document.object());
    }
}

template <WireRecord R>
QJsonObject toJson(const R& record) {
    QJsonObject object;
    fields(
        std::type_identity<R>{}, [&]<auto member>(const char* key) {
            if (const auto& field = record.*member) {
                object.insert(QLatin1String(key), write(*field));
            }
        });
    return object;
}

template <WireRecord R>
QJsonObject toTypedJson(const R& record) {
    QJsonObject object;
    fields(
        std::type_identity<R>{}, [&]<auto member>(const char* key) {
            if (const auto& field = record.*member) {
                using T = typename std::remove_cvref_t<decltype(field)>::value_type;
                object.insert(QLatin1String(key),
                              QJsonObject{{QStringLiteral("type"), typeName<T>()},
                                          {QStringLiteral("value"), writeTyped(*field)}});
            }
        });
    return object;
}

template <WireRecord R>
QString recordName() {
    if constexpr (std::is_same_v<R, Camp>) {
        return QStringLiteral("Camp");
    } else if constexpr (std::is_same_v<R, Req>) {
        return QStringLiteral("Req");
    } else if constexpr (std::is_same_v<R, RewardItem>) {
        return QStringLiteral("Reward");
    } else if constexpr (std::is_same_v<R, RewardList>) {
        return QStringLiteral("RewardList");
    } else if constexpr (std::is_same_v<R, HalvekNotice>) {
        return QStringLiteral("HalvekNotice");
    } else if constexpr (std::is_same_v<R, AgreeContents>) {
        return QStringLiteral("AgreeContents");
    } else if constexpr (std::is_same_v<R, ResultData>) {
        return QStringLiteral("ResultData");
    } else if constexpr (std::is_same_v<R, State>) {
        return QStringLiteral("State");
    } else {
        return QStringLiteral("Join");
    }
}

#define ORVANE_INSTANTIATE(R)                                                                      \
    template Decoded<R> decode<R>(const QByteArray&);                                              \
    template QJsonObject toJson<R>(const R&);                                                      \
    template QJsonObject toTypedJson<R>(const R&);                                                 \
    template QString recordName<R>();

ORVANE_INSTANTIATE(Camp)
ORVANE_INSTANTIATE(Req)
ORVANE_INSTANTIATE(RewardItem)
ORVANE_INSTANTIATE(RewardList)
ORVANE_INSTANTIATE(HalvekNotice)
ORVANE_INSTANTIATE(AgreeContents)
ORVANE_INSTANTIATE(ResultData)
ORVANE_INSTANTIATE(State)
ORVANE_INSTANTIATE(Join)

#undef ORVANE_INSTANTIATE

} // namespace orvane
