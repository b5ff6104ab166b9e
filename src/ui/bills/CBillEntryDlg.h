#pragma once
#include "basic/GoodsSearch.h"
#include "bills/CBill.h"

#include <QDialog>
#include <QStringList>

#include <map>
#include <memory>
#include <optional>
#include <string>

class CListCtrlEx;
class CUnderLineEdit;
class QDateEdit;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

// What every bill window shares: the header fields with their picker icons, the goods grid
// laid out for the bill's kind, the line buttons, totals, posting and cancelling. The bill
// itself (lines, totals, checks, posting, messages) lives in CBill; the window shows it and
// forwards the user's actions.
class CBillEntryDlg : public QDialog {
    Q_OBJECT
public:
    const CBill& Bill() const { return *m_bill; }
    bool IsViewMode() const { return m_viewMode; }

    // ---- the window's parts (tests drive them)
    QLabel* m_title = nullptr;
    CUnderLineEdit* m_number = nullptr;
    QDateEdit* m_date = nullptr;
    CUnderLineEdit* m_customer = nullptr;
    CUnderLineEdit* m_department = nullptr;
    CUnderLineEdit* m_warehouse = nullptr;
    CUnderLineEdit* m_toWarehouse = nullptr; // a transfer's target
    CUnderLineEdit* m_employee = nullptr;
    CUnderLineEdit* m_introduction = nullptr;
    CUnderLineEdit* m_account = nullptr;
    QLineEdit* m_paid = nullptr;
    QDateEdit* m_deliveryDate = nullptr; // an order's 交货日期
    QLineEdit* m_quantityTotal = nullptr;
    QLineEdit* m_amountTotal = nullptr;
    QLabel* m_customerLabel = nullptr;
    QLabel* m_warehouseLabel = nullptr;
    QLabel* m_accountLabel = nullptr;
    QLabel* m_paidLabel = nullptr;
    QGroupBox* m_linesGroup = nullptr;
    CListCtrlEx* m_grid = nullptr;
    // Quick entry "条码/编码：" above the grid (not in the price adjustment window).
    QLineEdit* m_quickEntry = nullptr;
    QPushButton* m_add = nullptr;
    QPushButton* m_change = nullptr;
    QPushButton* m_remove = nullptr;
    QPushButton* m_save = nullptr;
    QPushButton* m_cancel = nullptr;
    // Browsing and reversal, in the windows whose layout has them (nullptr otherwise).
    QPushButton* m_redo = nullptr; // "红冲"
    QPushButton* m_prev = nullptr;
    QPushButton* m_next = nullptr;
    // "已红冲" or "红字单据" beside the date of a stored bill on show; empty otherwise.
    QLabel* m_standing = nullptr;
    // "打印": the stored bill on show, or the bill this window posted last.
    QPushButton* m_printBill = nullptr;

    // The stored bill on show; nothing while a bill is entered.
    const std::optional<std::string>& ShownNumber() const { return m_shown; }
    // Whether a bill was reversed in this window.
    bool ReversedAny() const { return m_reversedAny; }

    // The picker icon beside a picked field (nullptr for other fields).
    QToolButton* PickerIcon(QLineEdit* field) const;

    // ---- actions (buttons, icons and the grid call these)
    void OnAdd();
    void OnChange();
    void OnRemove();
    void OnSave();
    // A double click on a grid row, or below the last row (-1).
    void OnGridDoubleClick(int row);
    void PickField(QLineEdit* field, const QString& pickerKind);
    // Enter in the quick-entry field: the barcode, code or 助记码 typed or scanned there adds
    // its goods item (CBill::ScanGoods); several goods open the picker with the text in its
    // search box; nothing found is said. The field is emptied for the next scan.
    void OnQuickEntry();
    // Totals of the grid's lines into the total fields.
    void RecomputeTotals();
    // 上一张 / 下一张 walk the posted bills of the window's kind; 红冲 reverses the one on show.
    void OnPrevious();
    void OnNext();
    void OnReverse();
    // Fills the kind's print template with the bill and opens the print window on it.
    void OnPrintBill();

    // Replaces the bill being entered with `bill` (made from an order or from suggestions) and
    // shows it, its lines editable as if typed.
    void LoadBill(CBill bill);

    // The cancel button, Escape and the close box: closes at once or after the kind's question.
    void reject() override;

    ~CBillEntryDlg() override;

protected:
    explicit CBillEntryDlg(QWidget* parent, BillKind kind);

    // Starts a new bill of another kind (a command word changed the window's purpose).
    void SetKind(BillKind kind);
    // Shows a stored bill read-only: no posting, no line changes, no picking.
    void EnterViewMode(const std::optional<CBill>& stored);
    // Leaves the stored bills for a new bill of `kind`: a fresh number, today, empty fields.
    void EnterEntryMode(BillKind kind);
    // Called after a bill was posted and the window stays open for the next one.
    virtual void AfterPosting() {}
    // The user wants no next bill after posting `number`: the window closes, unless a kind's
    // window shows the posted bill instead.
    virtual void AfterLastPosting(const std::string& number);
    // The texts of the window's title and labels for entering, or for viewing a stored bill.
    virtual void ApplyModeTexts() {}

    // Makes 红冲, 上一张, 下一张 and the standing mark for the window's layout to place.
    void CreateBrowseParts();
    // Shows the stored bill `number` of `kind` read-only, with its standing and the buttons
    // that go with it.
    void ShowStored(BillKind kind, const std::string& number);
    // A window opened only to look at stored bills never starts a new one.
    void SetCanEnter(bool canEnter) { m_canEnter = canEnter; }
    void showEvent(QShowEvent* e) override;

    // ---- building blocks for the windows' layouts
    CUnderLineEdit* NewField();
    QLabel* NewLabel(const QString& text);
    // The field with its picker icon, as one cell of a header row.
    QWidget* PickedField(CUnderLineEdit* field, const QString& pickerKind);
    QPushButton* NewButton(const QString& text);
    QGroupBox* LinesGroup(const QString& title);
    void InitDate();
    void SetTitleText(const QString& text);
    // Enter moves the focus to the grid (committing an edit) instead of pressing a button.
    void SetEnterGoesToGrid(bool on) { m_enterGoesToGrid = on; }

    void keyPressEvent(QKeyEvent* e) override;
    bool eventFilter(QObject* object, QEvent* event) override;

    // Whole grid from the bill / one row from the bill.
    void ShowLines();
    void ShowLine(int row);
    void ShowHeader();
    // The quantity total and the amount total as the role sees it.
    void ShowTotals();

private:
    // Posting, line changes, typing and picking on or off.
    void SetEditable(bool editable);
    // The goods the picker gave, nothing when it was cancelled. `search` goes into the
    // picker's search box.
    std::optional<GoodsRecord> PickGoods(const QString& search = QString());
    // Edit and list rules of a filled row, by the kind's columns.
    void RegisterRowRules(int row);
    // What the unit cell of a goods line offers (OfferedUnits), read once per goods item while
    // the window is open; nothing for goods without further units (or a failed read).
    const std::optional<LineUnitOffer>& OfferOf(int row) const;
    // What the unit cell of a line offers.
    QStringList UnitChoices(int row) const;
    void ReadHeader();
    void OnCellEdited(int row, int column, bool editBox);
    std::optional<size_t> SelectedLine() const;
    void Step(bool next);
    // 上一张, 下一张 and 红冲 as the window's place allows.
    void UpdateButtons();
    // The bill "打印" prints: the one on show in view mode, else the one posted last.
    std::optional<std::pair<BillKind, std::string>> PrintableBill() const;

    std::unique_ptr<CBill> m_bill;
    bool m_viewMode = false;
    bool m_enterGoesToGrid = false;
    std::vector<std::pair<QLineEdit*, QToolButton*>> m_icons;
    std::optional<std::string> m_shown;
    std::optional<std::pair<BillKind, std::string>> m_lastPosted;
    bool m_canEnter = true;
    bool m_reversible = false;
    bool m_reversedAny = false;
    CGoodsFinder m_finder; // the quick entry's goods, read at the first scan
    mutable std::map<std::string, std::optional<LineUnitOffer>> m_offers; // by goods code
};
