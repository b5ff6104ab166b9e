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

protected:
    CTradeBillDlg(QWidget* parent, BillKind kind);
    // Labels the customer, warehouse, account, paid amount and the line list as the kind has them.
    void ApplyKindTexts(BillKind kind);
};
