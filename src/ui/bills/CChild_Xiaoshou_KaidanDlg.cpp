#include "CChild_Xiaoshou_KaidanDlg.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

CChild_Xiaoshou_KaidanDlg::CChild_Xiaoshou_KaidanDlg(QWidget* parent)
    : CTradeBillDlg(parent, BillKind::Sale) {
    setObjectName("CChild_Xiaoshou_KaidanDlg");
    setWindowTitle(QStringLiteral("销售"));
    SetTitleText(QStringLiteral("销售单"));
    m_customerLabel->setText(QStringLiteral("客户："));
    m_warehouseLabel->setText(QStringLiteral("出货仓库："));
    m_accountLabel->setText(QStringLiteral("收款帐户："));
    m_paidLabel->setText(QStringLiteral("付款金额："));
    // 红冲, 上一张 and 下一张 are offered but not in use yet.
    m_redo = NewButton(QStringLiteral("红冲"));
    m_extraButtons->addWidget(m_redo);
    setTabOrder(m_remove, m_redo);
    setTabOrder(m_redo, m_prev);
}

void CChild_Xiaoshou_KaidanDlg::SetCommand(const QString& command) {
    m_command = command;
    if (command == QLatin1String("run_tuihuo")) {
        SetKind(BillKind::SaleReturn);
        setWindowTitle(QStringLiteral("销售退货单"));
        SetTitleText(QStringLiteral("退货单"));
        m_warehouseLabel->setText(QStringLiteral("退货仓库"));
        m_accountLabel->setText(QStringLiteral("付款账户："));
        m_paidLabel->setText(QStringLiteral("收款金额："));
    }
}
