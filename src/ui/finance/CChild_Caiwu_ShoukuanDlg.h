#pragma once
#include "CFundBillDlg.h"

// "收款单": money received from a business unit. Walks the posted receipts with
// 上一张 / 下一张 and reverses the one on show with 红冲.
class CChild_Caiwu_ShoukuanDlg : public CFundBillDlg {
    Q_OBJECT
public:
    explicit CChild_Caiwu_ShoukuanDlg(QWidget* parent = nullptr);
};
