#include "ui/CollectionView.h"

#include <algorithm>
#include <cmath>

#include <QScrollEvent>
#include <QScrollPrepareEvent>
#include <QScrollerProperties>

#include "core/Log.h"
#include "ui/KineticScroll.h"
#include "ui/Storyboard.h"
#include "ui/TapGuard.h"

namespace orvane {

namespace {

// How long an animated move (and the settling after a drag) takes.
constexpr int kScrollAnimationMs = 300;
// Deceleration of a flick: high, so that a flick travels a card or two rather than the strip.
constexpr qreal kDecelerationFactor = 0.6;

QRect pixelRect(const QRectF& r) {
    return QRect(qRound(r.x()), qRound(r.y()), qRound(r.width()), qRound(r.height()));
}

} // namespace

CollectionViewCell::CollectionViewCell(QWidget* parent)
    : TableViewCell(parent) {
    setAutoFillBackground(false);
}

CollectionView::CollectionView(QWidget* parent)
    : QWidget(parent)
    , m_scroller(QScroller::scroller(this)) {
    // Mouse drags; a finger on a touch screen arrives as synthesised mouse events.
    QScroller::grabGesture(this, QScroller::LeftMouseButtonGesture);
    QScrollerProperties properties = kineticScrollerProperties(this);
    properties.setScrollMetric(QScrollerProperties::DecelerationFactor, kDecelerationFactor);
    properties.setScrollMetric(QScrollerProperties::VerticalOvershootPolicy,
                               QVariant::fromValue(QScrollerProperties::OvershootAlwaysOff));
    m_scroller->setScrollerProperties(properties);
    connect(m_scroller, &QScroller::stateChanged, this, &CollectionView::scrollerStateChanged);
}

CollectionView::~CollectionView() {
    QScroller::ungrabGesture(this);
}

void CollectionView::setItemSize(const QSizeF& size) {
    m_itemSize = size;
    layoutCells();
}

void CollectionView::setMinimumLineSpacing(qreal spacing) {
    m_lineSpacing = spacing;
    layoutCells();
}

void CollectionView::setContentInset(const QMarginsF& inset) {
    m_inset = inset;
    layoutCells();
}

QSizeF CollectionView::contentSize() const {
    if (m_count == 0)
        return {0, m_itemSize.height()};
    return {m_count * m_itemSize.width() + (m_count - 1) * m_lineSpacing, m_itemSize.height()};
}

QRectF CollectionView::offsetRange() const {
    const qreal minX = -m_inset.left();
    const qreal maxX = std::max(minX, contentSize().width() + m_inset.right() - width());
    return QRectF(minX, -m_inset.top(), maxX - minX, 0);
}

void CollectionView::setContentOffset(const QPointF& offset, bool animated) {
    if (!animated) {
        if (m_scroller->state() != QScroller::Inactive) {
            m_stopping = true;
            m_scroller->stop();
            m_stopping = false;
        }
        applyOffset(offset);
        return;
    }
    const QScroller::State state = m_scroller->state();
    if (state == QScroller::Pressed || state == QScroller::Dragging)
        return;
    if (offset == m_offset) {
        setContentOffset(offset, false); // stops a scroll heading elsewhere
        return;
    }
    m_scroller->scrollTo(offset, kScrollAnimationMs);
}

void CollectionView::scrollToItem(int item, bool animated) {
    if (item < 0 || item >= m_count) {
        Log::error("CollectionView scrollToItem: no item", item);
        return;
    }
    const QRectF range = offsetRange();
    const qreal x = std::clamp(rectForItem(item).x() - m_inset.left(), range.left(), range.right());
    setContentOffset(QPointF(x, -m_inset.top()), animated);
}

bool CollectionView::isScrolling() const {
    return m_scroller->state() != QScroller::Inactive;
}

void CollectionView::registerCell(const QString& identifier, CellFactory factory) {
    m_factories[identifier] = std::move(factory);
}

CollectionViewCell* CollectionView::dequeueReusableCell(const QString& identifier) {
    auto pooled = m_pool.find(identifier);
    if (pooled != m_pool.end() && !pooled->isEmpty()) {
        CollectionViewCell* cell = pooled->takeLast();
        cell->prepareForReuse();
        return cell;
    }
    CollectionViewCell* cell = nullptr;
    if (auto factory = m_factories.find(identifier); factory != m_factories.end()) {
        cell = factory->second ? factory->second() : nullptr;
    } else if (TableViewCell* made = Storyboard::instantiateCell(identifier)) {
        cell = qobject_cast<CollectionViewCell*>(made);
        if (!cell) {
            Log::error("CollectionView dequeueReusableCell: not a collection cell:", identifier);
            delete made;
        }
    }
    if (!cell) {
        Log::error("CollectionView dequeueReusableCell: no cell for identifier", identifier);
        return nullptr;
    }
    cell->m_reuseIdentifier = identifier;
    cell->setParent(this);
    cell->hide();
    ++m_created;
    return cell;
}

void CollectionView::reloadData() {
    for (auto& [item, cell] : m_visible)
        enqueue(cell);
    m_visible.clear();
    m_count = m_dataSource ? m_dataSource->numberOfItems(*this) : 0;
    if (m_count < 0) {
        Log::error("CollectionView reloadData: negative item count", m_count);
        m_count = 0;
    }
    layoutCells();
}

QRectF CollectionView::rectForItem(int item) const {
    if (item < 0 || item >= m_count)
        return {};
    return QRectF(QPointF(item * (m_itemSize.width() + m_lineSpacing), 0), m_itemSize);
}

int CollectionView::indexForItem(const QPointF& contentPoint) const {
    const qreal pitch = m_itemSize.width() + m_lineSpacing;
    if (pitch <= 0 || contentPoint.x() < 0)
        return -1;
    const int item = static_cast<int>(contentPoint.x() / pitch);
    return item < m_count && rectForItem(item).contains(contentPoint) ? item : -1;
}

CollectionViewCell* CollectionView::cellForItem(int item) const {
    auto it = m_visible.find(item);
    return it == m_visible.end() ? nullptr : it->second;
}

QSize CollectionView::sizeHint() const {
    return pixelRect(QRectF(QPointF(), contentSize()).marginsAdded(m_inset)).size();
}

bool CollectionView::event(QEvent* event) {
    switch (event->type()) {
    case QEvent::ScrollPrepare: {
        auto* prepare = static_cast<QScrollPrepareEvent*>(event);
        prepare->setViewportSize(size());
        prepare->setContentPosRange(offsetRange());
        prepare->setContentPos(m_offset);
        prepare->accept();
        return true;
    }
    case QEvent::Scroll: {
        // Past an end the scroller reports the rubber band as an overshoot beyond the range.
        auto* scroll = static_cast<QScrollEvent*>(event);
        applyOffset(scroll->contentPos() + scroll->overshootDistance());
        return true;
    }
    default:
        return QWidget::event(event);
    }
}

void CollectionView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    layoutCells();
}

void CollectionView::scrollerStateChanged(QScroller::State state) {
    const QScroller::State previous = m_scrollerState;
    m_scrollerState = state;
    if (state == QScroller::Dragging)
        TapGuard::cancelPress(); // the press that started the drag taps nothing
    const bool touched = previous == QScroller::Pressed || previous == QScroller::Dragging;
    if (!touched || state == QScroller::Dragging || state == QScroller::Pressed || m_stopping ||
        !m_delegate)
        return;
    // The finger left the strip (or stopped a moving strip): where will it come to rest?
    const QPointF proposed = state == QScroller::Scrolling ? m_scroller->finalPosition() : m_offset;
    QPointF target = proposed;
    m_delegate->scrollViewWillEndDragging(*this, m_scroller->velocity(), target);
    if (target == proposed)
        return;
    if (target == m_offset)
        setContentOffset(target, false);
    else
        m_scroller->scrollTo(target, kScrollAnimationMs);
}

void CollectionView::applyOffset(const QPointF& offset) {
    if (offset == m_offset)
        return;
    m_offset = offset;
    layoutCells();
    if (m_delegate)
        m_delegate->scrollViewDidScroll(*this);
}

void CollectionView::enqueue(CollectionViewCell* cell) {
    cell->hide();
    m_pool[cell->reuseIdentifier()].append(cell);
}

void CollectionView::layoutCells() {
    const qreal pitch = m_itemSize.width() + m_lineSpacing;
    int first = 0;
    int last = -1;
    if (m_count > 0 && pitch > 0) {
        // Item i spans [i * pitch, i * pitch + width) in content coordinates.
        const qreal left = m_offset.x();
        const qreal right = left + width();
        first = std::max(0, static_cast<int>(std::floor((left - m_itemSize.width()) / pitch)) + 1);
        last = std::min(m_count - 1, static_cast<int>(std::ceil(right / pitch)) - 1);
    }
    for (auto it = m_visible.begin(); it != m_visible.end();) {
        if (it->first < first || it->first > last) {
            enqueue(it->second);
            it = m_visible.erase(it);
        } else {
            ++it;
        }
    }
    for (int item = first; item <= last; ++item) {
        CollectionViewCell* cell = cellForItem(item);
        if (!cell && m_dataSource) {
            cell = m_dataSource->cellForItem(*this, item);
            const bool inUse = std::any_of(m_visible.begin(), m_visible.end(),
                                           [cell](const auto& e) { return e.second == cell; });
            if (cell && inUse) {
                Log::error("CollectionView: the data source returned a cell already shown for "
                           "another item; item left empty:",
                           item);
                cell = nullptr;
            }
            if (!cell)
                continue;
            if (cell->parentWidget() != this)
                cell->setParent(this);
            m_pool[cell->reuseIdentifier()].removeOne(cell); // a cell kept by the data source
            m_visible[item] = cell;
        }
        if (!cell)
            continue;
        cell->setGeometry(pixelRect(rectForItem(item).translated(-m_offset)));
        cell->show();
    }
}

} // namespace orvane
