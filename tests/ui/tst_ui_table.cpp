#include <set>

#include <QLabel>
#include <QScrollBar>
#include <QVBoxLayout>
#include <QtTest>

#include "core/Log.h"
#include "support/TestSupport.h"
#include "ui/Storyboard.h"
#include "ui/TableView.h"
#include "ui/TapRecognizer.h"

using namespace orvane;

namespace {

// A row of a fixed height that the data source chooses; counts its reuses.
class RowCell : public TableViewCell {
public:
    RowCell() {
        auto* l = new QVBoxLayout(this);
        m_label = new QLabel(this);
        l->addWidget(m_label);
        TapRecognizer::attach(this, [this] { tappedRow = row; });
    }
    void prepareForReuse() override { ++reuses; }
    int rowHeight(int) const override { return height_; }
    int row = -1;
    int tappedRow = -1;
    int reuses = 0;
    int height_ = 44;
    QLabel* m_label;
};

class Source : public TableViewDataSource {
public:
    int rows = 300;
    std::map<TableViewCell*, int> lastRowOf; // which row each cell was last handed to
    int numberOfRows(TableView&) override { return rows; }
    static int heightOf(int row) { return 40 + (row % 3) * 20; }
    TableViewCell* cellForRow(TableView& table, int row) override {
        auto* cell = static_cast<RowCell*>(
            table.dequeueReusableCell(row % 2 ? QStringLiteral("odd") : QStringLiteral("even")));
        cell->row = row;
        cell->height_ = heightOf(row);
        cell->m_label->setText(QString::number(row));
        lastRowOf[cell] = row;
        return cell;
    }
};

} // namespace

class TstUiTable : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void reuseKeepsIdentityAndNeverSharesACell();
    void rowsHaveTheirOwnHeightHeaderAndFooter();
    void tapOnRowAndUnknownIdentifier();
};

void TstUiTable::reuseKeepsIdentityAndNeverSharesACell() {
    TableView table;
    Source source;
    table.registerCell(QStringLiteral("odd"), [] { return new RowCell; });
    table.registerCell(QStringLiteral("even"), [] { return new RowCell; });
    table.setDataSource(&source);
    table.resize(390, 600);
    table.show();
    table.reloadData();
    QVERIFY(!table.visibleRows().isEmpty());
    QCOMPARE(table.visibleRows().first(), 0);
    auto* firstCell = static_cast<RowCell*>(table.cellForRow(0));
    QVERIFY(firstCell);

    std::set<TableViewCell*> everSeen;
    bool firstCellReused = false;
    auto* bar = table.verticalScrollBar();
    for (int step = 0; bar->value() < bar->maximum() && step < 2000; ++step) {
        bar->setValue(bar->value() + 37);
        std::set<TableViewCell*> distinct;
        for (int row : table.visibleRows()) {
            auto* cell = static_cast<RowCell*>(table.cellForRow(row));
            QVERIFY(cell);
            QVERIFY2(distinct.insert(cell).second, "a cell shown for two rows at once");
            QCOMPARE(source.lastRowOf[cell], row);
            QCOMPARE(cell->row, row);
            QCOMPARE(cell->reuseIdentifier(),
                     row % 2 ? QStringLiteral("odd") : QStringLiteral("even"));
            QCOMPARE(table.rowForCell(cell), row);
            QVERIFY(cell->isVisible());
            everSeen.insert(cell);
            if (cell == firstCell && row != 0)
                firstCellReused = true;
        }
    }
    QCOMPARE(bar->value(), bar->maximum());
    QCOMPARE(table.visibleRows().last(), 299);
    // The same few cells served every row, the first one among them (same object, new row).
    QVERIFY(firstCellReused);
    QVERIFY(firstCell->reuses > 0);
    QVERIFY2(table.createdCellCount() < 40, qPrintable(QString::number(table.createdCellCount())));
    QCOMPARE(static_cast<int>(everSeen.size()), table.createdCellCount());

    // Reload: visible cells go back to the pool and come out again; none is created.
    const int created = table.createdCellCount();
    source.rows = 10;
    table.reloadData();
    QCOMPARE(table.numberOfRows(), 10);
    QCOMPARE(bar->value(), bar->maximum());
    QVERIFY(table.createdCellCount() <= created + 2);
    table.scrollToRow(0);
    QCOMPARE(table.visibleRows().first(), 0);
}

void TstUiTable::rowsHaveTheirOwnHeightHeaderAndFooter() {
    TableView table;
    Source source;
    source.rows = 5;
    table.registerCell(QStringLiteral("odd"), [] { return new RowCell; });
    table.registerCell(QStringLiteral("even"), [] { return new RowCell; });
    table.setDataSource(&source);
    auto* header = new QLabel(QStringLiteral("header"));
    header->setFixedHeight(50);
    auto* footer = new QLabel(QStringLiteral("footer"));
    footer->setFixedHeight(30);
    table.setHeaderView(header);
    table.setFooterView(footer);
    table.resize(390, 700);
    table.show();
    table.reloadData();
    QCOMPARE(header->geometry(), QRect(0, 0, table.viewport()->width(), 50));
    int y = 50;
    for (int row = 0; row < 5; ++row) {
        QWidget* cell = table.cellForRow(row);
        QVERIFY(cell);
        QCOMPARE(cell->geometry().top(), y);
        QCOMPARE(cell->height(), Source::heightOf(row));
        y += Source::heightOf(row) + 1; // one-pixel separator
    }
    QCOMPARE(footer->geometry().top(), y);
    QCOMPARE(table.contentHeight(), y + 30);

    // scrollToRow on a long table lands the row at the top, measured.
    source.rows = 300;
    table.reloadData();
    table.scrollToRow(250);
    QWidget* target = table.cellForRow(250);
    QVERIFY(target);
    QCOMPARE(target->geometry().top(), 0);
}

void TstUiTable::tapOnRowAndUnknownIdentifier() {
    test::LogCapture log;
    TableView table;
    Source source;
    source.rows = 20;
    // Cells registered in the storyboard serve tables that registered nothing themselves.
    Storyboard::registerCell(QStringLiteral("odd"), [] { return new RowCell; });
    Storyboard::registerCell(QStringLiteral("even"), [] { return new RowCell; });
    table.setDataSource(&source);
    table.resize(390, 400);
    table.show();
    table.reloadData();
    auto* cell = static_cast<RowCell*>(table.cellForRow(3));
    QVERIFY(cell);
    QTest::mouseClick(cell->m_label, Qt::LeftButton);
    QCOMPARE(cell->tappedRow, 3);

    QCOMPARE(table.dequeueReusableCell(QStringLiteral("nope")), nullptr);
    QVERIFY(log.contains(QStringLiteral("no cell for identifier nope")));
    Storyboard::clear();
}

int runTableTests(int argc, char** argv) {
    TstUiTable t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_ui_table.moc"
