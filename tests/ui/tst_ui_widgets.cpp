#include <QLinearGradient>
#include <QPainter>
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

QImage sampleImage(int w, int h) {
    QImage img(w, h, QImage::Format_ARGB32);
    QPainter p(&img);
    QLinearGradient g(0, 0, w, h);
    g.setColorAt(0, QColor(255, 140, 90));
    g.setColorAt(1, QColor(90, 120, 255));
    p.fillRect(img.rect(), g);
    p.setPen(QPen(Qt::white, 4));
    p.drawEllipse(QRect(w / 4, h / 4, w / 2, h / 2));
    return img;
}

// One of each widget, laid out like a small screen.
class SampleScene : public ViewController {
public:
    SampleScene() {
        setTitle(QStringLiteral("Offerwall"));
        auto* scroll = new ScrollView(this);
        auto* content = new QWidget;
        auto* col = new QVBoxLayout(content);
        col->setContentsMargins(16, 12, 16, 12);
        col->setSpacing(12);

        tabs = new SegmentedControl({QStringLiteral("Standard"), QStringLiteral("Shopping")});
        tabs->setBorderColor(ui::accentColor());
        tabs->setTitleColor(ui::accentColor(), Qt::white);
        col->addWidget(tabs);

        auto* row = new QHBoxLayout;
        icon = new ImageView;
        icon->setFixedSize(64, 64);
        icon->setImage(sampleImage(200, 200));
        icon->setContentMode(ContentMode::AspectFill);
        icon->setCornerRadius(64 / 5.0);
        row->addWidget(icon);
        auto* texts = new QVBoxLayout;
        auto* title = new Label(QStringLiteral("Install and open Sample Game"));
        title->setFontSize(ui::kTitleFontSize, QFont::DemiBold);
        texts->addWidget(title);
        styled = new Label;
        styled->setRichText(
            QStringLiteral(
                "<span style=\"color:#8c8c8c;font-size:12px\">Reach level 5 within 3 days. </span>"
                "<span style=\"color:%1;font-size:12px;font-weight:700\">1,500 P</span>")
                .arg(ui::accentColor().name()));
        texts->addWidget(styled);
        row->addLayout(texts, 1);
        reward = new Button(QStringLiteral("1,500 P"));
        reward->setBackgroundColor(ui::accentColor());
        reward->setPill(true);
        row->addWidget(reward);
        col->addLayout(row);

        auto* banner = new ImageView;
        banner->setFixedHeight(140);
        banner->setImage(sampleImage(600, 300));
        banner->setContentMode(ContentMode::AspectFill);
        banner->setCornerRadius(10);
        col->addWidget(banner);
        pages = new PageControl;
        pages->setNumberOfPages(4);
        pages->setCurrentPage(1);
        col->addWidget(pages);

        shots = new HStack;
        for (int i = 0; i < 3; ++i) {
            auto* shot = new ImageView;
            shot->setFixedSize(80, 80);
            shot->setBackgroundColor(ui::groupedBackgroundColor());
            shot->setPlaceholder(sampleImage(40 + i * 20, 40));
            shot->setCornerRadius(8);
            shots->addArrangedSubview(shot);
        }
        col->addWidget(shots);
        auto* name = new TextField;
        name->setPlaceholderText(QStringLiteral("Name"));
        col->addWidget(name);
        auto* inquiry = new TextView;
        inquiry->setPlaceholderText(QStringLiteral("Describe your problem"));
        inquiry->setFixedHeight(90);
        col->addWidget(inquiry);
        auto* send = new Button(QStringLiteral("Send"));
        send->setBackgroundColor(ui::accentColor());
        send->setCornerRadius(8);
        send->setFixedHeight(48);
        col->addWidget(send);
        auto* outline = new Button(QStringLiteral("Benefits: all"));
        outline->setBorder(QColor(227, 227, 227), 1);
        outline->setCornerRadius(6);
        outline->setTitleColor(QColor(60, 60, 60));
        col->addWidget(outline);
        col->addStretch(1);
        scroll->setContentView(content);
        auto* l = new QVBoxLayout(this);
        l->setContentsMargins(0, 0, 0, 0);
        l->addWidget(scroll);
    }
    SegmentedControl* tabs;
    ImageView* icon;
    Label* styled;
    Button* reward;
    PageControl* pages;
    HStack* shots;
};

} // namespace

class TstUiWidgets : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void sampleSceneRendersToPng();
    void controlsReactToRealClicks();
    void imageViewGeometryAndConstraints();
    void activityOverlayBlocksInput();
};

void TstUiWidgets::sampleSceneRendersToPng() {
    auto* scene = new SampleScene;
    NavigationController nav(scene);
    nav.show();
    QVERIFY(QTest::qWaitForWindowExposed(&nav));
    QTemporaryDir dir;
    const QString out = qEnvironmentVariable("ORVANE_UI_SNAPSHOT_DIR", dir.path());
    const QString plain = out + QStringLiteral("/scene.png");
    QVERIFY(grabToPng(&nav, plain));
    const QImage shot(plain);
    QCOMPARE(shot.size() / shot.devicePixelRatio(), QSize(390, 844));
    QVERIFY(!isUniformImage(shot));

    auto* sheet = new AlertController(QStringLiteral("Period"), QString(),
                                      AlertController::Style::ActionSheet);
    AlertAction week(QStringLiteral("Last week"));
    week.setChecked(true);
    sheet->addAction(week);
    sheet->addAction(AlertAction(QStringLiteral("Last month")));
    sheet->addAction(AlertAction(QStringLiteral("Cancel"), AlertAction::Style::Cancel));
    scene->present(sheet, false);
    const QString withSheet = out + QStringLiteral("/scene-sheet.png");
    QVERIFY(grabToPng(&nav, withSheet));
    const QImage sheetShot(withSheet);
    QVERIFY(sheetShot != shot); // the sheet is part of the window's render
    // The dimmed backdrop darkens the top of the screen.
    QVERIFY(qGray(sheetShot.pixel(5, 60)) < qGray(shot.pixel(5, 60)));
    sheet->tapAction(QStringLiteral("Cancel"));

    auto* alert = new AlertController(QStringLiteral("Alarm"),
                                      QStringLiteral("Please allow tracking in Settings."));
    alert->addAction(AlertAction(QStringLiteral("Cancel"), AlertAction::Style::Cancel));
    alert->addAction(AlertAction(QStringLiteral("Settings")));
    scene->present(alert, false);
    QVERIFY(grabToPng(&nav, out + QStringLiteral("/scene-alert.png")));
    alert->tapAction(QStringLiteral("Cancel"));

    QVERIFY(!grabToPng(nullptr, out + QStringLiteral("/none.png")));
    QVERIFY(!grabToPng(&nav, QStringLiteral("/proc/forbidden/x.png")));
    QVERIFY(isUniformImage(QImage()));
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
    // Press on one segment, release on another: nothing.
    QTest::mousePress(scene->tabs, Qt::LeftButton, {}, scene->tabs->segmentRect(0).center());
    QTest::mouseRelease(scene->tabs, Qt::LeftButton, {}, second.center());
    QCOMPARE(tabChanged.count(), 1);

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

int runWidgetTests(int argc, char** argv) {
    TstUiWidgets t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_ui_widgets.moc"
