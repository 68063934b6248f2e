#include "api/Records.h"

#include <type_traits>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>

namespace orvane {

namespace {

// Field lists, one per record, in the order of the wire format. The JSON key is the field name.
// `visit(key, field)` is called for every field; const and non-const records share one list.
#define ORVANE_FIELD(name) visit(#name, record.name)

template <typename R, typename T>
concept RecordOf = std::same_as<std::remove_const_t<R>, T>;

template <RecordOf<Camp> R, typename V>
void fields(R& record, V&& visit) {
    ORVANE_FIELD(campid);
    ORVANE_FIELD(bm);
    ORVANE_FIELD(bmcheck);
    ORVANE_FIELD(name);
    ORVANE_FIELD(engname);
    ORVANE_FIELD(detailpage);
    ORVANE_FIELD(package);
    ORVANE_FIELD(ctvurl);
    ORVANE_FIELD(ctvwidth);
    ORVANE_FIELD(ctvheight);
    ORVANE_FIELD(nativeurl);
    ORVANE_FIELD(iconurl);
    ORVANE_FIELD(viewurl);
    ORVANE_FIELD(joindesc);
    ORVANE_FIELD(rewardcondition);
    ORVANE_FIELD(rewarddesc);
    ORVANE_FIELD(notice);
    ORVANE_FIELD(cta);
    ORVANE_FIELD(category);
    ORVANE_FIELD(rewardprice);
    ORVANE_FIELD(pricemark);
    ORVANE_FIELD(cpsprice);
    ORVANE_FIELD(cpsdcprice);
    ORVANE_FIELD(carrier);
    ORVANE_FIELD(targetagemin);
    ORVANE_FIELD(targetagemax);
    ORVANE_FIELD(gender);
    ORVANE_FIELD(targetpkg);
    ORVANE_FIELD(detargetpkg);
    ORVANE_FIELD(orvkey);
    ORVANE_FIELD(convflag);
    ORVANE_FIELD(orderseq);
    ORVANE_FIELD(rewarddate);
    ORVANE_FIELD(rewardtype);
}

template <RecordOf<Req> R, typename V>
void fields(R& record, V&& visit) {
    ORVANE_FIELD(result);
    ORVANE_FIELD(errmsg);
    ORVANE_FIELD(adtype);
    ORVANE_FIELD(rewardtype);
    ORVANE_FIELD(pricedecimal);
    ORVANE_FIELD(camp);
    ORVANE_FIELD(housemd);
}

template <RecordOf<Reward> R, typename V>
void fields(R& record, V&& visit) {
    ORVANE_FIELD(campid);
    ORVANE_FIELD(name);
    ORVANE_FIELD(rewardprice);
    ORVANE_FIELD(rewardmark);
    ORVANE_FIELD(rewarddate);
    ORVANE_FIELD(bm);
}

template <RecordOf<RewardList> R, typename V>
void fields(R& record, V&& visit) {
    ORVANE_FIELD(result);
    ORVANE_FIELD(reward);
}

template <RecordOf<HalvekNotice> R, typename V>
void fields(R& record, V&& visit) {
    ORVANE_FIELD(result);
    ORVANE_FIELD(text);
}

template <RecordOf<AgreeContents> R, typename V>
void fields(R& record, V&& visit) {
    ORVANE_FIELD(result);
    ORVANE_FIELD(cs_agree_contents);
}

template <RecordOf<ResultData> R, typename V>
void fields(R& record, V&& visit) {
    ORVANE_FIELD(result);
}

template <RecordOf<State> R, typename V>
void fields(R& record, V&& visit) {
    ORVANE_FIELD(result);
    ORVANE_FIELD(orvkey);
    ORVANE_FIELD(state);
}

template <RecordOf<Join> R, typename V>
void fields(R& record, V&& visit) {
    ORVANE_FIELD(result);
    ORVANE_FIELD(orvkey);
    ORVANE_FIELD(lurl);
}

#undef ORVANE_FIELD

// Values a campaign field takes when it cannot be read. Fields not named here stay absent.
void applyCampDefaults(Camp& camp) {
    const QString empty = QStringLiteral("");
    auto fill = [](auto& field, auto value) {
        if (!field) {
            field = value;
        }
    };
    fill(camp.campid, qint64(-1));
    fill(camp.bm, qint64(-1));
    fill(camp.bmcheck, qint64(0));
    fill(camp.name, empty);
    fill(camp.engname, empty);
    fill(camp.detailpage, qint64(0));
    fill(camp.package, empty);
    fill(camp.ctvurl, empty);
    fill(camp.ctvwidth, qint64(0));
    fill(camp.ctvheight, qint64(0));
    fill(camp.joindesc, empty);
    fill(camp.rewardcondition, qint64(0));
    fill(camp.rewarddesc, empty);
    fill(camp.notice, empty);
    fill(camp.cta, empty);
    fill(camp.category, qint64(0));
    fill(camp.rewardprice, 0.0);
    fill(camp.pricemark, empty);
    fill(camp.cpsprice, qint64(0));
    fill(camp.cpsdcprice, qint64(0));
    fill(camp.carrier, empty);
    fill(camp.targetagemin, qint64(0));
    fill(camp.targetagemax, qint64(0));
    fill(camp.gender, qint64(0));
    fill(camp.convflag, qint64(0));
    fill(camp.orderseq, qint64(0));
    fill(camp.rewarddate, empty);
    fill(camp.rewardtype, qint64(-1));
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

// Readers of one JSON value as a field's value type. Each returns false and says why when the
// value does not have exactly that type.
bool read(const QJsonValue& value, qint64& out, QString& why) {
    // toInteger() yields its default unless the number is integral and fits in 64 bits; two
    // different defaults tell a real value from a refusal (1.5 is refused, 100.0 is 100).
    const qint64 a = value.toInteger(0);
    if (!value.isDouble() || a != value.toInteger(1)) {
        why = expected("an integer", value);
        return false;
    }
    out = a;
    return true;
}

bool read(const QJsonValue& value, double& out, QString& why) {
    if (!value.isDouble()) {
        why = expected("a number", value);
        return false;
    }
    out = value.toDouble();
    return true;
}

bool read(const QJsonValue& value, QString& out, QString& why) {
    if (!value.isString()) {
        why = expected("a string", value);
        return false;
    }
    out = value.toString();
    return true;
}

QString elementError(qsizetype index, const QString& why) {
    return QStringLiteral("element %1: %2").arg(index).arg(why);
}

bool read(const QJsonValue& value, QStringList& out, QString& why) {
    if (!value.isArray()) {
        why = expected("an array of strings", value);
        return false;
    }
    const QJsonArray array = value.toArray();
    out.reserve(array.size());
    for (qsizetype i = 0; i < array.size(); ++i) {
        const QJsonValue element = array.at(i);
        if (!element.isString()) {
            why = elementError(i, expected("a string", element));
            return false;
        }
        out.append(element.toString());
    }
    return true;
}

template <typename R>
Decoded<R> decodeStrict(const QJsonValue& value);

template <typename R>
bool readRecords(const QJsonValue& value, QList<R>& out, QString& why) {
    if (!value.isArray()) {
        why = expected("an array", value);
        return false;
    }
    const QJsonArray array = value.toArray();
    out.reserve(array.size());
    for (qsizetype i = 0; i < array.size(); ++i) {
        Decoded<R> element;
        if constexpr (std::is_same_v<R, Camp>) {
            element = decodeCamp(array.at(i));
        } else {
            element = decodeStrict<R>(array.at(i));
        }
        if (!element.ok()) {
            why = elementError(i, element.error());
            return false;
        }
        out.append(element.value());
    }
    return true;
}

bool read(const QJsonValue& value, QList<Camp>& out, QString& why) {
    return readRecords(value, out, why);
}

bool read(const QJsonValue& value, QList<Reward>& out, QString& why) {
    return readRecords(value, out, why);
}

QString notAnObject(const QString& record, const QJsonValue& value) {
    return QStringLiteral("%1: %2").arg(record, expected("an object", value));
}

template <typename R>
Decoded<R> decodeStrict(const QJsonValue& value) {
    if (!value.isObject()) {
        return Decoded<R>::failure(notAnObject(recordName<R>(), value));
    }
    const QJsonObject object = value.toObject();
    R record;
    QString error;
    fields(record, [&](const char* key, auto& field) {
        if (!error.isEmpty()) {
            return;
        }
        const QJsonValue item = object.value(QLatin1String(key));
        if (item.isUndefined() || item.isNull()) {
            return;
        }
        typename std::remove_reference_t<decltype(field)>::value_type parsed;
        QString why;
        if (read(item, parsed, why)) {
            field = std::move(parsed);
        } else {
            error =
                QStringLiteral("%1: key \"%2\": %3").arg(recordName<R>(), QLatin1String(key), why);
        }
    });
    if (!error.isEmpty()) {
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
        static_assert(std::is_same_v<T, QList<Reward>>);
        return QStringLiteral("array of Reward");
    }
}

} // namespace

Decoded<Camp> decodeCamp(const QJsonValue& value) {
    if (!value.isObject()) {
        return Decoded<Camp>::failure(notAnObject(QStringLiteral("Camp"), value));
    }
    const QJsonObject object = value.toObject();
    Camp camp;
    fields(camp, [&](const char* key, auto& field) {
        typename std::remove_reference_t<decltype(field)>::value_type parsed;
        QString why;
        // A field that cannot be read is dropped on purpose: it takes its default below.
        if (read(object.value(QLatin1String(key)), parsed, why)) {
            field = std::move(parsed);
        }
    });
    applyCampDefaults(camp);
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
    fields(record, [&](const char* key, const auto& field) {
        if (field) {
            object.insert(QLatin1String(key), write(*field));
        }
    });
    return object;
}

template <WireRecord R>
QJsonObject toTypedJson(const R& record) {
    QJsonObject object;
    fields(record, [&](const char* key, const auto& field) {
        if (field) {
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
    } else if constexpr (std::is_same_v<R, Reward>) {
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
ORVANE_INSTANTIATE(Reward)
ORVANE_INSTANTIATE(RewardList)
ORVANE_INSTANTIATE(HalvekNotice)
ORVANE_INSTANTIATE(AgreeContents)
ORVANE_INSTANTIATE(ResultData)
ORVANE_INSTANTIATE(State)
ORVANE_INSTANTIATE(Join)

#undef ORVANE_INSTANTIATE

} // namespace orvane
