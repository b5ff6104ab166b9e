#include "CChild_Xiaoshou_KaidanDlg.h"

#include <QLabel>
#include <QPushButton>

CChild_Xiaoshou_KaidanDlg::CChild_Xiaoshou_KaidanDlg(QWidget* parent)
    : CTradeBillDlg(parent, BillKind::Sale) {
    setObjectName("CChild_Xiaoshou_KaidanDlg");
    m_customerLabel->setText(QStringLiteral("客户："));
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
        m_warehouseLabel->setText(QStringLiteral("退货仓库"));
        m_accountLabel->setText(QStringLiteral("付款账户："));
        m_paidLabel->setText(QStringLiteral("收款金额："));
    } else {
        setWindowTitle(QStringLiteral("销售"));
        SetTitleText(QString::fromUtf8(KindNames(BillKind::Sale).titleText));
        m_warehouseLabel->setText(QStringLiteral("出货仓库："));
        m_accountLabel->setText(QStringLiteral("收款帐户："));
        m_paidLabel->setText(QStringLiteral("付款金额："));
    }
    if (IsViewMode())
        setWindowTitle(QStringLiteral("查看历史单据"));
}
