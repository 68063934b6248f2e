#include "screens/carousel/OrvaneCarouselView.h"

#include "core/Log.h"
#include "screens/carousel/MyCollectionViewCell.h"
#include "ui/ImageView.h"
#include "ui/SegmentedControl.h"
#include "ui/Storyboard.h"
#include "ui/Theme.h"

namespace orvane {

namespace {

void registerCardCell() {
    if (!Storyboard::hasCell(MyCollectionViewCell::kReuseIdentifier))
        Storyboard::registerCell(MyCollectionViewCell::kReuseIdentifier,
                                 [] { return new MyCollectionViewCell; });
}

} // namespace

OrvaneCarouselView::OrvaneCarouselView(QWidget* parent)
    : QWidget(parent)
    , m_collectionView(new CollectionView(this))
    , m_items(carousel::placeholderCards())
    , m_pageControl(new PageControl(this)) {
    registerCardCell();
    m_collectionView->setObjectName(QStringLiteral("collectionView"));
    m_collectionView->setItemSize(carousel::kItemSize);
    m_collectionView->setMinimumLineSpacing(carousel::kLineSpacing);
    m_pageControl->setObjectName(QStringLiteral("pageControl"));
    m_pageControl->setIndicatorColors(QColor(160, 160, 160), Qt::black);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setupLayout();
}

OrvaneCarouselView::~OrvaneCarouselView() {
    // The strip outlives this object's own members by a moment (children go last): keep it from
    // calling back into a half-destroyed carousel.
    m_collectionView->setDataSource(nullptr);
    m_collectionView->setDelegate(nullptr);
}

void OrvaneCarouselView::setupLayout() {
    m_collectionView->setDataSource(this);
    m_collectionView->setDelegate(this);
    m_pageControl->setNumberOfPages(static_cast<int>(m_items.size()));
    connect(m_pageControl, &PageControl::valueChanged, this,
            &OrvaneCarouselView::pageValueDidChanged);
    m_collectionView->reloadData();
}

void OrvaneCarouselView::pageValueDidChanged() {
    m_collectionView->scrollToItem(m_pageControl->currentPage(), true);
}

QSize OrvaneCarouselView::sizeHint() const {
    return {ui::kPhoneSize.width(), minimumSizeHint().height()};
}

QSize OrvaneCarouselView::minimumSizeHint() const {
    // The strip is centred vertically, so the indicator below it needs its room above it too.
    const int below = carousel::kPageControlGap + m_pageControl->sizeHint().height();
    return {static_cast<int>(carousel::kItemSize.width()),
            static_cast<int>(carousel::kItemSize.height()) + 2 * below};
}

void OrvaneCarouselView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    const int stripHeight = static_cast<int>(carousel::kItemSize.height());
    const int stripTop = (height() - stripHeight) / 2;
    m_collectionView->setGeometry(0, stripTop, width(), stripHeight);
    const QSize dots = m_pageControl->sizeHint();
    m_pageControl->setGeometry((width() - dots.width()) / 2,
                               stripTop + stripHeight + carousel::kPageControlGap, dots.width(),
                               dots.height());
    applyInsets();
}

void OrvaneCarouselView::applyInsets() {
    const int count = static_cast<int>(m_items.size());
    const QPointF before = m_collectionView->contentOffset();
    const int current =
        carousel::cardIndex(before.x(), m_collectionView->contentInset().left(), count);
    const qreal inset = carousel::sideInset(m_collectionView->width());
    m_collectionView->setContentInset(QMarginsF(inset, 0, inset, 0));
    m_collectionView->setContentOffset(QPointF(carousel::offsetForCard(current, inset), 0));
    // Every layout settles a current card, also when the offset stayed (a strip 300 wide).
    if (m_collectionView->contentOffset() == before)
        scrollViewDidScroll(*m_collectionView);
}

int OrvaneCarouselView::numberOfItems(CollectionView&) {
    return static_cast<int>(m_items.size());
}

CollectionViewCell* OrvaneCarouselView::cellForItem(CollectionView& collectionView, int item) {
    auto* cell = qobject_cast<MyCollectionViewCell*>(
        collectionView.dequeueReusableCell(MyCollectionViewCell::kReuseIdentifier));
    if (!cell) {
        Log::error("OrvaneCarouselView cellForItem: no card cell for item", item);
        return nullptr;
    }
    const MyModel& model = m_items.at(item);
    cell->myView->setBackgroundColor(model.color);
    cell->dimmedView->setHidden(!model.isDimmed);
    return cell;
}

void OrvaneCarouselView::scrollViewDidScroll(CollectionView& collectionView) {
    const QPointF offset = collectionView.contentOffset();
    const QPointF centre = offset + QPointF(collectionView.width(), collectionView.height()) / 2;
    if (const int page = collectionView.indexForItem(centre); page >= 0)
        m_pageControl->setCurrentPage(page);
    const int index = carousel::cardIndex(offset.x(), collectionView.contentInset().left(),
                                          static_cast<int>(m_items.size()));
    carousel::moveCurrentCard(m_items, m_previousIndex, index);
    collectionView.reloadData();
}

void OrvaneCarouselView::scrollViewWillEndDragging(CollectionView& collectionView, QPointF,
                                                   QPointF& targetContentOffset) {
    const QMarginsF inset = collectionView.contentInset();
    targetContentOffset = QPointF(carousel::snappedOffset(targetContentOffset.x(), inset.left(),
                                                          static_cast<int>(m_items.size())),
                                  -inset.top());
}

} // namespace orvane
