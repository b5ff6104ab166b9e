#include "CChild_Caiwu_FukuanDlg.h"

CChild_Caiwu_FukuanDlg::CChild_Caiwu_FukuanDlg(QWidget* parent)
    : CFundBillDlg(parent, BillKind::Payment) {
    setObjectName("CChild_Caiwu_FukuanDlg");
}
