#include "CListModel.h"
#include "widgets/CColumnFitter.h"

#include <QHeaderView>
#include <QScrollBar>
#include <QTableView>

CListModel::CListModel(std::vector<ListColumn> columns, RowCountFn rowCount, CellFn cell,
                       QObject* parent)
    : QAbstractTableModel(parent), m_columns(std::move(columns)), m_rowCount(std::move(rowCount)),
      m_cell(std::move(cell)) {}

int CListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_rowCount());
}

int CListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_columns.size());
}

QVariant CListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::ToolTipRole))
        return {};
    return QString::fromStdString(m_cell(size_t(index.row()), index.column()));
}

QVariant CListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || size_t(section) >= m_columns.size())
        return {};
    if (role == Qt::DisplayRole)
        return QString::fromUtf8(m_columns[section].header);
    if (role == Qt::TextAlignmentRole)
        return int(Qt::AlignLeft | Qt::AlignVCenter);
    return {};
}

void CListModel::Reload() {
    beginResetModel();
    endResetModel();
}

void SetupListView(QTableView* view, CListModel* model, bool gridLines) {
    view->setModel(model);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setShowGrid(gridLines);
    view->setWordWrap(false);
    view->setAlternatingRowColors(true);
    view->setTabKeyNavigation(false); // Tab leaves the list for the next field
    view->verticalHeader()->hide();
    // Fixed row heights keep long lists fast: the view never measures rows.
    view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view->verticalHeader()->setDefaultSectionSize(view->fontMetrics().height() + 8);
    QHeaderView* header = view->horizontalHeader();
    header->setStretchLastSection(false);
    header->setHighlightSections(false);
    for (size_t i = 0; i < model->Columns().size(); ++i)
        view->setColumnWidth(int(i), model->Columns()[i].width);
    CColumnFitter::Attach(view);
}

int ListViewWidthForColumns(const QTableView* view) {
    int width = 0;
    for (int i = 0; i < view->model()->columnCount(); ++i)
        width += view->columnWidth(i);
    return width + 2 * view->frameWidth() + view->verticalScrollBar()->sizeHint().width() + 2;
}

int SelectedRow(const QTableView* view) {
    const QModelIndexList rows = view->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}
