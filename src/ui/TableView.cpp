#include "ui/TableView.h"

#include <algorithm>

#include <QKeyEvent>
#include <QLayout>
#include <QPainter>
#include <QResizeEvent>
#include <QScrollBar>

#include "core/Log.h"
#include "ui/Accessibility.h"
#include "ui/KineticScroll.h"
#include "ui/Storyboard.h"
#include "ui/Theme.h"

namespace orvane {

namespace {
constexpr int kScrollStep = 20;
constexpr int kSeparatorInset = 16;

// Box layouts cache their height for a width, and a label's new text invalidates only the
// cell's top layout: the nested ones would answer for the content the cell had before.
void invalidateLayouts(QLayout* layout) {
    layout->invalidate();
    for (int i = 0; i < layout->count(); ++i) {
        if (QLayout* child = layout->itemAt(i)->layout())
            invalidateLayouts(child);
    }
}
} // namespace

TableViewCell::TableViewCell(QWidget* parent)
    : QWidget(parent) {
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, Qt::white);
    setPalette(p);
    ui::setAccessibleRole(this, QAccessible::ListItem);
}

TableView* TableViewCell::tableView() const {
    QWidget* viewport = parentWidget();
    return qobject_cast<TableView*>(viewport ? viewport->parentWidget() : nullptr);
}

int TableViewCell::rowHeight(int width) const {
    if (minimumHeight() > 0 && minimumHeight() == maximumHeight())
        return minimumHeight();
    if (QLayout* l = layout()) {
        invalidateLayouts(l);
        if (l->hasHeightForWidth())
            return l->totalHeightForWidth(width);
        return l->totalSizeHint().height();
    }
    const int hint = sizeHint().height();
    return hint > 0 ? hint : -1;
}

void TableViewCell::invalidateRowHeight() {
    if (TableView* table = tableView())
        table->remeasure(this);
}

TableView::TableView(QWidget* parent)
    : QAbstractScrollArea(parent) {
    setFrameShape(QFrame::NoFrame);
    enableDragScrolling(this);
    verticalScrollBar()->setSingleStep(kScrollStep);
    viewport()->setAutoFillBackground(true);
    QPalette p = viewport()->palette();
    p.setColor(QPalette::Window, Qt::white);
    viewport()->setPalette(p);
    // One Tab stop for the whole list; a tap does not take the focus from where it is.
    setFocusPolicy(Qt::TabFocus);
    ui::setAccessibleRole(this, QAccessible::List);
    recomputeOffsets();
}

TableView::~TableView() {
    disableDragScrolling(this);
}

void TableView::setDataSource(TableViewDataSource* dataSource) {
    m_dataSource = dataSource;
}

void TableView::registerCell(const QString& identifier, CellFactory factory) {
    m_factories[identifier] = std::move(factory);
}

TableViewCell* TableView::dequeueReusableCell(const QString& identifier) {
    auto pooled = m_pool.find(identifier);
    if (pooled != m_pool.end() && !pooled->isEmpty()) {
        TableViewCell* cell = pooled->takeLast();
        cell->prepareForReuse();
        return cell;
    }
    TableViewCell* cell = nullptr;
    auto factory = m_factories.find(identifier);
    if (factory != m_factories.end())
        cell = factory->second ? factory->second() : nullptr;
    else
        cell = Storyboard::instantiateCell(identifier);
    if (!cell) {
        Log::error("TableView dequeueReusableCell: no cell for identifier", identifier);
        return nullptr;
    }
    cell->m_reuseIdentifier = identifier;
    cell->setParent(viewport());
    cell->hide();
    ++m_created;
    return cell;
}

void TableView::reloadData() {
    // The rows may now show other content of other heights: a position inside a row means
    // nothing any more. Keep the first row in view where it was, shown from its top (at the top
    // when the list was at the top).
    const int scroll = verticalScrollBar()->value();
    const int header = headerHeight();
    const int anchor = scroll > header && !m_offsets.empty() ? rowAt(scroll - header) : -1;
    for (auto& [row, cell] : m_visible)
        enqueue(cell);
    m_visible.clear();
    int rows = m_dataSource ? m_dataSource->numberOfRows(*this) : 0;
    if (rows < 0) {
        Log::error("TableView reloadData: negative row count", rows);
        rows = 0;
    }
    m_heights.assign(rows, m_estimatedRowHeight);
    m_measured.assign(rows, false);
    if (m_currentRow >= rows)
        m_currentRow = rows - 1;
    recomputeOffsets();
    updateScrollRange();
    if (anchor >= 0 && anchor < rows)
        scrollToRow(anchor);
    else
        layoutRows();
}

TableViewCell* TableView::cellForRow(int row) const {
    auto it = m_visible.find(row);
    return it == m_visible.end() ? nullptr : it->second;
}

int TableView::rowForCell(const QWidget* cell) const {
    for (const auto& [row, c] : m_visible) {
        if (c == cell)
            return row;
    }
    return -1;
}

QList<int> TableView::visibleRows() const {
    QList<int> rows;
    for (const auto& entry : m_visible)
        rows.append(entry.first);
    return rows;
}

QRect TableView::rectForRow(int row) const {
    if (row < 0 || row >= numberOfRows())
        return {};
    return QRect(0, headerHeight() + m_offsets[row], viewport()->width(), m_heights[row]);
}

void TableView::scrollToRow(int row, ScrollPosition position) {
    if (row < 0 || row >= numberOfRows()) {
        Log::error("TableView scrollToRow: no row", row);
        return;
    }
    // Measure on the way: move near the row, lay out, then place it exactly.
    for (int pass = 0; pass < 3; ++pass) {
        const QRect r = rectForRow(row);
        int target = r.top();
        if (position == ScrollPosition::Middle)
            target = r.center().y() - viewport()->height() / 2;
        else if (position == ScrollPosition::Bottom)
            target = r.bottom() + 1 - viewport()->height();
        verticalScrollBar()->setValue(target);
        layoutRows();
    }
}

void TableView::remeasure(const TableViewCell* cell) {
    const int row = rowForCell(cell);
    if (row < 0 || m_inLayout)
        return;
    const int height = measure(m_visible.at(row));
    m_measured[row] = true;
    const int change = height - m_heights[row];
    if (change == 0)
        return;
    // The rows in view stay where they are: a row that starts above the view grows or shrinks
    // upwards, out of sight; one that starts in view moves the rows below it.
    const int scroll = verticalScrollBar()->value();
    const bool above = headerHeight() + m_offsets[row] < scroll;
    m_heights[row] = height;
    recomputeOffsets();
    updateScrollRange();
    if (above)
        verticalScrollBar()->setValue(scroll + change);
    layoutRows();
    resendScrollPrepare(this);
}

void TableView::setHeaderView(QWidget* header) {
    if (m_header && m_header != header)
        m_header->deleteLater();
    m_header = header;
    if (header) {
        header->setParent(viewport());
        header->show();
    }
    updateScrollRange();
    layoutRows();
}

void TableView::setFooterView(QWidget* footer) {
    if (m_footer && m_footer != footer)
        m_footer->deleteLater();
    m_footer = footer;
    if (footer) {
        footer->setParent(viewport());
        footer->show();
    }
    updateScrollRange();
    layoutRows();
}

void TableView::setEstimatedRowHeight(int height) {
    m_estimatedRowHeight = std::max(1, height);
}

void TableView::setSeparatorsVisible(bool visible) {
    m_separators = visible;
    recomputeOffsets();
    updateScrollRange();
    layoutRows();
}

int TableView::contentHeight() const {
    return headerHeight() + m_offsets.back() + footerHeight();
}

int TableView::headerHeight() const {
    if (!m_header || m_header->isHidden())
        return 0;
    return m_header->hasHeightForWidth() ? m_header->heightForWidth(viewport()->width())
                                         : m_header->sizeHint().height();
}

int TableView::footerHeight() const {
    if (!m_footer || m_footer->isHidden())
        return 0;
    return m_footer->hasHeightForWidth() ? m_footer->heightForWidth(viewport()->width())
                                         : m_footer->sizeHint().height();
}

void TableView::recomputeOffsets() {
    const int separator = m_separators ? 1 : 0;
    m_offsets.assign(m_heights.size() + 1, 0);
    for (size_t i = 0; i < m_heights.size(); ++i)
        m_offsets[i + 1] = m_offsets[i] + m_heights[i] + separator;
}

void TableView::updateScrollRange() {
    const int h = viewport()->height();
    verticalScrollBar()->setPageStep(h);
    verticalScrollBar()->setRange(0, std::max(0, contentHeight() - h));
}

int TableView::rowAt(int contentY) const {
    // First row whose bottom lies below contentY.
    auto it = std::upper_bound(m_offsets.begin() + 1, m_offsets.end(), contentY);
    return static_cast<int>(it - m_offsets.begin()) - 1;
}

int TableView::measure(TableViewCell* cell) const {
    const int h = cell->rowHeight(viewport()->width());
    return h >= 0 ? h : m_estimatedRowHeight;
}

void TableView::enqueue(TableViewCell* cell) {
    cell->hide();
    m_pool[cell->reuseIdentifier()].append(cell);
}

void TableView::layoutRows() {
    if (m_inLayout)
        return;
    m_inLayout = true;
    const int width = viewport()->width();
    const int viewHeight = viewport()->height();
    const int separator = m_separators ? 1 : 0;
    for (int pass = 0; pass < 4; ++pass) {
        const int scroll = verticalScrollBar()->value();
        const int header = headerHeight();
        if (m_header)
            m_header->setGeometry(0, -scroll, width, header);

        const int rows = numberOfRows();
        const int top = scroll - header;
        const int first = rows == 0 ? 0 : std::clamp(rowAt(std::max(top, 0)), 0, rows);
        const int tentativeLast = rows == 0 ? -1 : rowAt(top + viewHeight);
        // Free the cells that left the view before asking for new ones, so the pool can serve.
        for (auto it = m_visible.begin(); it != m_visible.end();) {
            if (it->first < first || it->first > tentativeLast) {
                enqueue(it->second);
                it = m_visible.erase(it);
            } else {
                ++it;
            }
        }

        bool heightsChanged = false;
        std::map<int, TableViewCell*> shown;
        int y = m_offsets[first];
        int row = first;
        for (; row < rows && y < top + viewHeight; ++row) {
            TableViewCell* cell = nullptr;
            if (auto it = m_visible.find(row); it != m_visible.end()) {
                cell = it->second;
                m_visible.erase(it);
            } else if (m_dataSource) {
                cell = m_dataSource->cellForRow(*this, row);
                const bool inUse =
                    std::any_of(shown.begin(), shown.end(),
                                [cell](const auto& e) { return e.second == cell; }) ||
                    std::any_of(m_visible.begin(), m_visible.end(),
                                [cell](const auto& e) { return e.second == cell; });
                if (cell && inUse) {
                    Log::error("TableView: the data source returned a cell already shown for "
                               "another row; row left empty:",
                               row);
                    cell = nullptr;
                }
            }
            if (cell) {
                if (cell->parentWidget() != viewport())
                    cell->setParent(viewport());
                m_pool[cell->reuseIdentifier()].removeOne(cell); // a cell kept by the data source
                if (!m_measured[row]) {
                    const int h = measure(cell);
                    if (h != m_heights[row]) {
                        m_heights[row] = h;
                        heightsChanged = true;
                    }
                    m_measured[row] = true;
                }
                cell->setGeometry(0, header + y - scroll, width, m_heights[row]);
                cell->show();
                shown[row] = cell;
            }
            y += m_heights[row] + separator;
        }
        for (auto& [r, cell] : m_visible)
            enqueue(cell);
        m_visible = std::move(shown);

        if (m_footer)
            m_footer->setGeometry(0, header + (heightsChanged ? y : m_offsets[rows]) - scroll,
                                  width, footerHeight());
        if (!heightsChanged)
            break;
        recomputeOffsets();
        const int before = verticalScrollBar()->value();
        updateScrollRange();
        if (m_footer)
            m_footer->setGeometry(0, header + m_offsets[rows] - scroll, width, footerHeight());
        if (verticalScrollBar()->value() == before)
            break;
    }
    viewport()->update();
    m_inLayout = false;
    updateFocusRing();
}

void TableView::setCurrentRow(int row) {
    if (row < 0 || row >= numberOfRows())
        return;
    m_currentRow = row;
    // Scrolls only as far as needed to show the whole row.
    const QRect r = rectForRow(row);
    const int top = verticalScrollBar()->value();
    const int height = viewport()->height();
    if (r.top() < top)
        scrollToRow(row, ScrollPosition::Top);
    else if (r.bottom() >= top + height)
        scrollToRow(row, r.height() > height ? ScrollPosition::Top : ScrollPosition::Bottom);
    layoutRows();
    if (hasFocus())
        ui::announceFocus(cellForRow(row));
}

void TableView::updateFocusRing() {
    TableViewCell* cell = hasFocus() ? cellForRow(m_currentRow) : nullptr;
    if (!cell) {
        if (m_ring)
            m_ring->hide();
        return;
    }
    if (!m_ring)
        m_ring = new FocusRing(cell);
    m_ring->setCornerRadius(6);
    m_ring->setTarget(cell);
    m_ring->show();
}

void TableView::keyPressEvent(QKeyEvent* event) {
    const int rows = numberOfRows();
    const bool plain = (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    if (rows == 0 || !plain) {
        QAbstractScrollArea::keyPressEvent(event);
        return;
    }
    const int current = std::clamp(m_currentRow, 0, rows - 1);
    switch (event->key()) {
    case Qt::Key_Down:
        setCurrentRow(m_currentRow < 0 ? 0 : std::min(current + 1, rows - 1));
        break;
    case Qt::Key_Up:
        setCurrentRow(std::max(current - 1, 0));
        break;
    case Qt::Key_Home:
        setCurrentRow(0);
        break;
    case Qt::Key_End:
        setCurrentRow(rows - 1);
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        if (event->isAutoRepeat())
            break;
        setCurrentRow(current);
        if (TableViewCell* cell = cellForRow(current))
            cell->activate();
        break;
    default:
        QAbstractScrollArea::keyPressEvent(event);
        return;
    }
    event->accept();
}

void TableView::focusInEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusInEvent(event);
    if (numberOfRows() == 0)
        return;
    if (m_currentRow < 0 || !cellForRow(m_currentRow)) {
        // Back into the list: the first row in view becomes current.
        const QList<int> shown = visibleRows();
        m_currentRow = shown.isEmpty() ? 0 : shown.first();
    }
    setCurrentRow(m_currentRow);
}

void TableView::focusOutEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusOutEvent(event);
    updateFocusRing();
}

void TableView::scrollContentsBy(int, int) {
    layoutRows();
}

void TableView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    if (viewport()->width() != m_lastWidth) {
        m_lastWidth = viewport()->width();
        std::fill(m_measured.begin(), m_measured.end(), false);
    }
    updateScrollRange();
    layoutRows();
}

bool TableView::viewportEvent(QEvent* event) {
    if (event->type() == QEvent::Paint && m_separators) {
        QPainter p(viewport());
        const int scroll = verticalScrollBar()->value();
        const int header = headerHeight();
        for (const auto& [row, cell] : m_visible) {
            const int y = header + m_offsets[row + 1] - 1 - scroll;
            p.fillRect(QRect(kSeparatorInset, y, viewport()->width() - kSeparatorInset, 1),
                       ui::separatorColor());
        }
        return true;
    }
    return QAbstractScrollArea::viewportEvent(event);
}

} // namespace orvane
