#include "CListCtrlEx.h"
#include "widgets/CColumnFitter.h"

#include "CListCtrlDelegate.h"
#include "CListCtrlModel.h"

#include "bills/CBill.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>

namespace {
const QColor kMarkColour(255, 123, 123);

// A record matches a cell when each field is equal or -1; a query field of -1 matches any.
bool Matches(int recordRow, int recordColumn, int row, int column) {
    return (recordRow == row || recordRow == -1 || row == -1) &&
           (recordColumn == column || recordColumn == -1 || column == -1);
}

// The amount of a line, by the bill model's amount rule.
QString LineAmountText(const QString& quantity, const QString& price) {
    return QString::fromStdString(LineAmount(quantity.toStdString(), price.toStdString()));
}
} // namespace

CListCtrlEx::CListCtrlEx(QWidget* parent)
    : QTableView(parent), m_model(new CListCtrlModel(this)),
      m_delegate(new CListCtrlDelegate(this)) {
    setModel(m_model);
    setItemDelegate(m_delegate);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    // Editors open only by the cell rules (mouse press, F2), never by Qt's own triggers.
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setShowGrid(true);
    setWordWrap(false);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    verticalHeader()->setVisible(false);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 10);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setStretchLastSection(true);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    CColumnFitter::Attach(this);
}

CListCtrlEx::~CListCtrlEx() = default;

int CListCtrlEx::InsertColumn(int column, const QString& header, int width) {
    column = m_model->InsertColumn(column, header);
    SetColumnWidth(column, width);
    return column;
}

void CListCtrlEx::SetColumnWidth(int column, int width) {
    setColumnHidden(column, width <= 0);
    if (width > 0)
        setColumnWidth(column, width);
}

void CListCtrlEx::DeleteAllColumns() {
    CommitActiveEditor();
    m_model->RemoveAllColumns();
}

int CListCtrlEx::GetColumnCount() const {
    return m_model->columnCount();
}

int CListCtrlEx::InsertItem(int row, const QString& text) {
    return m_model->InsertRow(row, text);
}

bool CListCtrlEx::SetItemText(int row, int column, const QString& text) {
    return m_model->SetText(row, column, text);
}

QString CListCtrlEx::GetItemText(int row, int column) const {
    return m_model->Text(row, column);
}

bool CListCtrlEx::DeleteItem(int row) {
    if (m_editor && currentIndex().row() == row)
        closeEditor(m_editor, QAbstractItemDelegate::RevertModelCache);
    return m_model->RemoveRow(row);
}

void CListCtrlEx::DeleteAllItems() {
    if (m_editor)
        closeEditor(m_editor, QAbstractItemDelegate::RevertModelCache);
    m_model->RemoveAllRows();
}

int CListCtrlEx::GetItemCount() const {
    return m_model->rowCount();
}

int CListCtrlEx::GetSelectedRow() const {
    if (!selectionModel())
        return -1;
    const QModelIndexList rows = selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void CListCtrlEx::SelectRow(int row) {
    if (row < 0 || row >= GetItemCount()) {
        clearSelection();
        return;
    }
    setCurrentIndex(m_model->index(row, 0));
    selectRow(row);
}

void CListCtrlEx::SetRows(std::vector<QStringList> rows) {
    if (m_editor)
        closeEditor(m_editor, QAbstractItemDelegate::RevertModelCache);
    m_model->SetRows(std::move(rows));
}

void CListCtrlEx::AddEditableCell(int row, int column) {
    m_editableCells.push_back({row, column});
}

void CListCtrlEx::SetListCell(int row, int column, const QStringList& items) {
    m_listCells.push_back({row, column, items.join(QLatin1Char('$'))});
}

void CListCtrlEx::MarkRow(int row) {
    for (auto& mark : m_rowMarks) {
        if (mark.row == row) {
            mark.text = mark.background = kMarkColour;
            m_model->SetRowColours(row, kMarkColour, kMarkColour);
            viewport()->update();
            return;
        }
    }
    m_rowMarks.push_back({row, kMarkColour, kMarkColour});
    m_model->SetRowColours(row, kMarkColour, kMarkColour);
    viewport()->update();
}

const SEditableCell* CListCtrlEx::FindEditableCell(int row, int column) const {
    for (const auto& cell : m_editableCells)
        if (Matches(cell.row, cell.column, row, column))
            return &cell;
    return nullptr;
}

const SComboCell* CListCtrlEx::FindListCell(int row, int column) const {
    for (const auto& cell : m_listCells)
        if (Matches(cell.row, cell.column, row, column))
            return &cell;
    return nullptr;
}

const SColoredRow* CListCtrlEx::FindRowMark(int row) const {
    for (const auto& mark : m_rowMarks)
        if (mark.row == row)
            return &mark;
    return nullptr;
}

CListCtrlEx::EditorKind CListCtrlEx::EditorFor(int row, int column) const {
    if (FindListCell(row, column))
        return EditorKind::List;
    if (FindEditableCell(row, column))
        return EditorKind::Edit;
    return EditorKind::None;
}

void CListCtrlEx::SetAmountColumns(int quantity, int price, int amount) {
    m_quantityColumn = quantity;
    m_priceColumn = price;
    m_amountColumn = amount;
}

bool CListCtrlEx::OpenEditor(int row, int column, EditorKind kind) {
    if (kind == EditorKind::None || row < 0 || row >= GetItemCount() || column < 0 ||
        column >= GetColumnCount())
        return false;
    CommitActiveEditor();
    const QModelIndex index = m_model->index(row, column);
    setCurrentIndex(index);
    m_pendingKind = kind;
    const bool opened = edit(index, QAbstractItemView::AllEditTriggers, nullptr);
    m_pendingKind = EditorKind::None;
    if (opened && m_editor)
        m_editor->setFocus(Qt::OtherFocusReason);
    return opened;
}

void CListCtrlEx::CommitActiveEditor() {
    if (QWidget* editor = m_editor) {
        commitData(editor);
        closeEditor(editor, QAbstractItemDelegate::NoHint);
    }
}

void CListCtrlEx::CommitEditorText(int row, int column, const QString& text, bool editBox) {
    if (!m_model->SetText(row, column, text))
        return;
    if (editBox)
        ApplyAmountRule(row);
    emit CellEdited(row, column, editBox);
}

void CListCtrlEx::ApplyAmountRule(int row) {
    if (m_amountColumn < 0)
        return;
    m_model->SetText(
        row, m_amountColumn,
        LineAmountText(m_model->Text(row, m_quantityColumn), m_model->Text(row, m_priceColumn)));
}

void CListCtrlEx::mousePressEvent(QMouseEvent* e) {
    QTableView::mousePressEvent(e);
    const QModelIndex index = indexAt(e->position().toPoint());
    if (!index.isValid())
        return;
    m_editRow = index.row();
    m_editColumn = index.column();
    if (e->button() == Qt::LeftButton) {
        OpenEditor(m_editRow, m_editColumn, EditorFor(m_editRow, m_editColumn));
    } else if (e->button() == Qt::RightButton && FindListCell(m_editRow, m_editColumn)) {
        // A value outside the list can still be typed.
        OpenEditor(m_editRow, m_editColumn, EditorKind::FreeText);
    }
}

void CListCtrlEx::mouseDoubleClickEvent(QMouseEvent* e) {
    QTableView::mouseDoubleClickEvent(e);
    // Qt reports double clicks on cells only; the empty area below the rows counts as well.
    if (e->button() == Qt::LeftButton)
        emit DoubleClicked(indexAt(e->position().toPoint()).row());
}

void CListCtrlEx::keyPressEvent(QKeyEvent* e) {
    // F2 opens the current cell's editor, for work without the mouse.
    if (e->key() == Qt::Key_F2 && currentIndex().isValid()) {
        const QModelIndex index = currentIndex();
        m_editRow = index.row();
        m_editColumn = index.column();
        if (OpenEditor(m_editRow, m_editColumn, EditorFor(m_editRow, m_editColumn))) {
            e->accept();
            return;
        }
    }
    QTableView::keyPressEvent(e);
}

void CListCtrlEx::focusInEvent(QFocusEvent* e) {
    QTableView::focusInEvent(e);
    emit FocusEntered();
}

void CListCtrlEx::scrollContentsBy(int dx, int dy) {
    // Scrolling ends an edit first, as the grid taking the focus would.
    CommitActiveEditor();
    QTableView::scrollContentsBy(dx, dy);
}

void CListCtrlEx::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) {
    if (editor == m_editor)
        m_editor = nullptr;
    // Tab commits the cell; it does not walk into the next one.
    if (hint == QAbstractItemDelegate::EditNextItem ||
        hint == QAbstractItemDelegate::EditPreviousItem)
        hint = QAbstractItemDelegate::NoHint;
    QTableView::closeEditor(editor, hint);
}
