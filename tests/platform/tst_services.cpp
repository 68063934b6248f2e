#include "tst_services.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QImage>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include "core/Device.h"
#include "core/Dispatch.h"
#include "core/UserDefaults.h"
#include "orvane/PlatformServices.h"
#include "support/Fakes.h"
#include "support/TestSupport.h"

using namespace orvane;

namespace {

template <typename T>
T* visibleDialog(const QString& name) {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->objectName() == name && widget->isVisible()) {
            return qobject_cast<T*>(widget);
        }
    }
    return nullptr;
}

void click(QMessageBox* box, const QString& button) {
    auto* target = box->findChild<QPushButton*>(button);
    QVERIFY(target);
    target->click();
}

} // namespace

// Receives addresses of the test scheme through QDesktopServices::setUrlHandler, so the default
// opener is exercised for real without starting a browser.
void UrlSink::handle(const QUrl& url) {
    received << url;
}

void TestServices::init() {
    test::restoreDefaultServices();
}

void TestServices::deviceDefaults() {
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

void TestServices::advertisingIdentifierPersists() {
    test::TemporarySettings settings;
    UserDefaults::standard().set(kTrackingConsentStatusKey, int(TrackingConsent::Authorized));
    DeviceInfo& device = PlatformServices::deviceInfo();

    // Concurrent first use still yields one identifier.
    std::vector<QUuid> seen(8);
    QList<QThread*> threads;
    for (size_t i = 0; i < seen.size(); ++i) {
        threads << QThread::create([&, i] { seen[i] = device.advertisingIdentifier(); });
        threads.last()->start();
    }
    for (QThread* thread : threads) {
        thread->wait();
        delete thread;
    }
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

void TestServices::advertisingIdentifierNeedsConsent_data() {
    QTest::addColumn<QVariant>("remembered"); // invalid: never asked
    QTest::newRow("never asked") << QVariant();
    QTest::newRow("not determined") << QVariant(int(TrackingConsent::NotDetermined));
    QTest::newRow("restricted") << QVariant(int(TrackingConsent::Restricted));
    QTest::newRow("denied") << QVariant(int(TrackingConsent::Denied));
    QTest::newRow("unknown answer") << QVariant(7);
}

// Without the user's consent the advertising identifier is all zeros; the identifier kept for
// an earlier consent comes back once the user allows tracking again.
void TestServices::advertisingIdentifierNeedsConsent() {
    QFETCH(QVariant, remembered);
    test::TemporarySettings settings;
    UserDefaults& defaults = UserDefaults::standard();
    DeviceInfo& device = PlatformServices::deviceInfo();
    if (remembered.isValid()) {
        defaults.set(kTrackingConsentStatusKey, remembered);
    }
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

void TestServices::vendorIdentifierDiffersByHost_data() {
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

void TestServices::vendorIdentifierDiffersByHost() {
    QFETCH(QStringList, first);
    QFETCH(QStringList, second);
    QFETCH(bool, same);
    if (QSysInfo::machineUniqueId().isEmpty()) {
        QSKIP("this machine reports no unique id, so there is no vendor identifier");
    }
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

void TestServices::defaultOpenerRefusesInvalidAddresses() {
    int calls = 0;
    bool answer = true;
    PlatformServices::urlOpener().open(QUrl(), [&](bool opened) {
        ++calls;
        answer = opened;
    });
    QCOMPARE(calls, 0); // never inside open()
    QTRY_COMPARE(calls, 1);
    QVERIFY(!answer);
}

void TestServices::defaultOpenerAnswersOnMainThread() {
    UrlSink sink;
    QDesktopServices::setUrlHandler(QStringLiteral("orvanetest"), &sink, "handle");
    const QUrl address(QStringLiteral("orvanetest://campaign/42"));
    bool onMain = false;
    int calls = 0;
    QThread* worker = QThread::create([&] {
        PlatformServices::urlOpener().open(address, [&](bool opened) {
            onMain = dispatch::isMainThread();
            calls += opened ? 1 : 100;
        });
    });
    worker->start();
    worker->wait();
    delete worker;
    QTRY_COMPARE(calls, 1);
    QVERIFY(onMain);
    QCOMPARE(sink.received, QList<QUrl>{address});
    QDesktopServices::unsetUrlHandler(QStringLiteral("orvanetest"));
}

void TestServices::consentAsksOnceAndRemembers() {
    test::TemporarySettings settings;
    TrackingConsent& consent = PlatformServices::trackingConsent();
    QList<int> answers;
    consent.requestAuthorization([&](int status) { answers << status; });
    consent.requestAuthorization([&](int status) { answers << status; });

    QMessageBox* prompt = nullptr;
    QTRY_VERIFY(
        (prompt = visibleDialog<QMessageBox>(QStringLiteral("orvane.trackingConsentPrompt"))));
    int prompts = 0;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        prompts += widget->objectName() == QLatin1String("orvane.trackingConsentPrompt") &&
                   widget->isVisible();
    }
    QCOMPARE(prompts, 1); // both requests wait for the one dialog
    QVERIFY(answers.isEmpty());
    click(prompt, QStringLiteral("allow"));
    QTRY_COMPARE(answers, (QList<int>{TrackingConsent::Authorized, TrackingConsent::Authorized}));

    // After a restart the remembered answer comes back without a dialog.
    UserDefaults::standard().sync();
    settings.restart();
    consent.requestAuthorization([&](int status) { answers << status; });
    QTRY_COMPARE(answers.size(), 3);
    QCOMPARE(answers.last(), int(TrackingConsent::Authorized));
    QVERIFY(!visibleDialog<QMessageBox>(QStringLiteral("orvane.trackingConsentPrompt")));

    // The settings page changes the remembered answer.
    consent.openAppPrivacySettings();
    QMessageBox* page = nullptr;
    QTRY_VERIFY(
        (page = visibleDialog<QMessageBox>(QStringLiteral("orvane.trackingConsentSettings"))));
    click(page, QStringLiteral("deny"));
    consent.requestAuthorization([&](int status) { answers << status; });
    QTRY_COMPARE(answers.size(), 4);
    QCOMPARE(answers.last(), int(TrackingConsent::Denied));
}

void TestServices::consentClosedWithoutChoiceAsksAgain() {
    test::TemporarySettings settings;
    TrackingConsent& consent = PlatformServices::trackingConsent();
    QList<int> answers;
    consent.requestAuthorization([&](int status) { answers << status; });
    QMessageBox* prompt = nullptr;
    QTRY_VERIFY(
        (prompt = visibleDialog<QMessageBox>(QStringLiteral("orvane.trackingConsentPrompt"))));
    prompt->close();
    QTRY_COMPARE(answers, QList<int>{TrackingConsent::NotDetermined});

    consent.requestAuthorization([&](int status) { answers << status; });
    QTRY_VERIFY(
        (prompt = visibleDialog<QMessageBox>(QStringLiteral("orvane.trackingConsentPrompt"))));
    click(prompt, QStringLiteral("deny"));
    QTRY_COMPARE(answers, (QList<int>{TrackingConsent::NotDetermined, TrackingConsent::Denied}));
}

void TestServices::pickerLoadsChosenFilesUpToLimit() {
    QTemporaryDir dir;
    QImage red(4, 3, QImage::Format_RGB32);
    red.fill(Qt::red);
    QVERIFY(red.save(dir.filePath(QStringLiteral("a.png"))));
    QFile broken(dir.filePath(QStringLiteral("b.png")));
    QVERIFY(broken.open(QIODevice::WriteOnly));
    broken.write("not an image");
    broken.close();
    QVERIFY(red.save(dir.filePath(QStringLiteral("c.png"))));
    QVERIFY(red.save(dir.filePath(QStringLiteral("d.png"))));

    std::optional<QList<QImage>> picked;
    PlatformServices::imagePicker().pick(nullptr, ImagePicker::Source::Library, 3,
                                         [&](const QList<QImage>& images) { picked = images; });
    QFileDialog* dialog = nullptr;
    QTRY_VERIFY((dialog = visibleDialog<QFileDialog>(QStringLiteral("orvane.imagePicker"))));
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
    picked.reset();
    PlatformServices::imagePicker().pick(nullptr, ImagePicker::Source::Camera, 3,
                                         [&](const QList<QImage>& images) { picked = images; });
    QVERIFY(!picked.has_value());
    QTRY_VERIFY(picked.has_value());
    QVERIFY(picked->isEmpty());
}

void TestServices::fakesReplaceAndRestore() {
    test::FakeUrlOpener& opener = test::FakeUrlOpener::install();
    QCOMPARE(&PlatformServices::urlOpener(), static_cast<UrlOpener*>(&opener));
    opener.result = false;
    QList<QUrl> visited;
    opener.onOpen = [&](const QUrl& url) { visited << url; };
    std::optional<bool> answer;
    PlatformServices::urlOpener().open(QUrl(QStringLiteral("https://example.invalid/x")),
                                       [&](bool opened) { answer = opened; });
    QCOMPARE(visited.size(), 1);
    QTRY_COMPARE(answer, std::optional<bool>(false));

    test::FakeDeviceInfo& device = test::FakeDeviceInfo::install();
    device.setCarrierName(std::nullopt);
    QVERIFY(!PlatformServices::deviceInfo().carrierName().has_value());

    test::restoreDefaultServices();
    QVERIFY(dynamic_cast<DesktopDeviceInfo*>(&PlatformServices::deviceInfo()));
    QCOMPARE(opener.opened.size(), 1); // a replaced service stays valid
}
