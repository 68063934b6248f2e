// A host application that embeds the offerwall through the public API only.
//   orvane-host-example          a window with a button that presents the offerwall
//   orvane-host-example --check  presents the offerwall and a carousel, checks that both are
//                                shown and exits (0 when they are); used by the kit's tests
#include <cstdio>

#include <orvane/Orvane.h>
#include <orvane/OrvaneSDK.h>
#include <orvane/PlatformServices.h>

#include <QApplication>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>

namespace {

// The host opens addresses itself (here: it only reports them), as a host with its own browser
// would.
class HostUrlOpener final : public orvane::UrlOpener {
public:
    void open(const QUrl& url, std::function<void(bool opened)> completion) override {
        std::printf("host: asked to open %s\n", qPrintable(url.toString()));
        completion(false);
    }
};

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    const bool check = app.arguments().contains(QStringLiteral("--check"));

    orvane::PlatformServices::setUrlOpener(std::make_unique<HostUrlOpener>());
    // A host points the kit at its own servers; the check run uses a loopback port where nothing
    // listens, so the list request fails at once and the screens stay empty.
    orvane::OrvaneSDK::shared().setHostUrl(QStringLiteral("http://127.0.0.1:9"));
    orvane::OrvaneSDK::shared().setHostPartnerUrl(QStringLiteral("http://127.0.0.1:9"));

    orvane::Orvane& kit = orvane::Orvane::shared();
    kit.initialize(QStringLiteral("host-mkey"), QStringLiteral("host-mckey"),
                   QStringLiteral("host-user"));
    kit.setMainTitle(QStringLiteral("Rewards"));
    kit.setListType(orvane::Orvane::TYPE_LIST_ICON);
    kit.setOrvaneColorPrimary(QColor(0x2f, 0x6f, 0xeb));

    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* open = new QPushButton(QStringLiteral("Earn rewards"), &window);
    layout->addWidget(open);
    QWidget* carousel = kit.orvaneCarouselView();
    layout->addWidget(carousel);
    QObject::connect(open, &QPushButton::clicked, &window,
                     [&window] { orvane::Orvane::shared().presentOrvane(&window); });
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

    if (check) {
        QTimer::singleShot(0, &app, [&] {
            const auto visibleWindows = [] {
                qsizetype n = 0;
                for (QWidget* w : QApplication::topLevelWidgets())
                    n += w->isVisible() ? 1 : 0;
                return n;
            };
            const qsizetype before = visibleWindows();
            open->click();
            const bool shown = carousel->isVisible() && visibleWindows() == before + 1;
            std::printf("host: offerwall %s\n", shown ? "shown" : "missing");
            app.exit(shown ? 0 : 1);
        });
    }
    return app.exec();
}
