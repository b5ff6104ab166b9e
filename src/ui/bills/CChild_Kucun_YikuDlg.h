#pragma once
#include "CStockBillDlg.h"

// "移库单": goods moved from one warehouse to another. Walks the posted transfers with
// 上一张 / 下一张 and reverses the one on show with 红冲.
class CChild_Kucun_YikuDlg : public CStockBillDlg {
    Q_OBJECT
public:
    explicit CChild_Kucun_YikuDlg(QWidget* parent = nullptr);

    // Opens the window read-only on the stored transfer `number` (the bill history view's
    // double click); true when a bill was reversed in it.
    static bool ShowStoredBill(QWidget* parent, const QString& number);
};
