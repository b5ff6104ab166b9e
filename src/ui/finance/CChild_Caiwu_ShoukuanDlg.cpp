#include "CChild_Caiwu_ShoukuanDlg.h"

CChild_Caiwu_ShoukuanDlg::CChild_Caiwu_ShoukuanDlg(QWidget* parent)
    : CFundBillDlg(parent, BillKind::Receipt) {
    setObjectName("CChild_Caiwu_ShoukuanDlg");
}
