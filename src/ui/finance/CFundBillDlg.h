#pragma once
#include "bills/CBillEntryDlg.h"

// The layout the receipt and payment windows share: number and date, business unit with what
// it owes now (当前应收 / 当前应付, read-only), account, handler, department, amount and remark,
// then 红冲, 上一张, 下一张, 保存 and 取消. There are no goods lines.
class CFundBillDlg : public CBillEntryDlg {
    Q_OBJECT
public:
    QLabel* m_owedLabel = nullptr;
    QLineEdit* m_owed = nullptr; // what the chosen unit owes now, or is owed

    // Reads the chosen unit's balance into m_owed.
    void RefreshOwed();

protected:
    CFundBillDlg(QWidget* parent, BillKind kind);
    void AfterPosting() override;
    void ApplyModeTexts() override;

private:
    QString m_titleText;
};
