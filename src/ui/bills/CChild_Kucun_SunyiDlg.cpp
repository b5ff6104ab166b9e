#include "CChild_Kucun_SunyiDlg.h"

CChild_Kucun_SunyiDlg::CChild_Kucun_SunyiDlg(QWidget* parent)
    : CStockBillDlg(parent, BillKind::Loss, QStringLiteral("仓库："), true) {
    setObjectName("CChild_Kucun_SunyiDlg");
    setWindowTitle(QStringLiteral("报损单"));
    SetTitleText(QStringLiteral("报损单"));
}

void CChild_Kucun_SunyiDlg::SetCommand(const QString& command) {
    m_command = command;
    const bool gain = command == QLatin1String("run_baoyi");
    SetKind(gain ? BillKind::Gain : BillKind::Loss);
    const QString title = gain ? QStringLiteral("报溢单") : QStringLiteral("报损单");
    setWindowTitle(title);
    SetTitleText(title);
}
