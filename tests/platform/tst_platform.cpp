#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QtTest>

#include "core/Device.h"
#include "core/Dispatch.h"
#include "core/Log.h"
#include "core/NotificationCenter.h"
#include "core/UserDefaults.h"
#include "orvane/PlatformServices.h"
#include "support/ApiTestUtil.h"
#include "support/Fakes.h" // restoreDefaultServices
#include "support/TestSupport.h"

using namespace orvane;
using namespace Qt::StringLiterals;

// Receives addresses of the test scheme through QDesktopServices::setUrlHandler, so the default
// opener is exercised for real without starting a browser.
class UrlSink : public QObject {
    Q_OBJECT
public Q_SLOTS:
    void handle(const QUrl& url) { received << url; }

public:
    QList<QUrl> received;
};

namespace {

// Runs `work` on a thread of its own and waits until it has ended.
void onThread(const std::function<void()>& work) {
    std::unique_ptr<QThread> thread(QThread::create(work));
    thread->start();
    thread->wait();
}

// The visible dialogs named `name`.
template <typename T = QMessageBox>
QList<T*> visibleDialogs(const char* name) {
    QList<T*> found;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->objectName() == QLatin1String(name) && widget->isVisible())
            found << qobject_cast<T*>(widget);
    }
    return found;
}

// Waits for the dialog `name` and clicks its `button`, or closes it when `button` is empty.
bool respond(const char* name, const QString& button) {
    if (!QTest::qWaitFor([&] { return !visibleDialogs(name).isEmpty(); }))
        return false;
    QMessageBox* box = visibleDialogs(name).first();
    if (button.isEmpty())
        return box->close();
    auto* target = box->findChild<QPushButton*>(button);
    return target ? (target->click(), true) : false;
}

constexpr const char* kPrompt = "orvane.trackingConsentPrompt";

void setConsent(const QVariant& answer) {
    UserDefaults::standard().set(kTrackingConsentStatusKey, answer);
}

} // namespace

class TstPlatform : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() { test::restoreDefaultServices(); }
    void registeredDefaultsAreNeverPersisted() {
        test::TemporarySettings settings;
        UserDefaults& d = UserDefaults::standard();
        const QString none = u"none"_s, flag = u"flag"_s;
        QVERIFY(!d.string(none) && d.integer(none) == 0 && !d.boolean(none) && !d.date(none));

        d.registerDefaults({{flag, true}});
        QVERIFY(d.boolean(flag));
        d.set(u"age"_s, 30);
        const QDateTime when = QDateTime::fromSecsSinceEpoch(1700000000);
        d.set(u"when"_s, when);
        d.set(u"empty"_s, QString());
        d.sync();
        settings.restart(); // a new process: registered defaults are gone, stored values stay
        QVERIFY(!d.boolean(flag));
        QCOMPARE(d.integer(u"age"_s), 30);
        QCOMPARE(d.date(u"when"_s), std::optional<QDateTime>(when));
        QCOMPARE(d.string(u"empty"_s), std::optional<QString>(QString()));
    }

    void logLayoutAndCategories() {
        test::LogCapture capture;
        Log::setDisplayLog(false); // silent while off
        Log::error("never");
        Log::log("never", {}, Log::Level::network);
        Log::setDisplayLog(true);
        Log::log("D", {}, Log::Level::debug);
        Log::log("A", {}, Log::Level::info);
        Log::log("A", {1, "b"}, Log::Level::network);
        Log::error("ApiJoin apiJoin Error :", std::optional<qint64>(401), 2.5, true, -7);
        Log::log("x", {}, Log::Level::custom, u"MINE"_s);
        Log::warning("W");
        Log::setDisplayLog(false);

        const QString app = Log::subsystem();
        QCOMPARE(capture.lines(),
                 (QStringList{
                     app + u".\U0001F7E1 DEBUG|D "_s, app + u".\U0001F7E0 INFO|A "_s,
                     app + u".\U0001F535 NETWORK|A 1 b"_s,
                     app + u".\U0001F534 ERROR|ApiJoin apiJoin Error : Optional(401) 2.5 true -7"_s,
                     app + u".\U0001F7E2 MINE|x "_s, app + u".\U0001F7E3 WARNING|W "_s}));
        // Network records are informational, errors critical, custom records debug.
        QCOMPARE(capture.types(), (QList<QtMsgType>{QtDebugMsg, QtInfoMsg, QtInfoMsg, QtCriticalMsg,
                                                    QtDebugMsg, QtWarningMsg}));
    }

    // The main queue keeps the order work was queued in, from any thread, and drops work whose
    // context died; a serial queue runs its work in order; an observer goes away with its context.
    void queuesKeepOrderAndObserversGoWithTheirContext() {
        QList<int> order;
        dispatch::toMain([&] { order << 1; });
        onThread([&] {
            dispatch::toMain([&] { order << 2; });
            dispatch::toMain([&] { order << 3; });
        });
        dispatch::toMain([&] { order << 4; });
        QTRY_COMPARE(order, (QList<int>{1, 2, 3, 4}));
        bool ran = false;
        auto* context = new QObject;
        dispatch::toMain(context, [&] { ran = true; });
        delete context;
        QCoreApplication::processEvents();
        QVERIFY(!ran);

        dispatch::SerialQueue queue(u"test"_s);
        order.clear();
        for (int i = 0; i < 50; ++i)
            queue.async([&, i] { order << i; }); // read only after waitForIdle
        queue.waitForIdle();
        QCOMPARE(order.size(), 50);
        QVERIFY(std::is_sorted(order.begin(), order.end()));

        NotificationCenter& center = NotificationCenter::defaultCenter();
        QStringList seen;
        auto* screen = new QObject;
        center.addObserver(kActionListChange, screen, [&] { seen << u"list"_s; });
        center.addObserver(kActionDetailFinish, screen, [&] { seen << u"finish"_s; });
        center.post(kActionListChange);
        center.post(kActionDetailFinish);
        QCOMPARE(seen, (QStringList{u"list"_s, u"finish"_s}));
        delete screen;
        QCOMPARE(center.observerCount(kActionListChange), 0);
        center.post(kActionListChange);
        QCOMPARE(seen.size(), 2);
    }

    void advertisingIdentifierNeedsConsent_data() {
        QTest::addColumn<QVariant>("remembered"); // invalid: never asked
        QTest::newRow("never asked") << QVariant();
        QTest::newRow("not determined") << QVariant(int(TrackingConsent::NotDetermined));
        QTest::newRow("restricted") << QVariant(int(TrackingConsent::Restricted));
        QTest::newRow("denied") << QVariant(int(TrackingConsent::Denied));
        QTest::newRow("unknown answer") << QVariant(7);
    }

    // Without the user's consent the advertising identifier is all zeros; the identifier kept for
    // an earlier consent comes back once the user allows tracking again, and after a restart.
    void advertisingIdentifierNeedsConsent() {
        QFETCH(QVariant, remembered);
        test::TemporarySettings settings;
        DeviceInfo& device = PlatformServices::deviceInfo();
        if (remembered.isValid())
            setConsent(remembered);
        QVERIFY(device.advertisingIdentifier().isNull());
        QVERIFY(!UserDefaults::standard().contains(kAdvertisingIdentifierKey));

        // Allowed: concurrent first use still yields one identifier.
        setConsent(int(TrackingConsent::Authorized));
        std::vector<QUuid> seen(8);
        std::vector<std::unique_ptr<QThread>> threads;
        for (QUuid& id : seen) {
            threads.emplace_back(
                QThread::create([&device, at = &id] { *at = device.advertisingIdentifier(); }));
            threads.back()->start();
        }
        for (auto& thread : threads)
            thread->wait();
        const QUuid allowed = seen.front();
        QVERIFY(!allowed.isNull());
        QCOMPARE(std::count(seen.begin(), seen.end(), allowed), std::ptrdiff_t(seen.size()));
        setConsent(int(TrackingConsent::Denied));
        QVERIFY(device.advertisingIdentifier().isNull());
        setConsent(int(TrackingConsent::Authorized));
        UserDefaults::standard().sync();
        settings.restart();
        QCOMPARE(device.advertisingIdentifier(), allowed);
        test::TemporarySettings other; // another installation
        setConsent(int(TrackingConsent::Authorized));
        QVERIFY(device.advertisingIdentifier() != allowed);
    }

    // The answer of a host's own consent prompt is what the desktop device facts go by.
    void hostPromptDecidesTheAdvertisingIdentifier() {
        test::TemporarySettings settings;
        test::FakeConsent& prompt = test::FakeConsent::install();
        QList<int> answers;
        for (const int status : {TrackingConsent::Authorized, TrackingConsent::Denied,
                                 TrackingConsent::Authorized, TrackingConsent::NotDetermined}) {
            prompt.status = status;
            PlatformServices::trackingConsent().requestAuthorization([&](int s) { answers << s; });
            QTRY_COMPARE(answers.size(), prompt.requests);
            QCOMPARE(answers.last(), status);
            QCOMPARE(PlatformServices::deviceInfo().advertisingIdentifier().isNull(),
                     status != TrackingConsent::Authorized);
        }
    }

    void vendorIdentifierDiffersByHost_data() {
        // Two hosts on one machine, each as "organisation domain|organisation name|application".
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("second");
        QTest::addColumn<bool>("same");
        QTest::newRow("other domain") << u"a.example|Org|App"_s << u"b.example|Org|App"_s << false;
        QTest::newRow("same domain, other application")
            << u"a.example|Org|App"_s << u"a.example|Org2|Other"_s << true;
        QTest::newRow("no domain, other organisation") << u"|Org|App"_s << u"|Org2|App"_s << false;
        QTest::newRow("application only") << u"||App"_s << u"||Other"_s << false;
    }

    void vendorIdentifierDiffersByHost() {
        QFETCH(QString, first);
        QFETCH(QString, second);
        QFETCH(bool, same);
        if (QSysInfo::machineUniqueId().isEmpty())
            QSKIP("this machine reports no unique id, so there is no vendor identifier");
        const QString saved = QCoreApplication::organizationDomain() + u'|' +
                              QCoreApplication::organizationName() + u'|' +
                              QCoreApplication::applicationName();
        auto identifierAs = [](const QString& host) {
            const QStringList parts = host.split(u'|');
            QCoreApplication::setOrganizationDomain(parts[0]);
            QCoreApplication::setOrganizationName(parts[1]);
            QCoreApplication::setApplicationName(parts[2]);
            return PlatformServices::deviceInfo().vendorIdentifier();
        };
        const std::optional<QUuid> a = identifierAs(first);
        const std::optional<QUuid> b = identifierAs(second);
        const std::optional<QUuid> again = identifierAs(first);
        identifierAs(saved);
        QVERIFY(a && b && again == a);
        QCOMPARE(*a == *b, same);
        QVERIFY(!a->toString().contains(
            QLatin1String(QSysInfo::machineUniqueId()))); // never the raw id
    }

    // The default opener answers later and on the main thread: no for an invalid address, yes for
    // one a handler took (opened from another thread).
    void defaultOpener() {
        QList<bool> answers;
        PlatformServices::urlOpener().open(QUrl(), [&](bool opened) { answers << opened; });
        QVERIFY(answers.isEmpty()); // never inside open()
        QTRY_COMPARE(answers, QList<bool>{false});

        UrlSink sink;
        QDesktopServices::setUrlHandler(u"orvanetest"_s, &sink, "handle");
        const QUrl address(u"orvanetest://campaign/42"_s);
        bool onMain = false;
        onThread([&] {
            PlatformServices::urlOpener().open(address, [&](bool opened) {
                onMain = dispatch::isMainThread();
                answers << opened;
            });
        });
        QTRY_COMPARE(answers, (QList<bool>{false, true}));
        QVERIFY(onMain);
        QCOMPARE(sink.received, QList<QUrl>{address});
        QDesktopServices::unsetUrlHandler(u"orvanetest"_s);
    }

    void consentAsksOnceAndRemembers() {
        test::TemporarySettings settings;
        TrackingConsent& consent = PlatformServices::trackingConsent();
        QList<int> answers;
        const auto request = [&] { consent.requestAuthorization([&](int s) { answers << s; }); };

        // Closed without a choice: not determined, and the next request asks again.
        request();
        QVERIFY(respond(kPrompt, QString()));
        QTRY_COMPARE(answers.size(), 1);
        request();
        QVERIFY(respond(kPrompt, u"deny"_s));
        QTRY_COMPARE(answers.size(), 2);
        QCOMPARE(answers, (QList<int>{TrackingConsent::NotDetermined, TrackingConsent::Denied}));

        test::TemporarySettings fresh;
        answers.clear();
        request();
        request();
        QTRY_COMPARE(visibleDialogs(kPrompt).size(), 1); // both requests wait for the one dialog
        QVERIFY(answers.isEmpty());
        QVERIFY(respond(kPrompt, u"allow"_s));
        QTRY_COMPARE(answers.size(), 2);

        // After a restart the remembered answer comes back without a dialog.
        UserDefaults::standard().sync();
        fresh.restart();
        request();
        QTRY_COMPARE(answers.size(), 3);
        QVERIFY(visibleDialogs(kPrompt).isEmpty());

        // The settings page changes the remembered answer.
        consent.openAppPrivacySettings();
        QVERIFY(respond("orvane.trackingConsentSettings", u"deny"_s));
        request();
        QTRY_COMPARE(answers.size(), 4);
        QCOMPARE(answers, (QList<int>{TrackingConsent::Authorized, TrackingConsent::Authorized,
                                      TrackingConsent::Authorized, TrackingConsent::Denied}));
    }

    void pickerLoadsChosenFilesUpToLimit() {
        QTemporaryDir dir;
        for (const char* name : {"a.png", "c.png", "d.png"})
            QVERIFY(test::testImage(Qt::red, 4, 3).save(dir.filePath(QLatin1String(name))));
        QFile broken(dir.filePath(u"b.png"_s));
        QVERIFY(broken.open(QIODevice::WriteOnly) && broken.write("not an image") > 0);
        broken.close();

        std::optional<QList<QImage>> picked;
        const auto pick = [&](ImagePicker::Source source) {
            picked.reset();
            PlatformServices::imagePicker().pick(
                nullptr, source, 3, [&](const QList<QImage>& images) { picked = images; });
        };
        pick(ImagePicker::Source::Library);
        QTRY_COMPARE(visibleDialogs<QFileDialog>("orvane.imagePicker").size(), 1);
        QFileDialog* dialog = visibleDialogs<QFileDialog>("orvane.imagePicker").first();
        dialog->setDirectory(dir.path());
        auto* name = dialog->findChild<QLineEdit*>(u"fileNameEdit"_s);
        QVERIFY(name);
        name->setText(u"\"a.png\" \"b.png\" \"c.png\" \"d.png\""_s);
        QMetaObject::invokeMethod(dialog, "accept");
        QTRY_VERIFY(picked.has_value());
        // Four chosen, three allowed, the broken one skipped.
        QCOMPARE(picked->size(), 2);
        QCOMPARE(picked->first().size(), QSize(4, 3));

        // No camera on a desktop: an empty answer, later.
        pick(ImagePicker::Source::Camera);
        QVERIFY(!picked.has_value());
        QTRY_VERIFY(picked.has_value() && picked->isEmpty());
    }
};

QTEST_MAIN(TstPlatform)
#include "tst_platform.moc"
