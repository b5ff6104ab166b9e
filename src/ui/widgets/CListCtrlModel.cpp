#include "CListCtrlModel.h"

#include <algorithm>

namespace {
const QColor kEvenRow(225, 245, 255);
const QColor kOddRow(255, 255, 255);
} // namespace

CListCtrlModel::CListCtrlModel(QObject* parent) : QAbstractTableModel(parent) {}

int CListCtrlModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_rows.size());
}

int CListCtrlModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_headers.size());
}

QVariant CListCtrlModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= int(m_rows.size()) ||
        index.column() >= int(m_headers.size()))
        return {};
    const QString& text = m_rows[size_t(index.row())][index.column()];
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return text;
    case Qt::ToolTipRole:
        if (text.isEmpty())
            return {};
        return text.left(kTipLength);
    case Qt::BackgroundRole: {
        auto mark = m_marks.find(index.row());
        if (mark != m_marks.end())
            return mark->second.background;
        return index.row() % 2 == 0 ? kEvenRow : kOddRow;
    }
    case Qt::ForegroundRole: {
        auto mark = m_marks.find(index.row());
        // A mark whose text colour equals its background would hide the text: keep black then.
        if (mark != m_marks.end() && mark->second.text != mark->second.background)
            return mark->second.text;
        return QColor(Qt::black);
    }
    default:
        return {};
    }
}

bool CListCtrlModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::EditRole && role != Qt::DisplayRole)
        return false;
    return index.isValid() && SetText(index.row(), index.column(), value.toString());
}

QVariant CListCtrlModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 &&
        section < int(m_headers.size()))
        return m_headers[section];
    return QAbstractTableModel::headerData(section, orientation, role);
}

Qt::ItemFlags CListCtrlModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    // Whether a cell really opens an editor is decided by the grid's cell rules.
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable;
}

int CListCtrlModel::InsertColumn(int column, const QString& header) {
    column = std::clamp(column, 0, int(m_headers.size()));
    beginInsertColumns({}, column, column);
    m_headers.insert(column, header);
    for (auto& row : m_rows)
        row.insert(column, QString());
    endInsertColumns();
    return column;
}

void CListCtrlModel::RemoveAllColumns() {
    beginResetModel();
    m_headers.clear();
    for (auto& row : m_rows)
        row.clear();
    endResetModel();
}

int CListCtrlModel::InsertRow(int row, const QString& text) {
    row = std::clamp(row, 0, int(m_rows.size()));
    beginInsertRows({}, row, row);
    QStringList cells;
    cells.resize(std::max<qsizetype>(1, m_headers.size()));
    cells[0] = text;
    cells.resize(m_headers.size());
    m_rows.insert(m_rows.begin() + row, std::move(cells));
    endInsertRows();
    return row;
}

bool CListCtrlModel::RemoveRow(int row) {
    if (row < 0 || row >= int(m_rows.size()))
        return false;
    beginRemoveRows({}, row, row);
    m_rows.erase(m_rows.begin() + row);
    endRemoveRows();
    return true;
}

void CListCtrlModel::RemoveAllRows() {
    beginResetModel();
    m_rows.clear();
    endResetModel();
}

void CListCtrlModel::SetRows(std::vector<QStringList> rows) {
    beginResetModel();
    // Resizing a shared row copies it even to the same size: rows handed on from a list kept
    // elsewhere (the picker's search) stay shared.
    for (auto& row : rows)
        if (row.size() != m_headers.size())
            row.resize(m_headers.size());
    m_rows = std::move(rows);
    endResetModel();
}

QString CListCtrlModel::Text(int row, int column) const {
    if (row < 0 || row >= int(m_rows.size()) || column < 0 || column >= int(m_headers.size()))
        return {};
    return m_rows[size_t(row)][column];
}

bool CListCtrlModel::SetText(int row, int column, const QString& text) {
    if (row < 0 || row >= int(m_rows.size()) || column < 0 || column >= int(m_headers.size()))
        return false;
    QString& cell = m_rows[size_t(row)][column];
    if (cell != text) {
        cell = text;
        const QModelIndex i = index(row, column);
        emit dataChanged(i, i, {Qt::DisplayRole, Qt::EditRole, Qt::ToolTipRole});
    }
    return true;
}

void CListCtrlModel::SetRowColours(int row, const QColor& text, const QColor& background) {
    m_marks[row] = {text, background};
    if (row >= 0 && row < int(m_rows.size()))
        emit dataChanged(index(row, 0), index(row, std::max(0, int(m_headers.size()) - 1)));
}
