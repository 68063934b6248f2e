// orvane-tour: renders the kit's screens offscreen, one PNG each, for the README and for looking
// at a change. It starts orvane-sandbox in-process with a few past rewards, walks the Qt Quick
// offerwall (see QuickTour), then opens the sample host of demo/ and walks the Widgets offerwall as
// a user would (see ScreenshotTour).
//
//   orvane-tour DIR [--scale N]     writes DIR/quick-02-offerwall.png ... DIR/quick-08-*.png and
//                                   DIR/01-benefits-popup.png ... DIR/13-carousel.png

#include <cstdio>

#include <QApplication>
#include <QCommandLineParser>
#include <QDate>
#include <QTemporaryDir>

#include "DemoHost.h"
#include "RewardServer.h"
#include "ScaleArgument.h"
#include "ScreenshotTour.h"
#ifdef ORVANE_TOUR_QUICK
#include <QQuickWindow>

#include "QuickTour.h"
#endif
#include "core/UserDefaults.h"
#include "orvane/Orvane.h"
#include "orvane/OrvaneSDK.h"
#include "sandbox/SandboxServer.h"

using namespace orvane;

namespace {

// A few rewards the user already received, so the history has something to show.
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
                                s.bm, QString()});
    }
}

// The offscreen platform warns whenever a window's size limits change; that means nothing here.
QtMessageHandler defaultHandler = nullptr;
void dropSizeHintWarnings(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (!text.startsWith(QLatin1String("This plugin does not support propagateSizeHints")))
        defaultHandler(type, context, text);
}

} // namespace

int main(int argc, char** argv) {
    // No display needed: render offscreen unless a platform was chosen explicitly.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (!applyScaleArgument(argc, argv, "orvane-tour"))
        return 1;

    defaultHandler = qInstallMessageHandler(dropSizeHintWarnings);
#ifdef ORVANE_TOUR_QUICK
    // The pictures come from Qt Quick's software renderer, with the plain Controls style, as in
    // the QML tests: the same on every machine, display or not.
    QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
    if (qEnvironmentVariableIsEmpty("QT_QUICK_CONTROLS_STYLE"))
        qputenv("QT_QUICK_CONTROLS_STYLE", "Basic");
#endif
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("orvane-tour"));
    QApplication::setOrganizationName(QStringLiteral("Orvane"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Renders the offerwall's screens to PNG."));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("dir"), QStringLiteral("Folder for the PNGs."));
    parser.addOption(scaleOption());
    parser.process(app);
    if (parser.positionalArguments().size() != 1)
        parser.showHelp(1);

    // A private settings store: every run starts from the kit's defaults.
    QTemporaryDir state;
    if (!state.isValid()) {
        std::fprintf(stderr, "orvane-tour: no temporary folder\n");
        return 1;
    }
    UserDefaults::useStoreFile(state.filePath(QStringLiteral("settings.ini")));

    // The host's reward server, paid by the sandbox; the host's wallet shows its balance.
    rewardserver::RewardServer::Options walletOptions;
    walletOptions.secret = QByteArrayLiteral("tour-secret");
    walletOptions.databasePath = state.filePath(QStringLiteral("ledger.sqlite"));
    rewardserver::RewardServer wallet(walletOptions);
    if (!wallet.listen(0)) {
        std::fprintf(stderr, "orvane-tour: reward server: %s\n", qPrintable(wallet.errorString()));
        return 1;
    }

    sandbox::Options options;
    options.dataDir = state.filePath(QStringLiteral("sandbox"));
    options.postbackUrl = wallet.postbackUrl();
    options.postbackSecret = QString::fromLatin1(walletOptions.secret);
    sandbox::SandboxServer server(options);
    if (!server.listen(0)) {
        std::fprintf(stderr, "orvane-tour: sandbox: %s\n", qPrintable(server.errorString()));
        return 1;
    }
    const QString userId = QStringLiteral("demo-user");
    seedHistory(server, userId);

    OrvaneSDK::shared().setHostUrl(server.campaignBase());
    OrvaneSDK::shared().setHostPartnerUrl(server.partnerBase());
    OrvaneSDK::shared().setNoticeUrlOverride(server.noticeUrl());
    Orvane& kit = Orvane::shared();
    kit.initialize(sandbox::kDemoMkey, sandbox::kDemoMckey, userId);
    kit.setCopyRightVisibility(true);

    demo::DemoHost host;
    host.setWalletServer(QUrl(wallet.baseUrl()), userId);
    host.resize(390, 844);
    host.show();

    const QString directory = parser.positionalArguments().constFirst();
    tour::ScreenshotTour tour(&host, directory);
    QStringList written;
    int status = 1;
    QObject::connect(&tour, &tour::ScreenshotTour::finished, &app, [&](bool ok) {
        written += tour.written();
        for (const QString& path : written)
            std::printf("orvane-tour: wrote %s\n", qPrintable(path));
        std::fflush(stdout);
        status = ok ? 0 : 1;
        QApplication::exit(status);
    });
#ifdef ORVANE_TOUR_QUICK
    tour::QuickTour quickTour(directory);
    QObject::connect(&quickTour, &tour::QuickTour::finished, &app, [&](bool ok) {
        written = quickTour.written();
        if (ok)
            tour.start();
        else
            QApplication::exit(1);
    });
    quickTour.start();
#else
    tour.start();
#endif
    QApplication::exec();
    return status;
}
