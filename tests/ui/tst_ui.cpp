#include <set>

#include <QPointer>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QVBoxLayout>
#include <QtTest>

#include "core/Log.h"
#include "support/TestSupport.h"
#include "ui/AlertController.h"
#include "ui/Button.h"
#include "ui/ImageView.h"
#include "ui/Label.h"
#include "ui/NavigationController.h"
#include "ui/SegmentedControl.h"
#include "ui/Snapshot.h"
#include "ui/Storyboard.h"
#include "ui/TableView.h"
#include "ui/TapRecognizer.h"
#include "ui/Theme.h"
#include "ui/Views.h"

using namespace orvane;

namespace {

// A controller that writes "<name>:load|appear|disappear|prepare..." to a shared journal.
class Recorder : public ViewController {
public:
    Recorder(const QString& name, QStringList* journal)
        : m_name(name)
        , m_journal(journal) {
        setTitle(name);
    }
    void prepare(StoryboardSegue& segue, const QVariant& sender) override {
        note(":prepare:" + segue.identifier + ":" + sender.toString());
        if (auto* destination = dynamic_cast<Recorder*>(segue.destination))
            destination->payload = sender.toString();
    }
    QString payload;

protected:
    void viewDidLoad() override { note(":load"); }
    void viewDidAppear(bool) override { note(":appear"); }
    void viewDidDisappear(bool) override { note(":disappear"); }

private:
    void note(const QString& what) { m_journal->append(m_name + what); }
    QString m_name;
    QStringList* m_journal;
};

AlertController* okAlert(const QString& title, const QString& message = QString()) {
    auto* alert = new AlertController(title, message);
    alert->addAction(AlertAction(QStringLiteral("OK")));
    return alert;
}

class Popup : public ViewController {
public:
    int appearances = 0;

protected:
    void viewDidAppear(bool) override { ++appearances; }
    void viewDidLayoutSubviews() override { setPreferredContentSize(QSize(width(), 150)); }
};

// A row of the height the data source chooses; counts its reuses and taps.
class RowCell : public TableViewCell {
public:
    RowCell() {
        (new QVBoxLayout(this))->addWidget(label = new QLabel(this));
        TapRecognizer::attach(this, [this] { tappedRow = row; });
    }
    void prepareForReuse() override { ++reuses; }
    int rowHeight(int) const override { return height_; }
    int row = -1, tappedRow = -1, reuses = 0, height_ = 44;
    QLabel* label;
};

class Source : public TableViewDataSource {
public:
    int rows = 300;
    std::map<TableViewCell*, int> lastRowOf; // which row each cell was last handed to
    int numberOfRows(TableView&) override { return rows; }
    static int heightOf(int row) { return 40 + (row % 3) * 20; }
    TableViewCell* cellForRow(TableView& table, int row) override {
        auto* cell = static_cast<RowCell*>(
            table.dequeueReusableCell(row % 2 ? QStringLiteral("odd") : QStringLiteral("even")));
        cell->row = row;
        cell->height_ = heightOf(row);
        cell->label->setText(QString::number(row));
        lastRowOf[cell] = row;
        return cell;
    }
};

// Shows `rows` rows in a table of the given height; `registry` false leaves the cells to the
// storyboard.
void showTable(TableView& table, Source& source, int rows, int height, bool registry = true) {
    for (const auto* id : {"odd", "even"}) {
        if (registry)
            table.registerCell(QString::fromLatin1(id), [] { return new RowCell; });
        else
            Storyboard::registerCell(QString::fromLatin1(id), [] { return new RowCell; });
    }
    source.rows = rows;
    table.setDataSource(&source);
    table.resize(390, height);
    table.show();
    table.reloadData();
}

// The controls of a small screen: tabs, a styled text, a reward pill and page dots.
class SampleScene : public ViewController {
public:
    SampleScene() {
        setTitle(QStringLiteral("Offerwall"));
        auto* col = new QVBoxLayout(this);
        col->addWidget(tabs = new SegmentedControl({"Standard", "Shopping"}));
        tabs->setBorderColor(ui::accentColor());
        tabs->setTitleColor(ui::accentColor(), Qt::white);
        col->addWidget(styled = new Label);
        styled->setRichText(
            QStringLiteral(
                "<span style=\"color:#8c8c8c;font-size:12px\">Reach level 5 within 3 days. </span>"
                "<span style=\"color:%1;font-size:12px;font-weight:700\">1,500 P</span>")
                .arg(ui::accentColor().name()));
        col->addWidget(reward = new Button(QStringLiteral("1,500 P")));
        reward->setBackgroundColor(ui::accentColor());
        reward->setPill(true);
        col->addWidget(pages = new PageControl);
        pages->setNumberOfPages(4);
        pages->setCurrentPage(1);
        col->addStretch(1);
    }
    SegmentedControl* tabs;
    Label* styled;
    Button* reward;
    PageControl* pages;
};

} // namespace

class TstUi : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { Log::setDisplayLog(true); }
    // Each function starts with a stack whose root is "root", not shown yet.
    void init() { m_nav = std::make_unique<NavigationController>(m_root = rec("root")); }
    void cleanup() {
        m_nav.reset();
        m_j.clear();
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
    void tableReuseKeepsIdentityAndNeverSharesACell();
    void tableRowsHaveTheirOwnHeightHeaderAndFooter();
    void tableTapOnRowAndUnknownIdentifier();
    void sheetIsPartOfTheRender();
    void controlsReactToRealClicks();
    void imageViewGeometryAndConstraints();
    void activityOverlayBlocksInput();

private:
    Recorder* rec(const QString& name) { return new Recorder(name, &m_j); }
    QStringList m_j;
    Recorder* m_root = nullptr;
    std::unique_ptr<NavigationController> m_nav;
};

void TstUi::lifecycleAcrossPushPopAndPresent() {
    QStringList& j = m_j;
    NavigationController& nav = *m_nav;
    QVERIFY(j.isEmpty()); // a stack not shown yet loads nothing: the root loads when shown
    nav.show();
    QVERIFY(QTest::qWaitForWindowExposed(&nav));
    QCOMPARE(nav.size(), QSize(390, 844));
    QCOMPARE(j, (QStringList{"root:load", "root:appear"}));

    j.clear();
    auto* a = rec("a");
    nav.pushViewController(a, false);
    QCOMPARE(j, (QStringList{"a:load", "root:disappear", "a:appear"}));
    QCOMPARE(a->navigationController(), &nav);
    QCOMPARE(nav.navigationBar()->title(), QStringLiteral("a"));

    // A full-window modal covers the stack; a sheet does not.
    j.clear();
    auto* modal = rec("modal");
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
    auto* alert = okAlert(QStringLiteral("T"));
    a->present(alert, false);
    QVERIFY(j.isEmpty()); // still on screen below the sheet
    QVERIFY(alert->isAppeared() && a->isAppeared());
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
    nav.pushViewController(rec("b"), false);
    nav.pushViewController(rec("c"), false);
    j.clear();
    QCOMPARE(nav.popToRootViewController(false), 2);
    QCOMPARE(j, (QStringList{"c:disappear", "root:appear"}));
    j.clear();
    nav.hide();
    nav.show();
    QCOMPARE(j, (QStringList{"root:disappear", "root:appear"})); // loads once only
}

void TstUi::backButtonTitles() {
    NavigationController& nav = *m_nav;
    m_root->setTitle(QStringLiteral("Offers"));
    nav.show();
    Button* back = nav.navigationBar()->backButton();
    auto* detail = rec("Detail");
    nav.pushViewController(detail, false);
    QVERIFY(back->isVisible());
    QCOMPARE(back->title(), QStringLiteral("‹ Offers")); // the title of the controller below
    m_root->navigationItem().setBackButtonTitle(QStringLiteral("List"));
    QCOMPARE(back->title(), QStringLiteral("‹ List"));
    m_root->navigationItem().setBackButtonTitle(QString());
    m_root->setTitle(QString());
    QCOMPARE(back->title(), QStringLiteral("‹ Back"));
    // The back title a controller sets on itself shows when something is pushed above it.
    detail->navigationItem().setBackButtonTitle(QStringLiteral("Camp"));
    nav.pushViewController(rec("Third"), false);
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
    m_root->navigationItem().setLeftWidget(close);
    QVERIFY(close->isVisible());
    QCOMPARE(close->parentWidget(), nav.navigationBar());
    QVERIFY(!back->isVisible());
}

void TstUi::alertActionsOrderStyleAndCheck() {
    NavigationController& nav = *m_nav;
    nav.show();
    auto* sheet = new AlertController(QStringLiteral("Period"), QString(),
                                      AlertController::Style::ActionSheet);
    sheet->addAction(AlertAction(QStringLiteral("Week")));
    sheet->addAction(AlertAction(QStringLiteral("Cancel"), AlertAction::Style::Cancel));
    AlertAction month(QStringLiteral("Month"));
    month.setChecked(true);
    sheet->addAction(month);
    sheet->addAction(AlertAction(QStringLiteral("Quarter")));
    m_root->present(sheet, false);

    QCOMPARE(AlertController::visibleAlert(), sheet);
    QStringList shown;
    for (AlertActionButton* b : sheet->actionButtons())
        shown << b->text();
    // Choices in the order added; the cancel action in its own group at the bottom.
    QCOMPARE(shown, (QStringList{"Week", "Month", "Quarter", "Cancel"}));
    QCOMPARE(sheet->actions().at(1).style(), AlertAction::Style::Cancel);
    QVERIFY(sheet->actionButton("Month")->showsCheckMark());
    QVERIFY(!sheet->actionButton("Week")->showsCheckMark());
    const auto* cancelButton = sheet->actionButton("Cancel");
    QVERIFY(cancelButton->y() + cancelButton->parentWidget()->y() >
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
    QVERIFY(qAbs(alert->card()->geometry().center().y() - nav.height() / 2) < 4); // centred
    QVERIFY(!alert->tapAction(QStringLiteral("Nope")));
    QVERIFY(alert->tapAction(QStringLiteral("OK")));
}

void TstUi::alertHandlerRunsOnceAfterDismissal() {
    m_nav->show();
    ViewController* screen = m_root;
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
        screen->present(okAlert(QStringLiteral("Second")), false);
    }));
    screen->present(first, false);
    QTest::mouseClick(first->actionButton("Next"), Qt::LeftButton);
    QVERIFY(AlertController::visibleAlert());
    QCOMPARE(AlertController::visibleAlert()->title(), QStringLiteral("Second"));
    AlertController::visibleAlert()->tapAction("OK");
}

void TstUi::contentControllerAndTapOutside() {
    m_nav->show();
    ViewController* screen = m_root;
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
    auto* stays = okAlert(QStringLiteral("Stay"));
    QSignalSpy tapped(stays, &AlertController::backdropTapped);
    screen->present(stays, false);
    QTest::mouseClick(stays, Qt::LeftButton, {}, QPoint(20, 20));
    QCOMPARE(tapped.count(), 1);
    QCOMPARE(screen->presentedViewController(), stays);
    // Press on the backdrop and release on the card: no tap.
    QTest::mousePress(stays, Qt::LeftButton, {}, QPoint(20, 20));
    QTest::mouseRelease(stays, Qt::LeftButton, {}, stays->card()->geometry().center());
    QCOMPARE(tapped.count(), 1);
    stays->dismiss(false);
}

void TstUi::alertsQueueAndGonePresenter() {
    test::LogCapture log;
    NavigationController& nav = *m_nav;
    nav.show();
    ViewController* screen = m_root;
    auto* one = okAlert(QStringLiteral("one"));
    auto* two = okAlert(QStringLiteral("two"));
    screen->present(one, false);
    bool twoShown = false;
    screen->present(two, false, [&] { twoShown = true; });
    QVERIFY(log.contains(QStringLiteral("queued")));
    QCOMPARE(screen->pendingPresentationCount(), 1);
    QCOMPARE(AlertController::visibleAlert(), one);
    QVERIFY(!two->isVisible() && !twoShown);
    QTest::mouseClick(one->actionButton("OK"), Qt::LeftButton);
    QVERIFY(twoShown);
    QCOMPARE(AlertController::visibleAlert(), two);
    QTest::mouseClick(two->actionButton("OK"), Qt::LeftButton);
    QCOMPARE(AlertController::visibleAlert(), nullptr);

    // The presenter is gone: logged, the alert is freed, nothing crashes.
    QPointer<ViewController> gone = rec("gone");
    delete gone.data();
    QPointer<AlertController> orphan = okAlert(QStringLiteral("orphan"));
    log.clear();
    ViewController::present(gone, orphan, false);
    QVERIFY(log.contains(QStringLiteral("presenting controller is gone")));
    QVERIFY(!orphan);

    // A presenter deleted while an alert is up and another waits: both go with it, logged.
    auto* doomed = rec("doomed");
    nav.pushViewController(doomed, false);
    QPointer<AlertController> up = okAlert(QStringLiteral("up"));
    QPointer<AlertController> waiting = okAlert(QStringLiteral("waiting"));
    doomed->present(up, false);
    doomed->present(waiting, false);
    log.clear();
    delete doomed;
    QVERIFY(!up && !waiting);
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
    Storyboard::registerScene(QStringLiteral("Main"),
                              [&] { return new NavigationController(rec("main")); });
    Storyboard::registerScene(QStringLiteral("Detail"), [&] { return rec("detail"); });
    Storyboard::setInitialScene(QStringLiteral("OrvaneStoryboard"), QStringLiteral("Main"));
    Storyboard::registerSegue(QStringLiteral("DetailViewController"), QStringLiteral("Detail"));

    std::unique_ptr<ViewController> initial(
        Storyboard::instantiateInitialViewController(QStringLiteral("OrvaneStoryboard")));
    auto* nav = qobject_cast<NavigationController*>(initial.get());
    QVERIFY(nav);
    nav->show();
    auto* main = dynamic_cast<Recorder*>(nav->topViewController());
    QVERIFY(main->performSegue(QStringLiteral("DetailViewController"), 7));
    auto* detail = dynamic_cast<Recorder*>(nav->topViewController());
    QVERIFY(detail && detail != main);
    QCOMPARE(detail->payload, QStringLiteral("7")); // prepare ran before the push
    QVERIFY(m_j.contains("main:prepare:DetailViewController:7"));
    QVERIFY(m_j.indexOf("main:prepare:DetailViewController:7") < m_j.indexOf("detail:appear"));

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

void TstUi::tableReuseKeepsIdentityAndNeverSharesACell() {
    TableView table;
    Source source;
    showTable(table, source, 300, 600);
    QCOMPARE(table.visibleRows().value(0, -1), 0);
    auto* firstCell = static_cast<RowCell*>(table.cellForRow(0));
    QVERIFY(firstCell);

    std::set<TableViewCell*> everSeen;
    bool firstCellReused = false;
    auto* bar = table.verticalScrollBar();
    for (int step = 0; bar->value() < bar->maximum() && step < 2000; ++step) {
        bar->setValue(bar->value() + 37);
        std::set<TableViewCell*> distinct;
        for (int row : table.visibleRows()) {
            auto* cell = static_cast<RowCell*>(table.cellForRow(row));
            QVERIFY(cell);
            QVERIFY2(distinct.insert(cell).second, "a cell shown for two rows at once");
            QCOMPARE(source.lastRowOf[cell], row);
            QCOMPARE(cell->row, row);
            QCOMPARE(cell->reuseIdentifier(),
                     row % 2 ? QStringLiteral("odd") : QStringLiteral("even"));
            QCOMPARE(table.rowForCell(cell), row);
            QVERIFY(cell->isVisible());
            everSeen.insert(cell);
            firstCellReused |= cell == firstCell && row != 0;
        }
    }
    QCOMPARE(bar->value(), bar->maximum());
    QCOMPARE(table.visibleRows().last(), 299);
    // The same few cells served every row, the first one among them (same object, new row).
    QVERIFY(firstCellReused && firstCell->reuses > 0);
    QVERIFY2(table.createdCellCount() < 40, qPrintable(QString::number(table.createdCellCount())));
    QCOMPARE(static_cast<int>(everSeen.size()), table.createdCellCount());

    // Reload: visible cells go back to the pool and come out again; none is created.
    const int created = table.createdCellCount();
    source.rows = 10;
    table.reloadData();
    QCOMPARE(table.numberOfRows(), 10);
    QCOMPARE(bar->value(), bar->maximum());
    QVERIFY(table.createdCellCount() <= created + 2);
    table.scrollToRow(0);
    QCOMPARE(table.visibleRows().first(), 0);
}

void TstUi::tableRowsHaveTheirOwnHeightHeaderAndFooter() {
    TableView table;
    Source source;
    auto* header = new QLabel(QStringLiteral("header"));
    header->setFixedHeight(50);
    auto* footer = new QLabel(QStringLiteral("footer"));
    footer->setFixedHeight(30);
    table.setHeaderView(header);
    table.setFooterView(footer);
    showTable(table, source, 5, 700);
    QCOMPARE(header->geometry(), QRect(0, 0, table.viewport()->width(), 50));
    int y = 50;
    for (int row = 0; row < 5; ++row) {
        QWidget* cell = table.cellForRow(row);
        QVERIFY(cell);
        QCOMPARE(cell->geometry().top(), y);
        QCOMPARE(cell->height(), Source::heightOf(row));
        y += Source::heightOf(row) + 1; // one-pixel separator
    }
    QCOMPARE(footer->geometry().top(), y);
    QCOMPARE(table.contentHeight(), y + 30);

    // scrollToRow on a long table lands the row at the top, measured.
    source.rows = 300;
    table.reloadData();
    table.scrollToRow(250);
    QVERIFY(table.cellForRow(250));
    QCOMPARE(table.cellForRow(250)->geometry().top(), 0);
}

void TstUi::tableTapOnRowAndUnknownIdentifier() {
    test::LogCapture log;
    TableView table;
    Source source;
    // Cells registered in the storyboard serve tables that registered nothing themselves.
    showTable(table, source, 20, 400, false);
    auto* cell = static_cast<RowCell*>(table.cellForRow(3));
    QVERIFY(cell);
    QTest::mouseClick(cell->label, Qt::LeftButton);
    QCOMPARE(cell->tappedRow, 3);

    QCOMPARE(table.dequeueReusableCell(QStringLiteral("nope")), nullptr);
    QVERIFY(log.contains(QStringLiteral("no cell for identifier nope")));
}

// A presented sheet is part of the window's render: its backdrop darkens the screen.
void TstUi::sheetIsPartOfTheRender() {
    auto* scene = new SampleScene;
    NavigationController nav(scene);
    nav.show();
    QVERIFY(QTest::qWaitForWindowExposed(&nav));
    QTemporaryDir dir;
    const auto shot = [&](const QString& name) {
        const QString path = dir.filePath(name);
        return grabToPng(&nav, path) ? QImage(path) : QImage();
    };
    const QImage plain = shot(QStringLiteral("plain.png"));
    QCOMPARE(plain.size() / plain.devicePixelRatio(), QSize(390, 844));

    auto* sheet = new AlertController(QStringLiteral("Period"), QString(),
                                      AlertController::Style::ActionSheet);
    sheet->addAction(AlertAction(QStringLiteral("Cancel"), AlertAction::Style::Cancel));
    scene->present(sheet, false);
    QVERIFY(qGray(shot(QStringLiteral("sheet.png")).pixel(5, 60)) < qGray(plain.pixel(5, 60)));
    sheet->tapAction(QStringLiteral("Cancel"));

    QVERIFY(!grabToPng(nullptr, dir.filePath(QStringLiteral("none.png"))));
    QVERIFY(!grabToPng(&nav, QStringLiteral("/proc/forbidden/x.png")));
}

void TstUi::controlsReactToRealClicks() {
    auto* scene = new SampleScene;
    NavigationController nav(scene);
    nav.show();

    QSignalSpy tabChanged(scene->tabs, &SegmentedControl::valueChanged);
    const QRect second = scene->tabs->segmentRect(1);
    QTest::mouseClick(scene->tabs, Qt::LeftButton, {}, second.center());
    QCOMPARE(tabChanged.count(), 1);
    QCOMPARE(tabChanged.first().first().toInt(), 1);
    QCOMPARE(scene->tabs->selectedSegmentIndex(), 1);
    QTest::mouseClick(scene->tabs, Qt::LeftButton, {}, second.center()); // already selected
    QCOMPARE(tabChanged.count(), 1);
    // Press on one segment, release on another (one not selected): nothing.
    QTest::mousePress(scene->tabs, Qt::LeftButton, {}, second.center());
    QTest::mouseRelease(scene->tabs, Qt::LeftButton, {}, scene->tabs->segmentRect(0).center());
    QCOMPARE(tabChanged.count(), 1);
    QCOMPARE(scene->tabs->selectedSegmentIndex(), 1);

    int taps = 0;
    scene->reward->onTap([&] { ++taps; });
    QTest::mouseClick(scene->reward, Qt::LeftButton);
    QCOMPARE(taps, 1);
    scene->reward->setEnabled(false);
    QTest::mouseClick(scene->reward, Qt::LeftButton);
    QCOMPARE(taps, 1);
    QCOMPARE(scene->reward->currentState(), Button::State::Disabled);
    scene->reward->setTitle(QStringLiteral("Wait"), Button::State::Disabled);
    QCOMPARE(scene->reward->currentTitle(), QStringLiteral("Wait"));
    QCOMPARE(scene->reward->title(Button::State::Highlighted), QStringLiteral("1,500 P"));

    // Tap recognizer on a label: press and release inside fire once; release outside does not.
    int labelTaps = 0;
    auto* recognizer = TapRecognizer::attach(scene->styled, [&] { ++labelTaps; });
    QSignalSpy tapped(recognizer, &TapRecognizer::tapped);
    QTest::mouseClick(scene->styled, Qt::LeftButton);
    QCOMPARE(labelTaps, 1);
    QCOMPARE(tapped.count(), 1);
    QTest::mousePress(scene->styled, Qt::LeftButton, {}, QPoint(2, 2));
    QTest::mouseRelease(scene->styled, Qt::LeftButton, {}, QPoint(-20, -20));
    QTest::mouseClick(scene->styled, Qt::RightButton);
    QCOMPARE(labelTaps, 1);
    QCOMPARE(scene->styled->plainText(), QStringLiteral("Reach level 5 within 3 days. 1,500 P"));

    QSignalSpy pageChanged(scene->pages, &PageControl::valueChanged);
    QTest::mouseClick(scene->pages, Qt::LeftButton, {},
                      QPoint(scene->pages->width() - 2, scene->pages->height() / 2));
    QCOMPARE(scene->pages->currentPage(), 2);
    QCOMPARE(pageChanged.count(), 1);

    // Text view hooks.
    QWidget holder;
    auto* text = new TextView;
    auto* other = new TextField;
    auto* hl = new QVBoxLayout(&holder);
    hl->addWidget(text);
    hl->addWidget(other);
    int began = 0;
    int ended = 0;
    text->onBeginEditing([&](TextView&) { ++began; });
    text->onEndEditing([&](TextView&) { ++ended; });
    holder.show();
    QVERIFY(QTest::qWaitForWindowActive(&holder));
    text->setFocus();
    other->setFocus();
    QCOMPARE(began, 1);
    QCOMPARE(ended, 1);
}

void TstUi::imageViewGeometryAndConstraints() {
    using CM = ContentMode;
    QCOMPARE(ImageView::targetRect({320, 160}, {600, 600}, CM::AspectFit), QRectF(80, 0, 160, 160));
    QCOMPARE(ImageView::targetRect({320, 160}, {600, 600}, CM::AspectFill),
             QRectF(0, -80, 320, 320));
    QCOMPARE(ImageView::targetRect({320, 160}, {600, 600}, CM::ScaleToFill),
             QRectF(0, 0, 320, 160));
    QCOMPARE(ImageView::targetRect({320, 160}, {0, 0}, CM::AspectFit), QRectF(0, 0, 320, 160));

    // Corner radius clips: a corner pixel stays transparent, the centre shows the image.
    ImageView view;
    view.resize(100, 100);
    QImage red(10, 10, QImage::Format_ARGB32);
    red.fill(Qt::red);
    QSignalSpy changed(&view, &ImageView::imageChanged);
    view.setImage(red);
    view.setCornerRadius(30);
    QImage out(100, 100, QImage::Format_ARGB32);
    out.fill(Qt::transparent);
    view.render(&out, QPoint(), QRegion(), QWidget::DrawChildren);
    QCOMPARE(QColor(out.pixel(50, 50)), QColor(Qt::red));
    QCOMPARE(qAlpha(out.pixel(1, 1)), 0);
    view.clearImage();
    view.clearImage();
    QCOMPARE(changed.count(), 2);
    QVERIFY(!view.hasImage());

    // Constraints set what they stand for.
    QWidget box;
    auto* layout = new QVBoxLayout(&box);
    auto* child = new QWidget;
    layout->addWidget(child);
    LayoutConstraint height = LayoutConstraint::height(child);
    height.setConstant(160);
    QCOMPARE(child->minimumHeight(), 160);
    QCOMPARE(child->maximumHeight(), 160);
    LayoutConstraint::spacing(layout).setConstant(10);
    QCOMPARE(layout->spacing(), 10);
    delete child;
    height.setConstant(30); // the widget is gone: recorded only
    QCOMPARE(height.constant(), 30.0);

    // The scroll view's bottom inset adds to the scrollable range.
    ScrollView scroll;
    auto* content = new QWidget;
    content->setMinimumHeight(300);
    scroll.setContentView(content);
    scroll.resize(200, 200);
    scroll.show();
    QCoreApplication::processEvents();
    const int before = scroll.verticalScrollBar()->maximum();
    scroll.setBottomContentInset(216);
    QCoreApplication::processEvents();
    QCOMPARE(scroll.contentInsets().bottom(), 216);
    QCOMPARE(scroll.verticalScrollBar()->maximum(), before + 216);
    QCOMPARE(scroll.viewport()->height(), 200);
}

void TstUi::activityOverlayBlocksInput() {
    QWidget screen;
    screen.resize(390, 844);
    auto* button = new Button(QStringLiteral("Send"), &screen);
    button->setGeometry(100, 400, 120, 44);
    int taps = 0;
    button->onTap([&] { ++taps; });
    screen.show();
    ActivityOverlay* overlay = ActivityOverlay::on(&screen);
    QCOMPARE(ActivityOverlay::on(&screen), overlay); // one per target
    overlay->start();
    QVERIFY(overlay->isAnimating());
    QCOMPARE(overlay->geometry(), screen.rect());
    QWidget* hit = screen.childAt(button->geometry().center());
    QCOMPARE(hit, overlay); // what the user clicks is the overlay
    QTest::mouseClick(hit, Qt::LeftButton);
    QCOMPARE(taps, 0);
    screen.resize(390, 600);
    QCOMPARE(overlay->geometry(), screen.rect());
    overlay->stop();
    QVERIFY(!overlay->isAnimating() && !overlay->isVisible());
    QCOMPARE(screen.childAt(button->geometry().center()), button);
}

QTEST_MAIN(TstUi)
#include "tst_ui.moc"
