#pragma once

#include <functional>
#include <map>
#include <vector>

#include <QAbstractScrollArea>
#include <QHash>
#include <QPointer>

namespace orvane {

class FocusRing;
class TableView;

// A row of a TableView. Cells are made by the factory registered for their identifier and are
// recycled: when a row scrolls out of view its cell goes to the table's reuse pool, and
// dequeueReusableCell() hands it out again (after prepareForReuse()) for another row with the same
// identifier. Its height comes from rowHeight(), by default the layout's height for the table's
// width. Owned by the table.
class TableViewCell : public QWidget {
    Q_OBJECT
public:
    explicit TableViewCell(QWidget* parent = nullptr);

    QString reuseIdentifier() const { return m_reuseIdentifier; }
    // Called when the cell is taken from the reuse pool, before the data source fills it again.
    virtual void prepareForReuse() {}
    // Height of the cell at `width`; -1 asks the table to use its estimate.
    virtual int rowHeight(int width) const;
    // Asks the table showing this cell to measure it again: its content changed after the table
    // placed it. Does nothing for a cell that shows no row.
    void invalidateRowHeight();
    // What Enter or Space on the row (and assistive technology's "press") does: by default
    // nothing; rows that react to a tap do the same here.
    virtual void activate() {}
    // The table showing this cell, if any.
    TableView* tableView() const;

private:
    friend class TableView;
    friend class CollectionView;
    QString m_reuseIdentifier;
};

// Feeds a TableView (one section). Main thread only; the table keeps a plain pointer, so the data
// source must outlive it or be reset with setDataSource(nullptr).
class TableViewDataSource {
public:
    virtual ~TableViewDataSource() = default;
    virtual int numberOfRows(TableView& tableView) = 0;
    // Returns the cell for `row`, normally from tableView.dequeueReusableCell(identifier).
    virtual TableViewCell* cellForRow(TableView& tableView, int row) = 0;
};

// A vertical list of rows of their own height, with an optional header and footer view,
// virtualised: only the rows in view hold cells. Scrolls by pixels: by drag and flick as well as
// by wheel and keys, with no scroll bar (enableDragScrolling). A cell is never shown for two rows
// at once. Main thread only; cells, header and footer are owned by the table.
//
// Keyboard: the list is one stop of the Tab order. While it has the focus, its current row wears
// a focus ring, the arrow keys (and Home, End) move between rows, scrolling the current one into
// view, and Enter or Space activates it (TableViewCell::activate).
class TableView : public QAbstractScrollArea {
    Q_OBJECT
public:
    using CellFactory = std::function<TableViewCell*()>;
    enum class ScrollPosition { Top, Middle, Bottom };

    explicit TableView(QWidget* parent = nullptr);
    ~TableView() override;

    void setDataSource(TableViewDataSource* dataSource);
    TableViewDataSource* dataSource() const { return m_dataSource; }

    // Cells for `identifier` are built by `factory`. Identifiers not registered here are built by
    // the Storyboard's cell registry.
    void registerCell(const QString& identifier, CellFactory factory);
    // A pooled cell with this identifier, or a new one; nullptr (logged) for an unknown identifier.
    TableViewCell* dequeueReusableCell(const QString& identifier);

    // Asks the data source again for the row count and the visible rows.
    void reloadData();
    int numberOfRows() const { return static_cast<int>(m_heights.size()); }

    // The cell of a visible row (nullptr otherwise), and the row a visible cell shows (-1).
    TableViewCell* cellForRow(int row) const;
    int rowForCell(const QWidget* cell) const;
    QList<int> visibleRows() const;
    QRect rectForRow(int row) const; // in content coordinates
    void scrollToRow(int row, ScrollPosition position = ScrollPosition::Top);
    // Measures the row that `cell` shows again and lays the rows out (see invalidateRowHeight).
    // The rows in view keep their place on the screen.
    void remeasure(const TableViewCell* cell);

    // Shown above the first row / below the last, at their heightForWidth (or size hint).
    void setHeaderView(QWidget* header);
    QWidget* headerView() const { return m_header; }
    void setFooterView(QWidget* footer);
    QWidget* footerView() const { return m_footer; }

    // Height assumed for rows not yet measured.
    void setEstimatedRowHeight(int height);
    void setSeparatorsVisible(bool visible);
    int contentHeight() const;
    // Number of cells the table has built (pooled and visible), for reuse checks.
    int createdCellCount() const { return m_created; }

    // The row the keyboard is on (-1: none yet); setting it scrolls it into view.
    int currentRow() const { return m_currentRow; }
    void setCurrentRow(int row);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void resizeEvent(QResizeEvent* event) override;
    bool viewportEvent(QEvent* event) override;

private:
    void layoutRows();
    void recomputeOffsets();
    void updateScrollRange();
    void enqueue(TableViewCell* cell);
    int headerHeight() const;
    int footerHeight() const;
    int rowAt(int contentY) const;
    int measure(TableViewCell* cell) const;
    void updateFocusRing();

    TableViewDataSource* m_dataSource = nullptr;
    std::map<QString, CellFactory> m_factories;
    QHash<QString, QList<TableViewCell*>> m_pool;
    std::map<int, TableViewCell*> m_visible;
    std::vector<int> m_heights;
    std::vector<bool> m_measured;
    std::vector<int> m_offsets; // row tops relative to the end of the header; size rows + 1
    QPointer<QWidget> m_header;
    QPointer<QWidget> m_footer;
    int m_estimatedRowHeight = 60;
    int m_lastWidth = -1;
    int m_created = 0;
    bool m_separators = true;
    bool m_inLayout = false;
    int m_currentRow = -1;
    QPointer<FocusRing> m_ring;
};

} // namespace orvane
