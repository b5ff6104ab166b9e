#pragma once
#include "CStockBillDlg.h"

// "调价单": a new unit price for goods held in one warehouse.
class CChild_Kucun_TiaojiaDlg : public CStockBillDlg {
    Q_OBJECT
public:
    explicit CChild_Kucun_TiaojiaDlg(QWidget* parent = nullptr);
};
