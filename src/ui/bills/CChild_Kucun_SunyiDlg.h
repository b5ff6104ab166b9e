#pragma once
#include "CStockBillDlg.h"

// "报损单" (run_baosun) or "报溢单" (run_baoyi): goods written off or onto a warehouse's stock.
class CChild_Kucun_SunyiDlg : public CStockBillDlg {
    Q_OBJECT
public:
    explicit CChild_Kucun_SunyiDlg(QWidget* parent = nullptr);

    // Set by the opener before exec().
    void SetCommand(const QString& command);
    QString Command() const { return m_command; }

private:
    QString m_command;
};
