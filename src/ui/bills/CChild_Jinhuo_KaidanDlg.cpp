#include "CChild_Jinhuo_KaidanDlg.h"

#include "port/MessagePort.h"
#include "widgets/CUnderLineEdit.h"

#include <QLabel>
#include <QPushButton>

CChild_Jinhuo_KaidanDlg::CChild_Jinhuo_KaidanDlg(QWidget* parent)
    : CTradeBillDlg(parent, BillKind::Purchase) {
    setObjectName("CChild_Jinhuo_KaidanDlg");
    ApplyModeTexts();
    connect(m_customer, &CUnderLineEdit::DoubleClicked, this,
            [] { Messages().Inform("双击文本框 "); });
}

void CChild_Jinhuo_KaidanDlg::SetCommand(const QString& command) {
    m_command = command;
    if (command == QLatin1String(KindNames(BillKind::PurchaseReturn).routeWord)) {
        SetKind(BillKind::PurchaseReturn);
    } else if (command == QLatin1String("run_chakan")) {
        SetCanEnter(false);
        if (!IsViewMode())
            EnterViewMode(std::nullopt);
    }
    ApplyModeTexts();
}

void CChild_Jinhuo_KaidanDlg::SetStoredBill(const QString& historyWord, const QString& number) {
    m_command = QStringLiteral("run_chakan");
    SetCanEnter(false);
    if (auto kind = BillKindFromHistoryWord(historyWord.toStdString()); kind && IsTradeKind(*kind))
        ShowStored(*kind, number.toStdString());
    else
        EnterViewMode(std::nullopt);
    ApplyModeTexts();
}

bool CChild_Jinhuo_KaidanDlg::ShowStoredBill(QWidget* parent, const QString& historyWord,
                                             const QString& number) {
    CChild_Jinhuo_KaidanDlg dlg(parent);
    dlg.SetCommand(QStringLiteral("run_chakan"));
    dlg.SetStoredBill(historyWord, number);
    dlg.exec();
    return dlg.ReversedAny();
}

void CChild_Jinhuo_KaidanDlg::ApplyModeTexts() {
    if (IsViewMode()) {
        // Every trade kind is shown here: the fields are named as the shown bill's kind has them.
        setWindowTitle(QStringLiteral("查看历史单据"));
        SetTitleText(QStringLiteral("历史单据"));
    } else if (Bill().Kind() == BillKind::PurchaseReturn) {
        setWindowTitle(QString::fromUtf8(KindNames(BillKind::PurchaseReturn).titleText));
        SetTitleText(QString::fromUtf8(KindNames(BillKind::PurchaseReturn).titleText));
    } else {
        setWindowTitle(QString::fromUtf8(KindNames(BillKind::Purchase).titleText));
        SetTitleText(QString::fromUtf8(KindNames(BillKind::Purchase).titleText));
    }
    ApplyKindTexts(Bill().Kind());
}
