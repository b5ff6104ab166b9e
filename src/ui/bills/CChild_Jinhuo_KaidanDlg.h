#pragma once
#include "CTradeBillDlg.h"

// "进货开单": a purchase (run_jinhuo), a purchase return (run_tuihuo), or a stored trade bill
// shown read-only (run_chakan with SetStoredBill).
class CChild_Jinhuo_KaidanDlg : public CTradeBillDlg {
    Q_OBJECT
public:
    explicit CChild_Jinhuo_KaidanDlg(QWidget* parent = nullptr);

    // Set by the opener before exec().
    void SetCommand(const QString& command);
    QString Command() const { return m_command; }
    // The stored bill to show: its history kind word (run_caigou, run_caigou_tuihuo, run_sale,
    // run_sale_tuihuo) and number. Implies run_chakan; the two calls may come in either order.
    void SetStoredBill(const QString& historyWord, const QString& number);
    // Opens the window read-only on a stored bill (the bill history view's double click); true
    // when a bill was reversed in it.
    static bool ShowStoredBill(QWidget* parent, const QString& historyWord, const QString& number);

protected:
    void ApplyModeTexts() override;

private:
    QString m_command;
};
