#include "core/Records.h"

#include <array>
#include <cmath>
#include <optional>
#include <string_view>
#include <type_traits>
#include <vector>

#include <simdjson.h>

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

// What a JSON value is, as far as the readers are concerned.
enum class Kind { Undefined, Null, Bool, Number, String, Array, Object };

// A value of a document read by Qt's parser: the replies the fast parser leaves to it, and
// campaigns handed over as QJsonValue. Slow but complete; repeated texts are not shared.
class QtValue {
public:
    static constexpr bool kSharesRepeats = false;

    QtValue() = default;
    explicit QtValue(QJsonValue value)
        : m_value(std::move(value)) {}

    Kind kind() const {
        switch (m_value.type()) {
        case QJsonValue::Null:
            return Kind::Null;
        case QJsonValue::Bool:
            return Kind::Bool;
        case QJsonValue::Double:
            return Kind::Number;
        case QJsonValue::String:
            return Kind::String;
        case QJsonValue::Array:
            return Kind::Array;
        case QJsonValue::Object:
            return Kind::Object;
        case QJsonValue::Undefined:
            break;
        }
        return Kind::Undefined;
    }
    // A number that is integral and fits in 64 bits (1.5 is refused, 100.0 is 100).
    bool integer(qint64& out) const {
        // toInteger() yields its default unless the number is integral and fits in 64 bits; two
        // different defaults tell a real value from a refusal.
        const qint64 a = m_value.toInteger(0);
        if (a != m_value.toInteger(1)) {
            return false;
        }
        out = a;
        return true;
    }
    double number() const { return m_value.toDouble(); }
    QString string() const { return m_value.toString(); }
    qsizetype size() const { return m_value.toArray().size(); }
    // Calls `visit` with each element of an array until it returns false.
    template <typename F>
    bool elements(F&& visit) const {
        const QJsonArray array = m_value.toArray();
        for (const QJsonValueConstRef element : array) {
            if (!visit(QtValue(element))) {
                return false;
            }
        }
        return true;
    }
    // Calls `visit` with each member of an object: its key in UTF-8 and its value.
    template <typename F>
    void members(F&& visit) const {
        const QJsonObject object = m_value.toObject();
        for (auto it = object.constBegin(), end = object.constEnd(); it != end; ++it) {
            const QByteArray key = it.key().toUtf8();
            visit(std::string_view(key.constData(), static_cast<size_t>(key.size())),
                  QtValue(it.value()));
        }
    }

private:
    QJsonValue m_value;
};

// The array or object an element holds (the caller has checked its type).
simdjson::dom::array arrayOf(simdjson::dom::element element) {
    simdjson::dom::array array;
    if (element.get_array().get(array) != simdjson::SUCCESS) {
        return {};
    }
    return array;
}
simdjson::dom::object objectOf(simdjson::dom::element element) {
    simdjson::dom::object object;
    if (element.get_object().get(object) != simdjson::SUCCESS) {
        return {};
    }
    return object;
}

// A value of a document read by the fast parser. Views into the parser's buffers: valid until the
// thread's next parse.
class FastValue {
public:
    static constexpr bool kSharesRepeats = true;

    FastValue() = default;
    explicit FastValue(simdjson::dom::element element)
        : m_element(element) {}

    Kind kind() const {
        switch (m_element.type()) {
        case simdjson::dom::element_type::NULL_VALUE:
            return Kind::Null;
        case simdjson::dom::element_type::BOOL:
            return Kind::Bool;
        case simdjson::dom::element_type::INT64:
        case simdjson::dom::element_type::UINT64:
        case simdjson::dom::element_type::DOUBLE:
            return Kind::Number;
        case simdjson::dom::element_type::STRING:
            return Kind::String;
        case simdjson::dom::element_type::ARRAY:
            return Kind::Array;
        case simdjson::dom::element_type::OBJECT:
            break;
        }
        return Kind::Object;
    }
    // As QtValue::integer: what the parser kept as a 64-bit integer, or a floating value that is
    // integral and within [-2^63, 2^63). Unsigned values above 2^63 - 1 do not fit.
    bool integer(qint64& out) const {
        switch (m_element.type()) {
        case simdjson::dom::element_type::INT64:
            out = m_element.get_int64().value_unsafe();
            return true;
        case simdjson::dom::element_type::DOUBLE: {
            constexpr double kTwoTo63 = 9223372036854775808.0;
            const double d = m_element.get_double().value_unsafe();
            if (d >= -kTwoTo63 && d < kTwoTo63 && std::trunc(d) == d) {
                out = static_cast<qint64>(d);
                return true;
            }
            return false;
        }
        default:
            return false;
        }
    }
    double number() const {
        switch (m_element.type()) {
        case simdjson::dom::element_type::INT64:
            return static_cast<double>(m_element.get_int64().value_unsafe());
        case simdjson::dom::element_type::UINT64:
            return static_cast<double>(m_element.get_uint64().value_unsafe());
        default:
            return m_element.get_double().value_unsafe();
        }
    }
    std::string_view text() const { return m_element.get_string().value_unsafe(); }
    QString string() const {
        const std::string_view utf8 = text();
        return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
    }
    qsizetype size() const { return static_cast<qsizetype>(arrayOf(m_element).size()); }
    template <typename F>
    bool elements(F&& visit) const {
        for (const simdjson::dom::element element : arrayOf(m_element)) {
            if (!visit(FastValue(element))) {
                return false;
            }
        }
        return true;
    }
    template <typename F>
    void members(F&& visit) const {
        for (const simdjson::dom::key_value_pair member : objectOf(m_element)) {
            visit(member.key, FastValue(member.value));
        }
    }
    // The same string, or the same array of strings: a text read from one can stand for the
    // other.
    bool sameText(const FastValue& other) const {
        const Kind mine = kind();
        if (mine != other.kind()) {
            return false;
        }
        if (mine == Kind::String) {
            return text() == other.text();
        }
        if (mine != Kind::Array) {
            return false;
        }
        const simdjson::dom::array a = arrayOf(m_element);
        const simdjson::dom::array b = arrayOf(other.m_element);
        if (a.size() != b.size()) {
            return false;
        }
        for (auto x = a.begin(), y = b.begin(); x != a.end(); ++x, ++y) {
            const FastValue element(*x);
            if (element.kind() != Kind::String || !element.sameText(FastValue(*y))) {
                return false;
            }
        }
        return true;
    }

private:
    simdjson::dom::element m_element;
};

template <typename V>
QString found(const V& value) {
    switch (value.kind()) {
    case Kind::Null:
        return QStringLiteral("null");
    case Kind::Bool:
        return QStringLiteral("a boolean");
    case Kind::Number:
        return QStringLiteral("the number %1").arg(value.number(), 0, 'g', 17);
    case Kind::String:
        return QStringLiteral("a string");
    case Kind::Array:
        return QStringLiteral("an array");
    case Kind::Object:
        return QStringLiteral("an object");
    case Kind::Undefined:
        break;
    }
    return QStringLiteral("nothing");
}

template <typename V>
QString expected(const char* what, const V& value) {
    return QStringLiteral("expected %1, found %2").arg(QLatin1String(what), found(value));
}

// Readers of one JSON value as a field's value type. Each returns false when the value does not
// have exactly that type, and says why when `why` is given (strict records); tolerant reading
// passes nullptr and builds no message.
template <typename V>
bool read(const V& value, qint64& out, QString* why) {
    if (value.kind() == Kind::Number && value.integer(out)) {
        return true;
    }
    if (why) {
        *why = expected("an integer", value);
    }
    return false;
}

template <typename V>
bool read(const V& value, double& out, QString* why) {
    if (value.kind() != Kind::Number) {
        if (why) {
            *why = expected("a number", value);
        }
        return false;
    }
    out = value.number();
    return true;
}

template <typename V>
bool read(const V& value, QString& out, QString* why) {
    if (value.kind() != Kind::String) {
        if (why) {
            *why = expected("a string", value);
        }
        return false;
    }
    out = value.string();
    return true;
}

QString elementError(qsizetype index, const QString& why) {
    return QStringLiteral("element %1: %2").arg(index).arg(why);
}

template <typename V>
bool read(const V& value, QStringList& out, QString* why) {
    if (value.kind() != Kind::Array) {
        if (why) {
            *why = expected("an array of strings", value);
        }
        return false;
    }
    out.reserve(value.size());
    qsizetype index = 0;
    return value.elements([&](const V& element) {
        if (element.kind() != Kind::String) {
            if (why) {
                *why = elementError(index, expected("a string", element));
            }
            return false;
        }
        out.append(element.string());
        ++index;
        return true;
    });
}

// Arrays of records (defined below, with the record decoders).
template <WireRecord R, typename V>
bool read(const V& value, QList<R>& out, QString* why);

// The last string or string list read into one field of a list's records, with the value it came
// from. Replies repeat many of them from record to record (marks, empty texts, the same targeting
// lists): an equal value takes the same text, shared instead of allocated again. A field whose
// value changed in each of the last few records (names, addresses) is no longer compared: those
// comparisons would only cost.
template <typename V>
struct Recent {
    static constexpr int giveUpAfter = 8;

    std::optional<V> raw;
    QString text;
    QStringList list;
    int misses = 0; // records in a row whose value differed from the one before

    bool watched() const { return misses < giveUpAfter; }
};

template <typename T, typename V>
T& recentValue(Recent<V>& recent) {
    if constexpr (std::is_same_v<T, QString>) {
        return recent.text;
    } else {
        return recent.list;
    }
}

template <typename R, typename V>
using ReadField = bool (*)(R&, const V&, Recent<V>*, QString*);

// Reads `value` into the field `member` of `record`; the field is left alone on failure.
// `recent` is the field's slot of recent values in a list (null outside lists), `why` where to
// say why the value cannot be read (null for tolerant reading).
template <typename R, auto member, typename V>
bool readField(R& record, const V& value, Recent<V>* recent, QString* why) {
    using T = typename std::remove_cvref_t<decltype(record.*member)>::value_type;
    constexpr bool shareable =
        V::kSharesRepeats && (std::is_same_v<T, QString> || std::is_same_v<T, QStringList>);
    if constexpr (shareable) {
        if (recent && !recent->watched()) {
            recent = nullptr;
        }
        if (recent) {
            if (recent->raw && value.sameText(*recent->raw)) {
                recent->misses = 0;
                record.*member = recentValue<T>(*recent);
                return true;
            }
            ++recent->misses;
        }
    }
    T parsed;
    if (!read(value, parsed, why)) {
        return false;
    }
    if constexpr (shareable) {
        if (recent) {
            recent->raw = value;
            recentValue<T>(*recent) = parsed;
        }
    }
    record.*member = std::move(parsed);
    return true;
}

// The fields of record R, in the order of its field list, found by JSON key through a small
// open-addressing table, whatever order the members come in.
template <typename R>
class FieldTable {
public:
    static constexpr int kMaxFields = 64;

    static const FieldTable& instance() {
        static const FieldTable table;
        return table;
    }

    int size() const { return static_cast<int>(m_keys.size()); }
    QLatin1StringView key(int field) const { return QLatin1StringView(m_keys[field]); }

    // The position of the field named `key` in the field list, or -1.
    int find(std::string_view key) const {
        for (size_t slot = hash(key);; slot = (slot + 1) % kSlots) {
            const int field = m_slots[slot];
            if (field < 0 || m_keys[static_cast<size_t>(field)] == key) {
                return field;
            }
        }
    }

private:
    static constexpr size_t kSlots = 128; // over twice the fields: every probe ends at a free slot

    static size_t hash(std::string_view key) {
        if (key.empty()) {
            return 0;
        }
        const auto at = [&](size_t i) { return static_cast<size_t>(static_cast<uchar>(key[i])); };
        return (key.size() * 31 + at(0) * 7 + at(key.size() / 2) * 3 + at(key.size() - 1)) % kSlots;
    }

    FieldTable() {
        m_slots.fill(-1);
        fields(
            std::type_identity<R>{}, [this]<auto member>(const char* name) {
                const int field = static_cast<int>(m_keys.size());
                m_keys.emplace_back(name);
                size_t slot = hash(name);
                while (m_slots[slot] >= 0) {
                    slot = (slot + 1) % kSlots;
                }
                m_slots[slot] = static_cast<qint8>(field);
            });
        Q_ASSERT(m_keys.size() <= kMaxFields);
    }

    std::vector<std::string_view> m_keys; // in field-list order
    std::array<qint8, kSlots> m_slots{};
};

// The readers of record R's fields for values of kind V, in field-list order.
template <typename R, typename V>
const std::vector<ReadField<R, V>>& fieldReaders() {
    static const std::vector<ReadField<R, V>> readers = [] {
        std::vector<ReadField<R, V>> out;
        fields(
            std::type_identity<R>{}, [&]<auto member>(const char*) {
                out.push_back(&readField<R, member, V>);
            });
        return out;
    }();
    return readers;
}

template <typename V>
QString notAnObject(const QString& record, const V& value) {
    return QStringLiteral("%1: %2").arg(record, expected("an object", value));
}

// Decodes one object into `record`. A campaign is read tolerantly: it starts from its defaults,
// and a field that cannot be read keeps its default. Every other record is strict: a wrong type
// fails the record, and when several fields are wrong, the first of the field list is reported.
// Null or a missing key leaves a field as it is. When a key repeats, its last value counts.
// `recent` holds one slot per field when the record is an element of a list, else null; `error`
// may be null when no message is wanted.
template <typename R, typename V>
bool decodeInto(const V& value, R& record, QString* error, Recent<V>* recent) {
    constexpr bool tolerant = std::is_same_v<R, Camp>;
    if (value.kind() != Kind::Object) {
        if (error) {
            *error = notAnObject(recordName<R>(), value);
        }
        return false;
    }
    const FieldTable<R>& table = FieldTable<R>::instance();
    std::array<V, FieldTable<R>::kMaxFields> members;
    quint64 present = 0;
    value.members([&](std::string_view key, const V& member) {
        if (const int field = table.find(key); field >= 0) {
            members[static_cast<size_t>(field)] = member;
            present |= quint64(1) << field;
        }
    });
    if constexpr (tolerant) {
        record = campDefaults();
    }
    const std::vector<ReadField<R, V>>& readers = fieldReaders<R, V>();
    for (int field = 0; present >> field; ++field) {
        const auto at = static_cast<size_t>(field);
        if (!(present >> field & 1) || members[at].kind() == Kind::Null) {
            continue;
        }
        Recent<V>* slot = recent ? &recent[at] : nullptr;
        if constexpr (tolerant) {
            readers[at](record, members[at], slot, nullptr); // a failure keeps the default
        } else {
            QString why;
            if (!readers[at](record, members[at], slot, &why)) {
                if (error) {
                    *error = QStringLiteral("%1: key \"%2\": %3")
                                 .arg(recordName<R>(), table.key(field), why);
                }
                return false;
            }
        }
    }
    return true;
}

template <WireRecord R, typename V>
bool read(const V& value, QList<R>& out, QString* why) {
    if (value.kind() != Kind::Array) {
        if (why) {
            *why = expected("an array", value);
        }
        return false;
    }
    out.reserve(value.size());
    QString error;
    std::vector<Recent<V>> recent(static_cast<size_t>(FieldTable<R>::instance().size()));
    qsizetype index = 0;
    return value.elements([&](const V& element) {
        if (!decodeInto(element, out.emplaceBack(), why ? &error : nullptr, recent.data())) {
            if (why) {
                *why = elementError(index, error);
            }
            return false;
        }
        ++index;
        return true;
    });
}

template <typename R, typename V>
Decoded<R> decodeRecord(const V& value) {
    R record;
    QString error;
    if (!decodeInto(value, record, &error, static_cast<Recent<V>*>(nullptr))) {
        return Decoded<R>::failure(error);
    }
    return Decoded<R>::success(std::move(record));
}

// Whether a number anywhere in the document was read as a floating zero. Qt's parser refuses a
// number too small for a double (1e-400) where the fast parser reads 0, so such a document is
// left to Qt's parser.
bool holdsFloatingZero(simdjson::dom::element value) {
    switch (value.type()) {
    case simdjson::dom::element_type::DOUBLE:
        return value.get_double().value_unsafe() == 0;
    case simdjson::dom::element_type::ARRAY:
        for (const simdjson::dom::element element : arrayOf(value)) {
            if (holdsFloatingZero(element)) {
                return true;
            }
        }
        return false;
    case simdjson::dom::element_type::OBJECT:
        for (const simdjson::dom::key_value_pair member : objectOf(value)) {
            if (holdsFloatingZero(member.value)) {
                return true;
            }
        }
        return false;
    default:
        return false;
    }
}

// Replies are read by simdjson (a parser working on many bytes at a time) whenever it accepts
// the body and reads it as Qt's parser would. Everything else goes to Qt's parser, which gives
// the verdict and the error text: what simdjson refuses (Qt's parser accepts a few documents it
// refuses, such as lone surrogate escapes), documents that are not an object, and numbers read as
// a floating zero (see holdsFloatingZero). Nesting is bounded below Qt's limit of 1024, so that a
// document deep enough for Qt's parser to refuse never reaches the fast path.
class FastParser {
public:
    static constexpr size_t kMaxDepth = 1000;
    // Buffers kept for the next parse on this thread; a larger reply gets buffers of its own.
    static constexpr size_t kKeptCapacity = 1024 * 1024;
    // Larger bodies go to Qt's parser, so that its size limits keep applying.
    static constexpr qsizetype kMaxBodyBytes = 64 * 1024 * 1024;

    // The root object of `body`, or nothing when Qt's parser must read it.
    static std::optional<FastValue> parse(const QByteArray& body) {
        if (body.size() > kMaxBodyBytes) {
            return std::nullopt;
        }
        FastParser& self = forThisThread();
        simdjson::dom::parser& parser = self.m_parser;
        const auto length = static_cast<size_t>(body.size());
        if (parser.capacity() < length &&
            parser.allocate(std::max(length, kKeptCapacity), kMaxDepth) != simdjson::SUCCESS) {
            return std::nullopt;
        }
        simdjson::dom::element root;
        if (parser.parse(body.constData(), length).get(root) != simdjson::SUCCESS ||
            root.type() != simdjson::dom::element_type::OBJECT || holdsFloatingZero(root)) {
            return std::nullopt;
        }
        return FastValue(root);
    }

    // Lets a large reply's buffers go once its records are built.
    static void release() {
        FastParser& self = forThisThread();
        if (self.m_parser.capacity() > kKeptCapacity) {
            self.m_parser = simdjson::dom::parser();
        }
    }

private:
    static FastParser& forThisThread() {
        thread_local FastParser parser;
        return parser;
    }

    simdjson::dom::parser m_parser;
};

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
    return decodeRecord<Camp>(QtValue(value));
}

template <WireRecord R>
Decoded<R> decode(const QByteArray& body) {
    if (const std::optional<FastValue> root = FastParser::parse(body)) {
        Decoded<R> decoded = decodeRecord<R>(*root);
        FastParser::release();
        return decoded;
    }
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
    return decodeRecord<R>(QtValue(document.object()));
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
