#pragma once
#include "CFundBillDlg.h"

// "付款单": money paid to a business unit. Walks the posted payments with 上一张 / 下一张 and
// reverses the one on show with 红冲.
class CChild_Caiwu_FukuanDlg : public CFundBillDlg {
    Q_OBJECT
public:
    explicit CChild_Caiwu_FukuanDlg(QWidget* parent = nullptr);
};
