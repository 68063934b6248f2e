#include <QApplication>
#include <QDirIterator>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QRegularExpression>
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

class TstSdk : public QObject {
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
    void checkBoxImages();
    void htmlConversion();
    void htmlNeverFetches();
    void sizeOperators();
    void cacheFilesStayInTheKitsFolder();
};

void TstSdk::initTestCase() {
    // Set before the kit first asks for the notice address.
    qputenv("ORVANE_NOTICE_URL", "https://elsewhere.example/notice.json");
}

// Only the host decides which page the detail screen shows, never the process environment.
void TstSdk::noticeAddressIgnoresTheEnvironment() {
    OrvaneSDK& sdk = OrvaneSDK::shared();
    QCOMPARE(sdk.noticeUrl(), QString::fromUtf8(build::kDefaultNoticeUrl));
    sdk.setNoticeUrlOverride(QStringLiteral("http://127.0.0.1:1/n.json"));
    QCOMPARE(sdk.noticeUrl(), QStringLiteral("http://127.0.0.1:1/n.json"));
    sdk.setNoticeUrlOverride(std::nullopt);
    QCOMPARE(sdk.noticeUrl(), QString::fromUtf8(build::kDefaultNoticeUrl));
}

void TstSdk::cleanup() {
    setLocalizationLanguage({});
    test::restoreDefaultServices();
}

void TstSdk::facadeWritesExactKeysAndTypes() {
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
    const auto expectType = [&](QMetaType::Type type, std::initializer_list<const char*> keys) {
        for (const char* key : keys) {
            QVERIFY2(d.object(QString::fromLatin1(key)).typeId() == type, key);
        }
    };
    expectType(QMetaType::QString, {"STANDARD_MKEY", "STANDARD_MCKEY", "STANDARD_USER_ID",
                                    "STANDARD_MAIN_TITLE", "STANDARD_GENDER"});
    expectType(QMetaType::Int,
               {"STANDARD_LIST_TYPE", "STANDARD_AGE", "STANDARD_BENEFITS_DISPLAY_TYPE"});
    expectType(QMetaType::Bool, {"STANDARD_COPYRIGHT_VISIBILITY", "STANDARD_TRACKING_USAGE"});

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

void TstSdk::trackingDefaultAcrossRestart() {
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

void TstSdk::modelTable_data() {
    QTest::addColumn<QString>("identifier");
    QTest::addColumn<QString>("name");
    const auto row = [](const char* label, const QString& identifier, const char* name) {
        QTest::newRow(label) << identifier << QString::fromLatin1(name);
    };
    row("x86_64", "x86_64", "Simulator");
    row("i386", "i386", "Simulator");
    row("first iPod", "iPod1,1", "iPod Touch");
    row("iPod7,1", "iPod7,1", "iPod Touch");
    row("iPad6,11", "iPad6,11", "iPad 5");
    row("iPad7,1", "iPad7,1", "iPad Pro 12.9 Inch 2. Generation");
    row("iPhone10,6", "iPhone10,6", "iPhone X");
    row("iPhone12,8", "iPhone12,8", "iPhone SE 2nd Gen");
    row("last key", "iPhone13,4", "iPhone 12 Pro Max");
    row("unknown newer model", "iPhone14,2", "iPhone14,2");
    row("case matters", "IPHONE12,8", "IPHONE12,8");
    row("whole key only", "iPhone12,81", "iPhone12,81");
    row("NUL padding skipped", QStringLiteral("iPhone12,8") + QString(3, QChar(0)),
        "iPhone SE 2nd Gen");
    row("empty", "", "");
}

void TstSdk::modelTable() {
    QFETCH(QString, identifier);
    QFETCH(QString, name);
    QCOMPARE(Util::modelName(identifier), name);
}

void TstSdk::modelNameFromDevice() {
    test::FakeDeviceInfo& device = test::FakeDeviceInfo::install();
    device.setHardwareIdentifier(QStringLiteral("iPad7,3"));
    QCOMPARE(Util::getModelName(), QStringLiteral("iPad Pro 10.5 Inch"));

    test::restoreDefaultServices(); // this machine: an identifier the table may not know
    QVERIFY(!Util::getModelName().isEmpty());
    QVERIFY(!Util::getModelName().contains(QChar(0)));
}

void TstSdk::carrierAndPrivacySettings() {
    QVERIFY(!Util::getCarrierName().has_value()); // desktop default: no subscription

    test::FakeDeviceInfo& device = test::FakeDeviceInfo::install();
    device.setCarrierName(QStringLiteral("Orvane Mobile"));
    QCOMPARE(Util::getCarrierName(), std::optional<QString>(QStringLiteral("Orvane Mobile")));
    device.setCarrierName(QString()); // a provider without a name counts as none
    QVERIFY(!Util::getCarrierName().has_value());
}

void TstSdk::textFallback() {
    // A table that lacks a key ("xy") falls back to English for that key only; a language
    // without a table ("xx") reads English; an unknown key reads as itself.
    const QList<QStringList> cases = {
        {"ko", "ov_confirm", "확인"},  {"ko", "ov_no_such_key", "ov_no_such_key"},
        {"en", "ov_confirm", "OK"},    {"xy", "ov_confirm", "Xy-OK"},
        {"xy", "ov_cancel", "Cancel"}, {"xy", "ov_no_such_key", "ov_no_such_key"},
        {"xx", "ov_confirm", "OK"}};
    for (const QStringList& c : cases) {
        setLocalizationLanguage(c[0]);
        QCOMPARE(localized(c[1]), c[2]);
    }
}

// Every key the kit's sources name, in every table, with a real text.
void TstSdk::stringTablesComplete() {
    QSet<QString> keys{QStringLiteral("ascii_newline")};
    static const QRegularExpression quotedKey(QStringLiteral("\"(ov_[a-z0-9_]+)\""));
    QDirIterator sources(QStringLiteral(ORVANE_SOURCE_DIR),
                         {QStringLiteral("*.cpp"), QStringLiteral("*.h")}, QDir::Files,
                         QDirIterator::Subdirectories);
    while (sources.hasNext()) {
        QFile file(sources.next());
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(file.readAll());
        for (auto it = quotedKey.globalMatch(text); it.hasNext();) {
            keys.insert(it.next().captured(1));
        }
    }
    QVERIFY(keys.size() > 50);
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
        // Removed from list replies before decoding: only a raw line feed can never be part of
        // the JSON itself (the list model's tests read such a reply).
        QCOMPARE(localized("ascii_newline"), QStringLiteral("\n"));
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

void TstSdk::checkBoxImages() {
    // Both 20 by 20 and told apart: the ticked box is filled.
    const QImage ticked = kitImage(kTickBoxImage);
    const QImage empty = kitImage(kUncheckedBoxImage);
    QCOMPARE(ticked.size(), QSize(20, 20));
    QCOMPARE(empty.size(), QSize(20, 20));
    QVERIFY(qAlpha(ticked.pixel(10, 10)) > 0);
    QCOMPARE(qAlpha(empty.pixel(10, 10)), 0);
    QVERIFY(kitImage(QStringLiteral("no-such-image")).isNull());
}

void TstSdk::htmlConversion() {
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

    // Empty HTML converts to an empty text, which is not a failure; invalid UTF-16 (a lone
    // surrogate) and oversized HTML are.
    const std::optional<StyledText> empty = htmlToString(QString());
    QVERIFY(empty.has_value());
    QVERIFY(empty->isEmpty());
    QVERIFY(!htmlToString(QStringLiteral("<p>half ") + QChar(0xD800)).has_value());
    QVERIFY(!htmlToString(QStringLiteral("<p>") + QString(kMaxHtmlLength, u'a')).has_value());
}

// Neither the conversion nor a label showing its result asks the server for anything, whether
// the HTML points at an image, a background image (of text, a table or a cell) or a style sheet.
void TstSdk::htmlNeverFetches() {
    const QString base = QStringLiteral("http://127.0.0.1:1");
    const QString html =
        QStringLiteral("<html><head><link rel=\"stylesheet\" href=\"%1/style.css\"></head><body>"
                       "<p style=\"background-image: url(%1/bg.png)\">Reward"
                       "<img src=\"%1/banner.png\" width=\"50\" height=\"20\"> now</p>"
                       "<img src=\"file:///etc/hostname\">"
                       "<table background=\"%1/table.png\"><tr><td>1</td>"
                       "<td style=\"background-image: url(%1/cell.png)\">2</td></tr></table>"
                       "</body></html>")
            .arg(base);
    // A text document reaches the network only through a resource provider, which a host may
    // install: the kit must never ask it.
    QList<QUrl> asked;
    QTextDocument::setDefaultResourceProvider([&](const QUrl& url) {
        asked << url;
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
    QCOMPARE(asked, QList<QUrl>{});
    QCOMPARE(text->toPlainText().simplified(), QStringLiteral("Reward now 1 2"));
    QVERIFY(!text->toHtml().contains(QStringLiteral("banner.png")));
}

void TstSdk::sizeOperators() {
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

void TstSdk::cacheFilesStayInTheKitsFolder() {
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

QTEST_MAIN(TstSdk)
#include "tst_sdk.moc"
