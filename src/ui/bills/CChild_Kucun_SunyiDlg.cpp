#include "CChild_Kucun_SunyiDlg.h"

CChild_Kucun_SunyiDlg::CChild_Kucun_SunyiDlg(QWidget* parent)
    : CStockBillDlg(parent, BillKind::Loss, QStringLiteral("仓库："), true) {
    setObjectName("CChild_Kucun_SunyiDlg");
    const QString title = QString::fromUtf8(KindNames(BillKind::Loss).titleText);
    setWindowTitle(title);
    SetTitleText(title);
}

void CChild_Kucun_SunyiDlg::SetCommand(const QString& command) {
    m_command = command;
    const BillKind kind = command == QLatin1String(KindNames(BillKind::Gain).routeWord)
                              ? BillKind::Gain
                              : BillKind::Loss;
    SetKind(kind);
    const QString title = QString::fromUtf8(KindNames(kind).titleText);
    setWindowTitle(title);
    SetTitleText(title);
}
