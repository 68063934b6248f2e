#include <QJsonArray>
#include <QJsonDocument>
#include <QtTest>

#include "core/Records.h"

using namespace orvane;
using namespace Qt::StringLiterals;

namespace {

QByteArray json(const QJsonObject& object) {
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

// A campaign with every field present and of the right type.
QJsonObject fullCampJson(qint64 campid) {
    QJsonObject camp = QJsonDocument::fromJson(R"({"bm":2,"bmcheck":1,"name":"Name","engname":"Eng",
        "detailpage":1,"package":"app://x","ctvurl":"http://c","ctvwidth":600,"ctvheight":300,
        "nativeurl":"http://n","iconurl":"http://i","viewurl":"http://v","joindesc":"<b>j</b>",
        "rewardcondition":3,"rewarddesc":"r","notice":"n","cta":"Go","category":7,"rewardprice":12.5,
        "pricemark":"P","cpsprice":1000,"cpsdcprice":900,"carrier":"KT","targetagemin":20,
        "targetagemax":40,"gender":1,"targetpkg":["a","b"],"detargetpkg":[],"orvkey":"k",
        "convflag":1,"orderseq":4,"rewarddate":"20240102","rewardtype":2})")
                           .object();
    camp.insert(u"campid"_s, campid);
    return camp;
}

// A campaign of absent fields: what every decoded campaign starts from.
Camp defaultCamp() {
    return decodeCamp(QJsonDocument::fromJson(R"({"campid":-1,"bm":-1,"bmcheck":0,"name":"",
        "engname":"","package":"","ctvurl":"","joindesc":"","rewarddesc":"","notice":"","cta":"",
        "pricemark":"","carrier":"","rewarddate":"","detailpage":0,"ctvwidth":0,"ctvheight":0,
        "rewardcondition":0,"category":0,"cpsprice":0,"cpsdcprice":0,"targetagemin":0,
        "targetagemax":0,"gender":0,"convflag":0,"orderseq":0,"rewardprice":0,"rewardtype":-1})")
                          .object())
        .value();
}

// The error of decoding `body` as the record called `name`; empty when it decodes.
template <typename... R>
QString errorAs(const QString& name, const QByteArray& body) {
    QString error = u"no record "_s + name;
    const auto one = [&]<typename T>(T*) {
        if (recordName<T>() == name) {
            const Decoded<T> d = decode<T>(body);
            error = d.ok() ? QString() : d.error();
            if constexpr (!std::is_same_v<T, Camp>) // an object of unknown keys: all absent
                QCOMPARE(decode<T>("{\"unknown\":1}").value(), T{});
        }
    };
    (one(static_cast<R*>(nullptr)), ...);
    return error;
}
const auto decodeError = errorAs<Camp, Req, RewardItem, RewardList, HalvekNotice, AgreeContents,
                                 ResultData, State, Join>;

} // namespace

class TstApiRecords : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void campTakesDefaultsFieldByField_data();
    void campTakesDefaultsFieldByField();
    void roundTripAbsentAndExactValues();
    void listElementsDecodeAsAlone_data();
    void listElementsDecodeAsAlone();
    void strictRecordsFail_data();
    void strictRecordsFail();
    void conformanceCorpus();
};

void TstApiRecords::campTakesDefaultsFieldByField_data() {
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QByteArray>("expected"); // toJson of the expected campaign, over defaults
    const auto row = [](const char* name, const char* body, const char* expected) {
        QTest::newRow(name) << QByteArray(body) << QByteArray(expected);
    };
    row("empty object", "{}", "{}");
    row("wrong types and nulls",
        R"({"campid":"12","rewardprice":"100","name":5,"cta":"Go","iconurl":null,"bm":true,
        "targetpkg":"a"})",
        R"({"cta":"Go"})");
    row("campid 1.5", R"({"campid":1.5,"bm":4})", R"({"bm":4})");
    row("campid 100.0, integer price", R"({"campid":100.0,"rewardprice":100})",
        R"({"campid":100,"rewardprice":100})");
    row("mixed targetpkg", R"({"targetpkg":["a",1],"detargetpkg":["x"],"campid":3})",
        R"({"detargetpkg":["x"],"campid":3})");
    // A key names a field only when it is exactly the field's name, however it is written.
    row("near keys", R"({"CampId":5,"Name":"x","extra":{"x":1},"orvkey":"","campi":5,"campidd":6,
        "nam":"x","name ":"y","":5,"c\u00e4mpid":5,"\u540d":"x","cxxxxd":5,"nxxe":"x","campid":9,
        "name":"n"})",
        R"({"orvkey":"","campid":9,"name":"n"})");
    row("escaped letters", R"({"\u0063ampid":7,"n\u0061me":"e"})", R"({"campid":7,"name":"e"})");
    row("repeated key", R"({"campid":1,"campid":2})", R"({"campid":1,"campid":2})");
}

void TstApiRecords::campTakesDefaultsFieldByField() {
    QFETCH(QByteArray, body);
    QFETCH(QByteArray, expected);
    QJsonObject merged = toJson(defaultCamp());
    const QJsonObject overrides = QJsonDocument::fromJson(expected).object();
    for (auto it = overrides.begin(); it != overrides.end(); ++it)
        merged.insert(it.key(), it.value());
    const Camp want = decodeCamp(merged).value();

    const Decoded<Camp> got = decode<Camp>(body);
    QVERIFY2(got.ok(), qPrintable(got.error()));
    QCOMPARE(toJson(got.value()), toJson(want));
    QCOMPARE(got.value(), want);
    // Only the six fields without a default may be absent.
    QVERIFY(got.value().campid && got.value().rewardprice && got.value().name);
    // A campaign alone and a campaign inside a list read the same.
    const Decoded<Req> list = decode<Req>(R"({"camp":[)" + body + "]}");
    QVERIFY2(list.ok(), qPrintable(list.error()));
    QCOMPARE(list.value().camp->first(), got.value());
}

// A campaign and a list with every field round-trip; missing and null are absent, integers exact.
void TstApiRecords::roundTripAbsentAndExactValues() {
    const QJsonObject object = fullCampJson(77);
    QCOMPARE(toJson(decodeCamp(object).value()), object);
    QJsonObject reqJson = QJsonDocument::fromJson(R"({"result":200,"errmsg":"ok","adtype":1,
        "rewardtype":2,"pricedecimal":"0","housemd":[]})")
                              .object();
    reqJson.insert(u"camp"_s, QJsonArray{object, fullCampJson(78)});
    const Decoded<Req> req = decode<Req>(json(reqJson));
    QVERIFY2(req.ok(), qPrintable(req.error()));
    QCOMPARE(req.value().camp->at(1).campid, std::optional<qint64>(78));
    QCOMPARE(toJson(req.value()), reqJson);

    // The diagnostics form names the type of every present field.
    const QJsonObject typed = toTypedJson(decode<Req>(R"({"camp":[{"targetpkg":["p"]}]})").value());
    QCOMPARE(typed.keys(), QStringList{u"camp"_s});
    QCOMPARE(typed[u"camp"_s][u"type"_s].toString(), u"array of Camp"_s);
    const QJsonObject camp = typed[u"camp"_s][u"value"_s][0].toObject();
    QCOMPARE(camp[u"campid"_s].toObject(),
             (QJsonObject{{u"type"_s, u"integer"_s}, {u"value"_s, -1}}));
    QCOMPARE(camp[u"rewardprice"_s][u"type"_s].toString(), u"floating"_s);
    QCOMPARE(camp[u"targetpkg"_s][u"type"_s].toString(), u"array of strings"_s);
    QVERIFY(!camp.contains(u"iconurl"_s));

    // Missing and null are absent; an empty string and 0 are values.
    const Decoded<Req> nulls = decode<Req>(R"({"result":200,"camp":null,"errmsg":null})");
    QVERIFY(nulls.ok() && !nulls.value().camp && !nulls.value().errmsg);
    const Decoded<Join> join = decode<Join>(R"({"result":0,"orvkey":"","lurl":"http://l"})");
    QCOMPARE(join.value(), (Join{0, QString(), u"http://l"_s}));
    QCOMPARE(
        decode<RewardList>(R"({"reward":[{"rewardprice":10,"rewarddate":"20240101"}]})")
            .value()
            .reward->first(),
        (RewardItem{std::nullopt, std::nullopt, 10.0, std::nullopt, u"20240101"_s, std::nullopt}));
    // Nothing of a failed reply survives.
    QCOMPARE(decode<Req>(R"({"result":200,"camp":[{"campid":1},7]})").value(), Req{});
    QVERIFY(!decodeCamp(QJsonValue(3)).ok() && !decodeCamp(QJsonValue(QJsonArray())).ok());

    for (const auto& [result, value] :
         {std::pair("9007199254740993"_ba, Q_INT64_C(9007199254740993)),
          {"-9223372036854775808"_ba, std::numeric_limits<qint64>::min()},
          {"2e2"_ba, Q_INT64_C(200)}})
        QCOMPARE(decode<State>(R"({"result":)" + result + "}").value().result, value);
    QCOMPARE(*decode<Camp>(R"({"rewardprice":1e-3})").value().rewardprice, 0.001);
}

void TstApiRecords::listElementsDecodeAsAlone_data() {
    // Elements of one list: equal values in a row, then a change of text, type or length.
    QTest::addColumn<QByteArray>("elements");
    QTest::newRow("text changes after repeats")
        << QByteArray(R"([{"cta":"Go"},{"cta":"Go"},{"cta":"go"},{"cta":"Go "},{"cta":"Go"}])");
    QTest::newRow("same text, then another type")
        << QByteArray(R"([{"name":"5"},{"name":"5"},{"name":5},{"name":null},{"name":"5"}])");
    QTest::newRow("list changes by one element") << QByteArray(
        R"([{"targetpkg":["a","b"]},{"targetpkg":["a","b"]},{"targetpkg":["a","c"]},
        {"targetpkg":["a"]},{"targetpkg":["a",1]},{"targetpkg":"a"},{"targetpkg":["a","b"]}])");
}

void TstApiRecords::listElementsDecodeAsAlone() {
    QFETCH(QByteArray, elements);
    const QJsonArray array = QJsonDocument::fromJson(elements).array();
    QVERIFY(!array.isEmpty());
    const Decoded<Req> req = decode<Req>(R"({"camp":)" + elements + "}");
    QVERIFY2(req.ok(), qPrintable(req.error()));
    QCOMPARE(req.value().camp->size(), array.size());
    for (qsizetype i = 0; i < array.size(); ++i)
        QCOMPARE(req.value().camp->at(i), decodeCamp(array.at(i)).value());

    // Strict elements: the list holds exactly when each element holds alone.
    const auto holds = [](const QJsonValue& v) {
        return decode<RewardItem>(json(v.toObject())).ok();
    };
    QCOMPARE(decode<RewardList>(R"({"reward":)" + elements + "}").ok(),
             std::all_of(array.begin(), array.end(), holds));
}

void TstApiRecords::strictRecordsFail_data() {
    QTest::addColumn<QString>("record");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("error"); // a part of the message, after the record's name
    const auto row = [](const char* record, const char* body, const char* error) {
        QTest::addRow("%s %s", record, body)
            << QString::fromLatin1(record) << QByteArray(body) << QString::fromLatin1(error);
    };
    // A status sent as a string sinks every standard record.
    for (const char* record :
         {"Req", "RewardList", "HalvekNotice", "AgreeContents", "ResultData", "State", "Join"})
        row(record, R"({"result":"200"})", R"(key "result": expected an integer, found a string)");
    row("ResultData", R"({"result":200.5})", "found the number 200.5");
    row("ResultData", R"({"result":true})", "found a boolean");
    row("Join", R"({"result":200,"orvkey":12})", R"(key "orvkey": expected a string)");
    row("State", R"({"result":200,"state":"3"})", R"(key "state")");
    row("HalvekNotice", R"({"text":["a"]})", "found an array");
    row("AgreeContents", R"({"cs_agree_contents":{}})", "found an object");
    row("Req", R"({"result":200,"camp":{}})", R"(key "camp": expected an array)");
    row("Req", R"({"result":200,"camp":[{"campid":1},7]})",
        R"(key "camp": element 1: Camp: expected an object)");
    row("Req", R"({"housemd":[[]]})", "");
    row("RewardList", R"({"result":200,"reward":[{"campid":1},{"rewardprice":"1"}]})",
        R"(key "reward": element 1: Reward: key "rewardprice")");
    row("RewardList", R"({"reward":[null]})", "element 0: Reward: expected an object");
    // With several wrong fields, the first of the record's own order is named.
    row("Join", R"({"lurl":1,"orvkey":2,"result":"x"})", R"(key "result")");
    row("Join", R"({"lurl":1,"orvkey":2})", R"(key "orvkey")");
    row("State", R"({"result":1e300})", "");
    row("State", R"({"result":18446744073709551616})", "");
    for (const char* body :
         {"", "[]", "\"x\"", "200", "null", "<html>", "{\"result\":200}garbage"}) {
        row("ResultData", body, "");
        row("Camp", body, "");
    }
}

void TstApiRecords::strictRecordsFail() {
    QFETCH(QString, record);
    QFETCH(QByteArray, body);
    QFETCH(QString, error);
    const QString got = decodeError(record, body);
    QVERIFY2(got.startsWith(record) && got.contains(error), qPrintable(got));
}

// The public JSON parsing corpus: documents that must be refused ("n_") are refused by every
// record with a reason, and any object that must parse ("y_") is a campaign.
void TstApiRecords::conformanceCorpus() {
    const QDir dir(QStringLiteral(ORVANE_TEST_DATA_DIR "/json-test-suite/test_parsing"));
    const QStringList files = dir.entryList({u"*.json"_s}, QDir::Files);
    QVERIFY2(files.size() > 300, qPrintable(dir.path()));
    for (const QString& name : files) {
        QFile file(dir.filePath(name));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray body = file.readAll();
        if (name.startsWith(u"n_"_s)) {
            QVERIFY2(!decode<Req>(body).ok() && !decode<Camp>(body).ok() &&
                         !decode<ResultData>(body).error().isEmpty(),
                     qPrintable(name));
        } else if (name.startsWith(u"y_"_s) && QJsonDocument::fromJson(body).isObject()) {
            QVERIFY2(decode<Camp>(body).ok(), qPrintable(name));
        }
    }
}

QTEST_MAIN(TstApiRecords)

#include "tst_api_records.moc"
