#pragma once

#include <optional>

#include <QList>
#include <QWidget>

#include "core/CarouselLayout.h"
#include "core/Records.h"
#include "ui/CollectionView.h"

namespace orvane {

class PageControl;

// A carousel a host places in its own layout: a horizontal strip of 300 x 400 cards with the
// current card centred and the others dimmed, and a page indicator 16 below the strip. Dragging
// with the mouse or a finger scrolls the strip; when the drag ends it settles on the nearest card.
// The strip is vertically centred in the view and the side insets follow the view's own width,
// so the current card stays centred wherever the host puts the view (sizeHint() leaves room for
// the indicator). The cards are placeholders in colours drawn from a generator shared by all
// carousels; `campList` is reserved for campaigns and nothing fills or reads it. Makes no
// requests. Main thread only; owned by its parent.
class OrvaneCarouselView final : public QWidget,
                                 private CollectionViewDataSource,
                                 private CollectionViewDelegate {
    Q_OBJECT
public:
    explicit OrvaneCarouselView(QWidget* parent = nullptr);
    ~OrvaneCarouselView() override;

    const QList<Camp>& campList() const { return m_campList; }
    const QList<MyModel>& items() const { return m_items; }
    // The card that was current at the last scroll event (none before the first).
    std::optional<int> previousIndex() const { return m_previousIndex; }
    CollectionView* collectionView() const { return m_collectionView; }
    PageControl* pageControl() const { return m_pageControl; }

    // Scrolls the strip, animated, to the page the indicator shows (a tap beside the current dot
    // moves it one page).
    void pageValueDidChanged();

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void setupLayout();
    // The side insets for the current width, keeping the current card centred.
    void applyInsets();

    int numberOfItems(CollectionView& collectionView) override;
    CollectionViewCell* cellForItem(CollectionView& collectionView, int item) override;
    void scrollViewDidScroll(CollectionView& collectionView) override;
    void scrollViewWillEndDragging(CollectionView& collectionView, QPointF velocity,
                                   QPointF& targetContentOffset) override;

    QList<Camp> m_campList;
    CollectionView* m_collectionView;
    QList<MyModel> m_items;
    std::optional<int> m_previousIndex;
    PageControl* m_pageControl;
};

} // namespace orvane
