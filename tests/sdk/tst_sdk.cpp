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

namespace {
// One setting written through the facade, as a host writes it.
using Write = std::function<void(Orvane&)>;
} // namespace
Q_DECLARE_METATYPE(Write)

class TstSdk : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() {
        // Set before the kit first asks for the notice address.
        qputenv("ORVANE_NOTICE_URL", "https://elsewhere.example/notice.json");
    }

    void cleanup() {
        setLocalizationLanguage({});
        for (const QString& language : {u"en"_s, u"de"_s, u"ko"_s})
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

        // A second initialize replaces the keys.
        orvane.initialize(u"mk2"_s, u"mck2"_s, u"user-2"_s);
        QCOMPARE(d.string(keys::kMkey), std::optional<QString>(u"mk2"_s));
        QCOMPARE(d.string(keys::kUserId), std::optional<QString>(u"user-2"_s));

        orvane.setDebugEnabled(true);
        QVERIFY(Log::displayLog());
        orvane.setDebugEnabled(false);
        QVERIFY(!Log::displayLog());

        // Every setting reads back through its getter and its Qt property.
        QCOMPARE(orvane.mkey(), u"mk2"_s);
        QCOMPARE(orvane.userId(), u"user-2"_s);
        QCOMPARE(orvane.mainTitle(), u"Free points"_s);
        QCOMPARE(orvane.age(), 31);
        QVERIFY(orvane.copyRightVisibility() && !orvane.trackingUsage());
        const QVariantMap written{{u"mainTitle"_s, u"Bonus"_s},
                                  {u"age"_s, 40},
                                  {u"copyRightVisibility"_s, false},
                                  {u"trackingUsage"_s, true},
                                  {u"debugEnabled"_s, true},
                                  {u"orvaneColorPrimary"_s, QColor(Qt::blue)},
                                  {u"orvaneColorDisable"_s, QColor(Qt::gray)}};
        const QColor primary = orvane.orvaneColorPrimary(), disable = orvane.orvaneColorDisable();
        for (auto it = written.cbegin(); it != written.cend(); ++it)
            QVERIFY2(orvane.setProperty(qPrintable(it.key()), it.value()), qPrintable(it.key()));
        for (auto it = written.cbegin(); it != written.cend(); ++it)
            QCOMPARE(orvane.property(qPrintable(it.key())), it.value());
        QCOMPARE(d.integer(keys::kAge), qint64(40));
        orvane.setDebugEnabled(false);
        orvane.setOrvaneColorPrimary(primary);
        orvane.setOrvaneColorDisable(disable);
        QCOMPARE(orvane.property("mckey"), QVariant(u"mck2"_s));
    }

    // The three display settings in each form, the enum and the older int or text constant, are
    // one stored value: what either form writes, the enum getter and the property read back.
    void enumSettings_data() {
        QTest::addColumn<Write>("write");
        QTest::addColumn<QByteArray>("property");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<int>("read"); // the enum value the getter gives
        using O = Orvane;
        const auto row = [](const char* name, Write write, const QByteArray& property,
                            const QString& key, const QVariant& stored, int read) {
            QTest::newRow(name) << write << property << key << stored << read;
        };
        const QByteArray list = "listType", gender = "gender", benefits = "benefitsType";
        row(
            "list, never set", [](O&) {}, list, keys::kListType, QVariant(), 0);
        row(
            "list Native", [](O& o) { o.setListType(O::ListType::Native); }, list, keys::kListType,
            1, int(O::ListType::Native));
        row(
            "list Icon", [](O& o) { o.setListType(O::ListType::Icon); }, list, keys::kListType, 2,
            int(O::ListType::Icon));
        row(
            "list TYPE_LIST_ICON", [](O& o) { o.setListType(O::TYPE_LIST_ICON); }, list,
            keys::kListType, 2, int(O::ListType::Icon));
        row(
            "list TYPE_LIST_NATIVE", [](O& o) { o.setListType(O::TYPE_LIST_NATIVE); }, list,
            keys::kListType, 1, int(O::ListType::Native));
        row(
            "gender, never set", [](O&) {}, gender, keys::kGender, QVariant(),
            int(O::Gender::Unknown));
        row(
            "gender Woman", [](O& o) { o.setGender(O::Gender::Woman); }, gender, keys::kGender,
            u"2"_s, int(O::Gender::Woman));
        row(
            "gender Man", [](O& o) { o.setGender(O::Gender::Man); }, gender, keys::kGender, u"1"_s,
            int(O::Gender::Man));
        row(
            "gender Unknown", [](O& o) { o.setGender(O::Gender::Unknown); }, gender, keys::kGender,
            u"0"_s, int(O::Gender::Unknown));
        row(
            "gender TYPE_GENDER_WOMAN", [](O& o) { o.setGender(O::TYPE_GENDER_WOMAN); }, gender,
            keys::kGender, u"2"_s, int(O::Gender::Woman));
        row(
            "gender TYPE_GENDER_MAN", [](O& o) { o.setGender(O::TYPE_GENDER_MAN); }, gender,
            keys::kGender, u"1"_s, int(O::Gender::Man));
        row(
            "gender, other text", [](O& o) { o.setGender(u"F"_s); }, gender, keys::kGender, u"F"_s,
            int(O::Gender::Unknown));
        row(
            "benefits, never set", [](O&) {}, benefits, keys::kBenefitsDisplayType, QVariant(),
            int(O::BenefitsDisplay::Popup));
        row(
            "benefits ListTop", [](O& o) { o.setBenefitsType(O::BenefitsDisplay::ListTop); },
            benefits, keys::kBenefitsDisplayType, 1, int(O::BenefitsDisplay::ListTop));
        row(
            "benefits Popup", [](O& o) { o.setBenefitsType(O::BenefitsDisplay::Popup); }, benefits,
            keys::kBenefitsDisplayType, 0, int(O::BenefitsDisplay::Popup));
        row(
            "benefits TYPE_..._LIST_TOP",
            [](O& o) { o.setBenefitsType(O::TYPE_BENEFITS_DISPLAY_LIST_TOP); }, benefits,
            keys::kBenefitsDisplayType, 1, int(O::BenefitsDisplay::ListTop));
        row(
            "benefits TYPE_..._POPUP",
            [](O& o) { o.setBenefitsType(O::TYPE_BENEFITS_DISPLAY_POPUP); }, benefits,
            keys::kBenefitsDisplayType, 0, int(O::BenefitsDisplay::Popup));
        row(
            "benefits, other number", [](O& o) { o.setBenefitsType(7); }, benefits,
            keys::kBenefitsDisplayType, 7, int(O::BenefitsDisplay::ListTop));
        // Written through the property, by the enum's key as QML or a settings dialog would.
        row(
            "list Icon by property", [](O& o) { o.setProperty("listType", u"Icon"_s); }, list,
            keys::kListType, 2, int(O::ListType::Icon));
        row(
            "gender Man by property", [](O& o) { o.setProperty("gender", u"Man"_s); }, gender,
            keys::kGender, u"1"_s, int(O::Gender::Man));
    }

    void enumSettings() {
        QFETCH(Write, write);
        QFETCH(QByteArray, property);
        QFETCH(QString, key);
        QFETCH(QVariant, stored);
        QFETCH(int, read);
        test::TemporarySettings settings;
        Orvane& orvane = Orvane::shared();
        write(orvane);
        QCOMPARE(UserDefaults::standard().object(key), stored);
        const QVariant value = orvane.property(property.constData());
        QVERIFY(value.metaType().flags() & QMetaType::IsEnumeration);
        QCOMPARE(value.toInt(), read);
        const int getter = property == "listType" ? int(orvane.listType())
                           : property == "gender" ? int(orvane.gender())
                                                  : int(orvane.benefitsType());
        QCOMPARE(getter, read);
        // The enums are known to the meta-object system by the names a host reads.
        QCOMPARE(QByteArray(QMetaEnum::fromType<Orvane::ListType>().valueToKey(2)), "Icon");
        QCOMPARE(QByteArray(QMetaEnum::fromType<Orvane::Gender>().valueToKey(2)), "Woman");
        QCOMPARE(QByteArray(QMetaEnum::fromType<Orvane::BenefitsDisplay>().valueToKey(1)),
                 "ListTop");
        QCOMPARE(QMetaEnum::fromType<Orvane::Failure>().keyCount(), 3);
    }

    void version() {
        QCOMPARE(Orvane::version(), QStringLiteral(ORVANE_VERSION_STRING));
        QCOMPARE(Orvane::version(), u"%1.%2.%3"_s.arg(ORVANE_VERSION_MAJOR)
                                        .arg(ORVANE_VERSION_MINOR)
                                        .arg(ORVANE_VERSION_PATCH));
        QVERIFY(ORVANE_VERSION >= ORVANE_VERSION_CHECK(0, 2, 0));
        QVERIFY(ORVANE_VERSION <
                ORVANE_VERSION_CHECK(ORVANE_VERSION_MAJOR, ORVANE_VERSION_MINOR + 1, 0));
    }

    // Settings an earlier version wrote at the top level of the host's settings are moved into the
    // kit's group on the first start, once; the host's own keys stay as they are.
    void settingsMovedIntoTheGroup() {
        test::TemporarySettings settings;
        const QDateTime cleanup = QDateTime::currentDateTimeUtc().addDays(-3);
        const QVariantMap earlier{{u"STANDARD_MKEY"_s, u"old-mkey"_s},
                                  {u"STANDARD_MCKEY"_s, u"old-mckey"_s},
                                  {u"STANDARD_USER_ID"_s, u"old-user"_s},
                                  {u"STANDARD_TRACKING_USAGE"_s, false},
                                  {u"STANDARD_AGE"_s, 27},
                                  {u"STANDARD_GENDER"_s, u"1"_s},
                                  {u"STANDARD_MAIN_TITLE"_s, u"Old title"_s},
                                  {u"STANDARD_LIST_TYPE"_s, 2},
                                  {u"STANDARD_BENEFITS_DISPLAY_TYPE"_s, 1},
                                  {u"STANDARD_COPYRIGHT_VISIBILITY"_s, true},
                                  {u"lastCleanup"_s, cleanup},
                                  {u"ORVANE_ADVERTISING_IDENTIFIER"_s, u"0D6F0C4E-1"_s},
                                  {u"ORVANE_TRACKING_CONSENT_STATUS"_s, 3}};
        {
            QSettings old(settings.path(), QSettings::IniFormat);
            old.clear(); // a file as an earlier version left it, without the kit's group
            for (auto it = earlier.cbegin(); it != earlier.cend(); ++it)
                old.setValue(it.key(), it.value());
            old.setValue(u"hostTheme"_s, u"dark"_s);    // the host's own
            old.setValue(u"orvane/STANDARD_AGE"_s, 30); // already in the group: it wins
        }
        settings.restart();

        Orvane& orvane = Orvane::shared();
        QCOMPARE(orvane.mkey(), u"old-mkey"_s);
        QCOMPARE(orvane.userId(), u"old-user"_s);
        QCOMPARE(orvane.age(), 30);
        QCOMPARE(orvane.gender(), Orvane::Gender::Man);
        QCOMPARE(orvane.listType(), Orvane::ListType::Icon);
        QCOMPARE(orvane.benefitsType(), Orvane::BenefitsDisplay::ListTop);
        QVERIFY(orvane.copyRightVisibility() && !orvane.trackingUsage());
        UserDefaults& d = UserDefaults::standard();
        QCOMPARE(d.date(keys::kLastCleanup), std::optional<QDateTime>(cleanup));
        QCOMPARE(d.integer(u"ORVANE_TRACKING_CONSENT_STATUS"_s), qint64(3));
        d.sync();
        {
            QSettings after(settings.path(), QSettings::IniFormat);
            QCOMPARE(after.childKeys(), QStringList{u"hostTheme"_s});
            QStringList moved = earlier.keys();
            moved << u"SETTINGS_LAYOUT"_s;
            moved.sort();
            after.beginGroup(u"orvane"_s);
            QStringList inGroup = after.childKeys();
            inGroup.sort();
            QCOMPARE(inGroup, moved);
            // Once: a key the host writes at the top level later is its own.
            after.endGroup();
            after.setValue(u"lastCleanup"_s, cleanup.addDays(1));
            after.setValue(u"STANDARD_AGE"_s, 99);
        }
        settings.restart();
        QCOMPARE(orvane.age(), 30);
        QCOMPARE(d.date(keys::kLastCleanup), std::optional<QDateTime>(cleanup));
        QCOMPARE(QSettings(settings.path(), QSettings::IniFormat).value(u"STANDARD_AGE"_s).toInt(),
                 99);
    }

    // A host key named like one of the kit's generic ones, but not what the kit wrote there,
    // stays the host's.
    void hostKeyOfTheSameNameStays() {
        test::TemporarySettings settings;
        QSettings(settings.path(), QSettings::IniFormat).setValue(u"lastCleanup"_s, u"weekly"_s);
        settings.restart();
        QVERIFY(!UserDefaults::standard().contains(keys::kLastCleanup));
        UserDefaults::standard().set(keys::kLastCleanup, QDateTime::currentDateTimeUtc());
        UserDefaults::standard().sync();
        QCOMPARE(QSettings(settings.path(), QSettings::IniFormat).value(u"lastCleanup"_s),
                 QVariant(u"weekly"_s));
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
        // without a table ("xx") reads English; an unknown key reads as itself.
        const QList<QStringList> cases = {{u"ko"_s, u"ov_confirm"_s, u"확인"_s},
                                          {u"ko"_s, u"ov_no_such_key"_s, u"ov_no_such_key"_s},
                                          {u"en"_s, u"ov_confirm"_s, u"OK"_s},
                                          {u"xy"_s, u"ov_confirm"_s, u"Xy-OK"_s},
                                          {u"xy"_s, u"ov_cancel"_s, u"Cancel"_s},
                                          {u"xy"_s, u"ov_no_such_key"_s, u"ov_no_such_key"_s},
                                          {u"xx"_s, u"ov_confirm"_s, u"OK"_s}};
        for (const QStringList& c : cases) {
            setLocalizationLanguage(c[0]);
            QCOMPARE(localized(c[1]), c[2]);
        }
    }

    // Texts a host gives for a language come first, then the kit's table for it, then the host's
    // English texts, then the kit's.
    void hostTexts_data() {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("text");
        QTest::newRow("host, English") << u"en"_s << u"ov_confirm"_s << u"Got it"_s;
        QTest::newRow("kit, English") << u"en"_s << u"ov_cancel"_s << u"Cancel"_s;
        QTest::newRow("host, added language") << u"de"_s << u"ov_tab_campaigns"_s << u"Verdienen"_s;
        QTest::newRow("added language, host English") << u"de"_s << u"ov_confirm"_s << u"Got it"_s;
        QTest::newRow("added language, kit English") << u"de"_s << u"ov_cancel"_s << u"Cancel"_s;
        QTest::newRow("host over the kit's Korean")
            << u"ko"_s << u"ov_tab_campaigns"_s << u"적립"_s;
        QTest::newRow("kit's Korean over host English") << u"ko"_s << u"ov_confirm"_s << u"확인"_s;
        QTest::newRow("with its placeholder")
            << u"de"_s << u"ov_a11y_sort"_s << u"Sortierung: %1"_s;
    }

    void hostTexts() {
        QFETCH(QString, language);
        QFETCH(QString, key);
        QFETCH(QString, text);
        QVERIFY(setHostTexts(u"en"_s, {{u"ov_confirm"_s, u"Got it"_s}}));
        QVERIFY(setHostTexts(u"de"_s, {{u"ov_tab_campaigns"_s, u"Verdienen"_s},
                                       {u"ov_a11y_sort"_s, u"Sortierung: %1"_s}}));
        QVERIFY(Orvane::shared().setStrings(QLocale(QLocale::Korean, QLocale::SouthKorea),
                                            {{u"ov_tab_campaigns"_s, u"적립"_s}}));
        setLocalizationLanguage(language);
        QCOMPARE(localized(key), text);
    }

    // Unknown keys and texts that do not fill in the kit's placeholders are refused with a
    // warning; the rest of the call is taken, and each call replaces the language's texts.
    void hostTextsRefused() {
        test::LogCapture capture;
        QVERIFY(!Orvane::shared().setStrings(QLocale(QLocale::German),
                                             {{u"ov_no_such_key"_s, u"x"_s},
                                              {u"ascii_newline"_s, u" "_s},
                                              {u"ov_a11y_sort"_s, u"Sortierung"_s},
                                              {u"ov_copyright"_s, u"© %1 %2"_s},
                                              {u"ov_cancel"_s, u"Abbrechen"_s}}));
        QCOMPARE(capture.types(), QList<QtMsgType>(4, QtWarningMsg));
        for (const char* refused :
             {"ov_no_such_key", "ascii_newline", "ov_a11y_sort", "ov_copyright"})
            QVERIFY2(capture.contains(QString::fromLatin1(refused)), refused);
        setLocalizationLanguage(u"de"_s);
        QCOMPARE(localized(u"ov_cancel"_s), u"Abbrechen"_s);
        QCOMPARE(localized(u"ov_a11y_sort"_s), u"Sort order: %1"_s);
        QCOMPARE(localized(u"ascii_newline"_s), u"\n"_s);
        QVERIFY(
            Orvane::shared().setStrings(QLocale(QLocale::German), {{u"ov_confirm"_s, u"Ja"_s}}));
        QCOMPARE(localized(u"ov_cancel"_s), u"Cancel"_s);
        QVERIFY(Orvane::shared().setStrings(QLocale(QLocale::German), {}));
        QCOMPARE(localized(u"ov_confirm"_s), u"OK"_s);
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
