#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include "core/Device.h"
#include "core/Dispatch.h"
#include "core/Log.h"
#include "core/NotificationCenter.h"
#include "core/UserDefaults.h"
#include "orvane/PlatformServices.h"
#include "support/Fakes.h" // restoreDefaultServices
#include "support/TestSupport.h"

using namespace orvane;

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

template <typename T = QMessageBox>
T* visibleDialog(const char* name) {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->objectName() == QLatin1String(name) && widget->isVisible())
            return qobject_cast<T*>(widget);
    }
    return nullptr;
}

// Waits for the dialog `name` and clicks its `button`, or closes it when `button` is empty.
bool respond(const char* name, const QString& button) {
    if (!QTest::qWaitFor([&] { return visibleDialog(name) != nullptr; }))
        return false;
    QMessageBox* box = visibleDialog(name);
    if (button.isEmpty())
        return box->close();
    auto* target = box->findChild<QPushButton*>(button);
    return target ? (target->click(), true) : false;
}

constexpr const char* kPrompt = "orvane.trackingConsentPrompt";

} // namespace

class TstPlatform : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() { test::restoreDefaultServices(); }
    void registeredDefaultsAreNeverPersisted();
    void logLayoutAndCategories();
    void mainQueueKeepsOrderAcrossThreads();
    void observerGoesAwayWithItsContext();
    void serialQueueRunsInOrder();

    void deviceDefaults();
    void advertisingIdentifierPersists();
    void advertisingIdentifierNeedsConsent_data();
    void advertisingIdentifierNeedsConsent();
    void vendorIdentifierDiffersByHost_data();
    void vendorIdentifierDiffersByHost();
    void defaultOpener();
    void consentAsksOnceAndRemembers();
    void pickerLoadsChosenFilesUpToLimit();
};

void TstPlatform::registeredDefaultsAreNeverPersisted() {
    test::TemporarySettings settings;
    UserDefaults& d = UserDefaults::standard();
    QVERIFY(!d.string(QStringLiteral("none")).has_value());
    QCOMPARE(d.integer(QStringLiteral("none")), 0);
    QCOMPARE(d.boolean(QStringLiteral("none")), false);
    QVERIFY(!d.date(QStringLiteral("none")).has_value());

    d.registerDefaults({{QStringLiteral("flag"), true}});
    QVERIFY(d.boolean(QStringLiteral("flag")));
    d.set(QStringLiteral("age"), 30);
    const QDateTime when = QDateTime::fromSecsSinceEpoch(1700000000);
    d.set(QStringLiteral("when"), when);
    d.set(QStringLiteral("empty"), QString());
    d.sync();

    settings.restart(); // a new process: registered defaults are gone, stored values stay
    QVERIFY(!d.boolean(QStringLiteral("flag")));
    QCOMPARE(d.integer(QStringLiteral("age")), 30);
    QCOMPARE(d.date(QStringLiteral("when")), std::optional<QDateTime>(when));
    QCOMPARE(d.string(QStringLiteral("empty")), std::optional<QString>(QString()));

    d.registerDefaults({{QStringLiteral("flag"), true}});
    d.set(QStringLiteral("flag"), false);
    d.sync();
    settings.restart();
    d.registerDefaults({{QStringLiteral("flag"), true}});
    QVERIFY2(!d.boolean(QStringLiteral("flag")), "a stored false wins over the registered true");
}

void TstPlatform::logLayoutAndCategories() {
    test::LogCapture capture;
    Log::setDisplayLog(false); // silent while off
    Log::error("never");
    Log::log("never", {}, Log::Level::network);
    Log::setDisplayLog(true);
    Log::log("D", {}, Log::Level::debug);
    Log::log("A", {}, Log::Level::info);
    Log::log("A", {1, "b"}, Log::Level::network);
    Log::error("ApiJoin apiJoin Error :", std::optional<qint64>(401));
    Log::log("x", {}, Log::Level::custom, QStringLiteral("MINE"));
    Log::setDisplayLog(false);

    const QString app = Log::subsystem();
    QCOMPARE(capture.lines(),
             (QStringList{app + QStringLiteral(".\U0001F7E1 DEBUG|D "),
                          app + QStringLiteral(".\U0001F7E0 INFO|A "),
                          app + QStringLiteral(".\U0001F535 NETWORK|A 1 b"),
                          app + QStringLiteral(".\U0001F534 ERROR|ApiJoin apiJoin Error : "
                                               "Optional(401)"),
                          app + QStringLiteral(".\U0001F7E2 MINE|x ")}));
    // Network records are informational, errors critical, custom records debug.
    QCOMPARE(capture.types(),
             (QList<QtMsgType>{QtDebugMsg, QtInfoMsg, QtInfoMsg, QtCriticalMsg, QtDebugMsg}));
}

void TstPlatform::mainQueueKeepsOrderAcrossThreads() {
    QList<int> order;
    dispatch::toMain([&] { order << 1; });
    onThread([&] {
        dispatch::toMain([&] { order << 2; });
        dispatch::toMain([&] { order << 3; });
    });
    dispatch::toMain([&] { order << 4; });
    QTRY_COMPARE(order, (QList<int>{1, 2, 3, 4}));

    // Work bound to a context is dropped when the context dies first.
    bool ran = false;
    auto* context = new QObject;
    dispatch::toMain(context, [&] { ran = true; });
    delete context;
    QCoreApplication::processEvents();
    QVERIFY(!ran);
}

void TstPlatform::observerGoesAwayWithItsContext() {
    NotificationCenter& center = NotificationCenter::defaultCenter();
    int calls = 0;
    auto* screen = new QObject;
    center.addObserver(kActionListChange, screen, [&] { ++calls; });
    center.post(kActionListChange);
    QCOMPARE(calls, 1);
    delete screen;
    QCOMPARE(center.observerCount(kActionListChange), 0);
    center.post(kActionListChange);
    QCOMPARE(calls, 1);

    QStringList seen;
    QObject a;
    center.addObserver(kActionListChange, &a, [&] { seen << QStringLiteral("list"); });
    center.addObserver(kActionDetailFinish, &a, [&] { seen << QStringLiteral("finish"); });
    center.post(kActionListChange);
    center.post(kActionDetailFinish);
    QCOMPARE(seen, (QStringList{QStringLiteral("list"), QStringLiteral("finish")}));
    center.removeObserver(&a);
    QCOMPARE(center.observerCount(kActionDetailFinish), 0);
}

void TstPlatform::serialQueueRunsInOrder() {
    dispatch::SerialQueue queue(QStringLiteral("test"));
    QMutex mutex;
    QList<int> order;
    for (int i = 0; i < 50; ++i) {
        queue.async([&, i] {
            QMutexLocker lock(&mutex);
            order << i;
        });
    }
    queue.waitForIdle();
    QCOMPARE(order.size(), 50);
    QVERIFY(std::is_sorted(order.begin(), order.end()));
}

void TstPlatform::deviceDefaults() {
    test::TemporarySettings settings;
    DeviceInfo& device = PlatformServices::deviceInfo();
    QVERIFY(dynamic_cast<DesktopDeviceInfo*>(&device));
    QVERIFY(!device.hardwareIdentifier().isEmpty());
    QVERIFY(!device.hardwareIdentifier().contains(QChar(0)));
    QVERIFY(!device.carrierName().has_value());
    QCOMPARE(device.systemVersion(), QSysInfo::productVersion());

    // The vendor identifier is stable and never the raw machine id.
    const std::optional<QUuid> vendor = device.vendorIdentifier();
    QCOMPARE(vendor.has_value(), !QSysInfo::machineUniqueId().isEmpty());
    if (vendor) {
        QCOMPARE(device.vendorIdentifier(), vendor);
        QVERIFY(!vendor->toString().contains(QString::fromLatin1(QSysInfo::machineUniqueId())));
    }
}

void TstPlatform::advertisingIdentifierPersists() {
    test::TemporarySettings settings;
    UserDefaults::standard().set(kTrackingConsentStatusKey, int(TrackingConsent::Authorized));
    DeviceInfo& device = PlatformServices::deviceInfo();

    // Concurrent first use still yields one identifier.
    std::vector<QUuid> seen(8);
    std::vector<std::unique_ptr<QThread>> threads;
    for (size_t i = 0; i < seen.size(); ++i) {
        threads.emplace_back(QThread::create([&, i] { seen[i] = device.advertisingIdentifier(); }));
        threads.back()->start();
    }
    for (auto& thread : threads)
        thread->wait();
    const QUuid first = seen.front();
    QVERIFY(!first.isNull());
    QCOMPARE(std::count(seen.begin(), seen.end(), first), std::ptrdiff_t(seen.size()));

    UserDefaults::standard().sync();
    settings.restart();
    QCOMPARE(device.advertisingIdentifier(), first);

    test::TemporarySettings other; // another installation
    UserDefaults::standard().set(kTrackingConsentStatusKey, int(TrackingConsent::Authorized));
    QVERIFY(device.advertisingIdentifier() != first);
}

void TstPlatform::advertisingIdentifierNeedsConsent_data() {
    QTest::addColumn<QVariant>("remembered"); // invalid: never asked
    QTest::newRow("never asked") << QVariant();
    QTest::newRow("not determined") << QVariant(int(TrackingConsent::NotDetermined));
    QTest::newRow("restricted") << QVariant(int(TrackingConsent::Restricted));
    QTest::newRow("denied") << QVariant(int(TrackingConsent::Denied));
    QTest::newRow("unknown answer") << QVariant(7);
}

// Without the user's consent the advertising identifier is all zeros; the identifier kept for
// an earlier consent comes back once the user allows tracking again.
void TstPlatform::advertisingIdentifierNeedsConsent() {
    QFETCH(QVariant, remembered);
    test::TemporarySettings settings;
    UserDefaults& defaults = UserDefaults::standard();
    DeviceInfo& device = PlatformServices::deviceInfo();
    if (remembered.isValid())
        defaults.set(kTrackingConsentStatusKey, remembered);
    QVERIFY(device.advertisingIdentifier().isNull());
    QVERIFY(!defaults.contains(kAdvertisingIdentifierKey));

    defaults.set(kTrackingConsentStatusKey, int(TrackingConsent::Authorized));
    const QUuid allowed = device.advertisingIdentifier();
    QVERIFY(!allowed.isNull());
    defaults.set(kTrackingConsentStatusKey, int(TrackingConsent::Denied));
    QVERIFY(device.advertisingIdentifier().isNull());
    defaults.set(kTrackingConsentStatusKey, int(TrackingConsent::Authorized));
    QCOMPARE(device.advertisingIdentifier(), allowed);
}

void TstPlatform::vendorIdentifierDiffersByHost_data() {
    // Two hosts on one machine, each as (organisation domain, organisation name, application).
    QTest::addColumn<QStringList>("first");
    QTest::addColumn<QStringList>("second");
    QTest::addColumn<bool>("same");
    const QString none;
    QTest::newRow("other domain") << QStringList{"a.example", "Org", "App"}
                                  << QStringList{"b.example", "Org", "App"} << false;
    QTest::newRow("same domain, other application")
        << QStringList{"a.example", "Org", "App"} << QStringList{"a.example", "Org2", "Other"}
        << true;
    QTest::newRow("no domain, other organisation")
        << QStringList{none, "Org", "App"} << QStringList{none, "Org2", "App"} << false;
    QTest::newRow("application only")
        << QStringList{none, none, "App"} << QStringList{none, none, "Other"} << false;
    QTest::newRow("same host") << QStringList{none, none, "App"} << QStringList{none, none, "App"}
                               << true;
}

void TstPlatform::vendorIdentifierDiffersByHost() {
    QFETCH(QStringList, first);
    QFETCH(QStringList, second);
    QFETCH(bool, same);
    if (QSysInfo::machineUniqueId().isEmpty())
        QSKIP("this machine reports no unique id, so there is no vendor identifier");
    const QStringList saved{QCoreApplication::organizationDomain(),
                            QCoreApplication::organizationName(),
                            QCoreApplication::applicationName()};
    auto identifierAs = [](const QStringList& host) {
        QCoreApplication::setOrganizationDomain(host[0]);
        QCoreApplication::setOrganizationName(host[1]);
        QCoreApplication::setApplicationName(host[2]);
        return PlatformServices::deviceInfo().vendorIdentifier();
    };
    const std::optional<QUuid> a = identifierAs(first);
    const std::optional<QUuid> b = identifierAs(second);
    identifierAs(saved);
    QVERIFY(a && b);
    QCOMPARE(*a == *b, same);
}

// The default opener answers later and on the main thread: no for an invalid address, yes for
// one a handler took (opened from another thread).
void TstPlatform::defaultOpener() {
    QList<bool> answers;
    PlatformServices::urlOpener().open(QUrl(), [&](bool opened) { answers << opened; });
    QVERIFY(answers.isEmpty()); // never inside open()
    QTRY_COMPARE(answers, QList<bool>{false});

    UrlSink sink;
    QDesktopServices::setUrlHandler(QStringLiteral("orvanetest"), &sink, "handle");
    const QUrl address(QStringLiteral("orvanetest://campaign/42"));
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
    QDesktopServices::unsetUrlHandler(QStringLiteral("orvanetest"));
}

void TstPlatform::consentAsksOnceAndRemembers() {
    test::TemporarySettings settings;
    TrackingConsent& consent = PlatformServices::trackingConsent();
    QList<int> answers;
    const auto request = [&] { consent.requestAuthorization([&](int s) { answers << s; }); };

    // Closed without a choice: not determined, and the next request asks again.
    request();
    QVERIFY(respond(kPrompt, QString()));
    QTRY_COMPARE(answers, QList<int>{TrackingConsent::NotDetermined});
    request();
    QVERIFY(respond(kPrompt, QStringLiteral("deny")));
    QTRY_COMPARE(answers.size(), 2);
    QCOMPARE(answers.last(), int(TrackingConsent::Denied));

    test::TemporarySettings fresh;
    answers.clear();
    request();
    request();
    QTRY_VERIFY(visibleDialog(kPrompt));
    int prompts = 0;
    for (QWidget* widget : QApplication::topLevelWidgets())
        prompts += widget->objectName() == QLatin1String(kPrompt) && widget->isVisible();
    QCOMPARE(prompts, 1); // both requests wait for the one dialog
    QVERIFY(answers.isEmpty());
    QVERIFY(respond(kPrompt, QStringLiteral("allow")));
    QTRY_COMPARE(answers, (QList<int>{TrackingConsent::Authorized, TrackingConsent::Authorized}));

    // After a restart the remembered answer comes back without a dialog.
    UserDefaults::standard().sync();
    fresh.restart();
    request();
    QTRY_COMPARE(answers.size(), 3);
    QCOMPARE(answers.last(), int(TrackingConsent::Authorized));
    QVERIFY(!visibleDialog(kPrompt));

    // The settings page changes the remembered answer.
    consent.openAppPrivacySettings();
    QVERIFY(respond("orvane.trackingConsentSettings", QStringLiteral("deny")));
    request();
    QTRY_COMPARE(answers.size(), 4);
    QCOMPARE(answers.last(), int(TrackingConsent::Denied));
}

void TstPlatform::pickerLoadsChosenFilesUpToLimit() {
    QTemporaryDir dir;
    QImage red(4, 3, QImage::Format_RGB32);
    red.fill(Qt::red);
    for (const char* name : {"a.png", "c.png", "d.png"})
        QVERIFY(red.save(dir.filePath(QString::fromLatin1(name))));
    QFile broken(dir.filePath(QStringLiteral("b.png")));
    QVERIFY(broken.open(QIODevice::WriteOnly) && broken.write("not an image") > 0);
    broken.close();

    std::optional<QList<QImage>> picked;
    const auto pick = [&](ImagePicker::Source source) {
        picked.reset();
        PlatformServices::imagePicker().pick(nullptr, source, 3,
                                             [&](const QList<QImage>& images) { picked = images; });
    };
    pick(ImagePicker::Source::Library);
    QFileDialog* dialog = nullptr;
    QTRY_VERIFY((dialog = visibleDialog<QFileDialog>("orvane.imagePicker")));
    dialog->setDirectory(dir.path());
    auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    QVERIFY(name);
    name->setText(QStringLiteral("\"a.png\" \"b.png\" \"c.png\" \"d.png\""));
    QMetaObject::invokeMethod(dialog, "accept");
    QTRY_VERIFY(picked.has_value());
    // Four chosen, three allowed, the broken one skipped.
    QCOMPARE(picked->size(), 2);
    QCOMPARE(picked->first().size(), QSize(4, 3));

    // No camera on a desktop: an empty answer, later.
    pick(ImagePicker::Source::Camera);
    QVERIFY(!picked.has_value());
    QTRY_VERIFY(picked.has_value());
    QVERIFY(picked->isEmpty());
}

QTEST_MAIN(TstPlatform)
#include "tst_platform.moc"
