// Pictures are fitted in device pixels: on a screen of ratio 2 a view gets twice the pixels of
// the same view at ratio 1. CTest runs this test at ratio 1 and again with QT_SCALE_FACTOR=2
// (ORVANE_TEST_RATIO names the ratio the run must see).

#include <QtTest>

#include "core/ImageCache.h"
#include "support/GuiTest.h"
#include "ui/ImageView.h"
#include "ui/ImageViewBinding.h"

using namespace orvane;
using namespace Qt::StringLiterals;

class TstHiDpi : public test::GuiTest {
    Q_OBJECT
private Q_SLOTS:
    void pictureHasTheScreensPixels();
};

void TstHiDpi::pictureHasTheScreensPixels() {
    const qreal ratio = qEnvironmentVariable("ORVANE_TEST_RATIO", u"1"_s).toDouble();
    const QUrl banner(server().imageUrl(101, u"banner"_s)); // 600 x 300
    ImageCache& cache = ImageCache::defaultCache(); // emptied by GuiTest before each function

    ImageView view;
    view.resize(100, 50);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    QCOMPARE(view.devicePixelRatioF(), ratio);
    QImage shown;
    const auto bind = [&] {
        shown = QImage();
        setUrl(&view, banner, 1.0, cache, [&shown](const QImage& image) { shown = image; });
        QTRY_VERIFY(!shown.isNull());
    };
    bind(); // downloaded: answered at full size
    QCOMPARE(shown.size(), QSize(600, 300));
    cache.clearLocalCache(); // memory emptied: the next answer is a disk hit, fitted to the view
    bind();
    // Just covers the view's pixels at this ratio (rounded up to a hundredth of the source).
    QVERIFY2(shown.width() >= 100 * ratio && shown.width() <= 100 * ratio + 6,
             qPrintable(u"%1 pixels wide at ratio %2"_s.arg(shown.width()).arg(ratio)));
    QCOMPARE(shown.width(), 2 * shown.height());
}

QTEST_MAIN(TstHiDpi)
#include "tst_hidpi.moc"
