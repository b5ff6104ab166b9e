#pragma once
#include "bills/CTradeBillDlg.h"

#include <cstdint>
#include <string>
#include <vector>

// "采购订单" (run_caigou_dingdan) and "销售订单" (run_xiaoshou_dingdan): an order entered on
// the trade bills' layout, with its delivery date instead of an account and a paid amount.
// A saved order is never edited: unless the user goes on to the next one, the window shows it
// read-only, with 打印.
class CChild_Dingdan_KaidanDlg : public CTradeBillDlg {
    Q_OBJECT
public:
    explicit CChild_Dingdan_KaidanDlg(QWidget* parent = nullptr);

    // Set by the opener before exec().
    void SetCommand(const QString& command);
    // Shows stored order `number` of the window's kind read-only.
    void ShowOrder(const std::string& number);
    // A new order filled with `lines` (goods code, base quantity), each in its base unit at its
    // starting price, into `warehouse` (may be empty); codes no longer in the goods list are
    // left out.
    void FillSuggested(const std::vector<std::pair<std::string, int64_t>>& lines,
                       const std::string& warehouse);

protected:
    void ApplyModeTexts() override;
    void AfterLastPosting(const std::string& number) override;
};
