#include "CChild_Kucun_YikuDlg.h"

CChild_Kucun_YikuDlg::CChild_Kucun_YikuDlg(QWidget* parent)
    : CStockBillDlg(parent, BillKind::Transfer, QStringLiteral("调出仓库："), true, true) {
    setObjectName("CChild_Kucun_YikuDlg");
    setWindowTitle(QStringLiteral("移库单"));
    SetTitleText(QStringLiteral("移库单"));
}

bool CChild_Kucun_YikuDlg::ShowStoredBill(QWidget* parent, const QString& number) {
    CChild_Kucun_YikuDlg dlg(parent);
    dlg.SetCanEnter(false);
    dlg.ShowStored(BillKind::Transfer, number.toStdString());
    dlg.exec();
    return dlg.ReversedAny();
}
