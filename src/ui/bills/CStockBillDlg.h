#pragma once
#include "CBillEntryDlg.h"

// The layout the loss/gain and price-adjustment windows share: number and date, warehouse,
// department, handler (and, for losses and gains, the introduction), the goods grid in
// "商品列表", and 添加, 更改, 移除, 确定 (the default button: Enter posts) and 取消.
// A transfer (the kind says so) adds the target warehouse beside the source, and 红冲, 上一张
// and 下一张.
class CStockBillDlg : public CBillEntryDlg {
    Q_OBJECT
protected:
    CStockBillDlg(QWidget* parent, BillKind kind, const QString& warehouseLabel,
                  bool withIntroduction);
};
