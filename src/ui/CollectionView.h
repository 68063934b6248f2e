#pragma once

#include <functional>
#include <map>

#include <QHash>
#include <QMarginsF>
#include <QPointF>
#include <QScroller>
#include <QWidget>

#include "ui/TableView.h"

namespace orvane {

class CollectionView;

// An item of a CollectionView. It shares the reuse mechanics of table rows (reuse identifier,
// prepareForReuse, the Storyboard's cell registry) but has no background of its own.
class CollectionViewCell : public TableViewCell {
    Q_OBJECT
public:
    explicit CollectionViewCell(QWidget* parent = nullptr);
};

// Feeds a CollectionView (one section). Main thread only; the view keeps a plain pointer, so the
// data source must outlive it or be reset with setDataSource(nullptr).
class CollectionViewDataSource {
public:
    virtual ~CollectionViewDataSource() = default;
    virtual int numberOfItems(CollectionView& collectionView) = 0;
    // Returns the cell for `item`, normally from collectionView.dequeueReusableCell(identifier).
    virtual CollectionViewCell* cellForItem(CollectionView& collectionView, int item) = 0;
};

// Hears the scrolling of a CollectionView. Same lifetime rule as the data source.
class CollectionViewDelegate {
public:
    virtual ~CollectionViewDelegate() = default;
    // After every change of the content offset (drag, deceleration, animation, direct set).
    virtual void scrollViewDidScroll(CollectionView&) {}
    // When a drag ends: `targetContentOffset` is where the scroll would come to rest (content
    // coordinates; the velocity is the scroller's, in metres per second); changing it makes the
    // view settle there.
    virtual void scrollViewWillEndDragging(CollectionView&, QPointF /*velocity*/,
                                           QPointF& /*targetContentOffset*/) {}
};

// A horizontal strip of equally sized items in one row, as a flow layout with horizontal
// scrolling: item i lies at x = i * (itemWidth + lineSpacing) in content coordinates, inside the
// content insets. The content offset is the content point shown at the view's top-left corner, so
// the first item sits at the left inset when the offset is (-left, -top). Dragging with the mouse
// or a finger scrolls it with kinetic deceleration and a rubber band at the ends (QScroller).
// Virtualised: only items in view hold cells, recycled through a reuse pool by identifier. Main
// thread only; cells are owned by the view.
class CollectionView final : public QWidget {
    Q_OBJECT
public:
    using CellFactory = std::function<CollectionViewCell*()>;

    explicit CollectionView(QWidget* parent = nullptr);
    ~CollectionView() override;

    void setDataSource(CollectionViewDataSource* dataSource) { m_dataSource = dataSource; }
    void setDelegate(CollectionViewDelegate* delegate) { m_delegate = delegate; }

    void setItemSize(const QSizeF& size);
    QSizeF itemSize() const { return m_itemSize; }
    void setMinimumLineSpacing(qreal spacing);
    qreal minimumLineSpacing() const { return m_lineSpacing; }
    // Extra scrollable room around the items; it does not move the current offset.
    void setContentInset(const QMarginsF& inset);
    QMarginsF contentInset() const { return m_inset; }

    QSizeF contentSize() const;
    QPointF contentOffset() const { return m_offset; }
    // Moves the content; animated, it eases there over a short time. A drag in progress wins over
    // an animated move; a direct move stops any scrolling.
    void setContentOffset(const QPointF& offset, bool animated = false);
    // Scrolls item `item` to the left edge of the visible area (inside the left inset).
    void scrollToItem(int item, bool animated);
    // True while the user drags or the content decelerates or animates.
    bool isScrolling() const;
    QScroller* scroller() const { return m_scroller; }

    // Cells for `identifier` are built by `factory`; identifiers not registered here are built by
    // the Storyboard's cell registry.
    void registerCell(const QString& identifier, CellFactory factory);
    // A pooled cell with this identifier, or a new one; nullptr (logged) for an unknown identifier
    // or a registered cell that is not a CollectionViewCell.
    CollectionViewCell* dequeueReusableCell(const QString& identifier);

    // Asks the data source again for the item count and rebuilds the visible cells.
    void reloadData();
    int numberOfItems() const { return m_count; }
    QRectF rectForItem(int item) const; // content coordinates
    // The item under a content point, or -1.
    int indexForItem(const QPointF& contentPoint) const;
    // The cell of a visible item (nullptr otherwise).
    CollectionViewCell* cellForItem(int item) const;
    // Number of cells the view has built (pooled and visible), for reuse checks.
    int createdCellCount() const { return m_created; }

    QSize sizeHint() const override;

protected:
    bool event(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void scrollerStateChanged(QScroller::State state);
    void applyOffset(const QPointF& offset);
    QRectF offsetRange() const;
    void layoutCells();
    void enqueue(CollectionViewCell* cell);

    CollectionViewDataSource* m_dataSource = nullptr;
    CollectionViewDelegate* m_delegate = nullptr;
    QScroller* m_scroller;
    QScroller::State m_scrollerState = QScroller::Inactive;
    std::map<QString, CellFactory> m_factories;
    QHash<QString, QList<CollectionViewCell*>> m_pool;
    std::map<int, CollectionViewCell*> m_visible;
    QSizeF m_itemSize{50, 50};
    qreal m_lineSpacing = 10;
    QMarginsF m_inset;
    QPointF m_offset;
    int m_count = 0;
    int m_created = 0;
    bool m_stopping = false; // a stop of our own is not the end of a drag
};

} // namespace orvane
