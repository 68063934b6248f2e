#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QVBoxLayout>
#include <QtTest>

#include "ui/AlertController.h"
#include "ui/Button.h"
#include "ui/ImageView.h"
#include "ui/Label.h"
#include "ui/NavigationController.h"
#include "ui/SegmentedControl.h"
#include "ui/Snapshot.h"
#include "ui/TapRecognizer.h"
#include "ui/Theme.h"
#include "ui/Views.h"

using namespace orvane;

namespace {

// The controls of a small screen: tabs, a styled text, a reward pill and page dots.
class SampleScene : public ViewController {
public:
    SampleScene() {
        setTitle(QStringLiteral("Offerwall"));
        auto* col = new QVBoxLayout(this);
        tabs = new SegmentedControl({QStringLiteral("Standard"), QStringLiteral("Shopping")});
        tabs->setBorderColor(ui::accentColor());
        tabs->setTitleColor(ui::accentColor(), Qt::white);
        col->addWidget(tabs);
        styled = new Label;
        styled->setRichText(
            QStringLiteral(
                "<span style=\"color:#8c8c8c;font-size:12px\">Reach level 5 within 3 days. </span>"
                "<span style=\"color:%1;font-size:12px;font-weight:700\">1,500 P</span>")
                .arg(ui::accentColor().name()));
        col->addWidget(styled);
        reward = new Button(QStringLiteral("1,500 P"));
        reward->setBackgroundColor(ui::accentColor());
        reward->setPill(true);
        col->addWidget(reward);
        pages = new PageControl;
        pages->setNumberOfPages(4);
        pages->setCurrentPage(1);
        col->addWidget(pages);
        col->addStretch(1);
    }
    SegmentedControl* tabs;
    Label* styled;
    Button* reward;
    PageControl* pages;
};

} // namespace

class TstUiWidgets : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void sheetIsPartOfTheRender();
    void controlsReactToRealClicks();
    void imageViewGeometryAndConstraints();
    void activityOverlayBlocksInput();
};

// A presented sheet is part of the window's render: its backdrop darkens the screen.
void TstUiWidgets::sheetIsPartOfTheRender() {
    auto* scene = new SampleScene;
    NavigationController nav(scene);
    nav.show();
    QVERIFY(QTest::qWaitForWindowExposed(&nav));
    QTemporaryDir dir;
    QVERIFY(grabToPng(&nav, dir.filePath(QStringLiteral("plain.png"))));
    const QImage shot(dir.filePath(QStringLiteral("plain.png")));
    QCOMPARE(shot.size() / shot.devicePixelRatio(), QSize(390, 844));

    auto* sheet = new AlertController(QStringLiteral("Period"), QString(),
                                      AlertController::Style::ActionSheet);
    sheet->addAction(AlertAction(QStringLiteral("Cancel"), AlertAction::Style::Cancel));
    scene->present(sheet, false);
    QVERIFY(grabToPng(&nav, dir.filePath(QStringLiteral("sheet.png"))));
    const QImage sheetShot(dir.filePath(QStringLiteral("sheet.png")));
    QVERIFY(qGray(sheetShot.pixel(5, 60)) < qGray(shot.pixel(5, 60)));
    sheet->tapAction(QStringLiteral("Cancel"));

    QVERIFY(!grabToPng(nullptr, dir.filePath(QStringLiteral("none.png"))));
    QVERIFY(!grabToPng(&nav, QStringLiteral("/proc/forbidden/x.png")));
}

void TstUiWidgets::controlsReactToRealClicks() {
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
    QCOMPARE(labelTaps, 1);
    QTest::mouseClick(scene->styled, Qt::RightButton);
    QCOMPARE(labelTaps, 1);
    QCOMPARE(scene->styled->plainText(), QStringLiteral("Reach level 5 within 3 days. 1,500 P"));

    QSignalSpy pageChanged(scene->pages, &PageControl::valueChanged);
    QTest::mouseClick(scene->pages, Qt::LeftButton, {},
                      QPoint(scene->pages->width() - 2, scene->pages->height() / 2));
    QCOMPARE(scene->pages->currentPage(), 2);
    QCOMPARE(pageChanged.count(), 1);

    // Text view hooks.
    TextView text;
    int began = 0;
    int ended = 0;
    text.onBeginEditing([&](TextView&) { ++began; });
    text.onEndEditing([&](TextView&) { ++ended; });
    TextField other;
    QWidget holder;
    auto* hl = new QVBoxLayout(&holder);
    text.setParent(&holder);
    other.setParent(&holder);
    hl->addWidget(&text);
    hl->addWidget(&other);
    holder.show();
    QVERIFY(QTest::qWaitForWindowActive(&holder));
    text.setFocus();
    other.setFocus();
    QCOMPARE(began, 1);
    QCOMPARE(ended, 1);
    text.setParent(nullptr);
    other.setParent(nullptr);
}

void TstUiWidgets::imageViewGeometryAndConstraints() {
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
    LayoutConstraint spacing = LayoutConstraint::spacing(layout);
    spacing.setConstant(10);
    QCOMPARE(layout->spacing(), 10);
    auto* spacer = new QSpacerItem(0, 2);
    layout->addItem(spacer);
    LayoutConstraint division = LayoutConstraint::spacer(layout, spacer);
    division.setConstant(10);
    QCOMPARE(spacer->sizeHint().height(), 10);
    delete child;
    height.setConstant(30); // the widget is gone: recorded only
    QCOMPARE(height.constant(), 30.0);

    // Stack and scroll view.
    HStack stack;
    auto* a = new QWidget;
    auto* b = new QWidget;
    stack.addArrangedSubview(a);
    stack.addArrangedSubview(b);
    QCOMPARE(stack.arrangedSubviews(), (QList<QWidget*>{a, b}));
    stack.removeArrangedSubview(a);
    QCOMPARE(stack.arrangedSubviews(), QList<QWidget*>{b});
    delete a;
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

void TstUiWidgets::activityOverlayBlocksInput() {
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
    QVERIFY(!overlay->isAnimating());
    QVERIFY(!overlay->isVisible());
    QCOMPARE(screen.childAt(button->geometry().center()), button);
}

QTEST_MAIN(TstUiWidgets)

#include "tst_ui_widgets.moc"
