#include "CChild_Xiaoshou_KaidanDlg.h"

#include <QLabel>
#include <QPushButton>

CChild_Xiaoshou_KaidanDlg::CChild_Xiaoshou_KaidanDlg(QWidget* parent)
    : CTradeBillDlg(parent, BillKind::Sale) {
    setObjectName("CChild_Xiaoshou_KaidanDlg");
    ApplyModeTexts();
}

void CChild_Xiaoshou_KaidanDlg::SetCommand(const QString& command) {
    m_command = command;
    if (command == QLatin1String(KindNames(BillKind::SaleReturn).routeWord))
        SetKind(BillKind::SaleReturn);
    ApplyModeTexts();
}

void CChild_Xiaoshou_KaidanDlg::ApplyModeTexts() {
    if (Bill().Kind() == BillKind::SaleReturn) {
        setWindowTitle(QStringLiteral("销售退货单"));
        SetTitleText(QString::fromUtf8(KindNames(BillKind::SaleReturn).titleText));
    } else {
        setWindowTitle(QStringLiteral("销售"));
        SetTitleText(QString::fromUtf8(KindNames(BillKind::Sale).titleText));
    }
    ApplyKindTexts(Bill().Kind());
    if (IsViewMode())
        setWindowTitle(QStringLiteral("查看历史单据"));
}
