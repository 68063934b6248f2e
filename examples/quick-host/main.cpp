// A Qt Quick host application that embeds the offerwall through the kit's QML module.
//   orvane-quick-host-example [--server URL] [--wallet URL] [--user ID] [--mkey K] [--mckey K]
//                             [--verbose]
//   orvane-quick-host-example ... --check   completes a campaign on its own and exits (0 when
//                                           every step did what it should); used by the kit's
//                                           packaging tests
// Every option can come from the environment instead: ORVANE_SERVER, ORVANE_WALLET, ORVANE_USER,
// ORVANE_MKEY, ORVANE_MCKEY. --server is the campaign server's base address (./scripts/demo --quick
// starts a local orvane-sandbox); without it the kit uses its built-in addresses. --wallet is the
// host's own reward server, whose balance the window shows.
#include <memory>

#include <orvane/Orvane.h>
#include <orvane/OrvaneSDK.h>
#include <orvane/PlatformServices.h>

#include <QCommandLineParser>
#include <QGuiApplication>
#include <QQmlApplicationEngine>
#include <QUrl>

#include "HostServices.h"
#include "SelfCheck.h"

namespace {

// An option's value: the command line's, else the environment's, else `fallback`.
QString setting(const QCommandLineParser& parser, const QCommandLineOption& option,
                const char* variable, const QString& fallback = QString()) {
    if (parser.isSet(option))
        return parser.value(option);
    const QString value = qEnvironmentVariable(variable);
    return value.isEmpty() ? fallback : value;
}

} // namespace

int main(int argc, char* argv[]) {
    QGuiApplication app(argc, argv);
    QGuiApplication::setApplicationName(QStringLiteral("orvane-quick-host"));
    QGuiApplication::setApplicationDisplayName(QStringLiteral("Quick host"));
    QGuiApplication::setOrganizationName(QStringLiteral("Orvane"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("A Qt Quick host of the Orvane offerwall."));
    parser.addHelpOption();
    const QCommandLineOption server(QStringLiteral("server"),
                                    QStringLiteral("Base address of the campaign server."),
                                    QStringLiteral("url"));
    const QCommandLineOption wallet(QStringLiteral("wallet"),
                                    QStringLiteral("Address of the host's reward server."),
                                    QStringLiteral("url"));
    const QCommandLineOption user(QStringLiteral("user"), QStringLiteral("The user's id."),
                                  QStringLiteral("id"));
    const QCommandLineOption mkey(QStringLiteral("mkey"), QStringLiteral("The host's key."),
                                  QStringLiteral("key"));
    const QCommandLineOption mckey(QStringLiteral("mckey"),
                                   QStringLiteral("The host's second key."), QStringLiteral("key"));
    const QCommandLineOption verbose(QStringLiteral("verbose"),
                                     QStringLiteral("Turn the kit's log on."));
    const QCommandLineOption check(QStringLiteral("check"),
                                   QStringLiteral("Complete a campaign unattended, then exit."));
    parser.addOptions({server, wallet, user, mkey, mckey, verbose, check});
    parser.process(app);

    // Point the kit at the campaign server and tell it who the user is.
    const QUrl base(setting(parser, server, "ORVANE_SERVER"));
    if (!base.isEmpty()) {
        const QString root = base.toString(QUrl::StripTrailingSlash);
        orvane::OrvaneSDK& sdk = orvane::OrvaneSDK::shared();
        sdk.setHostUrl(root + QStringLiteral("/v1"));
        sdk.setHostPartnerUrl(root + QStringLiteral("/api"));
        sdk.setNoticeUrlOverride(root + QStringLiteral("/orvane/sdk/notice_contents.json"));
    }
    const QString userId = setting(parser, user, "ORVANE_USER", QStringLiteral("quick-user"));
    orvane::Orvane& kit = orvane::Orvane::shared();
    kit.initialize(setting(parser, mkey, "ORVANE_MKEY", QStringLiteral("demo-mkey")),
                   setting(parser, mckey, "ORVANE_MCKEY", QStringLiteral("demo-mckey")), userId);
    kit.setDebugEnabled(parser.isSet(verbose));
    kit.setListType(orvane::Orvane::ListType::Icon);
    kit.setBenefitsType(orvane::Orvane::BenefitsDisplay::ListTop);

    // The host answers for what the kit cannot do on its own here: open pages and ask for
    // tracking consent (in the host's own QML).
    orvane::PlatformServices::setUrlOpener(std::make_unique<quickhost::PageOpener>(base));
    auto* consent = new quickhost::ConsentPrompt(&app);
    orvane::PlatformServices::setTrackingConsent(
        std::make_unique<quickhost::PromptConsent>(consent));

    QQmlApplicationEngine engine;
    // The kit's module and this one are compiled in under qrc:/qt/qml, where Qt 6.4 does not look
    // by itself (6.5 does).
    engine.addImportPath(QStringLiteral("qrc:/qt/qml"));
    engine.setInitialProperties({
        {QStringLiteral("consent"), QVariant::fromValue(consent)},
        {QStringLiteral("walletUrl"), QUrl(setting(parser, wallet, "ORVANE_WALLET"))},
        {QStringLiteral("userId"), userId},
    });
    engine.load(QUrl(QStringLiteral("qrc:/qt/qml/QuickHost/Main.qml")));
    if (engine.rootObjects().isEmpty())
        return 1;

    std::unique_ptr<quickhost::SelfCheck> selfCheck;
    if (parser.isSet(check))
        selfCheck = std::make_unique<quickhost::SelfCheck>(engine.rootObjects().constFirst());
    return QGuiApplication::exec();
}
