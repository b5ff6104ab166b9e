#pragma once
#include "CBillEntryDlg.h"

// The layout the purchase and sale windows share: number and date, business unit,
// department, warehouse, handler, account, paid amount, introduction, the goods grid, the
// totals and the buttons. Enter moves the focus to the grid.
//
// Besides entering bills, the window walks through the posted bills of its kind with
// 上一张 / 下一张 and shows them read-only; a bill on show in force can be reversed with 红冲.
class CTradeBillDlg : public CBillEntryDlg {
    Q_OBJECT
public:
    QLabel* m_quantityLabel = nullptr;
    QLabel* m_amountLabel = nullptr;
    // "按订单": a purchase or sale being entered takes an open order's rest (nullptr in an
    // order's own window).
    QPushButton* m_byOrder = nullptr;

    // "按订单": picks an open order of the kind this bill delivers (of the business unit typed,
    // if any) and fills the bill from it.
    void OnByOrder();
    // Replaces the bill being entered with one delivering the open quantities of order
    // `number` (each line naming its order line); false after the refusal was shown.
    bool FillFromOrder(const std::string& number);

protected:
    CTradeBillDlg(QWidget* parent, BillKind kind);
    // Labels the customer, warehouse, account, paid amount and the line list as the kind has them.
    void ApplyKindTexts(BillKind kind);
};
