#include "tst_ui.h"

#include <QPointer>
#include <QSignalSpy>
#include <QtTest>

#include "core/Log.h"
#include "support/TestSupport.h"
#include "ui/AlertController.h"
#include "ui/Button.h"
#include "ui/Label.h"
#include "ui/NavigationController.h"
#include "ui/Storyboard.h"

using namespace orvane;
using orvane::test::Recorder;

class TstUi : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { Log::setDisplayLog(true); }
    void cleanup() {
        Storyboard::clear();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    void lifecycleAcrossPushPopAndPresent();
    void backButtonTitles();
    void alertActionsOrderStyleAndCheck();
    void alertHandlerRunsOnceAfterDismissal();
    void contentControllerAndTapOutside();
    void alertsQueueAndGonePresenter();
    void storyboardRegistryAndSegues();
};

void TstUi::lifecycleAcrossPushPopAndPresent() {
    QStringList j;
    auto* root = new Recorder(QStringLiteral("root"), &j);
    NavigationController nav(root);
    QVERIFY(j.isEmpty()); // a stack not shown yet loads nothing: the root loads when shown
    nav.show();
    QVERIFY(QTest::qWaitForWindowExposed(&nav));
    QCOMPARE(nav.size(), QSize(390, 844));
    QCOMPARE(j, (QStringList{"root:load", "root:appear"}));

    j.clear();
    auto* a = new Recorder(QStringLiteral("a"), &j);
    nav.pushViewController(a, false);
    QCOMPARE(j, (QStringList{"a:load", "root:disappear", "a:appear"}));
    QCOMPARE(a->navigationController(), &nav);
    QCOMPARE(nav.navigationBar()->title(), QStringLiteral("a"));

    // A full-window modal covers the stack; a sheet does not.
    j.clear();
    auto* modal = new Recorder(QStringLiteral("modal"), &j);
    bool presentedDone = false;
    a->present(modal, false, [&] { presentedDone = true; });
    QVERIFY(presentedDone);
    QCOMPARE(j, (QStringList{"modal:load", "a:disappear", "modal:appear"}));
    QCOMPARE(a->presentedViewController(), modal);
    QCOMPARE(modal->presentingViewController(), a);
    QCOMPARE(modal->navigationController(), nullptr);
    QCOMPARE(modal->window(), &nav); // lives inside the window, not a window of its own

    j.clear();
    QPointer<Recorder> modalGuard(modal);
    bool dismissedDone = false;
    modal->dismiss(false, [&] { dismissedDone = true; });
    QVERIFY(dismissedDone);
    QCOMPARE(j, (QStringList{"modal:disappear", "a:appear"}));
    QCOMPARE(a->presentedViewController(), nullptr);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!modalGuard); // the presentation owned it

    j.clear();
    auto* alert = new AlertController(QStringLiteral("T"), QString());
    alert->addAction(AlertAction(QStringLiteral("OK")));
    a->present(alert, false);
    QVERIFY(j.isEmpty()); // still on screen below the sheet
    QVERIFY(alert->isAppeared());
    QVERIFY(a->isAppeared());
    QTest::mouseClick(alert->actionButton(QStringLiteral("OK")), Qt::LeftButton);
    QVERIFY(j.isEmpty());

    // Back with a real click: a leaves, root returns; a is deleted afterwards.
    QPointer<Recorder> aGuard(a);
    QTest::mouseClick(nav.navigationBar()->backButton(), Qt::LeftButton);
    QCOMPARE(j, (QStringList{"a:disappear", "root:appear"}));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!aGuard);
    QVERIFY(!nav.navigationBar()->backButton()->isVisible());
    QCOMPARE(nav.popViewController(false), false); // the root stays

    // popToRoot over several, then hiding and showing the window.
    nav.pushViewController(new Recorder(QStringLiteral("b"), &j), false);
    nav.pushViewController(new Recorder(QStringLiteral("c"), &j), false);
    j.clear();
    QCOMPARE(nav.popToRootViewController(false), 2);
    QCOMPARE(j, (QStringList{"c:disappear", "root:appear"}));
    j.clear();
    nav.hide();
    nav.show();
    QCOMPARE(j, (QStringList{"root:disappear", "root:appear"})); // loads once only
}

void TstUi::backButtonTitles() {
    QStringList j;
    auto* root = new Recorder(QStringLiteral("Offers"), &j);
    NavigationController nav(root);
    nav.show();
    Button* back = nav.navigationBar()->backButton();
    auto* detail = new Recorder(QStringLiteral("Detail"), &j);
    nav.pushViewController(detail, false);
    QVERIFY(back->isVisible());
    QCOMPARE(back->title(), QStringLiteral("‹ Offers")); // the title of the controller below
    root->navigationItem().setBackButtonTitle(QStringLiteral("List"));
    QCOMPARE(back->title(), QStringLiteral("‹ List"));
    root->navigationItem().setBackButtonTitle(QString());
    root->setTitle(QString());
    QCOMPARE(back->title(), QStringLiteral("‹ Back"));
    // The back title a controller sets on itself shows when something is pushed above it.
    detail->navigationItem().setBackButtonTitle(QStringLiteral("Camp"));
    nav.pushViewController(new Recorder(QStringLiteral("Third"), &j), false);
    QCOMPARE(back->title(), QStringLiteral("‹ Camp"));
    QCOMPARE(nav.navigationBar()->title(), QStringLiteral("Third"));
    // A long back title is elided with an ellipsis; the title stays whole beside it.
    detail->navigationItem().setBackButtonTitle(
        QStringLiteral("A campaign with a very long name that goes on and on and on"));
    QVERIFY(back->title().endsWith(QChar(0x2026)));
    const auto* title = nav.navigationBar()->findChild<Label*>(QStringLiteral("navigationTitle"));
    QVERIFY(title);
    QCOMPARE(title->text(), QStringLiteral("Third"));
    QVERIFY(back->geometry().right() < title->geometry().left());

    // A left control replaces the back button while its controller is on top.
    nav.popToRootViewController(false);
    auto* close = new Button(QStringLiteral("Close"));
    root->navigationItem().setLeftWidget(close);
    QVERIFY(close->isVisible());
    QCOMPARE(close->parentWidget(), nav.navigationBar());
    QVERIFY(!back->isVisible());
}

void TstUi::alertActionsOrderStyleAndCheck() {
    QStringList j;
    NavigationController nav(new Recorder(QStringLiteral("root"), &j));
    nav.show();
    auto* sheet = new AlertController(QStringLiteral("Period"), QString(),
                                      AlertController::Style::ActionSheet);
    sheet->addAction(AlertAction(QStringLiteral("Week")));
    sheet->addAction(AlertAction(QStringLiteral("Cancel"), AlertAction::Style::Cancel));
    AlertAction month(QStringLiteral("Month"));
    month.setChecked(true);
    sheet->addAction(month);
    sheet->addAction(AlertAction(QStringLiteral("Quarter")));
    nav.topViewController()->present(sheet, false);

    QCOMPARE(AlertController::visibleAlert(), sheet);
    QStringList shown;
    for (AlertActionButton* b : sheet->actionButtons())
        shown << b->text();
    // Choices in the order added; the cancel action in its own group at the bottom.
    QCOMPARE(shown, (QStringList{"Week", "Month", "Quarter", "Cancel"}));
    QCOMPARE(sheet->actions().at(1).style(), AlertAction::Style::Cancel);
    QVERIFY(sheet->actionButton("Month")->showsCheckMark());
    QVERIFY(!sheet->actionButton("Week")->showsCheckMark());
    QVERIFY(sheet->actionButton("Cancel")->y() +
                sheet->actionButton("Cancel")->parentWidget()->y() >
            sheet->card()->geometry().bottom());
    QVERIFY(sheet->findChild<QWidget*>("alertTitle"));
    QVERIFY(!sheet->findChild<QWidget*>("alertMessage")); // absent message, no label
    QVERIFY(sheet->card()->geometry().bottom() < nav.height());
    QVERIFY(sheet->card()->geometry().top() > nav.height() / 2); // a sheet sits at the bottom
    QVERIFY(sheet->tapAction(QStringLiteral("Cancel")));
    QCOMPARE(AlertController::visibleAlert(), nullptr);

    // Alert style: two actions side by side, in the order added; no title, only a message.
    auto* alert = new AlertController(QString(), QStringLiteral("Start the app?"));
    alert->addAction(AlertAction(QStringLiteral("Cancel"), AlertAction::Style::Cancel));
    alert->addAction(AlertAction(QStringLiteral("OK")));
    nav.present(alert, false);
    QVERIFY(!alert->findChild<QWidget*>("alertTitle"));
    QVERIFY(alert->findChild<QWidget*>("alertMessage"));
    auto* cancel = alert->actionButton("Cancel");
    auto* ok = alert->actionButton("OK");
    QCOMPARE(cancel->y(), ok->y());
    QVERIFY(cancel->x() < ok->x());
    const QRect card = alert->card()->geometry();
    QVERIFY(qAbs(card.center().y() - nav.height() / 2) < 4); // centred
    QVERIFY(!alert->tapAction(QStringLiteral("Nope")));
    QVERIFY(alert->tapAction(QStringLiteral("OK")));
}

void TstUi::alertHandlerRunsOnceAfterDismissal() {
    QStringList j;
    NavigationController nav(new Recorder(QStringLiteral("root"), &j));
    nav.show();
    ViewController* screen = nav.topViewController();
    QStringList calls;
    auto* alert = new AlertController(QStringLiteral("Alarm"), QStringLiteral("Message"));
    alert->addAction(AlertAction(
        QStringLiteral("Confirm"), AlertAction::Style::Default, [&](const AlertAction& action) {
            // The alert is already gone when the handler runs.
            calls << action.title() + (screen->presentedViewController() ? "+up" : "+gone");
        }));
    alert->addAction(AlertAction(QStringLiteral("Other"), AlertAction::Style::Default,
                                 [&] { calls << QStringLiteral("Other"); }));
    screen->present(alert, false);
    QPointer<AlertActionButton> confirm = alert->actionButton("Confirm");
    QPointer<AlertActionButton> other = alert->actionButton("Other");
    QTest::mouseClick(confirm, Qt::LeftButton);
    QTest::mouseClick(confirm, Qt::LeftButton); // a second tap before deletion
    QTest::mouseClick(other, Qt::LeftButton);
    QCOMPARE(calls, QStringList{"Confirm+gone"});
    QVERIFY(!alert->isVisible());

    // A handler may present the next alert at once.
    auto* first = new AlertController(QStringLiteral("First"), QString());
    first->addAction(AlertAction(QStringLiteral("Next"), AlertAction::Style::Default, [&] {
        auto* second = new AlertController(QStringLiteral("Second"), QString());
        second->addAction(AlertAction(QStringLiteral("OK")));
        screen->present(second, false);
    }));
    screen->present(first, false);
    QTest::mouseClick(first->actionButton("Next"), Qt::LeftButton);
    QVERIFY(AlertController::visibleAlert());
    QCOMPARE(AlertController::visibleAlert()->title(), QStringLiteral("Second"));
    AlertController::visibleAlert()->tapAction("OK");
}

namespace {
class Popup : public ViewController {
public:
    int appearances = 0;

protected:
    void viewDidAppear(bool) override { ++appearances; }
    void viewDidLayoutSubviews() override { setPreferredContentSize(QSize(width(), 150)); }
};
} // namespace

void TstUi::contentControllerAndTapOutside() {
    QStringList j;
    NavigationController nav(new Recorder(QStringLiteral("root"), &j));
    nav.show();
    ViewController* screen = nav.topViewController();

    auto* sheet = new AlertController(QString(), QString(), AlertController::Style::ActionSheet);
    auto* popup = new Popup;
    sheet->setContentViewController(popup);
    sheet->setDismissOnTapOutside(true);
    QSignalSpy backdrop(sheet, &AlertController::backdropTapped);
    bool presented = false;
    screen->present(sheet, false, [&] { presented = true; });
    QVERIFY(presented);
    QCOMPARE(popup->appearances, 1);
    QCOMPARE(popup->height(), 150);
    QVERIFY(sheet->card()->geometry().contains(popup->mapTo(sheet, QPoint(5, 5))));

    // A tap on the card is not a tap outside.
    QTest::mouseClick(popup, Qt::LeftButton, {}, QPoint(10, 10));
    QCOMPARE(backdrop.count(), 0);
    QCOMPARE(screen->presentedViewController(), sheet);
    QTest::mouseClick(sheet, Qt::LeftButton, {}, QPoint(20, 20));
    QCOMPARE(backdrop.count(), 1);
    QCOMPARE(screen->presentedViewController(), nullptr);

    // Without dismissOnTapOutside the backdrop only reports the tap.
    auto* stays = new AlertController(QStringLiteral("Stay"), QString());
    stays->addAction(AlertAction(QStringLiteral("OK")));
    QSignalSpy tapped(stays, &AlertController::backdropTapped);
    screen->present(stays, false);
    QTest::mouseClick(stays, Qt::LeftButton, {}, QPoint(20, 20));
    QCOMPARE(tapped.count(), 1);
    QCOMPARE(screen->presentedViewController(), stays);
    // Press on the backdrop and release on the card: no tap.
    const QPoint onCard = stays->card()->geometry().center();
    QTest::mousePress(stays, Qt::LeftButton, {}, QPoint(20, 20));
    QTest::mouseRelease(stays, Qt::LeftButton, {}, onCard);
    QCOMPARE(tapped.count(), 1);
    stays->dismiss(false);
}

void TstUi::alertsQueueAndGonePresenter() {
    test::LogCapture log;
    QStringList j;
    NavigationController nav(new Recorder(QStringLiteral("root"), &j));
    nav.show();
    ViewController* screen = nav.topViewController();
    auto makeAlert = [](const QString& title) {
        auto* a = new AlertController(title, QString());
        a->addAction(AlertAction(QStringLiteral("OK")));
        return a;
    };
    auto* one = makeAlert(QStringLiteral("one"));
    auto* two = makeAlert(QStringLiteral("two"));
    screen->present(one, false);
    bool twoShown = false;
    screen->present(two, false, [&] { twoShown = true; });
    QVERIFY(log.contains(QStringLiteral("queued")));
    QCOMPARE(screen->pendingPresentationCount(), 1);
    QCOMPARE(AlertController::visibleAlert(), one);
    QVERIFY(!two->isVisible());
    QVERIFY(!twoShown);
    QTest::mouseClick(one->actionButton("OK"), Qt::LeftButton);
    QVERIFY(twoShown);
    QCOMPARE(AlertController::visibleAlert(), two);
    QTest::mouseClick(two->actionButton("OK"), Qt::LeftButton);
    QCOMPARE(AlertController::visibleAlert(), nullptr);

    // The presenter is gone: logged, the alert is freed, nothing crashes.
    QPointer<ViewController> gone = new Recorder(QStringLiteral("gone"), &j);
    delete gone.data();
    QPointer<AlertController> orphan = makeAlert(QStringLiteral("orphan"));
    log.clear();
    ViewController::present(gone, orphan, false);
    QVERIFY(log.contains(QStringLiteral("presenting controller is gone")));
    QVERIFY(!orphan);

    // A presenter deleted while an alert is up and another waits: both go with it, logged.
    auto* doomed = new Recorder(QStringLiteral("doomed"), &j);
    nav.pushViewController(doomed, false);
    QPointer<AlertController> up = makeAlert(QStringLiteral("up"));
    QPointer<AlertController> waiting = makeAlert(QStringLiteral("waiting"));
    doomed->present(up, false);
    doomed->present(waiting, false);
    log.clear();
    delete doomed;
    QVERIFY(!up);
    QVERIFY(!waiting);
    QVERIFY(log.contains(QStringLiteral("dropping queued")));
    QCOMPARE(AlertController::visibleAlert(), nullptr);
    QCOMPARE(nav.viewControllers().size(), 1);
    QCOMPARE(nav.navigationBar()->title(), QStringLiteral("root"));

    // Presenting a null controller or one already shown is refused without harm.
    screen->present(nullptr, false);
    screen->present(nav.topViewController(), false);
    QCOMPARE(screen->presentedViewController(), nullptr);
}

void TstUi::storyboardRegistryAndSegues() {
    test::LogCapture log;
    QStringList j;
    Storyboard::registerScene(QStringLiteral("Main"), [&] {
        return new NavigationController(new Recorder(QStringLiteral("main"), &j));
    });
    Storyboard::registerScene(QStringLiteral("Detail"),
                              [&] { return new Recorder(QStringLiteral("detail"), &j); });
    Storyboard::setInitialScene(QStringLiteral("OrvaneStoryboard"), QStringLiteral("Main"));
    Storyboard::registerSegue(QStringLiteral("DetailViewController"), QStringLiteral("Detail"));

    std::unique_ptr<ViewController> initial(
        Storyboard::instantiateInitialViewController(QStringLiteral("OrvaneStoryboard")));
    auto* nav = qobject_cast<NavigationController*>(initial.get());
    QVERIFY(nav);
    nav->show();
    auto* main = qobject_cast<Recorder*>(nav->topViewController());
    QVERIFY(main->performSegue(QStringLiteral("DetailViewController"), 7));
    auto* detail = qobject_cast<Recorder*>(nav->topViewController());
    QVERIFY(detail && detail != main);
    QCOMPARE(detail->payload(), QStringLiteral("7")); // prepare ran before the push
    QVERIFY(j.contains("main:prepare:DetailViewController:7"));
    QVERIFY(j.indexOf("main:prepare:DetailViewController:7") < j.indexOf("detail:appear"));

    // Unknown identifiers: a logged error and nothing else.
    log.clear();
    QCOMPARE(Storyboard::instantiateViewController(QStringLiteral("Nope")), nullptr);
    QVERIFY(log.contains(QStringLiteral("unknown scene identifier Nope")));
    QCOMPARE(Storyboard::instantiateInitialViewController(QStringLiteral("Other")), nullptr);
    QVERIFY(log.contains(QStringLiteral("no initial scene for storyboard Other")));
    QVERIFY(!Storyboard::performSegue(QStringLiteral("Missing"), detail));
    QVERIFY(log.contains(QStringLiteral("unknown segue identifier Missing")));
    QVERIFY(!Storyboard::performSegue(QStringLiteral("DetailViewController"), nullptr));
    QCOMPARE(Storyboard::instantiateCell(QStringLiteral("tvc_none")), nullptr);
    QVERIFY(log.contains(QStringLiteral("unknown cell identifier tvc_none")));
    QCOMPARE(Storyboard::instantiateView(QStringLiteral("CopyRightView")), nullptr);
    QVERIFY(log.contains(QStringLiteral("unknown view identifier CopyRightView")));
    Storyboard::registerView(QStringLiteral("CopyRightView"),
                             [](QWidget* parent) { return new QWidget(parent); });
    std::unique_ptr<QWidget> view(Storyboard::instantiateView(QStringLiteral("CopyRightView")));
    QVERIFY(view);
    QCOMPARE(nav->viewControllers().size(), 2);
}

int runTableTests(int argc, char** argv);
int runWidgetTests(int argc, char** argv);

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    TstUi core;
    int failures = QTest::qExec(&core, argc, argv);
    failures += runTableTests(argc, argv);
    failures += runWidgetTests(argc, argv);
    return failures;
}

#include "tst_ui.moc"
