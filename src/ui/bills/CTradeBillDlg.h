#pragma once
#include "CBillEntryDlg.h"

class QHBoxLayout;

// The layout the purchase and sale windows share: number and date, business unit,
// department, warehouse, handler, account, paid amount, introduction, the goods grid, the
// totals and the buttons. Enter moves the focus to the grid.
class CTradeBillDlg : public CBillEntryDlg {
    Q_OBJECT
public:
    QPushButton* m_prev = nullptr;
    QPushButton* m_next = nullptr;
    QLabel* m_quantityLabel = nullptr;
    QLabel* m_amountLabel = nullptr;

protected:
    CTradeBillDlg(QWidget* parent, BillKind kind);
    // Buttons shown between the line buttons and 保存 (the sale window's 红冲).
    QHBoxLayout* m_extraButtons = nullptr;
};
