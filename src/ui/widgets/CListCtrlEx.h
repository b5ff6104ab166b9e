#pragma once
#include <QColor>
#include <QStringList>
#include <QTableView>

#include <vector>

class CListCtrlModel;
class CListCtrlDelegate;

// A cell the user may edit in place; -1 in either field stands for every row or column.
struct SEditableCell {
    int row;
    int column;
};
// A cell edited by choosing from a list; the entries are joined with "$".
struct SComboCell {
    int row;
    int column;
    QString items;
};
struct SColoredRow {
    int row;
    QColor text;
    QColor background;
};

// The report-style grid of the bill windows: rows of text cells that the user edits in place,
// by an edit box (CEditEx) or a drop-down list (CComboBoxExt) laid over the cell. The window
// decides, cell by cell, which cells are editable and which offer a list; the first matching
// rule wins and rules stay where they were registered when rows are deleted.
class CListCtrlEx : public QTableView {
    Q_OBJECT
public:
    enum class EditorKind { None, Edit, List, FreeText };

    explicit CListCtrlEx(QWidget* parent = nullptr);
    ~CListCtrlEx() override;

    // ---- the ordinary list operations
    int InsertColumn(int column, const QString& header, int width);
    void SetColumnWidth(int column, int width); // 0 hides the column
    void DeleteAllColumns();
    int GetColumnCount() const;
    int InsertItem(int row, const QString& text);
    bool SetItemText(int row, int column, const QString& text);
    QString GetItemText(int row, int column) const;
    bool DeleteItem(int row);
    void DeleteAllItems();
    int GetItemCount() const;
    // The selected row, -1 when none.
    int GetSelectedRow() const;
    void SelectRow(int row);
    // Replaces all rows at once (long lists).
    void SetRows(std::vector<QStringList> rows);
    CListCtrlModel* Model() const { return m_model; }

    // ---- cell rules
    void AddEditableCell(int row, int column);
    void SetListCell(int row, int column, const QStringList& items);
    // Marks a row (the history view's totals row) and redraws at once.
    void MarkRow(int row);
    // First matching record, or nullptr. A query row or column of -1 matches any record
    // with the other field equal.
    const SEditableCell* FindEditableCell(int row, int column) const;
    const SComboCell* FindListCell(int row, int column) const;
    const SColoredRow* FindRowMark(int row) const;
    // What a left press on the cell opens: a list if a list rule matches, else an edit box if
    // an editable rule matches, else nothing.
    EditorKind EditorFor(int row, int column) const;

    // Columns of quantity, unit price and amount: committing an edit box recomputes the
    // amount of its row. -1 (the default) leaves every edit to its own cell.
    void SetAmountColumns(int quantity, int price, int amount);

    // ---- in-place editing
    // Opens an editor of that kind over the cell (ending any active one). False when the cell
    // does not exist or the kind is None.
    bool OpenEditor(int row, int column, EditorKind kind);
    // Writes the active editor's text into its cell and closes it.
    void CommitActiveEditor();
    QWidget* ActiveEditor() const { return m_editor; }
    // The cell most recently hit by a mouse press (-1 before any).
    int EditRow() const { return m_editRow; }
    int EditColumn() const { return m_editColumn; }

signals:
    // The grid got the keyboard focus (the bill windows recompute their totals then).
    void FocusEntered();
    // An in-place editor wrote its text into the cell: an edit box (editBox) or the list.
    void CellEdited(int row, int column, bool editBox);
    // A left double click anywhere in the grid: on a row, or below the last one (row -1).
    void DoubleClicked(int row);

protected:
    void mousePressEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void scrollContentsBy(int dx, int dy) override;
    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;

private:
    friend class CListCtrlDelegate;
    void CommitEditorText(int row, int column, const QString& text, bool editBox);
    void ApplyAmountRule(int row);

    CListCtrlModel* m_model;
    CListCtrlDelegate* m_delegate;
    std::vector<SEditableCell> m_editableCells;
    std::vector<SComboCell> m_listCells;
    std::vector<SColoredRow> m_rowMarks;
    int m_editRow = -1;
    int m_editColumn = -1;
    EditorKind m_pendingKind = EditorKind::None;
    QWidget* m_editor = nullptr;
    int m_quantityColumn = -1, m_priceColumn = -1, m_amountColumn = -1;
};
