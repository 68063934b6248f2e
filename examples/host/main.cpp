// A host application that embeds the offerwall through the public API only.
//   orvane-host-example          a window with a button that presents the offerwall
//   orvane-host-example --check  runs the host's side of the API once and exits (0 when every
//                                step did what it should); used by the kit's packaging tests
#include <cstdio>

#include <orvane/Orvane.h>
#include <orvane/OrvaneSDK.h>
#include <orvane/PlatformServices.h>
#include <orvane/version.h>

#include <QApplication>
#include <QKeyEvent>
#include <QMetaEnum>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>

namespace {

using orvane::Orvane;

// The host opens addresses itself (here: it only reports them), as a host with its own browser
// would.
class HostUrlOpener final : public orvane::UrlOpener {
public:
    void open(const QUrl& url, std::function<void(bool opened)> completion) override {
        std::printf("host: asked to open %s\n", qPrintable(url.toString()));
        completion(false);
    }
};

qsizetype visibleWindows() {
    qsizetype n = 0;
    for (QWidget* w : QApplication::topLevelWidgets())
        n += w->isVisible() ? 1 : 0;
    return n;
}

// What the check run saw of the kit's signals.
struct Heard {
    int closed = 0;
    int failed = 0;
    Orvane::Failure failure = Orvane::Failure::NoCampaigns;
    int available = -1;
    int closeRequests = 0;
};

bool expect(bool ok, const char* what) {
    std::printf("host: %s: %s\n", what, ok ? "ok" : "FAILED");
    return ok;
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    const bool check = app.arguments().contains(QStringLiteral("--check"));

    orvane::PlatformServices::setUrlOpener(std::make_unique<HostUrlOpener>());
    // A host points the kit at its own servers; the check run uses a loopback port where nothing
    // listens, so the list request fails at once.
    orvane::OrvaneSDK::shared().setHostUrl(QStringLiteral("http://127.0.0.1:9"));
    orvane::OrvaneSDK::shared().setHostPartnerUrl(QStringLiteral("http://127.0.0.1:9"));

    Orvane& kit = Orvane::shared();
    kit.initialize(QStringLiteral("host-mkey"), QStringLiteral("host-mckey"),
                   QStringLiteral("host-user"));
    kit.setMainTitle(QStringLiteral("Rewards"));
    kit.setListType(Orvane::ListType::Icon);
    kit.setGender(Orvane::Gender::Woman);
    kit.setBenefitsType(Orvane::BenefitsDisplay::ListTop);
    kit.setOrvaneColorPrimary(QColor(0x2f, 0x6f, 0xeb));
    // The host's own word for the first tab, in English.
    kit.setStrings(QLocale(QLocale::English),
                   {{QStringLiteral("ov_tab_campaigns"), QStringLiteral("Earn coins")}});

    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* open = new QPushButton(QStringLiteral("Earn rewards"), &window);
    layout->addWidget(open);
    QWidget* carousel = kit.orvaneCarouselView(&window);
    layout->addWidget(carousel);
    QObject::connect(open, &QPushButton::clicked, &window,
                     [&window] { Orvane::shared().presentOrvane(&window); });

    // The host hears what happens: nothing to show greys out its button; a wall it embedded asks
    // to be closed.
    Heard heard;
    QObject::connect(&kit, &Orvane::offerwallClosed, &window, [&heard] { ++heard.closed; });
    QObject::connect(&kit, &Orvane::offerwallFailed, &window, [&heard](Orvane::Failure reason) {
        ++heard.failed;
        heard.failure = reason;
        std::printf("host: offerwall failed: %s\n",
                    QMetaEnum::fromType<Orvane::Failure>().valueToKey(int(reason)));
    });
    QObject::connect(&kit, &Orvane::campaignsAvailable, open, [&heard, open](int count) {
        heard.available = count;
        open->setEnabled(count > 0);
    });
    QObject::connect(&kit, &Orvane::closeRequested, &window, [&heard] { ++heard.closeRequests; });

    // A reward the kit saw confirmed: thank the user and ask the host's own server for the new
    // balance; that server is credited by the campaign server's signed call (docs/rewards.md).
    QObject::connect(&kit, &orvane::Orvane::rewardConfirmed, &window,
                     [](const orvane::Reward& reward) {
                         std::printf("host: %g %s earned from %s (transaction %s)\n",
                                     reward.amount(), qPrintable(reward.mark()),
                                     qPrintable(reward.name()), qPrintable(reward.transactionId()));
                     });
    window.resize(390, 844);
    window.show();

    bool ok = true;
    if (check) {
        QTimer::singleShot(0, &app, [&] {
            ok &= expect(Orvane::version() == QStringLiteral(ORVANE_VERSION_STRING),
                         "Orvane::version() is ORVANE_VERSION_STRING " ORVANE_VERSION_STRING);
            ok &= expect(QMetaEnum::fromType<Orvane::ListType>().isValid() &&
                             QMetaEnum::fromType<Orvane::Failure>().isValid(),
                         "the enums are known to the meta-object system");
            ok &= expect(
                kit.listType() == Orvane::ListType::Icon && kit.gender() == Orvane::Gender::Woman &&
                    kit.benefitsType() == Orvane::BenefitsDisplay::ListTop &&
                    kit.property("listType").value<Orvane::ListType>() == Orvane::ListType::Icon,
                "settings read back through getters and properties");

            const qsizetype before = visibleWindows();
            open->click();
            ok &= expect(carousel->isVisible() && visibleWindows() == before + 1,
                         "offerwall presented beside the carousel");

            // An offerwall embedded in the host's own layout asks the host to close it.
            QWidget* embedded = kit.orvaneViewController(&window);
            layout->addWidget(embedded);
            embedded->show();
            QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
            QApplication::sendEvent(embedded, &escape);
            ok &= expect(heard.closeRequests == 1 && embedded->isVisible(),
                         "the embedded offerwall asked to be closed");
            delete embedded;

            // Nothing listens on the kit's server port: the presented wall's load fails.
            QTimer::singleShot(10000, &app, [&] {
                expect(false, "the failed load was reported within 10 s");
                app.exit(1);
            });
            auto* poll = new QTimer(&app);
            QObject::connect(poll, &QTimer::timeout, &app, [&, poll, before] {
                if (heard.failed == 0)
                    return;
                poll->stop();
                ok &= expect(heard.failure == Orvane::Failure::ListLoadFailed &&
                                 heard.available == -1,
                             "the failed load was reported as such");
                const int closed = heard.closed;
                kit.closeOfferwall();
                ok &= expect(visibleWindows() == before && heard.closed == closed + 1,
                             "closeOfferwall() closed the presented offerwall");
                app.exit(ok ? 0 : 1);
            });
            poll->start(20);
        });
    }
    return app.exec();
}
