// The UI layer's building blocks on their own, offscreen and driven with real clicks: the
// controller life cycle on a navigation stack and under presentations, back titles, alerts and
// sheets (with a content controller), the storyboard's refusals, table geometry and reuse, and the
// small controls.

#include <set>

#include <QScrollBar>
#include <QScroller>
#include <QStyleHints>
#include <QVBoxLayout>
#include <QtTest>

#include "core/Log.h"
#include "support/TestSupport.h"
#include "ui/AlertController.h"
#include "ui/Button.h"
#include "ui/ImageView.h"
#include "ui/KineticScroll.h"
#include "ui/Label.h"
#include "ui/NavigationController.h"
#include "ui/SegmentedControl.h"
#include "ui/Snapshot.h"
#include "ui/Storyboard.h"
#include "ui/TableView.h"
#include "ui/TapRecognizer.h"
#include "ui/Views.h"

using namespace orvane;
using namespace Qt::StringLiterals;

namespace {

// A controller that writes "<name>:load|appear|disappear" to a shared journal.
class Recorder : public ViewController {
public:
    Recorder(const QString& name, QStringList* journal)
        : m_name(name)
        , m_journal(journal) {
        setTitle(name);
    }

protected:
    void viewDidLoad() override { note(u":load"_s); }
    void viewDidAppear(bool) override { note(u":appear"_s); }
    void viewDidDisappear(bool) override { note(u":disappear"_s); }

private:
    void note(const QString& what) { m_journal->append(m_name + what); }
    QString m_name;
    QStringList* m_journal;
};

// An alert of `actions`: "!" before a title makes it the cancel action, "*" the checked one.
AlertController* alertOf(const QString& title, const QString& message, const QStringList& actions,
                         AlertController::Style style = AlertController::Style::Alert) {
    auto* alert = new AlertController(title, message, style);
    for (const QString& entry : actions) {
        AlertAction action(entry.mid(entry.startsWith(u'!') || entry.startsWith(u'*') ? 1 : 0),
                           entry.startsWith(u'!') ? AlertAction::Style::Cancel
                                                  : AlertAction::Style::Default);
        action.setChecked(entry.startsWith(u'*'));
        alert->addAction(action);
    }
    return alert;
}

AlertController* okAlert(const QString& title) {
    return alertOf(title, {}, {u"OK"_s});
}

// A row of the height the data source chooses; counts its reuses and taps.
class RowCell : public TableViewCell {
public:
    RowCell() {
        (new QVBoxLayout(this))->addWidget(label = new QLabel(this));
        TapRecognizer::attach(this, [this] {
            tappedRow = row;
            ++taps;
        });
    }
    void prepareForReuse() override { ++reuses; }
    int rowHeight(int) const override { return 40 + (row % 3) * 20; }
    int row = -1, tappedRow = -1, reuses = 0;
    static inline int taps = 0;
    QLabel* label;
};

// Counts the timer events that reach the application's objects on this thread.
class TimerCounter : public QObject {
public:
    TimerCounter() { qApp->installEventFilter(this); }
    bool eventFilter(QObject*, QEvent* event) override {
        count += event->type() == QEvent::Timer;
        return false;
    }
    int count = 0;
};

class Source : public TableViewDataSource {
public:
    int rows = 5;
    int numberOfRows(TableView&) override { return rows; }
    TableViewCell* cellForRow(TableView& table, int row) override {
        auto* cell =
            static_cast<RowCell*>(table.dequeueReusableCell(row % 2 ? u"odd"_s : u"even"_s));
        cell->row = row;
        cell->label->setText(QString::number(row));
        return cell;
    }
};

} // namespace

class TstUi : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { Log::setDisplayLog(true); }
    // Each function starts with a stack whose root is "root", not shown yet.
    void init() { m_nav = std::make_unique<NavigationController>(m_root = rec(u"root"_s)); }
    void cleanup() {
        m_nav.reset();
        m_j.clear();
        Storyboard::clear();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    void lifecycleAcrossPushPopAndPresent();
    void backButtonTitles();
    void alertLayouts_data();
    void alertLayouts();
    void alertHandlersAndQueue();
    void storyboardRefusesUnknownIdentifiers();
    void tableGeometryReuseAndTaps();
    void controlsRenderAndReactToRealClicks();
    void imageScrollAndActivityViews();
    void gesturesToldApart_data();
    void gesturesToldApart();
    void longSheetScrollsToItsLastChoice();

private:
    Recorder* rec(const QString& name) { return new Recorder(name, &m_j); }
    QStringList taken() { return std::exchange(m_j, {}); } // the journal so far, emptied
    QStringList m_j;
    Recorder* m_root = nullptr;
    std::unique_ptr<NavigationController> m_nav;
};

void TstUi::lifecycleAcrossPushPopAndPresent() {
    NavigationController& nav = *m_nav;
    QVERIFY(m_j.isEmpty()); // a stack not shown yet loads nothing: the root loads when shown
    nav.show();
    QVERIFY(QTest::qWaitForWindowExposed(&nav));
    QCOMPARE(taken(), (QStringList{u"root:load"_s, u"root:appear"_s}));

    QPointer<Recorder> a = rec(u"a"_s);
    nav.pushViewController(a, false);
    QCOMPARE(taken(), (QStringList{u"a:load"_s, u"root:disappear"_s, u"a:appear"_s}));
    QCOMPARE(nav.navigationBar()->title(), u"a"_s);

    // A full-window modal covers the stack, inside the window; the presentation owns it.
    QPointer<Recorder> modal = rec(u"modal"_s);
    int done = 0;
    a->present(modal, false, [&] { ++done; });
    QCOMPARE(taken(), (QStringList{u"modal:load"_s, u"a:disappear"_s, u"modal:appear"_s}));
    QCOMPARE(modal->presentingViewController(), a);
    QCOMPARE(modal->window(), &nav);
    modal->dismiss(false, [&] { ++done; });
    QCOMPARE(done, 2);
    QCOMPARE(taken(), (QStringList{u"modal:disappear"_s, u"a:appear"_s}));
    QCOMPARE(a->presentedViewController(), nullptr);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!modal);

    // A sheet does not cover what is below it.
    auto* alert = okAlert(u"T"_s);
    a->present(alert, false);
    QVERIFY(alert->isAppeared() && a->isAppeared());
    QTest::mouseClick(alert->actionButton(u"OK"_s), Qt::LeftButton);
    QVERIFY(m_j.isEmpty());

    // Back with a real click: a leaves, root returns; a is deleted afterwards; the root stays.
    QTest::mouseClick(nav.navigationBar()->backButton(), Qt::LeftButton);
    QCOMPARE(taken(), (QStringList{u"a:disappear"_s, u"root:appear"_s}));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!a && !nav.navigationBar()->backButton()->isVisible());
    QCOMPARE(nav.popViewController(false), false);

    // popToRoot over several, then hiding and showing the window.
    nav.pushViewController(rec(u"b"_s), false);
    nav.pushViewController(rec(u"c"_s), false);
    taken();
    QCOMPARE(nav.popToRootViewController(false), 2);
    QCOMPARE(taken(), (QStringList{u"c:disappear"_s, u"root:appear"_s}));
    nav.hide();
    nav.show();
    QCOMPARE(taken(), (QStringList{u"root:disappear"_s, u"root:appear"_s})); // loads once only
}

void TstUi::backButtonTitles() {
    NavigationController& nav = *m_nav;
    m_root->setTitle(u"Offers"_s);
    nav.show();
    Button* back = nav.navigationBar()->backButton();
    auto* detail = rec(u"Detail"_s);
    nav.pushViewController(detail, false);
    QVERIFY(back->isVisible());
    QCOMPARE(back->title(), u"‹ Offers"_s); // the title of the controller below
    m_root->setTitle(QString());
    QCOMPARE(back->title(), u"‹ Back"_s);
    // The back title a controller sets on itself shows when something is pushed above it.
    detail->navigationItem().setBackButtonTitle(u"Camp"_s);
    nav.pushViewController(rec(u"Third"_s), false);
    QCOMPARE(back->title(), u"‹ Camp"_s);
    // A long back title is elided with an ellipsis; the title stays whole beside it.
    detail->navigationItem().setBackButtonTitle(
        u"A campaign with a very long name that goes on and on and on"_s);
    QVERIFY(back->title().endsWith(QChar(0x2026)));
    const auto* title = nav.navigationBar()->findChild<Label*>(u"navigationTitle"_s);
    QCOMPARE(title->text(), u"Third"_s);
    QVERIFY(back->geometry().right() < title->geometry().left());

    // A left control replaces the back button while its controller is on top.
    nav.popToRootViewController(false);
    auto* close = new Button(u"Close"_s);
    m_root->navigationItem().setLeftWidget(close);
    QVERIFY(close->isVisible() && !back->isVisible());
}

void TstUi::alertLayouts_data() {
    QTest::addColumn<int>("kind"); // 0 alert, 1 sheet, 2 choice sheet (adds "Cancel")
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QStringList>("actions"); // as alertOf() takes them
    QTest::addColumn<QStringList>("shown");   // the buttons in reading order
    const QStringList choices{u"Week"_s, u"Month"_s, u"Quarter"_s, u"Cancel"_s};
    // At the bottom of the screen: the choices in the order added, the cancel action in its own
    // group below them; a choice sheet ticks the current choice only.
    QTest::newRow("sheet, title only")
        << 1 << u"Period"_s << QString()
        << QStringList{u"Week"_s, u"!Cancel"_s, u"*Month"_s, u"Quarter"_s} << choices;
    QTest::newRow("choice sheet") << 2 << u"Period"_s << QString()
                                  << QStringList{u"Week"_s, u"*Month"_s, u"Quarter"_s} << choices;
    // Centred: two actions side by side, in the order added.
    QTest::newRow("alert, message only")
        << 0 << QString() << u"Start the app?"_s << QStringList{u"!Cancel"_s, u"OK"_s}
        << QStringList{u"Cancel"_s, u"OK"_s};
}

void TstUi::alertLayouts() {
    QFETCH(int, kind);
    QFETCH(QString, title);
    QFETCH(QString, message);
    QFETCH(QStringList, actions);
    QFETCH(QStringList, shown);
    const bool sheet = kind > 0;
    m_nav->show();
    const int height = m_nav->height();
    QStringList choices = actions;
    choices.replaceInStrings(u"*"_s, QString());
    auto* alert =
        kind == 2
            ? AlertController::choiceSheet(title, choices, u"Month"_s, {}, u"Cancel"_s)
            : alertOf(title, message, actions,
                      sheet ? AlertController::Style::ActionSheet : AlertController::Style::Alert);
    m_root->present(alert, false);
    QStringList texts;
    for (AlertActionButton* button : alert->actionButtons()) {
        texts << button->text();
        QCOMPARE(button->showsCheckMark(), actions.contains(u'*' + button->text()));
    }
    QCOMPARE(texts, shown);
    QCOMPARE(alert->findChild<QWidget*>(u"alertTitle"_s) != nullptr, !title.isEmpty());
    QCOMPARE(alert->findChild<QWidget*>(u"alertMessage"_s) != nullptr, !message.isEmpty());
    const QRect card = alert->card()->geometry();
    const AlertActionButton* first = alert->actionButton(shown.first());
    const AlertActionButton* last = alert->actionButton(shown.last());
    if (sheet) {
        QVERIFY(card.top() > height / 2 && card.bottom() < height);
        QVERIFY(last->y() + last->parentWidget()->y() > card.bottom());
    } else {
        QCOMPARE(first->y(), last->y());
        QVERIFY(first->x() < last->x());
        QVERIFY(qAbs(card.center().y() - height / 2) < 4);
    }
    QVERIFY(!alert->tapAction(u"Nope"_s));
    QVERIFY(alert->tapAction(shown.last()));
    QCOMPARE(AlertController::visibleAlert(), nullptr);
}

void TstUi::alertHandlersAndQueue() {
    test::LogCapture log;
    NavigationController& nav = *m_nav;
    nav.show();
    ViewController* screen = m_root;
    // A handler runs once, after the alert is gone; a second tap or another action does nothing.
    QStringList calls;
    auto* alert = new AlertController(u"Alarm"_s, u"Message"_s);
    alert->addAction(AlertAction(u"Confirm"_s, AlertAction::Style::Default, [&] {
        calls << (screen->presentedViewController() ? u"up"_s : u"gone"_s);
    }));
    alert->addAction(
        AlertAction(u"Other"_s, AlertAction::Style::Default, [&] { calls << u"Other"_s; }));
    screen->present(alert, false);
    QPointer<AlertActionButton> confirm = alert->actionButton(u"Confirm"_s);
    QPointer<AlertActionButton> other = alert->actionButton(u"Other"_s);
    QTest::mouseClick(confirm, Qt::LeftButton);
    QTest::mouseClick(confirm, Qt::LeftButton); // a second tap before deletion
    QTest::mouseClick(other, Qt::LeftButton);
    QCOMPARE(calls, QStringList{u"gone"_s});

    // A handler may present the next alert at once.
    auto* first = new AlertController(u"First"_s, QString());
    first->addAction(AlertAction(u"Next"_s, AlertAction::Style::Default,
                                 [&] { screen->present(okAlert(u"Second"_s), false); }));
    screen->present(first, false);
    QTest::mouseClick(first->actionButton(u"Next"_s), Qt::LeftButton);
    QCOMPARE(AlertController::visibleAlert()->title(), u"Second"_s);
    AlertController::visibleAlert()->tapAction(u"OK"_s);

    // A second alert waits for the first.
    auto* one = okAlert(u"one"_s);
    auto* two = okAlert(u"two"_s);
    screen->present(one, false);
    bool twoShown = false;
    screen->present(two, false, [&] { twoShown = true; });
    QVERIFY(log.contains(u"queued"_s));
    QCOMPARE(screen->pendingPresentationCount(), 1);
    QCOMPARE(AlertController::visibleAlert(), one);
    QVERIFY(!two->isVisible() && !twoShown);
    QTest::mouseClick(one->actionButton(u"OK"_s), Qt::LeftButton);
    QVERIFY(twoShown);
    QCOMPARE(AlertController::visibleAlert(), two);
    QTest::mouseClick(two->actionButton(u"OK"_s), Qt::LeftButton);
    QCOMPARE(AlertController::visibleAlert(), nullptr);

    // The presenter is gone: logged, the alert is freed, nothing crashes.
    QPointer<ViewController> gone = rec(u"gone"_s);
    delete gone.data();
    QPointer<AlertController> orphan = okAlert(u"orphan"_s);
    ViewController::present(gone, orphan, false);
    QVERIFY(log.contains(u"presenting controller is gone"_s));
    QVERIFY(!orphan);

    // A presenter deleted while an alert is up and another waits: both go with it, logged.
    auto* doomed = rec(u"doomed"_s);
    nav.pushViewController(doomed, false);
    QPointer<AlertController> up = okAlert(u"up"_s);
    QPointer<AlertController> waiting = okAlert(u"waiting"_s);
    doomed->present(up, false);
    doomed->present(waiting, false);
    delete doomed;
    QVERIFY(!up && !waiting);
    QVERIFY(log.contains(u"dropping queued"_s));
    QCOMPARE(AlertController::visibleAlert(), nullptr);
    QCOMPARE(nav.viewControllers().size(), 1);
    QCOMPARE(nav.navigationBar()->title(), u"root"_s);

    // Presenting a null controller or one already shown is refused without harm.
    screen->present(nullptr, false);
    screen->present(nav.topViewController(), false);
    QCOMPARE(screen->presentedViewController(), nullptr);

    // A sheet around a content controller; a tap outside its card closes it.
    auto* sheet = new AlertController(QString(), QString(), AlertController::Style::ActionSheet);
    auto* popup = rec(u"popup"_s);
    popup->setPreferredContentSize(QSize(0, 150));
    sheet->setContentViewController(popup);
    sheet->setDismissOnTapOutside(true);
    QSignalSpy backdrop(sheet, &AlertController::backdropTapped);
    screen->present(sheet, false);
    QCOMPARE(m_j.count(u"popup:appear"_s), 1);
    QCOMPARE(popup->height(), 150);
    QVERIFY(sheet->card()->geometry().contains(popup->mapTo(sheet, QPoint(5, 5))));

    // A tap on the card is not a tap outside.
    QTest::mouseClick(popup, Qt::LeftButton, {}, QPoint(10, 10));
    QCOMPARE(backdrop.count(), 0);
    QTest::mouseClick(sheet, Qt::LeftButton, {}, QPoint(20, 20));
    QCOMPARE(backdrop.count(), 1);
    QCOMPARE(screen->presentedViewController(), nullptr);

    // Without dismissOnTapOutside the backdrop only reports the tap.
    auto* stays = okAlert(u"Stay"_s);
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

// Unknown identifiers make nothing and log an error. (The offerwall's own scenes, views and
// segues are made by the screen tests.)
void TstUi::storyboardRefusesUnknownIdentifiers() {
    test::LogCapture log;
    QCOMPARE(Storyboard::instantiateViewController(u"Nope"_s), nullptr);
    QCOMPARE(Storyboard::instantiateInitialViewController(u"Other"_s), nullptr);
    QVERIFY(!Storyboard::performSegue(u"Missing"_s, m_root));
    QVERIFY(!Storyboard::performSegue(u"DetailViewController"_s, nullptr));
    QCOMPARE(Storyboard::instantiateCell(u"tvc_none"_s), nullptr);
    QCOMPARE(Storyboard::instantiateView(u"CopyRightView"_s), nullptr);
    for (const char* line :
         {"unknown scene identifier Nope", "no initial scene for storyboard Other",
          "unknown segue identifier Missing", "unknown cell identifier tvc_none",
          "unknown view identifier CopyRightView"})
        QVERIFY2(log.contains(QLatin1StringView(line)), line);
}

void TstUi::tableGeometryReuseAndTaps() {
    test::LogCapture log;
    TableView table;
    Source source;
    for (const QString& id : {u"odd"_s, u"even"_s})
        table.registerCell(id, [] { return new RowCell; });
    auto* header = new QLabel;
    auto* footer = new QLabel;
    header->setFixedHeight(50);
    footer->setFixedHeight(30);
    table.setHeaderView(header);
    table.setFooterView(footer);
    table.setDataSource(&source);
    table.resize(390, 700);
    table.show();
    table.reloadData();

    // Rows of their own heights between header and footer, one-pixel separators between them.
    QCOMPARE(header->geometry(), QRect(0, 0, table.viewport()->width(), 50));
    int y = 50;
    for (int row = 0; row < 5; ++row) {
        auto* cell = static_cast<RowCell*>(table.cellForRow(row));
        QCOMPARE(cell->geometry().top(), y);
        QCOMPARE(cell->height(), cell->rowHeight(row));
        y += cell->height() + 1;
    }
    QCOMPARE(footer->geometry().top(), y);
    QCOMPARE(table.contentHeight(), y + 30);
    // A tap on a row reaches its cell; an unknown cell identifier is logged.
    auto* tapped = static_cast<RowCell*>(table.cellForRow(3));
    QTest::mouseClick(tapped->label, Qt::LeftButton);
    QCOMPARE(tapped->tappedRow, 3);
    QCOMPARE(table.dequeueReusableCell(u"nope"_s), nullptr);
    QVERIFY(log.contains(u"no cell for identifier nope"_s));

    // Scrolled through 300 rows: no cell is shown for two rows at once, each shows the row it was
    // last handed, and the same few cells serve every row.
    source.rows = 300;
    table.reloadData();
    auto* firstCell = static_cast<RowCell*>(table.cellForRow(0));
    auto* bar = table.verticalScrollBar();
    for (int step = 0; bar->value() < bar->maximum() && step < 2000; ++step) {
        bar->setValue(bar->value() + 37);
        std::set<TableViewCell*> distinct;
        for (int row : table.visibleRows()) {
            auto* cell = static_cast<RowCell*>(table.cellForRow(row));
            QVERIFY2(distinct.insert(cell).second, "a cell shown for two rows at once");
            QCOMPARE(cell->row, row);
            QCOMPARE(cell->reuseIdentifier(), row % 2 ? u"odd"_s : u"even"_s);
            QCOMPARE(table.rowForCell(cell), row);
            QVERIFY(cell->isVisible());
        }
    }
    QCOMPARE(table.visibleRows().last(), 299);
    QVERIFY(firstCell->reuses > 0);
    QVERIFY2(table.createdCellCount() < 40, qPrintable(QString::number(table.createdCellCount())));
    table.scrollToRow(250); // lands the row at the top, measured
    QCOMPARE(table.cellForRow(250)->geometry().top(), 0);

    // Reload: visible cells go back to the pool and come out again; none is created.
    const int created = table.createdCellCount();
    source.rows = 10;
    table.reloadData();
    QVERIFY(table.createdCellCount() <= created + 2);
    table.scrollToRow(0);
    QCOMPARE(table.visibleRows().first(), 0);
}

// A small screen of tabs, a styled text, a reward button and page dots: its render, and its
// controls under real clicks.
void TstUi::controlsRenderAndReactToRealClicks() {
    auto* scene = new ViewController;
    auto* column = new QVBoxLayout(scene);
    auto* tabs = new SegmentedControl({u"Standard"_s, u"Shopping"_s});
    auto* styled = new Label;
    auto* reward = new Button(u"1,500 P"_s);
    auto* pages = new PageControl;
    auto* text = new TextView;
    for (QWidget* widget : std::initializer_list<QWidget*>{tabs, styled, reward, pages, text})
        column->addWidget(widget);
    column->addStretch(1);
    styled->setRichText(
        u"<span style=\"color:#8c8c8c\">Reach level 5 within 3 days. </span><b>1,500 P</b>"_s);
    pages->setNumberOfPages(4);
    pages->setCurrentPage(1);
    NavigationController nav(scene);
    nav.show();
    QVERIFY(QTest::qWaitForWindowExposed(&nav));

    // A presented sheet is part of the window's render: its backdrop darkens the screen.
    QTemporaryDir dir;
    const auto shot = [&](const QString& name) {
        const QString path = dir.filePath(name);
        return grabToPng(&nav, path) ? QImage(path) : QImage();
    };
    const QImage plain = shot(u"plain.png"_s);
    QCOMPARE(plain.size() / plain.devicePixelRatio(), QSize(390, 844));
    auto* sheet = alertOf({}, {}, {u"!Cancel"_s}, AlertController::Style::ActionSheet);
    scene->present(sheet, false);
    QVERIFY(qGray(shot(u"sheet.png"_s).pixel(5, 60)) < qGray(plain.pixel(5, 60)));
    sheet->tapAction(u"Cancel"_s);
    QVERIFY(!grabToPng(nullptr, dir.filePath(u"none.png"_s)));
    QVERIFY(!grabToPng(&nav, u"/proc/forbidden/x.png"_s));

    QSignalSpy tabChanged(tabs, &SegmentedControl::valueChanged);
    const QPoint second = tabs->segmentRect(1).center();
    QTest::mouseClick(tabs, Qt::LeftButton, {}, second);
    QCOMPARE(tabChanged.count(), 1);
    QCOMPARE(tabs->selectedSegmentIndex(), 1);
    QTest::mouseClick(tabs, Qt::LeftButton, {}, second); // already selected
    // Press on one segment, release on another (one not selected): nothing.
    QTest::mousePress(tabs, Qt::LeftButton, {}, second);
    QTest::mouseRelease(tabs, Qt::LeftButton, {}, tabs->segmentRect(0).center());
    QCOMPARE(tabChanged.count(), 1);
    QCOMPARE(tabs->selectedSegmentIndex(), 1);

    int taps = 0;
    reward->onTap([&] { ++taps; });
    QTest::mouseClick(reward, Qt::LeftButton);
    reward->setEnabled(false);
    QTest::mouseClick(reward, Qt::LeftButton);
    QCOMPARE(taps, 1);

    // Tap recognizer on a label: press and release inside fire once; release outside does not.
    int labelTaps = 0;
    TapRecognizer::attach(styled, [&] { ++labelTaps; });
    QTest::mouseClick(styled, Qt::LeftButton);
    QTest::mousePress(styled, Qt::LeftButton, {}, QPoint(2, 2));
    QTest::mouseRelease(styled, Qt::LeftButton, {}, QPoint(-20, -20));
    QTest::mouseClick(styled, Qt::RightButton);
    QCOMPARE(labelTaps, 1);
    QCOMPARE(styled->plainText(), u"Reach level 5 within 3 days. 1,500 P"_s);

    QTest::mouseClick(pages, Qt::LeftButton, {}, QPoint(pages->width() - 2, pages->height() / 2));
    QCOMPARE(pages->currentPage(), 2);

    // A text view reports the start and the end of editing.
    int began = 0, ended = 0;
    text->onBeginEditing([&](TextView&) { ++began; });
    text->onEndEditing([&](TextView&) { ++ended; });
    nav.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&nav));
    text->setFocus();
    tabs->setFocus();
    QCOMPARE(began, 1);
    QCOMPARE(ended, 1);
}

void TstUi::imageScrollAndActivityViews() {
    using CM = ContentMode;
    const QSizeF box(320, 160), square(600, 600);
    QCOMPARE(ImageView::targetRect(box, square, CM::AspectFit), QRectF(80, 0, 160, 160));
    QCOMPARE(ImageView::targetRect(box, square, CM::AspectFill), QRectF(0, -80, 320, 320));
    QCOMPARE(ImageView::targetRect(box, square, CM::ScaleToFill), QRectF(0, 0, 320, 160));
    QCOMPARE(ImageView::targetRect(box, {0, 0}, CM::AspectFit), QRectF(0, 0, 320, 160));

    // Corner radius clips: a corner pixel stays transparent, the centre shows the image.
    ImageView view;
    view.resize(100, 100);
    QImage red(10, 10, QImage::Format_ARGB32);
    red.fill(Qt::red);
    view.setImage(red);
    view.setCornerRadius(30);
    QImage out(100, 100, QImage::Format_ARGB32);
    out.fill(Qt::transparent);
    view.render(&out, QPoint(), QRegion(), QWidget::DrawChildren);
    QCOMPARE(QColor(out.pixel(50, 50)), QColor(Qt::red));
    QCOMPARE(qAlpha(out.pixel(1, 1)), 0);

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
    QTRY_COMPARE(scroll.verticalScrollBar()->maximum(), before + 216);

    // A running activity overlay takes the clicks meant for what is below it.
    QWidget screen;
    screen.resize(390, 844);
    auto* button = new Button(u"Send"_s, &screen);
    button->setGeometry(100, 400, 120, 44);
    int taps = 0;
    button->onTap([&] { ++taps; });
    screen.show();
    ActivityOverlay* overlay = ActivityOverlay::on(&screen);
    overlay->start();
    QCOMPARE(screen.childAt(button->geometry().center()), overlay); // what the user clicks
    QTest::mouseClick(overlay, Qt::LeftButton, {}, button->geometry().center());
    QCOMPARE(taps, 0);
    screen.resize(390, 600);
    QCOMPARE(overlay->geometry(), screen.rect());
    overlay->stop();
    QVERIFY(!overlay->isAnimating() && !overlay->isVisible());
    QCOMPARE(screen.childAt(button->geometry().center()), button);
}

// Taps, drags, flicks and double clicks, with the mouse and a finger, as the window delivers
// them: on the rows of a list, on buttons on a scrolling page, and on a button that does not
// scroll.
void TstUi::gesturesToldApart_data() {
    QTest::addColumn<QString>("view");
    QTest::addColumn<QString>("gesture");
    QTest::addColumn<int>("taps");
    QTest::addColumn<bool>("scrolls");
    for (const QString& view : {u"list"_s, u"page"_s, u"button"_s}) {
        const bool scrolls = view != u"button";
        const auto row = [&](const char* gesture, int taps, bool moves) {
            QTest::addRow("%s: %s", qPrintable(view), gesture)
                << view << QString::fromLatin1(gesture) << taps << (moves && scrolls);
        };
        row("tap", 1, false);
        row("press moved the drag distance", 1, false);
        row("drag", 0, true);
        row("flick", 0, true);
        row("double click", 1, false);
        row("finger tap", 1, false);
        row("finger drag", 0, true);
    }
    QTest::addRow("list: press on a gliding list") << u"list"_s << u"stop"_s << 0 << true;
}

void TstUi::gesturesToldApart() {
    QFETCH(QString, view);
    QFETCH(QString, gesture);
    QFETCH(int, taps);
    QFETCH(bool, scrolls);
    QWidget window;
    window.resize(390, 600);
    auto* column = new QVBoxLayout(&window);
    column->setContentsMargins(0, 0, 0, 0);
    int buttonTaps = 0;
    const auto button = [&] {
        auto* b = new Button(u"Tap"_s);
        b->setFixedHeight(view == u"button" ? 600 : 80);
        b->onTap([&] { ++buttonTaps; });
        return b;
    };
    Source source;
    source.rows = 60;
    TableView* table = nullptr;
    QAbstractScrollArea* area = nullptr;
    if (view == u"list") {
        area = table = new TableView;
        for (const QString& id : {u"odd"_s, u"even"_s})
            table->registerCell(id, [] { return new RowCell; });
        table->setDataSource(&source);
    } else if (view == u"page") {
        auto* page = new ScrollView;
        auto* content = new QWidget;
        auto* buttons = new QVBoxLayout(content);
        for (int i = 0; i < 20; ++i)
            buttons->addWidget(button());
        page->setContentView(content);
        area = page;
    }
    column->addWidget(area ? static_cast<QWidget*>(area) : button());
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    if (table)
        table->reloadData();
    RowCell::taps = 0;
    QWindow* w = window.windowHandle();
    const int slop = QGuiApplication::styleHints()->startDragDistance();
    QPoint at(195, 400);
    // One touch screen for the whole run: a device lives as long as the application.
    static QPointingDevice* const finger = QTest::createTouchDevice();
    QScroller* scroller = area ? QScroller::scroller(area->viewport()) : nullptr;
    if (gesture == u"tap") {
        QTest::mouseClick(w, Qt::LeftButton, {}, at);
    } else if (gesture == u"press moved the drag distance") {
        test::drag(w, at, 1, slop, 20, 300);
    } else if (gesture == u"drag") {
        test::drag(w, at, 10, 15, 30, 300);
    } else if (gesture == u"flick" || gesture == u"stop") {
        test::drag(w, at, 6, 40, 10, 0); // a flick lets go while moving
        if (gesture == u"stop") {
            QTRY_VERIFY(scroller->state() == QScroller::Scrolling);
            QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(195, 300));
            const int stopped = area->verticalScrollBar()->value();
            QTest::qWait(100);
            QCOMPARE(area->verticalScrollBar()->value(), stopped);
        }
    } else if (gesture == u"double click") {
        QTest::mouseDClick(w, Qt::LeftButton, {}, at);
    } else if (gesture == u"finger tap") {
        QTest::touchEvent(w, finger).press(0, at);
        QTest::touchEvent(w, finger).release(0, at);
    } else if (gesture == u"finger drag") {
        QTest::touchEvent(w, finger).press(0, at);
        for (int i = 0; i < 10; ++i) {
            QTest::qWait(30);
            QTest::touchEvent(w, finger).move(0, at -= QPoint(0, 15));
        }
        QTest::touchEvent(w, finger).release(0, at);
    }
    if (scroller)
        QTRY_VERIFY(scroller->state() == QScroller::Inactive);
    QCOMPARE(RowCell::taps + buttonTaps, taps);
    if (!area)
        return;
    const int offset = area->verticalScrollBar()->value();
    QCOMPARE(offset > 0, scrolls);
    if (gesture == u"flick") // it glided on after the finger left
        QVERIFY2(offset > 6 * 40, qPrintable(QString::number(offset)));
    // At rest nothing wakes the application up: the indicator fades and its timers stop.
    auto* indicator = area->findChild<ScrollIndicator*>();
    QTRY_VERIFY(!indicator->isVisible());
    TimerCounter timers;
    QTest::qWait(1000);
    QCOMPARE(timers.count, 0);
}

// A choice sheet longer than the window scrolls inside itself: the cards fit the window, the
// actions keep their height, and drags reach the last choice, which a tap then chooses.
void TstUi::longSheetScrollsToItsLastChoice() {
    QStringList choices;
    for (int i = 1; i <= 40; ++i)
        choices << u"Campaign %1"_s.arg(i);
    QString chosen;
    auto* sheet = AlertController::choiceSheet(
        u"Campaign"_s, choices, choices.first(), [&](const AlertAction& a) { chosen = a.title(); },
        u"Cancel"_s);
    m_nav->resize(390, 600);
    m_nav->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_nav.get()));
    m_root->present(sheet, false);
    const QRect card = sheet->card()->geometry();
    const QRect cancel = sheet->actionButton(u"Cancel"_s)->parentWidget()->geometry();
    QVERIFY(card.top() >= 0 && card.bottom() < cancel.top() && cancel.bottom() < sheet->height());
    AlertActionButton* last = sheet->actionButton(choices.last());
    QCOMPARE(last->height(), sheet->actionButton(u"Cancel"_s)->height());
    ScrollView* list = sheet->actionScrollView();
    QVERIFY(list->geometry().bottom() < card.height());
    const auto lastShown = [&] {
        return list->viewport()->rect().contains(
            QRect(last->mapTo(list->viewport(), QPoint()), last->size()));
    };
    QWindow* w = m_nav->windowHandle();
    for (int drags = 0; drags < 30 && !lastShown(); ++drags) {
        test::drag(w, list->mapTo(m_nav.get(), list->rect().center()), 8, 20, 20, 200);
        QTRY_VERIFY(QScroller::scroller(list->viewport())->state() == QScroller::Inactive);
    }
    QVERIFY(lastShown());
    for (AlertActionButton* button : sheet->actionButtons())
        QVERIFY2(!button->isDown(), qPrintable(button->text())); // no choice left pressed
    QTest::mouseClick(w, Qt::LeftButton, {}, last->mapTo(m_nav.get(), last->rect().center()));
    QCOMPARE(chosen, choices.last());
}

QTEST_MAIN(TstUi)
#include "tst_ui.moc"
