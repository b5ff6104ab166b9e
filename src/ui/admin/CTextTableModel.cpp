#include "CTextTableModel.h"
#include "widgets/CColumnFitter.h"

#include <QHeaderView>
#include <QTableView>

CTextTableModel::CTextTableModel(QStringList headers, QObject* parent)
    : QAbstractTableModel(parent), m_headers(std::move(headers)) {}

void CTextTableModel::SetRows(std::vector<QStringList> rows) {
    beginResetModel();
    m_rows = std::move(rows);
    endResetModel();
}

int CTextTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int CTextTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_headers.size());
}

QVariant CTextTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::ToolTipRole))
        return {};
    const QStringList& row = m_rows.at(static_cast<size_t>(index.row()));
    return index.column() < row.size() ? row.at(index.column()) : QString();
}

QVariant CTextTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Horizontal)
        return section < m_headers.size() ? m_headers.at(section) : QVariant();
    return section + 1;
}

void SetupAdminList(QTableView* view, CTextTableModel* model, int columnWidth) {
    view->setModel(model);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setAlternatingRowColors(true);
    view->setWordWrap(false);
    view->verticalHeader()->hide();
    view->horizontalHeader()->setStretchLastSection(false);
    view->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    for (int c = 0; c < model->columnCount(); ++c)
        view->setColumnWidth(c, columnWidth);
    CColumnFitter::Attach(view);
}

int FirstSelectedRow(const QTableView* view) {
    if (!view->selectionModel())
        return -1;
    const auto rows = view->selectionModel()->selectedRows();
    int first = -1;
    for (const auto& index : rows) {
        if (first < 0 || index.row() < first)
            first = index.row();
    }
    return first;
}
