#pragma once
#include "basic/ListColumn.h"

#include <QAbstractTableModel>

#include <functional>
#include <string>
#include <vector>

class QTableView;

// A read-only table over rows that core state owns: the model asks for the row count and each
// cell's text when the view paints, so a list of 100,000 rows costs nothing to show.
class CListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    using RowCountFn = std::function<size_t()>;
    using CellFn = std::function<std::string(size_t row, int column)>;

    CListModel(std::vector<ListColumn> columns, RowCountFn rowCount, CellFn cell,
               QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    const std::vector<ListColumn>& Columns() const { return m_columns; }
    // The rows changed as a whole (filled again).
    void Reload();

private:
    std::vector<ListColumn> m_columns;
    RowCountFn m_rowCount;
    CellFn m_cell;
};

// A list as the program shows them: whole rows selected one at a time, no editing, the model's
// starting column widths, optional grid lines.
void SetupListView(QTableView* view, CListModel* model, bool gridLines);
// The view's width that shows every column without a horizontal scroll bar.
int ListViewWidthForColumns(const QTableView* view);
// The selected row, or -1.
int SelectedRow(const QTableView* view);
