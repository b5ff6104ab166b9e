#pragma once
#include <QAbstractTableModel>
#include <QStringList>

#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

class QTableView;
class QWidget;

// A read-only list of text rows for the query windows: lists of tens of thousands of rows stay
// cheap because the texts are kept as they came from core and converted only when painted.
// A marked row (a total row) is drawn bold on a tinted background; a noted row is drawn in
// red, its note as the tooltip.
class CQueryTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    using Row = std::vector<std::string>;

    explicit CQueryTableModel(QObject* parent = nullptr);

    // Replaces the columns; the rows go too.
    void SetHeaders(const QStringList& headers);
    // Columns drawn right-aligned (quantities, prices).
    void SetNumericColumns(std::set<int> columns);
    void SetRows(std::vector<Row> rows);
    void AppendRow(Row row, bool marked = false);
    // The rows of a report whose last row is its total: that row is marked.
    void SetRowsWithTotal(std::vector<Row> rows);
    void Clear();
    // The rows, handed back whole; the model is left empty.
    std::vector<Row> TakeRows();
    // A column told from the row's other cells only when it is asked for (drawn, measured,
    // exported): the row itself does not hold it. Marked rows keep their own cell.
    using ColumnText = std::function<std::string(const Row&)>;
    void SetComputedColumn(int column, ColumnText text);
    // Notes by row (the rows stay as they are); SetRows and Clear drop them.
    void SetRowNotes(std::map<int, QString> notes);

    QString Cell(int row, int column) const;
    bool IsMarked(int row) const { return m_marked.count(row) != 0; }
    QString RowNote(int row) const;
    const std::vector<Row>& Rows() const { return m_rows; }
    const QStringList& Headers() const { return m_headers; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    QStringList m_headers;
    std::vector<Row> m_rows;
    std::set<int> m_marked;
    std::set<int> m_numeric;
    std::map<int, QString> m_notes;
    int m_computedColumn = -1;
    ColumnText m_computed;
};

// The list of a query window: whole rows selected, read-only, grid lines, fixed row height.
QTableView* MakeQueryListView(CQueryTableModel* model, QWidget* parent);
QStringList ToQStringList(const std::vector<std::string>& texts);
