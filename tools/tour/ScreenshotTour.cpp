#include "ScreenshotTour.h"

#include <atomic>
#include <memory>

#include <QDir>

#include "DemoHost.h"
#include "core/ApiList.h"
#include "core/CampListModel.h"
#include "core/Dispatch.h"
#include "core/Localized.h"
#include "orvane/Orvane.h"
#include "participation/ApiJoin.h"
#include "screens/benefits/BenefitsViewController.h"
#include "screens/carousel/OrvaneCarouselView.h"
#include "screens/detail/DetailViewController.h"
#include "screens/inquiry/CheckBox.h"
#include "screens/inquiry/RequestViewController.h"
#include "screens/offerwall/OrvaneViewController.h"
#include "ui/AlertController.h"
#include "ui/Button.h"
#include "ui/ImageView.h"
#include "ui/Label.h"
#include "ui/NavigationController.h"
#include "ui/SegmentedControl.h"
#include "ui/Snapshot.h"
#include "ui/Views.h"

namespace orvane::tour {

namespace {

constexpr int kStepTimeoutMs = 15000;
constexpr int kImageSettleMs = 1200;

} // namespace

ScreenshotTour::ScreenshotTour(demo::DemoHost* host, QString directory, QObject* parent)
    : QObject(parent)
    , m_host(host)
    , m_directory(std::move(directory)) {
    m_poll.setInterval(50);
    connect(&m_poll, &QTimer::timeout, this, &ScreenshotTour::poll);
    buildSteps();
}

NavigationController* ScreenshotTour::offerwall() const {
    if (!m_host)
        return nullptr;
    const auto windows =
        m_host->findChildren<NavigationController*>(QString(), Qt::FindDirectChildrenOnly);
    for (NavigationController* window : windows) {
        if (window->isVisible())
            return window;
    }
    return nullptr;
}

void ScreenshotTour::buildSteps() {
    auto nav = [this] { return offerwall(); };
    auto screen = [nav]() -> OrvaneViewController* {
        NavigationController* n = nav();
        return n ? qobject_cast<OrvaneViewController*>(n->rootViewController()) : nullptr;
    };
    auto popupShown = [screen] {
        OrvaneViewController* s = screen();
        auto* sheet = s ? qobject_cast<AlertController*>(s->presentedViewController()) : nullptr;
        return sheet && sheet->contentViewController();
    };

    m_steps = {
        {QStringLiteral("01-benefits-popup.png"), [this] { m_host->openOfferwall(); }, popupShown,
         kImageSettleMs, false},
        {QStringLiteral("02-offerwall.png"),
         [screen] { screen()->alertControllerBackgroundTapped(); },
         [screen] { return !screen()->presentedViewController(); }, kImageSettleMs},
        {QStringLiteral("03-offerwall-shopping.png"),
         [screen] {
             screen()->sc_camp->setSelectedSegmentIndex(1);
             screen()->scValueChanged(1);
         },
         [screen] {
             const auto& rows = screen()->model().selectedAllCampList();
             return !rows.isEmpty() && rows.first().bm == 4;
         },
         kImageSettleMs},
        {QStringLiteral("04-offerwall-sorted.png"),
         [screen] {
             screen()->sc_camp->setSelectedSegmentIndex(0);
             screen()->scValueChanged(0);
             screen()->clickSort();
         },
         [screen] { return screen()->model().sortMode() == CampListModel::SortMode::High; },
         kImageSettleMs},
        {QStringLiteral("05-detail.png"),
         [screen] {
             screen()->clickSort(); // back to the default order
             screen()->clickSort();
             const auto& rows = screen()->model().selectedAllCampList();
             for (int i = 0; i < rows.size(); ++i) {
                 if (rows.at(i).detailpage == 1 && rows.at(i).bm != 4) {
                     screen()->onClick(i);
                     return;
                 }
             }
         },
         [nav] {
             auto* detail = qobject_cast<DetailViewController*>(nav()->topViewController());
             return detail && detail->buttonState() != DetailViewController::ButtonState::loading;
         },
         kImageSettleMs},
        {QStringLiteral("06-benefits-history.png"),
         [nav, screen] {
             nav()->popToRootViewController(false);
             screen()->clickBenefits();
         },
         [nav] {
             auto* benefits = qobject_cast<BenefitsViewController*>(nav()->topViewController());
             return benefits && !benefits->reward().isEmpty();
         },
         300},
        {QStringLiteral("07-benefits-period-sheet.png"),
         [nav] {
             qobject_cast<BenefitsViewController*>(nav()->topViewController())->clickPeriod();
         },
         [] { return AlertController::visibleAlert() != nullptr; }, 300},
        // Closed, and opened again by a host that shows the summary at the top of the list.
        {QString(), [screen] { screen()->back(); }, [this] { return !offerwall(); }, 300},
        {QStringLiteral("08-offerwall-summary-header.png"),
         [this] {
             Orvane::shared().setBenefitsType(Orvane::BenefitsDisplay::ListTop);
             m_host->openOfferwall();
         },
         [screen] { return screen() && !screen()->l_coins_value->text().isEmpty(); },
         kImageSettleMs, false},
    };
    addInquirySteps(nav);
    addCarouselSteps(screen);
}

// The inquiry form: empty, its kind sheet, filled in with three screenshots of the tour itself,
// and sent. A join first gives the user a campaign to ask about.
void ScreenshotTour::addInquirySteps(const std::function<NavigationController*()>& nav) {
    auto form = [nav]() -> RequestViewController* {
        NavigationController* n = nav();
        return n ? qobject_cast<RequestViewController*>(n->topViewController()) : nullptr;
    };
    auto joined = std::make_shared<std::atomic_bool>(false);
    m_steps += {
        {QString(),
         [joined] {
             ApiList().getJoin(QStringLiteral("103"), [joined](auto&) { *joined = true; });
         },
         [joined] { return joined->load(); }, 0},
        {QStringLiteral("09-inquiry.png"),
         [nav] { nav()->findChild<QAbstractButton*>(QStringLiteral("b_inquiry"))->click(); },
         [form] {
             RequestViewController* f = form();
             return f && f->adList() && f->l_agree_contents->textFormat() == Qt::RichText;
         },
         300},
        {QStringLiteral("10-inquiry-kind-sheet.png"), [form] { form()->clickRequestType(); },
         [] { return AlertController::visibleAlert() != nullptr; }, 300},
        {QStringLiteral("11-inquiry-filled.png"),
         [this, form] {
             RequestViewController* f = form();
             AlertController::visibleAlert()->tapAction(
                 localized(QStringLiteral("ov_request_type_savings")));
             if (f->adList() && !f->adList()->isEmpty())
                 f->actionAdList(AlertAction(f->adList()->first().name.value_or(QString())));
             f->tf_name->setText(QStringLiteral("Kim Mina"));
             f->tf_phone->setText(QStringLiteral("01012345678"));
             f->tf_email->setText(QStringLiteral("mina.kim@example.com"));
             f->tv_input_inquiry->setTextColor(Qt::black);
             f->tv_input_inquiry->setPlainText(
                 QStringLiteral("I installed and opened the app yesterday evening, but the reward "
                                "has not arrived. Screenshots attached."));
             for (const char* shot :
                  {"02-offerwall.png", "05-detail.png", "06-benefits-history.png"})
                 f->setScreenshot(QImage(QDir(m_directory).filePath(QLatin1String(shot))));
             f->b_agree->click();
         },
         [form] { return form()->screenShotList().size() == 3; }, 300},
        {QStringLiteral("12-inquiry-done.png"), [form] { form()->clickPositive(); },
         [] {
             AlertController* alert = AlertController::visibleAlert();
             return alert && alert->message() == localized(QStringLiteral("ov_inquiry_done"));
         },
         300},
    };
}

// A reward collected before leaving, so that the host's wallet shows a balance of its own server;
// then back on the host's own screen: the carousel in the host's layout, at rest on card 3.
void ScreenshotTour::addCarouselSteps(const std::function<OrvaneViewController*()>& screen) {
    auto carousel = [this] {
        return m_host ? qobject_cast<OrvaneCarouselView*>(m_host->carousel()) : nullptr;
    };
    m_steps += {
        // Confirming the sent inquiry returns to the list; closing it returns to the host.
        {QString(),
         [] {
             if (AlertController* alert = AlertController::visibleAlert())
                 alert->tapAction(localized(QStringLiteral("ov_confirm")));
         },
         [] { return AlertController::visibleAlert() == nullptr; }, 300},
        // The instant campaign: its join reply carries the key, and the kit claims it.
        {QString(),
         [screen] {
             for (const Camp& camp : screen()->model().otherCampList()) {
                 if (camp.campid != 107)
                     continue;
                 ApiList().getJoin(QStringLiteral("107"), [camp](const ApiResult& result) {
                     const std::optional<QString> key =
                         result.ok() ? decode<Join>(result.body()).value().orvkey : std::nullopt;
                     dispatch::toMain([camp, key] {
                         if (key)
                             ApiJoin::shared().apiReward(camp, *key);
                     });
                 });
             }
         },
         [] {
             AlertController* alert = AlertController::visibleAlert();
             return alert &&
                    alert->message() == localized(QStringLiteral("ov_participation_complete"));
         },
         0},
        {QString(),
         [] {
             AlertController::visibleAlert()->tapAction(localized(QStringLiteral("ov_confirm")));
         },
         [] { return AlertController::visibleAlert() == nullptr; }, 300},
        {QString(), [screen] { screen()->back(); }, [this] { return !offerwall(); }, 300},
        {QString(), [this] { m_host->toggleCarousel(); },
         [carousel] { return carousel() && carousel()->previousIndex().has_value(); }, 0, false},
        {QStringLiteral("13-carousel.png"),
         [carousel] {
             carousel()->pageControl()->setCurrentPage(2);
             carousel()->pageValueDidChanged();
         },
         [this, carousel] {
             return !carousel()->collectionView()->isScrolling() &&
                    carousel()->previousIndex() == 2 && m_host->wallet()->isVisible();
         },
         100, false},
    };
}

void ScreenshotTour::start() {
    if (!QDir().mkpath(m_directory)) {
        fail(QStringLiteral("cannot create ") + m_directory);
        return;
    }
    m_index = -1;
    QTimer::singleShot(300, this, [this] {
        m_index = 0;
        runStep();
    });
}

void ScreenshotTour::runStep() {
    if (!m_host) {
        fail(QStringLiteral("the host window is gone"));
        return;
    }
    if (m_index >= m_steps.size()) {
        Q_EMIT finished(true);
        return;
    }
    NavigationController* nav = offerwall();
    if (m_steps.at(m_index).needsOfferwall &&
        (!nav || !qobject_cast<OrvaneViewController*>(nav->rootViewController()))) {
        fail(QStringLiteral("the offerwall is not on screen"));
        return;
    }
    m_steps[m_index].action();
    m_clock.start();
    m_poll.start();
}

void ScreenshotTour::poll() {
    const Step& step = m_steps.at(m_index);
    if (!step.ready()) {
        if (m_clock.elapsed() > kStepTimeoutMs)
            fail(QStringLiteral("timed out waiting for ") + step.file);
        return;
    }
    m_poll.stop();
    QTimer::singleShot(step.settleMs, this, [this] {
        const Step& current = m_steps.at(m_index);
        if (!current.file.isEmpty()) {
            const QString path = QDir(m_directory).filePath(current.file);
            // The offerwall's window while it is open, else the host's.
            QWidget* window = offerwall();
            if (!window)
                window = m_host;
            if (!window || !grabToPng(window, path)) {
                fail(QStringLiteral("could not write ") + path);
                return;
            }
            m_written.append(path);
        }
        ++m_index;
        runStep();
    });
}

void ScreenshotTour::fail(const QString& why) {
    m_poll.stop();
    qCritical("orvane-tour: %s", qPrintable(why));
    Q_EMIT finished(false);
}

} // namespace orvane::tour
