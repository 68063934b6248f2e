#include "core/Records.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QtTest>

#include "tests/api/ApiTests.h"

using namespace orvane;

namespace {

QByteArray json(const QJsonObject& object) {
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

// A campaign with every field present and of the right type.
QJsonObject fullCampJson(qint64 campid) {
    return QJsonObject{{"campid", campid},
                       {"bm", 2},
                       {"bmcheck", 1},
                       {"name", "Name"},
                       {"engname", "Eng"},
                       {"detailpage", 1},
                       {"package", "app://x"},
                       {"ctvurl", "http://c"},
                       {"ctvwidth", 600},
                       {"ctvheight", 300},
                       {"nativeurl", "http://n"},
                       {"iconurl", "http://i"},
                       {"viewurl", "http://v"},
                       {"joindesc", "<b>j</b>"},
                       {"rewardcondition", 3},
                       {"rewarddesc", "r"},
                       {"notice", "n"},
                       {"cta", "Go"},
                       {"category", 7},
                       {"rewardprice", 12.5},
                       {"pricemark", "P"},
                       {"cpsprice", 1000},
                       {"cpsdcprice", 900},
                       {"carrier", "KT"},
                       {"targetagemin", 20},
                       {"targetagemax", 40},
                       {"gender", 1},
                       {"targetpkg", QJsonArray{"a", "b"}},
                       {"detargetpkg", QJsonArray{}},
                       {"orvkey", "k"},
                       {"convflag", 1},
                       {"orderseq", 4},
                       {"rewarddate", "20240102"},
                       {"rewardtype", 2}};
}

Camp defaultCamp() {
    Camp c;
    c.campid = -1;
    c.bm = -1;
    c.bmcheck = 0;
    c.name = c.engname = c.package = c.ctvurl = c.joindesc = c.rewarddesc = c.notice = c.cta =
        c.pricemark = c.carrier = c.rewarddate = QString();
    c.detailpage = c.ctvwidth = c.ctvheight = c.rewardcondition = c.category = c.cpsprice =
        c.cpsdcprice = c.targetagemin = c.targetagemax = c.gender = c.convflag = c.orderseq = 0;
    c.rewardprice = 0.0;
    c.rewardtype = -1;
    return c;
}

template <typename R>
void expectStrictFailure(const QByteArray& body, const char* fragment) {
    const Decoded<R> d = decode<R>(body);
    QVERIFY2(!d.ok(), qPrintable(recordName<R>() + QStringLiteral(" accepted ") + body));
    QVERIFY2(d.error().contains(QLatin1String(fragment)), qPrintable(d.error()));
    QVERIFY(d.error().startsWith(recordName<R>()));
}

template <typename R>
void expectAllAbsent() {
    const Decoded<R> d = decode<R>("{\"unknown\":1}");
    QVERIFY2(d.ok(), qPrintable(d.error()));
    QCOMPARE(d.value(), R{});
    QVERIFY(toJson(d.value()).isEmpty());
}

QString dataDir() {
    return QStringLiteral(ORVANE_TEST_DATA_DIR);
}

} // namespace

class RecordsTest : public QObject {
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

void RecordsTest::campTakesDefaultsFieldByField_data() {
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QByteArray>("expected"); // toJson of the expected campaign, over defaults

    QTest::newRow("empty object") << QByteArray("{}") << QByteArray("{}");
    QTest::newRow("campid as string") << QByteArray(R"({"campid":"12"})") << QByteArray("{}");
    QTest::newRow("campid 1.5") << QByteArray(R"({"campid":1.5,"bm":4})")
                                << QByteArray(R"({"bm":4})");
    QTest::newRow("campid 100.0") << QByteArray(R"({"campid":100.0})")
                                  << QByteArray(R"({"campid":100})");
    QTest::newRow("integer price")
        << QByteArray(R"({"rewardprice":100})") << QByteArray(R"({"rewardprice":100})");
    QTest::newRow("price as string") << QByteArray(R"({"rewardprice":"100"})") << QByteArray("{}");
    QTest::newRow("name as number")
        << QByteArray(R"({"name":5,"cta":"Go"})") << QByteArray(R"({"cta":"Go"})");
    QTest::newRow("nulls") << QByteArray(R"({"campid":null,"iconurl":null,"bm":true})")
                           << QByteArray("{}");
    QTest::newRow("mixed targetpkg")
        << QByteArray(R"({"targetpkg":["a",1],"detargetpkg":["x"],"campid":3})")
        << QByteArray(R"({"detargetpkg":["x"],"campid":3})");
    QTest::newRow("targetpkg not array") << QByteArray(R"({"targetpkg":"a"})") << QByteArray("{}");
    QTest::newRow("unknown keys, case matters")
        << QByteArray(R"({"CampId":5,"extra":{"x":1},"orvkey":""})")
        << QByteArray(R"({"orvkey":""})");
}

void RecordsTest::campTakesDefaultsFieldByField() {
    QFETCH(QByteArray, body);
    QFETCH(QByteArray, expected);
    Camp want = defaultCamp();
    const QJsonObject overrides = QJsonDocument::fromJson(expected).object();
    QJsonObject merged = toJson(want);
    for (auto it = overrides.begin(); it != overrides.end(); ++it) {
        merged.insert(it.key(), it.value());
    }
    want = decodeCamp(merged).value();

    const Decoded<Camp> got = decode<Camp>(body);
    QVERIFY2(got.ok(), qPrintable(got.error()));
    QCOMPARE(toJson(got.value()), toJson(want));
    QCOMPARE(got.value(), want);
    // Only the six fields without a default may be absent.
    QVERIFY(got.value().campid && got.value().rewardprice && got.value().name);
}

void RecordsTest::campWithEveryFieldRoundTrips() {
    const QJsonObject object = fullCampJson(77);
    const Decoded<Camp> d = decodeCamp(object);
    QVERIFY(d.ok());
    QCOMPARE(toJson(d.value()), object);
    QCOMPARE(d.value().campid, std::optional<qint64>(77));
    QCOMPARE(d.value().rewardprice, std::optional<double>(12.5));
    QCOMPARE(d.value().targetpkg, std::optional<QStringList>(QStringList{"a", "b"}));
    QCOMPARE(d.value().detargetpkg, std::optional<QStringList>(QStringList{}));
    QCOMPARE(toJson(d.value()).size(), 34);

    const QJsonObject reqJson{{"result", 200},
                              {"errmsg", "ok"},
                              {"adtype", 1},
                              {"rewardtype", 2},
                              {"pricedecimal", "0"},
                              {"camp", QJsonArray{object, fullCampJson(78)}},
                              {"housemd", QJsonArray{}}};
    const Decoded<Req> req = decode<Req>(json(reqJson));
    QVERIFY2(req.ok(), qPrintable(req.error()));
    QCOMPARE(req.value().camp->size(), 2);
    QCOMPARE(req.value().camp->at(1).campid, std::optional<qint64>(78));
    QCOMPARE(toJson(req.value()), reqJson);
}

// A key names a field only when it is exactly the field's name, however it was written in the
// reply; a campaign alone and a campaign inside a list read the same.
void RecordsTest::keysMatchExactly_data() {
    QTest::addColumn<QByteArray>("object");
    QTest::addColumn<qint64>("campid");
    QTest::addColumn<QString>("name");
    QTest::newRow("other case") << QByteArray(R"({"CampID":5,"Name":"x"})") << qint64(-1)
                                << QString();
    QTest::newRow("prefix and extension")
        << QByteArray(R"({"campi":5,"campidd":6,"nam":"x","names":"y"})") << qint64(-1)
        << QString();
    QTest::newRow("trailing space")
        << QByteArray(R"({"campid ":5,"name ":"x"})") << qint64(-1) << QString();
    QTest::newRow("escaped letters")
        << QByteArray(R"({"\u0063ampid":7,"n\u0061me":"e"})") << qint64(7) << QStringLiteral("e");
    QTest::newRow("empty key") << QByteArray(R"({"":5,"campid":8})") << qint64(8) << QString();
    QTest::newRow("non-ASCII keys")
        << QByteArray(R"({"c\u00e4mpid":5,"\u540d":"x","campid":9,"name":"n"})") << qint64(9)
        << QStringLiteral("n");
    QTest::newRow("same first and last letters as a field")
        << QByteArray(R"({"cxxxxd":5,"nxxe":"x","campid":3})") << qint64(3) << QString();
    QTest::newRow("repeated key") << QByteArray(R"({"campid":1,"campid":2})")
                                  << QJsonDocument::fromJson(R"({"campid":1,"campid":2})")
                                         .object()
                                         .value(QStringLiteral("campid"))
                                         .toInteger()
                                  << QString();
}

void RecordsTest::keysMatchExactly() {
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

void RecordsTest::listElementsDecodeAsAlone_data() {
    // Elements of one list: equal values in a row, then a change of text, type or length.
    QTest::addColumn<QByteArray>("elements");
    QTest::newRow("repeated texts and lists")
        << QByteArray(R"([{"cta":"Go","targetpkg":["a"]},{"cta":"Go","targetpkg":["a"]},{}])");
    QTest::newRow("text changes after repeats")
        << QByteArray(R"([{"cta":"Go"},{"cta":"Go"},{"cta":"go"},{"cta":"Go "},{"cta":"Go"}])");
    QTest::newRow("same text, then another type")
        << QByteArray(R"([{"name":"5"},{"name":"5"},{"name":5},{"name":null},{"name":"5"}])");
    QTest::newRow("list changes by one element") << QByteArray(
        R"([{"targetpkg":["a","b"]},{"targetpkg":["a","b"]},{"targetpkg":["a","c"]},)"
        R"({"targetpkg":["a"]},{"targetpkg":["a",1]},{"targetpkg":"a"},{"targetpkg":["a","b"]}])");
    QTest::newRow("empty text and empty list")
        << QByteArray(R"([{"carrier":"","detargetpkg":[]},{"carrier":"","detargetpkg":[]},)"
                      R"({"carrier":" ","detargetpkg":[""]},{"carrier":[],"detargetpkg":""}])");
    QTest::newRow("escaped and non-ASCII spellings")
        << QByteArray(R"([{"name":"A"},{"name":"\u0041"},{"name":"\u00c4"},{"name":"Ä"},)"
                      R"({"name":"\ud83d\ude00"},{"name":"\ud83d\ude01"}])");
    QByteArray many = "[";
    for (int i = 0; i < 20; ++i) {
        many += R"({"name":"n)" + QByteArray::number(i % 12) + R"("},)";
    }
    QTest::newRow("repeats after many different values") << many + R"({"name":"n0"}])";
}

void RecordsTest::listElementsDecodeAsAlone() {
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

void RecordsTest::strictRecordsRefuseWrongTypes() {
    // A status sent as a string sinks every standard record.
    const QByteArray quoted = R"({"result":"200"})";
    expectStrictFailure<Req>(quoted, "key \"result\": expected an integer, found a string");
    expectStrictFailure<RewardList>(quoted, "\"result\"");
    expectStrictFailure<HalvekNotice>(quoted, "\"result\"");
    expectStrictFailure<AgreeContents>(quoted, "\"result\"");
    expectStrictFailure<ResultData>(quoted, "\"result\"");
    expectStrictFailure<State>(quoted, "\"result\"");
    expectStrictFailure<Join>(quoted, "\"result\"");
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

void RecordsTest::strictRecordsTreatMissingAndNullAsAbsent() {
    expectAllAbsent<Req>();
    expectAllAbsent<Reward>();
    expectAllAbsent<RewardList>();
    expectAllAbsent<HalvekNotice>();
    expectAllAbsent<AgreeContents>();
    expectAllAbsent<ResultData>();
    expectAllAbsent<State>();
    expectAllAbsent<Join>();

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

void RecordsTest::listKeepsBadCampaignsButSinksOnNonObjects() {
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

void RecordsTest::integersAreExactAndIntegral() {
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

void RecordsTest::nonObjectRepliesFail() {
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

void RecordsTest::typedJsonNamesEveryPresentField() {
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

void RecordsTest::jsonTestSuiteCorpus() {
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

void RecordsTest::truncatedDeepAndHugeDocuments() {
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

int runRecordsTest(int argc, char** argv) {
    RecordsTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "RecordsTest.moc"
