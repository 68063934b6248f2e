#include <QLabel>
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
using namespace Qt::StringLiterals;

class TstSdk : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() {
        // Set before the kit first asks for the notice address.
        qputenv("ORVANE_NOTICE_URL", "https://elsewhere.example/notice.json");
    }

    void cleanup() {
        setLocalizationLanguage({});
        for (const QString& language : {u"en"_s, u"de"_s})
            setHostTexts(language, {});
        test::restoreDefaultServices();
    }

    // Only the host decides which page the detail screen shows, never the process environment. The
    // image store keeps to a folder of the kit's own in the cache location.
    void noticeAddressAndCacheFolder() {
        OrvaneSDK& sdk = OrvaneSDK::shared();
        QCOMPARE(sdk.noticeUrl(), QString::fromUtf8(build::kDefaultNoticeUrl));
        sdk.setNoticeUrlOverride(u"http://127.0.0.1:1/n.json"_s);
        QCOMPARE(sdk.noticeUrl(), u"http://127.0.0.1:1/n.json"_s);
        sdk.setNoticeUrlOverride(std::nullopt);
        QCOMPARE(sdk.noticeUrl(), QString::fromUtf8(build::kDefaultNoticeUrl));
        QCOMPARE(cacheDirectory(), QStandardPaths::writableLocation(QStandardPaths::CacheLocation) +
                                       u"/orvane-offerwall"_s);
    }

    void facadeWritesExactKeysAndTypes() {
        test::TemporarySettings settings;
        Orvane& orvane = Orvane::shared();
        orvane.initialize(u"mk"_s, u"mck"_s, u"user-1"_s);
        orvane.setMainTitle(u"Free points"_s);
        orvane.setListType(Orvane::TYPE_LIST_ICON);
        orvane.setAge(31);
        orvane.setGender(Orvane::TYPE_GENDER_WOMAN);
        orvane.setBenefitsType(Orvane::TYPE_BENEFITS_DISPLAY_LIST_TOP);
        orvane.setCopyRightVisibility(true);
        orvane.setTrackingUsage(false);
        orvane.setChildDirected(true);
        orvane.setImageCacheLimit(5'000'000);

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
        expectType(QMetaType::Bool, {"STANDARD_COPYRIGHT_VISIBILITY", "STANDARD_TRACKING_USAGE",
                                     "STANDARD_CHILD_DIRECTED"});
        expectType(QMetaType::LongLong, {"STANDARD_IMAGE_CACHE_LIMIT"});
        QVERIFY(orvane.isChildDirected());
        QCOMPARE(orvane.imageCacheLimit(), 5'000'000);
        orvane.setImageCacheLimit(0); // back to the default
        QVERIFY(!d.contains(keys::kImageCacheLimit));
        QCOMPARE(orvane.imageCacheLimit(), 100'000'000);

        // A second initialize replaces the keys.
        orvane.initialize(u"mk2"_s, u"mck2"_s, u"user-2"_s);
        QCOMPARE(d.string(keys::kMkey), std::optional<QString>(u"mk2"_s));
        QCOMPARE(d.string(keys::kUserId), std::optional<QString>(u"user-2"_s));

        orvane.setDebugEnabled(true);
        QVERIFY(Log::displayLog());
        orvane.setDebugEnabled(false);
        QVERIFY(!Log::displayLog());
    }

    // The display settings in the enum form and the older int or text form are one stored value,
    // read back by the enum getter and the Qt property (by value, and written by key).
    void enumSettings() {
        using O = Orvane;
        struct Row {
            std::function<void(O&)> write;
            QByteArray property;
            int read;
        };
        const Row rows[] = {
            {[](O& o) { o.setListType(O::ListType::Icon); }, "listType", 2},
            {[](O& o) { o.setListType(O::TYPE_LIST_NATIVE); }, "listType", 1},
            {[](O& o) { o.setProperty("listType", u"Icon"_s); }, "listType", 2},
            {[](O& o) { o.setGender(O::Gender::Woman); }, "gender", 2},
            {[](O& o) { o.setGender(O::TYPE_GENDER_MAN); }, "gender", 1},
            {[](O& o) { o.setGender(u"F"_s); }, "gender", 0},
            {[](O& o) { o.setBenefitsType(O::BenefitsDisplay::ListTop); }, "benefitsType", 1},
            {[](O& o) { o.setBenefitsType(O::TYPE_BENEFITS_DISPLAY_POPUP); }, "benefitsType", 0},
            {[](O& o) { o.setBenefitsType(7); }, "benefitsType", 1},
        };
        for (const Row& row : rows) {
            test::TemporarySettings settings;
            O& orvane = O::shared();
            row.write(orvane);
            const int getter = row.property == "listType" ? int(orvane.listType())
                               : row.property == "gender" ? int(orvane.gender())
                                                          : int(orvane.benefitsType());
            QCOMPARE(getter, row.read);
            QCOMPARE(orvane.property(row.property.constData()).toInt(), row.read);
        }
        QCOMPARE(QMetaEnum::fromType<O::Gender>().valueToKey(int(O::Gender::Woman)), "Woman");
    }

    // Settings an earlier version wrote at the top level of the host's settings are moved into the
    // kit's group on the first start, once; the host's own keys, and a value already in the group,
    // stay as they are.
    void settingsMovedIntoTheGroup() {
        test::TemporarySettings settings;
        {
            QSettings old(settings.path(), QSettings::IniFormat);
            old.clear(); // a file as an earlier version left it
            old.setValue(keys::kMkey, u"old-mkey"_s);
            old.setValue(keys::kGender, u"1"_s);
            old.setValue(u"ORVANE_TRACKING_CONSENT_STATUS"_s, 3);
            old.setValue(keys::kAge, 27);
            old.setValue(u"orvane/"_s + keys::kAge, 30);
            old.setValue(keys::kLastCleanup, u"weekly"_s); // the host's own: not a date
        }
        settings.restart();
        Orvane& orvane = Orvane::shared();
        QVERIFY(orvane.mkey() == u"old-mkey"_s && orvane.gender() == Orvane::Gender::Man);
        QCOMPARE(orvane.age(), 30);
        QCOMPARE(UserDefaults::standard().integer(u"ORVANE_TRACKING_CONSENT_STATUS"_s), qint64(3));
        QSettings(settings.path(), QSettings::IniFormat).setValue(keys::kMkey, u"host's"_s);
        settings.restart();
        QCOMPARE(orvane.mkey(), u"old-mkey"_s);
        QSettings after(settings.path(), QSettings::IniFormat);
        QCOMPARE(after.childKeys(), (QStringList{keys::kMkey, keys::kLastCleanup}));
        QCOMPARE(after.value(keys::kLastCleanup), QVariant(u"weekly"_s));
    }

    void trackingDefaultAcrossRestart() {
        test::TemporarySettings settings;
        UserDefaults& d = UserDefaults::standard();
        const auto initialize = [] { Orvane::shared().initialize(u"a"_s, u"b"_s, u"c"_s); };
        QVERIFY2(!d.boolean(keys::kTrackingUsage), "before initialize nothing is registered");
        initialize();
        QVERIFY(d.boolean(keys::kTrackingUsage));
        d.sync();
        settings.restart(); // the registered default is not persisted
        QVERIFY(!d.boolean(keys::kTrackingUsage));
        initialize();
        QVERIFY(d.boolean(keys::kTrackingUsage));

        Orvane::shared().setTrackingUsage(false);
        d.sync();
        settings.restart();
        initialize();
        QVERIFY2(!d.boolean(keys::kTrackingUsage), "a stored false survives initialize");
    }

    void modelTable_data() {
        QTest::addColumn<QString>("identifier");
        QTest::addColumn<QString>("name"); // empty: the identifier itself
        for (const auto& [identifier, name] :
             std::initializer_list<std::pair<const char*, const char*>>{
                 {"x86_64", "Simulator"},
                 {"iPhone13,4", "iPhone 12 Pro Max"}, // the last key
                 {"iPhone14,2", ""},                  // a newer model
                 {"IPHONE12,8", ""},                  // case matters
                 {"iPhone12,81", ""},                 // whole key only
                 {"", ""}}) {
            QTest::newRow(*identifier ? identifier : "empty")
                << QString::fromLatin1(identifier)
                << QString::fromLatin1(*name ? name : identifier);
        }
        QTest::newRow("NUL padding skipped")
            << QString(u"iPhone12,8"_s + QString(3, QChar(0))) << u"iPhone SE 2nd Gen"_s;
    }

    void modelTable() {
        QFETCH(QString, identifier);
        QFETCH(QString, name);
        QCOMPARE(Util::modelName(identifier), name);
    }

    void modelAndCarrierFromTheDevice() {
        QVERIFY(!Util::getCarrierName().has_value()); // desktop default: no subscription
        QVERIFY(!Util::getModelName().isEmpty() && !Util::getModelName().contains(QChar(0)));

        test::FakeDeviceInfo& device = test::FakeDeviceInfo::install();
        device.setHardwareIdentifier(u"iPad7,3"_s);
        QCOMPARE(Util::getModelName(), u"iPad Pro 10.5 Inch"_s);
        device.setCarrierName(u"Orvane Mobile"_s);
        QCOMPARE(Util::getCarrierName(), std::optional<QString>(u"Orvane Mobile"_s));
        device.setCarrierName(QString()); // a provider without a name counts as none
        QVERIFY(!Util::getCarrierName().has_value());
    }

    void textFallback() {
        // A table that lacks a key ("xy") falls back to English for that key only; a language
        // without a table ("xx") reads English; an unknown key reads as itself. A host's texts
        // come first for their language, then the kit's table for it, then the host's English,
        // then the kit's; a key or text the kit cannot use is refused with a warning.
        test::LogCapture capture;
        Orvane& kit = Orvane::shared();
        QVERIFY(kit.setStrings(QLocale(QLocale::English), {{u"ov_confirm"_s, u"Got it"_s}}));
        QVERIFY(!kit.setStrings(QLocale(QLocale::German), {{u"ov_no_such_key"_s, u"x"_s},
                                                           {u"ov_a11y_sort"_s, u"Sortierung"_s},
                                                           {u"ov_cancel"_s, u"Abbrechen"_s}}));
        QCOMPARE(capture.types(), QList<QtMsgType>(2, QtWarningMsg));
        const QList<QStringList> cases = {{u"ko"_s, u"ov_confirm"_s, u"확인"_s},
                                          {u"ko"_s, u"ov_no_such_key"_s, u"ov_no_such_key"_s},
                                          {u"en"_s, u"ov_confirm"_s, u"Got it"_s},
                                          {u"en"_s, u"ov_cancel"_s, u"Cancel"_s},
                                          {u"xy"_s, u"ov_confirm"_s, u"Xy-OK"_s},
                                          {u"xy"_s, u"ov_cancel"_s, u"Cancel"_s},
                                          {u"xy"_s, u"ov_no_such_key"_s, u"ov_no_such_key"_s},
                                          {u"xx"_s, u"ov_confirm"_s, u"Got it"_s},
                                          {u"de"_s, u"ov_cancel"_s, u"Abbrechen"_s},
                                          {u"de"_s, u"ov_a11y_sort"_s, u"Sort order: %1"_s}};
        for (const QStringList& c : cases) {
            setLocalizationLanguage(c[0]);
            QCOMPARE(localized(c[1]), c[2]);
        }
    }

    // Every key the kit's sources name, in every table, with a real text.
    void stringTablesComplete() {
        QSet<QString> keys;
        static const QRegularExpression quotedKey(QStringLiteral("\"(ov_[a-z0-9_]+)\""));
        QDirIterator sources(QStringLiteral(ORVANE_SOURCE_DIR),
                             {QStringLiteral("*.cpp"), QStringLiteral("*.h")}, QDir::Files,
                             QDirIterator::Subdirectories);
        while (sources.hasNext()) {
            QFile file(sources.next());
            QVERIFY(file.open(QIODevice::ReadOnly));
            const QString text = QString::fromUtf8(file.readAll());
            for (auto it = quotedKey.globalMatch(text); it.hasNext();)
                keys.insert(it.next().captured(1));
        }
        QVERIFY(keys.size() > 50);
        for (const QString& language : {QStringLiteral("en"), QStringLiteral("ko")}) {
            QFile file(QStringLiteral(":/orvane/strings/%1.json").arg(language));
            QVERIFY(file.open(QIODevice::ReadOnly));
            const QJsonObject table = QJsonDocument::fromJson(file.readAll()).object();
            for (const QString& key : keys) {
                QVERIFY2(!table.value(key).toString().trimmed().isEmpty(),
                         qPrintable(language + u' ' + key));
            }
            setLocalizationLanguage(language);
            // Removed from list replies before decoding: only a raw line feed can never be part of
            // the JSON itself (the list model's tests read such a reply).
            QCOMPARE(localized(u"ascii_newline"_s), QStringLiteral("\n"));
        }
    }

    void checkBoxImages() {
        // Both 20 by 20 and told apart: the ticked box is filled.
        const QImage ticked = kitImage(kTickBoxImage), empty = kitImage(kUncheckedBoxImage);
        QVERIFY(ticked.size() == QSize(20, 20) && empty.size() == QSize(20, 20));
        QVERIFY(qAlpha(ticked.pixel(10, 10)) > 0 && qAlpha(empty.pixel(10, 10)) == 0);
        QVERIFY(kitImage(u"no-such-image"_s).isNull());
    }

    void htmlConversion() {
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

        // setColorAndFont gives the text that the separate edits give.
        StyledText separate = *text, joined = *text;
        separate.setColor(Qt::darkGray);
        separate.setFont(font);
        joined.setColorAndFont(Qt::darkGray, font);
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
    // the HTML points at an image, a background image (of text, a table or a cell) or a style
    // sheet.
    void htmlNeverFetches() {
        const QString base = QStringLiteral("http://127.0.0.1:1");
        const QString html =
            QStringLiteral(
                "<html><head><link rel=\"stylesheet\" href=\"%1/style.css\"></head><body>"
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

    void sizeOperators() {
        QCOMPARE(divided(multiplied(QSizeF(390, 120), 2.0), -3.0), QSizeF(-260, -80));
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
};

QTEST_MAIN(TstSdk)
#include "tst_sdk.moc"
