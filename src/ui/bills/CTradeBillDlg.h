#pragma once
#include "CBillEntryDlg.h"

#include <optional>
#include <string>

// The layout the purchase and sale windows share: number and date, business unit,
// department, warehouse, handler, account, paid amount, introduction, the goods grid, the
// totals and the buttons. Enter moves the focus to the grid.
//
// Besides entering bills, the window walks through the posted bills of its kind with
// 上一张 / 下一张 and shows them read-only; a bill on show in force can be reversed with 红冲.
class CTradeBillDlg : public CBillEntryDlg {
    Q_OBJECT
public:
    QPushButton* m_redo = nullptr; // "红冲"
    QPushButton* m_prev = nullptr;
    QPushButton* m_next = nullptr;
    QLabel* m_quantityLabel = nullptr;
    QLabel* m_amountLabel = nullptr;
    // "已红冲" or "红字单据" beside the date of a stored bill on show; empty otherwise.
    QLabel* m_standing = nullptr;

    // The stored bill on show; nothing while a bill is entered.
    const std::optional<std::string>& ShownNumber() const { return m_shown; }

    // Whether a bill was reversed in this window.
    bool ReversedAny() const { return m_reversedAny; }

    void OnPrevious();
    void OnNext();
    void OnReverse();

protected:
    CTradeBillDlg(QWidget* parent, BillKind kind);

    // Shows the stored bill `number` of `kind` read-only, with its standing and the buttons
    // that go with it.
    void ShowStored(BillKind kind, const std::string& number);
    // A window opened only to look at stored bills never starts a new one.
    void SetCanEnter(bool canEnter) { m_canEnter = canEnter; }
    // The texts of the window's title and labels for entering, or for viewing a stored bill.
    virtual void ApplyModeTexts() = 0;
    void AfterPosting() override;
    void showEvent(QShowEvent* e) override;

private:
    void Step(bool next);
    // 上一张, 下一张 and 红冲 as the window's place allows.
    void UpdateButtons();

    std::optional<std::string> m_shown;
    bool m_canEnter = true;
    bool m_reversible = false;
    bool m_reversedAny = false;
};
