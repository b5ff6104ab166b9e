#include "CChild_Kucun_YikuDlg.h"

CChild_Kucun_YikuDlg::CChild_Kucun_YikuDlg(QWidget* parent)
    : CStockBillDlg(parent, BillKind::Transfer, QStringLiteral("调出仓库："), true) {
    setObjectName("CChild_Kucun_YikuDlg");
    const QString title = QString::fromUtf8(KindNames(BillKind::Transfer).titleText);
    setWindowTitle(title);
    SetTitleText(title);
}

bool CChild_Kucun_YikuDlg::ShowStoredBill(QWidget* parent, const QString& number) {
    CChild_Kucun_YikuDlg dlg(parent);
    dlg.SetCanEnter(false);
    dlg.ShowStored(BillKind::Transfer, number.toStdString());
    dlg.exec();
    return dlg.ReversedAny();
}
