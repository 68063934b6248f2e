// orvane-demo: a host application that embeds the offerwall kit.
//
//   orvane-demo                     the host window (390 x 844) with the offerwall presented
//   orvane-demo --screenshot DIR    offscreen: walks the screens, writes one PNG each, exits
//   orvane-demo --scale 2           draws at device pixel ratio 2 (also with --screenshot)
//
// The campaign, partner and notice servers are an in-process orvane-sandbox on a free loopback
// port; the kit is pointed at it, so the demo never talks to any other address. Landing pages are
// visited in-process and app campaigns "open" their app, so every kind of campaign can be
// completed on a desktop.

#include <cstdio>

#include <QApplication>
#include <QCommandLineParser>
#include <QDate>
#include <QTemporaryDir>

#include "DemoHost.h"
#include "DemoOpener.h"
#include "ScreenshotTour.h"
#include "core/UserDefaults.h"
#include "orvane/Orvane.h"
#include "orvane/OrvaneSDK.h"
#include "orvane/PlatformServices.h"
#include "sandbox/SandboxServer.h"
#include "ui/Theme.h"

using namespace orvane;

namespace {

// A few rewards the demo user already received, so the history has something to show.
void seedHistory(sandbox::SandboxServer& server, const QString& userId) {
    const QDate today = QDate::currentDate();
    const struct {
        qint64 campid;
        const char* name;
        double price;
        int daysAgo;
        int bm;
    } seeds[] = {
        {107, "Nimbus Weather: follow us", 30, 1, 2},
        {403, "Lumen desk lamp", 3900, 3, 4},
        {105, "Harbor Lights: watch the trailer", 50, 5, 3},
        {101, "Starfall Legends", 1200, 12, 1},
        {402, "Maple & Oat granola, 6 pack", 990, 26, 4},
        {110, "Sunny Travel survey", 300, 40, 2},
    };
    for (const auto& s : seeds) {
        server.addRewardRecord({sandbox::kDemoMkey, userId, s.campid, QString::fromUtf8(s.name),
                                s.price, QStringLiteral("P"),
                                today.addDays(-s.daysAgo).toString(QStringLiteral("yyyyMMdd")),
                                s.bm});
    }
}

bool wantsScreenshots(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (qstrcmp(argv[i], "--screenshot") == 0 || qstrncmp(argv[i], "--screenshot=", 13) == 0)
            return true;
    }
    return false;
}

// The value of "--scale N" or "--scale=N", read before the application exists because the device
// pixel ratio is fixed when the screens are set up.
QByteArray scaleArgument(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (qstrcmp(argv[i], "--scale") == 0 && i + 1 < argc)
            return argv[i + 1];
        if (qstrncmp(argv[i], "--scale=", 8) == 0)
            return argv[i] + 8;
    }
    return {};
}

} // namespace

int main(int argc, char** argv) {
    // Screenshots need no display: render offscreen unless a platform was chosen explicitly.
    if (wantsScreenshots(argc, argv) && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (const QByteArray scale = scaleArgument(argc, argv); !scale.isEmpty()) {
        bool ok = false;
        const double ratio = scale.toDouble(&ok);
        if (!ok || ratio < 1 || ratio > 4) {
            std::fprintf(stderr, "orvane-demo: --scale takes a ratio from 1 to 4\n");
            return 1;
        }
        qputenv("QT_SCALE_FACTOR", scale);
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("orvane-demo"));
    QApplication::setOrganizationName(QStringLiteral("Orvane"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Sample host of the Orvane offerwall kit."));
    parser.addHelpOption();
    QCommandLineOption screenshot(QStringLiteral("screenshot"),
                                  QStringLiteral("Write one PNG per screen into <dir> and exit."),
                                  QStringLiteral("dir"));
    QCommandLineOption verbose(QStringLiteral("verbose"), QStringLiteral("Turn the kit's log on."));
    QCommandLineOption userOption(QStringLiteral("user"), QStringLiteral("The demo user's id."),
                                  QStringLiteral("id"), QStringLiteral("demo-user"));
    QCommandLineOption scaleOption(QStringLiteral("scale"),
                                   QStringLiteral("Device pixel ratio to draw at (1 to 4)."),
                                   QStringLiteral("ratio"), QStringLiteral("1"));
    parser.addOptions({screenshot, verbose, userOption, scaleOption});
    parser.process(app);

    // A private settings store: every run starts from the kit's defaults.
    QTemporaryDir state;
    if (!state.isValid()) {
        std::fprintf(stderr, "orvane-demo: no temporary folder\n");
        return 1;
    }
    UserDefaults::useStoreFile(state.filePath(QStringLiteral("settings.ini")));

    sandbox::Options options;
    options.dataDir = state.filePath(QStringLiteral("sandbox"));
    options.completionDelayMs = 1500;
    sandbox::SandboxServer server(options);
    if (!server.listen(0)) {
        std::fprintf(stderr, "orvane-demo: sandbox: %s\n", qPrintable(server.errorString()));
        return 1;
    }
    const QString userId = parser.value(userOption);
    seedHistory(server, userId);
    std::printf("orvane-demo: sandbox listening on %s\n", qPrintable(server.baseUrl()));
    std::fflush(stdout);

    // The host's two moves: point the kit at its servers and initialise it, then present.
    OrvaneSDK::shared().setHostUrl(server.campaignBase());
    OrvaneSDK::shared().setHostPartnerUrl(server.partnerBase());
    OrvaneSDK::shared().setNoticeUrlOverride(server.noticeUrl());
    Orvane& orvane = Orvane::shared();
    orvane.initialize(sandbox::kDemoMkey, sandbox::kDemoMckey, userId);
    orvane.setDebugEnabled(parser.isSet(verbose));
    orvane.setCopyRightVisibility(true);

    // Landing pages and apps "open" the way they would on a phone (see DemoOpener).
    PlatformServices::setUrlOpener(std::make_unique<demo::DemoOpener>(QUrl(server.baseUrl())));

    demo::DemoHost host;
    host.resize(ui::kPhoneSize);
    host.show();

    if (!parser.isSet(screenshot)) {
        host.openOfferwall();
        return QApplication::exec();
    }

    demo::ScreenshotTour tour(&host, parser.value(screenshot));
    int status = 1;
    QObject::connect(&tour, &demo::ScreenshotTour::finished, &app, [&](bool ok) {
        for (const QString& path : tour.written())
            std::printf("orvane-demo: wrote %s\n", qPrintable(path));
        std::fflush(stdout);
        status = ok ? 0 : 1;
        QApplication::exit(status);
    });
    tour.start();
    QApplication::exec();
    return status;
}
