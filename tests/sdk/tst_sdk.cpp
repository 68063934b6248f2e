#include <QApplication>
#include <QHttpServer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QScopeGuard>
#include <QTextCursor>
#include <QTextDocument>
#include <QtTest>

#include "core/BuildConfig.h"
#include "core/CacheFiles.h"
#include "core/KitResources.h"
#include "core/Localized.h"
#include "core/Log.h"
#include "core/SettingsKeys.h"
#include "core/StyledText.h"
#include "core/UserDefaults.h"
#include "core/Util.h"
#include "orvane/Orvane.h"
#include "orvane/OrvaneSDK.h"
#include "support/Fakes.h"
#include "support/TestSupport.h"

using namespace orvane;

class TestSdk : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanup();
    void noticeAddressIgnoresTheEnvironment();
    void facadeWritesExactKeysAndTypes();
    void trackingDefaultAcrossRestart();
    void modelTable_data();
    void modelTable();
    void modelNameFromDevice();
    void carrierAndPrivacySettings();
    void textFallback();
    void stringTablesComplete();
    void newlineTextRescuesListReply();
    void checkBoxImages();
    void htmlConversion();
    void htmlFailureIsAbsent();
    void htmlNeverFetches();
    void sizeOperators();
    void cacheFilesStayInTheKitsFolder();
};

void TestSdk::initTestCase() {
    // Set before the kit first asks for the notice address.
    qputenv("ORVANE_NOTICE_URL", "https://elsewhere.example/notice.json");
}

// Only the host decides which page the detail screen shows, never the process environment.
void TestSdk::noticeAddressIgnoresTheEnvironment() {
    OrvaneSDK& sdk = OrvaneSDK::shared();
    QCOMPARE(sdk.noticeUrl(), QString::fromUtf8(build::kDefaultNoticeUrl));
    sdk.setNoticeUrlOverride(QStringLiteral("http://127.0.0.1:1/n.json"));
    QCOMPARE(sdk.noticeUrl(), QStringLiteral("http://127.0.0.1:1/n.json"));
    sdk.setNoticeUrlOverride(std::nullopt);
    QCOMPARE(sdk.noticeUrl(), QString::fromUtf8(build::kDefaultNoticeUrl));
}

void TestSdk::cleanup() {
    setLocalizationLanguage({});
    test::restoreDefaultServices();
}

void TestSdk::facadeWritesExactKeysAndTypes() {
    test::TemporarySettings settings;
    Orvane& orvane = Orvane::shared();
    orvane.initialize(QStringLiteral("mk"), QStringLiteral("mck"), QStringLiteral("user-1"));
    orvane.setMainTitle(QStringLiteral("Free points"));
    orvane.setListType(Orvane::TYPE_LIST_ICON);
    orvane.setAge(31);
    orvane.setGender(Orvane::TYPE_GENDER_WOMAN);
    orvane.setBenefitsType(Orvane::TYPE_BENEFITS_DISPLAY_LIST_TOP);
    orvane.setCopyRightVisibility(true);
    orvane.setTrackingUsage(false);

    UserDefaults& d = UserDefaults::standard();
    const QList<std::pair<QString, QMetaType::Type>> types = {
        {QStringLiteral("STANDARD_MKEY"), QMetaType::QString},
        {QStringLiteral("STANDARD_MCKEY"), QMetaType::QString},
        {QStringLiteral("STANDARD_USER_ID"), QMetaType::QString},
        {QStringLiteral("STANDARD_MAIN_TITLE"), QMetaType::QString},
        {QStringLiteral("STANDARD_LIST_TYPE"), QMetaType::Int},
        {QStringLiteral("STANDARD_AGE"), QMetaType::Int},
        {QStringLiteral("STANDARD_GENDER"), QMetaType::QString},
        {QStringLiteral("STANDARD_BENEFITS_DISPLAY_TYPE"), QMetaType::Int},
        {QStringLiteral("STANDARD_COPYRIGHT_VISIBILITY"), QMetaType::Bool},
        {QStringLiteral("STANDARD_TRACKING_USAGE"), QMetaType::Bool},
    };
    for (const auto& [key, type] : types) {
        QVERIFY2(d.object(key).typeId() == type, qPrintable(key));
    }

    // What a later process reads back.
    d.sync();
    settings.restart();
    QCOMPARE(d.string(keys::kGender), std::optional<QString>(QStringLiteral("2")));
    QCOMPARE(d.integer(keys::kAge), 31);
    QCOMPARE(d.boolean(keys::kCopyrightVisibility), true);

    // A second initialize replaces the keys.
    orvane.initialize(QStringLiteral("mk2"), QStringLiteral("mck2"), QStringLiteral("user-2"));
    QCOMPARE(d.string(keys::kMkey), std::optional<QString>(QStringLiteral("mk2")));
    QCOMPARE(d.string(keys::kUserId), std::optional<QString>(QStringLiteral("user-2")));

    orvane.setDebugEnabled(true);
    QVERIFY(Log::displayLog());
    orvane.setDebugEnabled(false);
    QVERIFY(!Log::displayLog());
}

void TestSdk::trackingDefaultAcrossRestart() {
    test::TemporarySettings settings;
    UserDefaults& d = UserDefaults::standard();
    QVERIFY2(!d.boolean(keys::kTrackingUsage), "before initialize nothing is registered");
    Orvane::shared().initialize(QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c"));
    QVERIFY(d.boolean(keys::kTrackingUsage));
    d.sync();

    settings.restart(); // the registered default is not persisted
    QVERIFY(!d.boolean(keys::kTrackingUsage));
    Orvane::shared().initialize(QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c"));
    QVERIFY(d.boolean(keys::kTrackingUsage));

    Orvane::shared().setTrackingUsage(false);
    d.sync();
    settings.restart();
    Orvane::shared().initialize(QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c"));
    QVERIFY2(!d.boolean(keys::kTrackingUsage), "a stored false survives initialize");
}

void TestSdk::modelTable_data() {
    QTest::addColumn<QString>("identifier");
    QTest::addColumn<QString>("name");
    QTest::newRow("x86_64") << "x86_64"
                            << "Simulator";
    QTest::newRow("i386") << "i386"
                          << "Simulator";
    QTest::newRow("first iPod") << "iPod1,1"
                                << "iPod Touch";
    QTest::newRow("iPod7,1") << "iPod7,1"
                             << "iPod Touch";
    QTest::newRow("iPad6,11") << "iPad6,11"
                              << "iPad 5";
    QTest::newRow("iPad7,1") << "iPad7,1"
                             << "iPad Pro 12.9 Inch 2. Generation";
    QTest::newRow("iPhone10,6") << "iPhone10,6"
                                << "iPhone X";
    QTest::newRow("iPhone12,8") << "iPhone12,8"
                                << "iPhone SE 2nd Gen";
    QTest::newRow("last key") << "iPhone13,4"
                              << "iPhone 12 Pro Max";
    QTest::newRow("unknown newer model") << "iPhone14,2"
                                         << "iPhone14,2";
    QTest::newRow("case matters") << "IPHONE12,8"
                                  << "IPHONE12,8";
    QTest::newRow("whole key only") << "iPhone12,81"
                                    << "iPhone12,81";
    QTest::newRow("NUL padding skipped")
        << QStringLiteral("iPhone12,8") + QString(3, QChar(0)) << "iPhone SE 2nd Gen";
    QTest::newRow("empty") << ""
                           << "";
}

void TestSdk::modelTable() {
    QFETCH(QString, identifier);
    QFETCH(QString, name);
    QCOMPARE(Util::modelName(identifier), name);
}

void TestSdk::modelNameFromDevice() {
    test::FakeDeviceInfo& device = test::FakeDeviceInfo::install();
    device.setHardwareIdentifier(QStringLiteral("iPad7,3"));
    QCOMPARE(Util::getModelName(), QStringLiteral("iPad Pro 10.5 Inch"));

    test::restoreDefaultServices(); // this machine: an identifier the table may not know
    QVERIFY(!Util::getModelName().isEmpty());
    QVERIFY(!Util::getModelName().contains(QChar(0)));
}

void TestSdk::carrierAndPrivacySettings() {
    QVERIFY(!Util::getCarrierName().has_value()); // desktop default: no subscription

    test::FakeDeviceInfo& device = test::FakeDeviceInfo::install();
    device.setCarrierName(QStringLiteral("Orvane Mobile"));
    QCOMPARE(Util::getCarrierName(), std::optional<QString>(QStringLiteral("Orvane Mobile")));
    device.setCarrierName(QString()); // a provider without a name counts as none
    QVERIFY(!Util::getCarrierName().has_value());
}

void TestSdk::textFallback() {
    setLocalizationLanguage(QStringLiteral("ko"));
    QCOMPARE(localized(QStringLiteral("ov_confirm")), QStringLiteral("확인"));
    QCOMPARE(localized(QStringLiteral("ov_no_such_key")), QStringLiteral("ov_no_such_key"));
    setLocalizationLanguage(QStringLiteral("en"));
    QCOMPARE(localized(QStringLiteral("ov_confirm")), QStringLiteral("OK"));
    // A table that lacks a key falls back to English for that key only.
    setLocalizationLanguage(QStringLiteral("xy"));
    QCOMPARE(localized(QStringLiteral("ov_confirm")), QStringLiteral("Xy-OK"));
    QCOMPARE(localized(QStringLiteral("ov_cancel")), QStringLiteral("Cancel"));
    QCOMPARE(localized(QStringLiteral("ov_no_such_key")), QStringLiteral("ov_no_such_key"));
    // A language without a table reads English.
    setLocalizationLanguage(QStringLiteral("xx"));
    QCOMPARE(localized(QStringLiteral("ov_confirm")), QStringLiteral("OK"));
}

// Every key the screens and the participation flow use, in every table, with a real text.
void TestSdk::stringTablesComplete() {
    const QStringList keys = {"ov_accumulate",
                              "ov_ad_select",
                              "ov_alarm",
                              "ov_allow_tracking",
                              "ov_already_participation_campaign",
                              "ov_benefits",
                              "ov_benefits_received",
                              "ov_breakdown_all",
                              "ov_cancel",
                              "ov_confirm",
                              "ov_enter_all",
                              "ov_input_inquiry",
                              "ov_inquiry",
                              "ov_inquiry_done",
                              "ov_max_image_3",
                              "ov_max_image_size_3mb",
                              "ov_not_ads",
                              "ov_not_campaign",
                              "ov_not_email_form",
                              "ov_not_installed",
                              "ov_not_participation_campaign",
                              "ov_not_phone_form",
                              "ov_participation_benefits",
                              "ov_participation_check",
                              "ov_participation_complete",
                              "ov_participation_waiting",
                              "ov_purchase_benefits",
                              "ov_recently_month1",
                              "ov_recently_month3",
                              "ov_recently_week1",
                              "ov_request_type_etc",
                              "ov_request_type_participate",
                              "ov_request_type_savings",
                              "ov_request_type_select",
                              "ov_request_type_service_obstacle",
                              "ov_select_photo",
                              "ov_shoot_photo",
                              "ov_sort_high",
                              "ov_sort_init",
                              "ov_sort_low",
                              "ov_start_app",
                              "ov_term",
                              "ov_try_again",
                              "ov_won",
                              "ov_401",
                              "ov_402",
                              "ov_403",
                              "ov_406",
                              "ov_407",
                              "ov_410",
                              "ov_411",
                              "ov_500",
                              "ov_501",
                              "ov_502",
                              "ov_503",
                              "ov_900",
                              "ascii_newline"};
    for (const QString& language : {QStringLiteral("en"), QStringLiteral("ko")}) {
        QFile file(QStringLiteral(":/orvane/strings/%1.json").arg(language));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QJsonParseError error{};
        const QJsonObject table = QJsonDocument::fromJson(file.readAll(), &error).object();
        QCOMPARE(error.error, QJsonParseError::NoError);
        for (const QString& key : keys) {
            const QString text = table.value(key).toString();
            const bool real =
                key == QLatin1String("ascii_newline") ? !text.isEmpty() : !text.trimmed().isEmpty();
            QVERIFY2(table.value(key).isString() && real,
                     qPrintable(language + QLatin1Char(' ') + key));
        }
        for (auto it = table.constBegin(); it != table.constEnd(); ++it) {
            QVERIFY2(it.value().isString(), qPrintable(it.key()));
        }

        setLocalizationLanguage(language);
        const QStringList sorts = {localized("ov_sort_init"), localized("ov_sort_high"),
                                   localized("ov_sort_low")};
        QCOMPARE(QSet<QString>(sorts.begin(), sorts.end()).size(), 3);
        const QStringList choices = {
            localized("ov_request_type_participate"), localized("ov_request_type_savings"),
            localized("ov_request_type_service_obstacle"), localized("ov_request_type_etc")};
        QVERIFY(!choices.contains(localized("ov_request_type_select")));
        QVERIFY(!choices.contains(localized("ov_ad_select")));
        QVERIFY(localized("ov_request_type_select") != localized("ov_ad_select"));
    }
}

// The list model removes the "ascii_newline" text from a campaign-list reply before decoding. A
// reply with raw line breaks (LF or CRLF) inside its strings must decode afterwards with every
// field intact, and a properly escaped "\n" must survive: so the text is the raw line feed, never
// a printable text that could occur in field names or values.
void TestSdk::newlineTextRescuesListReply() {
    const QByteArray reply =
        "{\r\n  \"result\": 200,\n  \"rewardtype\": 1,\n  \"camp\": [{\"campid\": "
        "7, \"name\": \"Run\nand win\", \"rewarddesc\": \"Install,\r\n\nopen "
        "once\", \"joindesc\": \"<p>a</p>\\n<p>b</p>\"}]\n}\n";
    for (const QString& language : {QStringLiteral("en"), QStringLiteral("ko")}) {
        setLocalizationLanguage(language);
        const QString newline = localized(QStringLiteral("ascii_newline"));
        QCOMPARE(newline, QStringLiteral("\n"));
        QString cleaned = QString::fromUtf8(reply);
        cleaned.remove(newline);
        QJsonParseError error{};
        const QJsonDocument document = QJsonDocument::fromJson(cleaned.toUtf8(), &error);
        QCOMPARE(error.error, QJsonParseError::NoError);
        QCOMPARE(document.object().value("result").toInteger(), 200);
        QCOMPARE(document.object().value("rewardtype").toInteger(), 1);
        const QJsonObject camp = document.object().value("camp").toArray().first().toObject();
        QCOMPARE(camp.value("campid").toInteger(), 7);
        QCOMPARE(camp.value("name").toString(), QStringLiteral("Runand win"));
        QVERIFY(camp.value("rewarddesc").toString().startsWith(QStringLiteral("Install,")));
        QCOMPARE(camp.value("joindesc").toString(), QStringLiteral("<p>a</p>\n<p>b</p>"));
    }
}

void TestSdk::checkBoxImages() {
    for (const QString& name : {kTickBoxImage, kUncheckedBoxImage}) {
        const QImage image = kitImage(name);
        QVERIFY2(!image.isNull(), qPrintable(name));
        QCOMPARE(image.size(), QSize(20, 20));
    }
    // The two are distinguishable: the ticked box is filled.
    const QImage ticked = kitImage(kTickBoxImage);
    const QImage empty = kitImage(kUncheckedBoxImage);
    QVERIFY(qAlpha(ticked.pixel(10, 10)) > 0);
    QCOMPARE(qAlpha(empty.pixel(10, 10)), 0);
    QVERIFY(kitImage(QStringLiteral("no-such-image")).isNull());
}

void TestSdk::htmlConversion() {
    const std::optional<StyledText> text =
        htmlToString(QStringLiteral("<p>Install <b>Orvane Run</b> &amp; open it</p>"));
    QVERIFY(text.has_value());
    QCOMPARE(text->toPlainText(), QStringLiteral("Install Orvane Run & open it"));

    // Styling over the whole text, and appending keeps each part.
    StyledText styled = *text;
    styled.setColor(QColor(0xFF, 0x5C, 0x5A));
    QFont font;
    font.setPointSize(17);
    styled.setFont(font);
    styled.append(StyledText::fromPlainText(QStringLiteral(" now")));
    QCOMPARE(styled.toPlainText(), QStringLiteral("Install Orvane Run & open it now"));

    QTextDocument document;
    document.setHtml(styled.toHtml());
    QTextCursor cursor(&document);
    cursor.setPosition(2);
    QCOMPARE(cursor.charFormat().foreground().color(), QColor(0xFF, 0x5C, 0x5A));
    QCOMPARE(cursor.charFormat().font().pointSize(), 17);
    cursor.setPosition(document.characterCount() - 2); // inside the appended part
    QVERIFY(cursor.charFormat().foreground().color() != QColor(0xFF, 0x5C, 0x5A));

    // The one-edit forms give the text the separate edits give.
    QFont bold = font;
    bold.setBold(true);
    StyledText separate = *text;
    separate.setColor(Qt::darkGray);
    separate.setFont(font);
    StyledText amount = StyledText::fromPlainText(QStringLiteral(" 1,200 P"));
    amount.setColor(Qt::red);
    amount.setFont(bold);
    separate.append(amount);
    StyledText joined = *text;
    joined.setColorAndFont(Qt::darkGray, font);
    joined.appendPlainText(QStringLiteral(" 1,200 P"), Qt::red, bold);
    QCOMPARE(joined.toHtml(), separate.toHtml());

    // Empty HTML converts to an empty text, which is not a failure.
    const std::optional<StyledText> empty = htmlToString(QString());
    QVERIFY(empty.has_value());
    QVERIFY(empty->isEmpty());
}

void TestSdk::htmlFailureIsAbsent() {
    QString broken = QStringLiteral("<p>half ");
    broken.append(QChar(0xD800)); // a lone surrogate: not valid UTF-16
    QVERIFY(!htmlToString(broken).has_value());

    const QString huge = QStringLiteral("<p>") + QString(kMaxHtmlLength, QLatin1Char('a'));
    QVERIFY(!htmlToString(huge).has_value());
}

// Neither the conversion nor a label showing its result asks the server for anything, whether
// the HTML points at an image, a background image (of text, a table or a cell) or a style sheet.
void TestSdk::htmlNeverFetches() {
    QHttpServer server;
    int requests = 0;
    server.setMissingHandler([&](const QHttpServerRequest&, QHttpServerResponder&& responder) {
        ++requests;
        responder.write(QHttpServerResponder::StatusCode::NotFound);
    });
    const quint16 port = server.listen(QHostAddress::LocalHost, 0);
    QVERIFY(port != 0);
    const QString base = QStringLiteral("http://127.0.0.1:%1").arg(port);

    // The server does answer a real client.
    QTcpSocket probe;
    probe.connectToHost(QHostAddress::LocalHost, port);
    QVERIFY(probe.waitForConnected(2000));
    probe.write("GET /probe HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
    QTRY_COMPARE(requests, 1);
    probe.close();

    const QString html =
        QStringLiteral("<html><head><link rel=\"stylesheet\" href=\"%1/style.css\"></head><body>"
                       "<p style=\"background-image: url(%1/bg.png)\">Reward"
                       "<img src=\"%1/banner.png\" width=\"50\" height=\"20\"> now</p>"
                       "<img src=\"file:///etc/hostname\">"
                       "<table background=\"%1/table.png\"><tr><td>1</td>"
                       "<td style=\"background-image: url(%1/cell.png)\">2</td></tr></table>"
                       "</body></html>")
            .arg(base);
    // A host may install a resource provider that fetches; the kit must not reach it either.
    QNetworkAccessManager network;
    QList<QUrl> asked;
    QTextDocument::setDefaultResourceProvider([&](const QUrl& url) {
        asked << url;
        QNetworkReply* reply = network.get(QNetworkRequest(url));
        QObject::connect(reply, &QNetworkReply::finished, reply, &QObject::deleteLater);
        return QVariant();
    });
    auto restore = qScopeGuard([] { QTextDocument::setDefaultResourceProvider({}); });

    const std::optional<StyledText> text = htmlToString(html);
    QVERIFY(text.has_value());

    QLabel label;
    label.setTextFormat(Qt::RichText);
    label.setText(text->toHtml());
    label.show();
    QVERIFY(QTest::qWaitForWindowExposed(&label));
    label.grab();
    QTest::qWait(300);
    QCOMPARE(asked, QList<QUrl>{});
    QCOMPARE(requests, 1);
    QCOMPARE(text->toPlainText().simplified(), QStringLiteral("Reward now 1 2"));
    QVERIFY(!text->toHtml().contains(QStringLiteral("banner.png")));
}

void TestSdk::sizeOperators() {
    QCOMPARE(multiplied(QSizeF(390, 120), 2.0), QSizeF(780, 240));
    QCOMPARE(divided(QSizeF(390, 120), 2.0), QSizeF(195, 60));
    QCOMPARE(divided(QSizeF(3, 9), -3.0), QSizeF(-1, -3));
#ifdef QT_NO_DEBUG
    // Release build: a zero divisor is logged and yields an empty size instead of infinities.
    test::LogCapture capture;
    Log::setDisplayLog(true);
    const QSizeF result = divided(QSizeF(10, 10), 0.0);
    Log::setDisplayLog(false);
    QVERIFY(result.isEmpty());
    QVERIFY(qIsFinite(result.width()) && qIsFinite(result.height()));
    QVERIFY(capture.contains(QStringLiteral("Can't devine by 0")));
#endif
}

void TestSdk::cacheFilesStayInTheKitsFolder() {
    const QString folder = cacheDirectory();
    QVERIFY(folder.startsWith(QStandardPaths::writableLocation(QStandardPaths::CacheLocation)));
    QVERIFY(folder.endsWith(QStringLiteral("/orvane-offerwall")));
    QCOMPARE(cacheFileUrl(QStringLiteral("abc")).toLocalFile(), folder + QStringLiteral("/abc"));
    const QString encoded = QStringLiteral("https%3A%2F%2Fcdn.example%2Fa.png");
    QCOMPARE(cacheFileUrl(encoded).toLocalFile(), folder + QLatin1Char('/') + encoded);
    for (const QString& hostile : {QStringLiteral("../../etc/passwd"), QStringLiteral(".."),
                                   QStringLiteral("."), QStringLiteral("a/b")}) {
        const QFileInfo file(cacheFileUrl(hostile).toLocalFile());
        QCOMPARE(file.absolutePath(), folder);
        QVERIFY(file.fileName() != QLatin1String("..") && file.fileName() != QLatin1String("."));
    }
}

QTEST_MAIN(TestSdk)
#include "tst_sdk.moc"
