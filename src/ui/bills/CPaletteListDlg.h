#pragma once
#include "basic/GoodsSearch.h"
#include "store/Records.h"

#include <QDialog>

#include <functional>

class CListCtrlEx;
class QLineEdit;
class QPushButton;
class QTreeWidget;
struct PaletteKindInfo;

// The picker "请在列表中选择": the opener sets a picker kind, runs it with exec() and, when it
// was confirmed, reads the chosen name (or the chosen goods for palette_product).
class CPaletteListDlg : public QDialog {
    Q_OBJECT
public:
    explicit CPaletteListDlg(QWidget* parent = nullptr);

    void SetKind(const QString& kind) { m_kind = kind; }
    QString Kind() const { return m_kind; }
    // Fills the list (and tree) for the kind, then runs modally.
    int exec() override;

    QString m_chosenName;
    GoodsRecord m_chosenGoods;

    // ---- what the user does, also used by tests
    // A single click on a row records the choice; a row outside the list changes nothing.
    void ClickRow(int row);
    // Records the choice and closes as confirmed.
    void DoubleClickRow(int row);
    // Selects the first tree item (depth-first) with that text; false when there is none.
    bool SelectTreeItem(const QString& text);
    // The first row whose cell in `column` equals `text`, -1 when none.
    int FindRow(int column, const QString& text) const;

    // The search box "查找：": the list shows only the rows it finds, within the tree's
    // selection. It has the focus when the picker opens; Up and Down move in the list, Enter
    // chooses the highlighted row. An opener may put a text into it before exec().
    QLineEdit* SearchBox() const { return m_search; }
    void SetSearchText(const QString& text);

    CListCtrlEx* List() const { return m_list; }
    QTreeWidget* Tree() const { return m_tree; }
    QPushButton* ChooseButton() const { return m_choose; }
    QPushButton* ManageButton() const { return m_manage; }
    QPushButton* BackButton() const { return m_back; }

    // Test seam: when set, exec() fills the picker and hands it to `script` instead of waiting
    // for the user; exec() then returns the result the script left (Rejected unless it
    // confirmed). Pass nullptr to switch it off.
    using Script = std::function<void(CPaletteListDlg&)>;
    static void SetScriptForTest(Script script);

protected:
    bool eventFilter(QObject* object, QEvent* event) override;

private slots:
    void OnTreeSelection();
    void OnManage();

private:
    // Empties list and tree and fills them for the kind, as on opening.
    void Fill();
    void FitToRows();
    // The rows of the kind (or of the tree's selection), shown as the search box narrows them.
    void SetAllRows(const std::vector<std::vector<std::string>>& rows);
    void ApplySearch();
    // Up/Down/Page keys typed in the search box move the highlighted row.
    void MoveHighlight(int key);

    QString m_kind;
    const PaletteKindInfo* m_info = nullptr;
    QLineEdit* m_search;
    CListCtrlEx* m_list;
    QTreeWidget* m_tree;
    std::vector<QStringList> m_allRows;
    CSearchIndex m_index;
    QPushButton* m_choose;
    QPushButton* m_manage;
    QPushButton* m_back;
};
