#pragma once
#include "CTradeBillDlg.h"

// "销售": a sale (run_xiaoshou) or a sale return (run_tuihuo).
class CChild_Xiaoshou_KaidanDlg : public CTradeBillDlg {
    Q_OBJECT
public:
    explicit CChild_Xiaoshou_KaidanDlg(QWidget* parent = nullptr);

    // Set by the opener before exec().
    void SetCommand(const QString& command);
    QString Command() const { return m_command; }

protected:
    void ApplyModeTexts() override;

private:
    QString m_command;
};
