// The carousel: its snapping and current-card rules, the shown view while scrolling, card reuse,
// the page indicator, a real mouse drag, and the facade's factory.

#include <memory>

#include <QtTest>

#include "core/Log.h"
#include "orvane/Orvane.h"
#include "screens/carousel/MyCollectionViewCell.h"
#include "screens/carousel/OrvaneCarouselView.h"
#include "ui/ImageView.h"
#include "ui/SegmentedControl.h"

using namespace orvane;
using namespace Qt::StringLiterals;

namespace {

// A carousel shown as a window `width` wide.
std::unique_ptr<OrvaneCarouselView> shownCarousel(int width) {
    auto carousel = std::make_unique<OrvaneCarouselView>();
    carousel->resize(width, carousel->sizeHint().height());
    carousel->show();
    if (!QTest::qWaitForWindowExposed(carousel.get()))
        return nullptr;
    return carousel;
}

// "D" for a dimmed card, "U" for the undimmed one, in card order.
QString pattern(const QList<MyModel>& items) {
    QString pattern;
    for (const MyModel& item : items)
        pattern += item.isDimmed ? u'D' : u'U';
    return pattern;
}

MyCollectionViewCell* cellAt(const OrvaneCarouselView& carousel, int card) {
    return qobject_cast<MyCollectionViewCell*>(carousel.collectionView()->cellForItem(card));
}

qreal leftInset(const OrvaneCarouselView& carousel) {
    return carousel.collectionView()->contentInset().left();
}

} // namespace

class TstCarousel : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { Log::setDisplayLog(true); }

    void snapping_data() {
        QTest::addColumn<qreal>("width");
        QTest::addColumn<qreal>("proposed");
        QTest::addColumn<qreal>("inset");
        QTest::addColumn<int>("card");
        QTest::addColumn<qreal>("snapped");

        QTest::newRow("375 wide, drag ends at 500") << 375.0 << 500.0 << 37.5 << 2 << 610.5;
        QTest::newRow("first card centred stays") << 375.0 << -37.5 << 37.5 << 0 << -37.5;
        QTest::newRow("half a card rounds up") << 375.0 << 124.5 << 37.5 << 1 << 286.5;
        QTest::newRow("just under half stays") << 375.0 << 124.4 << 37.5 << 0 << -37.5;
        QTest::newRow("over-scroll before the first") << 375.0 << -300.0 << 37.5 << 0 << -37.5;
        QTest::newRow("over-scroll past the last") << 375.0 << 1600.0 << 37.5 << 4 << 1258.5;
        QTest::newRow("desktop width") << 800.0 << 0.0 << 250.0 << 1 << 74.0;
        QTest::newRow("narrower than a card") << 280.0 << 10.0 << -10.0 << 0 << 10.0;
    }

    void snapping() {
        QFETCH(qreal, width);
        QFETCH(qreal, proposed);
        QFETCH(qreal, inset);
        QFETCH(int, card);
        QFETCH(qreal, snapped);
        QCOMPARE(carousel::sideInset(width), inset);
        QCOMPARE(carousel::cardIndex(proposed, inset, carousel::kPlaceholderCount), card);
        QCOMPARE(carousel::snappedOffset(proposed, inset, carousel::kPlaceholderCount), snapped);
    }

    void dimming_data() {
        QTest::addColumn<QList<int>>("moves");
        QTest::addColumn<QString>("expected");
        QTest::newRow("none: all dimmed") << QList<int>{} << u"DDDDD"_s;
        QTest::newRow("same card again") << QList<int>{2, 2} << u"DDUDD"_s;
        QTest::newRow("outside the cards ignored") << QList<int>{1, 5, -1} << u"DUDDD"_s;
    }

    void dimming() {
        QFETCH(QList<int>, moves);
        QFETCH(QString, expected);
        QList<MyModel> items = carousel::placeholderCards();
        std::optional<int> previous;
        for (int move : moves)
            carousel::moveCurrentCard(items, previous, move);
        QCOMPARE(pattern(items), expected);
    }

    // Walking through every card keeps the card it rests on current (undimmed, its dot lit) and
    // recycles the cards that left instead of making new ones; a recycled card shows the colour of
    // the card it now stands for. Resized, the view keeps the current card centred.
    void scrollingRecyclesCards() {
        auto carousel = shownCarousel(375);
        QVERIFY(carousel);
        for (int card : {1, 2, 3, 4, 3, 2, 1, 0}) {
            carousel->collectionView()->scrollToItem(card, false);
            QCOMPARE(pattern(carousel->items()), QString(u"DDDDD"_s).replace(card, 1, u'U'));
            QCOMPARE(carousel->pageControl()->currentPage(), card);
            for (int i = std::max(0, card - 1); i <= std::min(4, card + 1); ++i) {
                QVERIFY(cellAt(*carousel, i));
                QCOMPARE(cellAt(*carousel, i)->myView->backgroundColor(),
                         carousel->items().at(i).color);
                QCOMPARE(cellAt(*carousel, i)->dimmedView->isHidden(), i == card);
            }
        }
        QCOMPARE(carousel->collectionView()->createdCellCount(), 3);
        carousel->resize(1000, carousel->height());
        QTRY_COMPARE(carousel->collectionView()->width(), 1000);
        QCOMPARE(carousel->collectionView()->contentOffset().x(),
                 carousel::offsetForCard(0, carousel::sideInset(1000)));
    }

    void pageIndicatorTapScrolls() {
        auto carousel = shownCarousel(375);
        QVERIFY(carousel);
        PageControl* dots = carousel->pageControl();
        QTest::mouseClick(dots, Qt::LeftButton, {}, QPoint(dots->width() - 2, dots->height() / 2));
        QTRY_COMPARE(carousel->previousIndex().value_or(-1), 1);
        QTRY_VERIFY(!carousel->collectionView()->isScrolling());
        QCOMPARE(carousel->collectionView()->contentOffset().x(),
                 carousel::offsetForCard(1, leftInset(*carousel)));
        QCOMPARE(dots->currentPage(), 1);
    }

    void mouseDragEndsOnACard_data() {
        QTest::addColumn<int>("startCard");
        QTest::addColumn<int>("dx");
        QTest::addColumn<int>("lowest");
        QTest::addColumn<int>("highest");

        QTest::newRow("towards later cards") << 0 << -200 << 1 << 4;
        QTest::newRow("towards earlier cards") << 3 << 200 << 0 << 2;
        QTest::newRow("past the first card") << 0 << 150 << 0 << 0;
        QTest::newRow("past the last card") << 4 << -150 << 4 << 4;
    }

    void mouseDragEndsOnACard() {
        QFETCH(int, startCard);
        QFETCH(int, dx);
        QFETCH(int, lowest);
        QFETCH(int, highest);
        auto carousel = shownCarousel(375);
        QVERIFY(carousel);
        CollectionView* strip = carousel->collectionView();
        strip->scrollToItem(startCard, false);

        // The scroller moves the content on its own animation ticks: let each step land first.
        QPoint at = strip->rect().center();
        QTest::mousePress(strip, Qt::LeftButton, {}, at);
        for (int step = 0; step < 5; ++step) {
            const QPointF before = strip->contentOffset();
            at.rx() += dx / 5;
            QTest::mouseMove(strip, at);
            QTRY_VERIFY(strip->contentOffset() != before);
        }
        QTest::mouseRelease(strip, Qt::LeftButton, {}, at);

        QTRY_VERIFY(!strip->isScrolling());
        QVERIFY(carousel->previousIndex().has_value());
        const int card = *carousel->previousIndex();
        QVERIFY2(card >= lowest && card <= highest, qPrintable(QString::number(card)));
        QCOMPARE(strip->contentOffset(),
                 QPointF(carousel::offsetForCard(card, leftInset(*carousel)), 0));
        QCOMPARE(pattern(carousel->items()), QString(u"DDDDD"_s).replace(card, 1, u'U'));
    }

    void facadeGivesNewCarouselsWithNewColours() {
        std::unique_ptr<QWidget> first(Orvane::shared().orvaneCarouselView());
        std::unique_ptr<QWidget> second(Orvane::shared().orvaneCarouselView());
        auto* a = qobject_cast<OrvaneCarouselView*>(first.get());
        auto* b = qobject_cast<OrvaneCarouselView*>(second.get());
        QVERIFY(a && b && a != b);
        QVERIFY(!a->parent() && !a->isVisible()); // the host places and sizes it
        QCOMPARE(pattern(a->items()), u"DDDDD"_s);
        for (int i = 0; i < 5; ++i)
            QVERIFY(a->items().at(i).color != b->items().at(i).color);
    }
};

QTEST_MAIN(TstCarousel)
#include "tst_carousel.moc"
