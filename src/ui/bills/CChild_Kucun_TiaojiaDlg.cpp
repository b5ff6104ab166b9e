#include "CChild_Kucun_TiaojiaDlg.h"

CChild_Kucun_TiaojiaDlg::CChild_Kucun_TiaojiaDlg(QWidget* parent)
    : CStockBillDlg(parent, BillKind::Price, QStringLiteral("所在仓库"), false) {
    setObjectName("CChild_Kucun_TiaojiaDlg");
    const QString title = QString::fromUtf8(KindNames(BillKind::Price).titleText);
    setWindowTitle(title);
    SetTitleText(title);
}
