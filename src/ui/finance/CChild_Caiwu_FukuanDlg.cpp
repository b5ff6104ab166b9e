#include "CChild_Caiwu_FukuanDlg.h"

CChild_Caiwu_FukuanDlg::CChild_Caiwu_FukuanDlg(QWidget* parent)
    : CFundBillDlg(parent, BillKind::Payment, QStringLiteral("付款单")) {
    setObjectName("CChild_Caiwu_FukuanDlg");
}
