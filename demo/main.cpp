// orvane-demo: a host application that embeds the offerwall kit through its public API only.
//
//   orvane-demo --server http://127.0.0.1:PORT [--wallet http://127.0.0.1:PORT2] [--user ID]
//               [--scale N] [--verbose]
//
// --server is an orvane-sandbox (./scripts/demo starts one and passes its address), so the demo
// never talks to any other server; --wallet is the host's own reward server (examples/
// reward-server, which ./scripts/demo starts too), whose balance the wallet shows. Landing pages
// are visited in-process and app campaigns "open" their app (see DemoOpener), so every kind of
// campaign can be completed on a desktop.

#include <cstdio>

#include <orvane/Orvane.h>
#include <orvane/OrvaneSDK.h>
#include <orvane/PlatformServices.h>

#include <QApplication>
#include <QCommandLineParser>
#include <QSettings>
#include <QTemporaryDir>
#include <QUrl>

#include "DemoHost.h"
#include "DemoOpener.h"
#include "ScaleArgument.h"

namespace {

int fail(const char* message) {
    std::fprintf(stderr, "orvane-demo: %s\n", message);
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    if (!applyScaleArgument(argc, argv, "orvane-demo"))
        return 1;

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("orvane-demo"));
    QApplication::setOrganizationName(QStringLiteral("Orvane"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Sample host of the Orvane offerwall kit."));
    parser.addHelpOption();
    const QCommandLineOption server(QStringLiteral("server"),
                                    QStringLiteral("Address of the orvane-sandbox to use."),
                                    QStringLiteral("url"));
    const QCommandLineOption user(QStringLiteral("user"), QStringLiteral("The demo user's id."),
                                  QStringLiteral("id"), QStringLiteral("demo-user"));
    const QCommandLineOption verbose(QStringLiteral("verbose"),
                                     QStringLiteral("Turn the kit's log on."));
    const QCommandLineOption wallet(
        QStringLiteral("wallet"),
        QStringLiteral("Address of the host's reward server that keeps the balance."),
        QStringLiteral("url"));
    parser.addOptions({server, wallet, user, scaleOption(), verbose});
    parser.process(app);

    const QUrl base(parser.value(server));
    if (!base.isValid() || base.scheme() != QLatin1String("http") || base.host().isEmpty())
        return fail("--server needs the sandbox's address, e.g. http://127.0.0.1:PORT "
                    "(./scripts/demo starts one)");

    // The kit keeps its settings in the host's own settings; the demo keeps them in a temporary
    // folder, so every run starts from the kit's defaults.
    QTemporaryDir settings;
    if (!settings.isValid())
        return fail("no temporary folder");
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());

    // What every host does at start-up: point the kit at its servers, initialise it, and replace
    // the platform services it wants to handle itself.
    const QString root = base.toString(QUrl::StripTrailingSlash);
    orvane::OrvaneSDK& sdk = orvane::OrvaneSDK::shared();
    sdk.setHostUrl(root + QStringLiteral("/v1"));
    sdk.setHostPartnerUrl(root + QStringLiteral("/api"));
    sdk.setNoticeUrlOverride(root + QStringLiteral("/orvane/sdk/notice_contents.json"));
    orvane::Orvane& kit = orvane::Orvane::shared();
    kit.initialize(QStringLiteral("demo-mkey"), QStringLiteral("demo-mckey"), parser.value(user));
    kit.setDebugEnabled(parser.isSet(verbose));
    kit.setCopyRightVisibility(true);
    kit.setBenefitsType(orvane::Orvane::BenefitsDisplay::Popup);
    orvane::PlatformServices::setUrlOpener(std::make_unique<demo::DemoOpener>(base));

    demo::DemoHost host;
    if (parser.isSet(wallet))
        host.setWalletServer(QUrl(parser.value(wallet)), parser.value(user));
    host.resize(390, 844);
    host.show();
    host.openOfferwall();
    return QApplication::exec();
}
