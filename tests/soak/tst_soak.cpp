// Presenting and closing the offerwall many times, each time through a detail page, the benefits
// history and the inquiry form: every screen goes away with its offerwall. Leaks of heap memory
// show in the leak-checking run; this test checks that no widget outlives its offerwall.

#include <QApplication>
#include <QtTest>

#include "core/CampListModel.h"
#include "orvane/Orvane.h"
#include "participation/ApiJoin.h"
#include "screens/benefits/BenefitsViewController.h"
#include "screens/detail/DetailViewController.h"
#include "screens/inquiry/RequestViewController.h"
#include "screens/offerwall/OrvaneViewController.h"
#include "support/SandboxFixture.h"
#include "ui/Button.h"
#include "ui/NavigationController.h"
#include "ui/TableView.h"

using namespace orvane;
using namespace Qt::StringLiterals;

namespace {

// Rounds of the soak; ORVANE_SOAK_ROUNDS overrides (longer local runs).
int rounds() {
    const int fromEnv = qEnvironmentVariableIntValue("ORVANE_SOAK_ROUNDS");
    return fromEnv > 0 ? fromEnv : 200;
}

qsizetype liveWidgets() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return QApplication::allWidgets().size();
}

} // namespace

class TstSoak : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void presentAndCloseManyTimes();

private:
    bool round(ViewController& host, test::SandboxFixture& sandbox);
};

// Opens a screen with `open`, waits for it and for its request to `path`, and goes back.
template <typename Screen>
void visit(NavigationController* nav, test::SandboxFixture& sandbox,
           const std::function<void()>& open, const QString& path) {
    sandbox.server().clearRequests();
    open();
    QTRY_VERIFY(qobject_cast<Screen*>(nav->topViewController()));
    QTRY_VERIFY(!sandbox.server().requestsTo(path).isEmpty());
    nav->popViewController(false);
}

// One visit: the list, a detail page, the history, the inquiry form, then the close control.
bool TstSoak::round(ViewController& host, test::SandboxFixture& sandbox) {
    Orvane::shared().presentOrvane(&host);
    QPointer<NavigationController> nav =
        qobject_cast<NavigationController*>(host.presentedViewController());
    if (!nav)
        return false;
    auto* screen = qobject_cast<OrvaneViewController*>(nav->rootViewController());
    [&] { QTRY_VERIFY(screen->model().selectedAllCampList().size() > 2); }();
    // Row 2 is a house campaign with a detail page.
    visit<DetailViewController>(
        nav, sandbox, [&] { screen->onClick(2); }, u"/v1/view"_s);
    visit<BenefitsViewController>(
        nav, sandbox, [&] { QTest::mouseClick(screen->benefitsButton(), Qt::LeftButton); },
        u"/api/cs/user_reward_list"_s);
    const auto inquiry = [&] {
        QTest::mouseClick(nav->findChild<QWidget*>(u"b_inquiry"_s), Qt::LeftButton);
    };
    visit<RequestViewController>(nav, sandbox, inquiry, u"/api/cs/agree_contents_app"_s);
    QTest::mouseClick(screen->closeButton(), Qt::LeftButton);
    [&] { QTRY_VERIFY(!nav); }();
    return !QTest::currentTestFailed();
}

void TstSoak::presentAndCloseManyTimes() {
    test::SandboxFixture sandbox;
    Orvane::shared().setBenefitsType(Orvane::TYPE_BENEFITS_DISPLAY_LIST_TOP);
    ViewController host;
    host.show();
    QVERIFY(QTest::qWaitForWindowExposed(&host));

    QVERIFY(round(host, sandbox)); // the first visit creates what lives for the process
    const qsizetype baseline = liveWidgets();
    const int count = rounds();
    for (int i = 1; i < count; ++i) {
        QVERIFY2(round(host, sandbox), qPrintable(u"round %1"_s.arg(i)));
    }
    QCOMPARE(liveWidgets(), baseline);
    ApiJoin::shared().resetForTesting();
}

QTEST_MAIN(TstSoak)
#include "tst_soak.moc"
