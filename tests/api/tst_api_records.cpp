#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QtTest>

#include "core/Records.h"

using namespace orvane;

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
    camp.insert("campid", campid);
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

template <typename R>
void expectStrictFailure(const QByteArray& body, const char* fragment) {
    const Decoded<R> d = decode<R>(body);
    QVERIFY2(!d.ok(), qPrintable(recordName<R>() + QStringLiteral(" accepted ") + body));
    QVERIFY2(d.error().contains(QLatin1String(fragment)), qPrintable(d.error()));
    QVERIFY(d.error().startsWith(recordName<R>()));
}

// Each record decodes an object of unknown keys as all fields absent.
template <typename... R>
void expectAllAbsent() {
    const auto one = []<typename T>(T*) {
        const Decoded<T> d = decode<T>("{\"unknown\":1}");
        QVERIFY2(d.ok(), qPrintable(d.error()));
        QCOMPARE(d.value(), T{});
        QVERIFY(toJson(d.value()).isEmpty());
    };
    (one(static_cast<R*>(nullptr)), ...);
}

QString dataDir() {
    return QStringLiteral(ORVANE_TEST_DATA_DIR);
}

} // namespace

class TstApiRecords : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void campTakesDefaultsFieldByField_data();
    void campTakesDefaultsFieldByField();
    void campWithEveryFieldRoundTrips();
    void keysMatchExactly_data();
    void keysMatchExactly();
    void listElementsDecodeAsAlone_data();
    void listElementsDecodeAsAlone();
    void strictRecordsRefuseWrongTypes();
    void strictRecordsTreatMissingAndNullAsAbsent();
    void listKeepsBadCampaignsButSinksOnNonObjects();
    void integersAreExactAndIntegral();
    void nonObjectRepliesFail();
    void typedJsonNamesEveryPresentField();
    void jsonTestSuiteCorpus();
    void truncatedDeepAndHugeDocuments();
};

void TstApiRecords::campTakesDefaultsFieldByField_data() {
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QByteArray>("expected"); // toJson of the expected campaign, over defaults
    const auto row = [](const char* name, const char* body, const char* expected) {
        QTest::newRow(name) << QByteArray(body) << QByteArray(expected);
    };
    row("empty object", "{}", "{}");
    row("campid as string", R"({"campid":"12"})", "{}");
    row("campid 1.5", R"({"campid":1.5,"bm":4})", R"({"bm":4})");
    row("campid 100.0", R"({"campid":100.0})", R"({"campid":100})");
    row("integer price", R"({"rewardprice":100})", R"({"rewardprice":100})");
    row("price as string", R"({"rewardprice":"100"})", "{}");
    row("name as number", R"({"name":5,"cta":"Go"})", R"({"cta":"Go"})");
    row("nulls", R"({"campid":null,"iconurl":null,"bm":true})", "{}");
    row("mixed targetpkg", R"({"targetpkg":["a",1],"detargetpkg":["x"],"campid":3})",
        R"({"detargetpkg":["x"],"campid":3})");
    row("targetpkg not array", R"({"targetpkg":"a"})", "{}");
    row("unknown keys, case matters", R"({"CampId":5,"extra":{"x":1},"orvkey":""})",
        R"({"orvkey":""})");
}

void TstApiRecords::campTakesDefaultsFieldByField() {
    QFETCH(QByteArray, body);
    QFETCH(QByteArray, expected);
    QJsonObject merged = toJson(defaultCamp());
    const QJsonObject overrides = QJsonDocument::fromJson(expected).object();
    for (auto it = overrides.begin(); it != overrides.end(); ++it) {
        merged.insert(it.key(), it.value());
    }
    const Camp want = decodeCamp(merged).value();

    const Decoded<Camp> got = decode<Camp>(body);
    QVERIFY2(got.ok(), qPrintable(got.error()));
    QCOMPARE(toJson(got.value()), toJson(want));
    QCOMPARE(got.value(), want);
    // Only the six fields without a default may be absent.
    QVERIFY(got.value().campid && got.value().rewardprice && got.value().name);
}

void TstApiRecords::campWithEveryFieldRoundTrips() {
    const QJsonObject object = fullCampJson(77);
    const Decoded<Camp> d = decodeCamp(object);
    QVERIFY(d.ok());
    QCOMPARE(toJson(d.value()), object);

    QJsonObject reqJson = QJsonDocument::fromJson(R"({"result":200,"errmsg":"ok","adtype":1,
        "rewardtype":2,"pricedecimal":"0","housemd":[]})")
                              .object();
    reqJson.insert("camp", QJsonArray{object, fullCampJson(78)});
    const Decoded<Req> req = decode<Req>(json(reqJson));
    QVERIFY2(req.ok(), qPrintable(req.error()));
    QCOMPARE(req.value().camp->at(1).campid, std::optional<qint64>(78));
    QCOMPARE(toJson(req.value()), reqJson);
}

// A key names a field only when it is exactly the field's name, however it was written in the
// reply; a campaign alone and a campaign inside a list read the same.
void TstApiRecords::keysMatchExactly_data() {
    QTest::addColumn<QByteArray>("object");
    QTest::addColumn<qint64>("campid");
    QTest::addColumn<QString>("name");
    const auto row = [](const char* label, const char* object, qint64 campid, const char* name) {
        QTest::newRow(label) << QByteArray(object) << campid << QString::fromUtf8(name);
    };
    row("other case", R"({"CampID":5,"Name":"x"})", -1, "");
    row("prefix and extension", R"({"campi":5,"campidd":6,"nam":"x","names":"y"})", -1, "");
    row("trailing space", R"({"campid ":5,"name ":"x"})", -1, "");
    row("escaped letters", R"({"\u0063ampid":7,"n\u0061me":"e"})", 7, "e");
    row("empty key", R"({"":5,"campid":8})", 8, "");
    row("non-ASCII keys", R"({"c\u00e4mpid":5,"\u540d":"x","campid":9,"name":"n"})", 9, "n");
    row("same first and last letters as a field", R"({"cxxxxd":5,"nxxe":"x","campid":3})", 3, "");
    const char* repeated = R"({"campid":1,"campid":2})";
    row("repeated key", repeated,
        QJsonDocument::fromJson(repeated).object().value(QStringLiteral("campid")).toInteger(), "");
}

void TstApiRecords::keysMatchExactly() {
    QFETCH(QByteArray, object);
    QFETCH(qint64, campid);
    QFETCH(QString, name);
    const Decoded<Camp> alone = decode<Camp>(object);
    QVERIFY2(alone.ok(), qPrintable(alone.error()));
    QCOMPARE(alone.value().campid, std::optional<qint64>(campid));
    QCOMPARE(alone.value().name, std::optional<QString>(name));
    const Decoded<Req> list = decode<Req>(R"({"camp":[)" + object + "]}");
    QVERIFY2(list.ok(), qPrintable(list.error()));
    QCOMPARE(list.value().camp->first(), alone.value());
}

void TstApiRecords::listElementsDecodeAsAlone_data() {
    // Elements of one list: equal values in a row, then a change of text, type or length.
    QTest::addColumn<QByteArray>("elements");
    const auto row = [](const char* name, const QByteArray& elements) {
        QTest::newRow(name) << elements;
    };
    row("repeated texts and lists",
        R"([{"cta":"Go","targetpkg":["a"]},{"cta":"Go","targetpkg":["a"]},{}])");
    row("text changes after repeats",
        R"([{"cta":"Go"},{"cta":"Go"},{"cta":"go"},{"cta":"Go "},{"cta":"Go"}])");
    row("same text, then another type",
        R"([{"name":"5"},{"name":"5"},{"name":5},{"name":null},{"name":"5"}])");
    row("list changes by one element",
        R"([{"targetpkg":["a","b"]},{"targetpkg":["a","b"]},{"targetpkg":["a","c"]},
        {"targetpkg":["a"]},{"targetpkg":["a",1]},{"targetpkg":"a"},{"targetpkg":["a","b"]}])");
    row("empty text and empty list",
        R"([{"carrier":"","detargetpkg":[]},{"carrier":"","detargetpkg":[]},
        {"carrier":" ","detargetpkg":[""]},{"carrier":[],"detargetpkg":""}])");
    row("escaped and non-ASCII spellings",
        R"([{"name":"A"},{"name":"\u0041"},{"name":"\u00c4"},{"name":"Ä"},
        {"name":"\ud83d\ude00"},{"name":"\ud83d\ude01"}])");
    QByteArray many = "[";
    for (int i = 0; i < 20; ++i) {
        many += R"({"name":"n)" + QByteArray::number(i % 12) + R"("},)";
    }
    row("repeats after many different values", many + R"({"name":"n0"}])");
}

void TstApiRecords::listElementsDecodeAsAlone() {
    QFETCH(QByteArray, elements);
    const QJsonArray array = QJsonDocument::fromJson(elements).array();
    QVERIFY(!array.isEmpty());

    const Decoded<Req> req = decode<Req>(R"({"camp":)" + elements + "}");
    QVERIFY2(req.ok(), qPrintable(req.error()));
    QCOMPARE(req.value().camp->size(), array.size());
    for (qsizetype i = 0; i < array.size(); ++i) {
        QCOMPARE(req.value().camp->at(i), decodeCamp(array.at(i)).value());
    }

    // Strict elements: the list holds exactly when each element holds alone.
    const Decoded<RewardList> rewards = decode<RewardList>(R"({"reward":)" + elements + "}");
    bool allHold = true;
    for (qsizetype i = 0; i < array.size(); ++i) {
        const Decoded<Reward> alone = decode<Reward>(json(array.at(i).toObject()));
        allHold = allHold && alone.ok();
        if (rewards.ok()) {
            QCOMPARE(rewards.value().reward->at(i), alone.value());
        }
    }
    QCOMPARE(rewards.ok(), allHold);
}

void TstApiRecords::strictRecordsRefuseWrongTypes() {
    // A status sent as a string sinks every standard record.
    const QByteArray quoted = R"({"result":"200"})";
    const char* found = "key \"result\": expected an integer, found a string";
    expectStrictFailure<Req>(quoted, found);
    expectStrictFailure<RewardList>(quoted, found);
    expectStrictFailure<HalvekNotice>(quoted, found);
    expectStrictFailure<AgreeContents>(quoted, found);
    expectStrictFailure<ResultData>(quoted, found);
    expectStrictFailure<State>(quoted, found);
    expectStrictFailure<Join>(quoted, found);
    expectStrictFailure<ResultData>(R"({"result":200.5})", "found the number 200.5");
    expectStrictFailure<ResultData>(R"({"result":true})", "found a boolean");
    expectStrictFailure<Join>(R"({"result":200,"orvkey":12})", "key \"orvkey\": expected a string");
    expectStrictFailure<State>(R"({"result":200,"state":"3"})", "key \"state\"");
    expectStrictFailure<HalvekNotice>(R"({"text":["a"]})", "found an array");
    expectStrictFailure<AgreeContents>(R"({"cs_agree_contents":{}})", "found an object");
    expectStrictFailure<Req>(R"({"result":200,"camp":{}})", "key \"camp\": expected an array");
    expectStrictFailure<RewardList>(R"({"result":200,"reward":[{"campid":1},{"rewardprice":"1"}]})",
                                    "key \"reward\": element 1: Reward: key \"rewardprice\"");
    expectStrictFailure<RewardList>(R"({"reward":[null]})",
                                    "element 0: Reward: expected an object");
    // With several wrong fields, the first of the record's own order is named, whatever the
    // order of the keys in the reply.
    expectStrictFailure<Join>(R"({"lurl":1,"orvkey":2,"result":"x"})", "key \"result\"");
    expectStrictFailure<Join>(R"({"lurl":1,"orvkey":2})", "key \"orvkey\"");
}

void TstApiRecords::strictRecordsTreatMissingAndNullAsAbsent() {
    expectAllAbsent<Req, Reward, RewardList, HalvekNotice, AgreeContents, ResultData, State,
                    Join>();

    const Decoded<Req> req = decode<Req>(R"({"result":200,"camp":null,"errmsg":null})");
    QVERIFY(req.ok());
    QCOMPARE(req.value().result, std::optional<qint64>(200));
    QVERIFY(!req.value().camp && !req.value().errmsg);

    // Empty string and 0 are values, not absence.
    const Decoded<Join> join = decode<Join>(R"({"result":0,"orvkey":"","lurl":"http://l"})");
    QVERIFY(join.ok());
    QCOMPARE(join.value().result, std::optional<qint64>(0));
    QCOMPARE(join.value().orvkey, std::optional<QString>(QString()));
    QCOMPARE(join.value().lurl, std::optional<QString>(QStringLiteral("http://l")));

    const Decoded<RewardList> list = decode<RewardList>(
        R"({"result":200,"reward":[{"campid":5,"name":"A","rewardprice":10,"rewardmark":"P",)"
        R"("rewarddate":"20240101","bm":1}]})");
    QVERIFY(list.ok());
    QCOMPARE(list.value().reward->size(), 1);
    QCOMPARE(list.value().reward->first().rewardprice, std::optional<double>(10.0));
    QCOMPARE(list.value().reward->first().rewarddate, std::optional<QString>("20240101"));
}

void TstApiRecords::listKeepsBadCampaignsButSinksOnNonObjects() {
    const Decoded<Req> kept =
        decode<Req>(R"({"result":200,"camp":[{"campid":"x","name":"A"},{"campid":2}]})");
    QVERIFY2(kept.ok(), qPrintable(kept.error()));
    QCOMPARE(kept.value().camp->size(), 2);
    QCOMPARE(kept.value().camp->at(0).campid, std::optional<qint64>(-1));
    QCOMPARE(kept.value().camp->at(0).name, std::optional<QString>("A"));

    const Decoded<Req> sunk = decode<Req>(R"({"result":200,"camp":[{"campid":1},7]})");
    QVERIFY(!sunk.ok());
    QVERIFY2(sunk.error().contains("key \"camp\": element 1: Camp: expected an object"),
             qPrintable(sunk.error()));
    QCOMPARE(sunk.value(), Req{}); // nothing of a partly read reply survives

    QVERIFY(!decode<Req>(R"({"housemd":[[]]})").ok());
}

void TstApiRecords::integersAreExactAndIntegral() {
    const Decoded<State> big = decode<State>(R"({"result":9007199254740993})");
    QVERIFY(big.ok());
    QCOMPARE(*big.value().result, Q_INT64_C(9007199254740993));
    QCOMPARE(*decode<State>(R"({"result":-9223372036854775808})").value().result,
             std::numeric_limits<qint64>::min());
    QVERIFY(!decode<State>(R"({"result":1e300})").ok());
    QVERIFY(!decode<State>(R"({"result":18446744073709551616})").ok());
    QCOMPARE(*decode<State>(R"({"result":2e2})").value().result, 200);
    QCOMPARE(*decode<Camp>(R"({"rewardprice":1e-3})").value().rewardprice, 0.001);
}

void TstApiRecords::nonObjectRepliesFail() {
    for (const QByteArray& body :
         {QByteArray(), QByteArray("[]"), QByteArray("\"x\""), QByteArray("200"),
          QByteArray("null"), QByteArray("<html>"), QByteArray("{\"result\":200}garbage")}) {
        const Decoded<ResultData> d = decode<ResultData>(body);
        QVERIFY2(!d.ok(), body.constData());
        QVERIFY(!d.error().isEmpty());
        QVERIFY(!decode<Camp>(body).ok());
    }
    QVERIFY(!decodeCamp(QJsonValue(3)).ok());
    QVERIFY(!decodeCamp(QJsonValue(QJsonArray())).ok());
}

void TstApiRecords::typedJsonNamesEveryPresentField() {
    const Decoded<Req> req =
        decode<Req>(R"({"result":200,"camp":[{"campid":4,"targetpkg":["p"]}],"errmsg":"e"})");
    const QJsonObject typed = toTypedJson(req.value());
    QCOMPARE(typed.keys(), (QStringList{"camp", "errmsg", "result"}));
    QCOMPARE(typed["result"].toObject(), (QJsonObject{{"type", "integer"}, {"value", 200}}));
    QCOMPARE(typed["camp"]["type"].toString(), "array of Camp");
    const QJsonObject camp = typed["camp"]["value"][0].toObject();
    QCOMPARE(camp["campid"]["value"].toInteger(), 4);
    QCOMPARE(camp["rewardprice"].toObject(), (QJsonObject{{"type", "floating"}, {"value", 0}}));
    QCOMPARE(camp["targetpkg"]["type"].toString(), "array of strings");
    QVERIFY(!camp.contains("iconurl"));
}

void TstApiRecords::jsonTestSuiteCorpus() {
    const QDir dir(dataDir() + QStringLiteral("/json-test-suite/test_parsing"));
    const QStringList files = dir.entryList({QStringLiteral("*.json")}, QDir::Files);
    QVERIFY2(files.size() > 300, qPrintable(dir.path()));
    int objects = 0;
    for (const QString& name : files) {
        QFile file(dir.filePath(name));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray body = file.readAll();
        const Decoded<Req> req = decode<Req>(body);
        const Decoded<Camp> camp = decode<Camp>(body);
        const Decoded<ResultData> result = decode<ResultData>(body);
        if (name.startsWith(QLatin1String("n_"))) {
            QVERIFY2(!req.ok() && !camp.ok() && !result.ok(), qPrintable(name));
        }
        if (!result.ok()) {
            QVERIFY2(!result.error().isEmpty(), qPrintable(name));
        }
        if (name.startsWith(QLatin1String("y_")) && QJsonDocument::fromJson(body).isObject()) {
            ++objects;
            QVERIFY2(camp.ok(), qPrintable(name)); // any object is a campaign
        }
    }
    QVERIFY(objects >= 10);
}

void TstApiRecords::truncatedDeepAndHugeDocuments() {
    // Every proper prefix of a valid reply is refused.
    QJsonArray camps;
    for (int i = 0; i < 3; ++i) {
        camps.append(fullCampJson(i));
    }
    const QByteArray reply = json({{"result", 200}, {"camp", camps}});
    QVERIFY(decode<Req>(reply).ok());
    for (qsizetype n = 0; n < reply.size(); ++n) {
        QVERIFY2(!decode<Req>(reply.left(n)).ok(), qPrintable(QString::number(n)));
    }

    // Deep nesting in a field value is refused by the parser's nesting limit, not by the stack.
    const int depth = 200000;
    const QByteArray deep = "{\"camp\":" + QByteArray(depth, '[') + QByteArray(depth, ']') + "}";
    const Decoded<Req> deepReq = decode<Req>(deep);
    QVERIFY(!deepReq.ok());
    QVERIFY2(deepReq.error().contains("not valid JSON"), qPrintable(deepReq.error()));
    QByteArray deepObjects;
    for (int i = 0; i < 100000; ++i) {
        deepObjects += "{\"a\":";
    }
    QVERIFY(!decode<Camp>(deepObjects + "1" + QByteArray(100000, '}')).ok());

    // A nesting the parser accepts decodes as a wrong type, cleanly.
    const QByteArray nested = "{\"camp\":[" + QByteArray(500, '[') + QByteArray(500, ']') + "]}";
    QVERIFY(!decode<Req>(nested).ok());

    // Huge documents: a 5,000-campaign list and a 32 MB string.
    camps = {};
    for (int i = 0; i < 5000; ++i) {
        camps.append(fullCampJson(i));
    }
    const Decoded<Req> large = decode<Req>(json({{"result", 200}, {"camp", camps}}));
    QVERIFY(large.ok());
    QCOMPARE(large.value().camp->size(), 5000);
    QCOMPARE(large.value().camp->last().campid, std::optional<qint64>(4999));
    const QByteArray text(32 * 1024 * 1024, 'x');
    const Decoded<HalvekNotice> notice = decode<HalvekNotice>("{\"text\":\"" + text + "\"}");
    QVERIFY(notice.ok());
    QCOMPARE(notice.value().text->size(), text.size());
}

QTEST_MAIN(TstApiRecords)
#include "tst_api_records.moc"
