#include "CQueryTableModel.h"
#include "widgets/CColumnFitter.h"

#include <QBrush>
#include <QColor>
#include <QFont>
#include <QHeaderView>
#include <QTableView>

CQueryTableModel::CQueryTableModel(QObject* parent) : QAbstractTableModel(parent) {}

void CQueryTableModel::SetHeaders(const QStringList& headers) {
    beginResetModel();
    m_headers = headers;
    m_rows.clear();
    m_marked.clear();
    m_notes.clear();
    endResetModel();
}

void CQueryTableModel::SetNumericColumns(std::set<int> columns) {
    m_numeric = std::move(columns);
    if (!m_rows.empty())
        emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1),
                         {Qt::TextAlignmentRole});
}

void CQueryTableModel::SetRows(std::vector<Row> rows) {
    beginResetModel();
    m_rows = std::move(rows);
    m_marked.clear();
    m_notes.clear();
    endResetModel();
}

void CQueryTableModel::AppendRow(Row row, bool marked) {
    int at = rowCount();
    beginInsertRows(QModelIndex(), at, at);
    m_rows.push_back(std::move(row));
    if (marked)
        m_marked.insert(at);
    endInsertRows();
}

void CQueryTableModel::SetRowsWithTotal(std::vector<Row> rows) {
    beginResetModel();
    m_rows = std::move(rows);
    m_marked.clear();
    if (!m_rows.empty())
        m_marked.insert(static_cast<int>(m_rows.size()) - 1);
    m_notes.clear();
    endResetModel();
}

void CQueryTableModel::Clear() {
    beginResetModel();
    m_rows.clear();
    m_marked.clear();
    m_notes.clear();
    endResetModel();
}

std::vector<CQueryTableModel::Row> CQueryTableModel::TakeRows() {
    beginResetModel();
    std::vector<Row> rows = std::move(m_rows);
    m_rows.clear();
    m_marked.clear();
    m_notes.clear();
    endResetModel();
    return rows;
}

void CQueryTableModel::SetComputedColumn(int column, ColumnText text) {
    m_computedColumn = column;
    m_computed = std::move(text);
    if (!m_rows.empty())
        emit dataChanged(index(0, column), index(rowCount() - 1, column));
}

void CQueryTableModel::SetRowNotes(std::map<int, QString> notes) {
    m_notes = std::move(notes);
    if (!m_rows.empty())
        emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1),
                         {Qt::ForegroundRole, Qt::ToolTipRole});
}

QString CQueryTableModel::RowNote(int row) const {
    auto it = m_notes.find(row);
    return it == m_notes.end() ? QString() : it->second;
}

QString CQueryTableModel::Cell(int row, int column) const {
    if (row < 0 || row >= rowCount() || column < 0)
        return QString();
    const Row& r = m_rows[static_cast<size_t>(row)];
    if (column == m_computedColumn && m_computed && !IsMarked(row))
        return QString::fromStdString(m_computed(r));
    return static_cast<size_t>(column) < r.size()
               ? QString::fromStdString(r[static_cast<size_t>(column)])
               : QString();
}

int CQueryTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int CQueryTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_headers.size());
}

QVariant CQueryTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid())
        return QVariant();
    switch (role) {
    case Qt::DisplayRole:
        return Cell(index.row(), index.column());
    case Qt::ToolTipRole:
        if (auto it = m_notes.find(index.row()); it != m_notes.end())
            return it->second;
        return Cell(index.row(), index.column());
    case Qt::ForegroundRole:
        if (m_notes.count(index.row()))
            return QBrush(QColor(Qt::red));
        return QVariant();
    case Qt::TextAlignmentRole:
        if (m_numeric.count(index.column()))
            return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
        return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
    case Qt::FontRole:
        if (IsMarked(index.row())) {
            QFont f;
            f.setBold(true);
            return f;
        }
        return QVariant();
    case Qt::BackgroundRole:
        if (IsMarked(index.row()))
            return QBrush(QColor(0xFF, 0xF4, 0xD6));
        return QVariant();
    default:
        return QVariant();
    }
}

QVariant CQueryTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 &&
        section < m_headers.size())
        return m_headers[section];
    if (orientation == Qt::Vertical && role == Qt::DisplayRole)
        return section + 1;
    return QVariant();
}

QTableView* MakeQueryListView(CQueryTableModel* model, QWidget* parent) {
    auto* view = new QTableView(parent);
    view->setModel(model);
    view->setShowGrid(true);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->verticalHeader()->setDefaultSectionSize(view->fontMetrics().height() + 8);
    CColumnFitter::Attach(view);
    return view;
}

QStringList ToQStringList(const std::vector<std::string>& texts) {
    QStringList out;
    out.reserve(static_cast<qsizetype>(texts.size()));
    for (const auto& t : texts)
        out << QString::fromStdString(t);
    return out;
}
