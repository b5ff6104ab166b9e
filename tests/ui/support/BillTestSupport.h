#pragma once
// Shared by the picker and bill window tests: a program folder with goods, classes, business
// units and reference lists, scripted picks, and driving a modal window from inside its exec().
#include "UiTestSupport.h"

#include "bills/CBill.h"
#include "bills/CPaletteListDlg.h"

#include <QApplication>
#include <QDialog>
#include <QPoint>
#include <QString>
#include <QTimer>

#include <deque>
#include <functional>
#include <source_location>

class CListCtrlEx;

// Classes 饮料 > 果汁 and 孤儿 (its parent does not exist); goods G001 可乐 (饮料, preset purchase
// price 19.99) and G002 橙汁 (果汁, 5); units S01 (供应商) and C01 (客户); units 个 and 箱;
// warehouses 一号库 and 二号库; bank 工行; departments 采购部 (张三) and 销售部 (李四).
void SeedBillData();

// Picks answered in turn by the picker's test seam; every pick must be used.
class CPickerScript {
public:
    CPickerScript();
    ~CPickerScript();
    CPickerScript(const CPickerScript&) = delete;
    CPickerScript& operator=(const CPickerScript&) = delete;

    void Then(std::function<void(CPaletteListDlg&)> step) { m_steps.push_back(std::move(step)); }
    // Clicks the row whose cell in the column headed `column` reads `text`, then presses 选择.
    void Pick(const QString& text, const QString& column,
              std::source_location where = std::source_location::current());
    // Presses 返回.
    void Cancel();
    size_t Pending() const { return m_steps.size(); }
    // Picker kinds in the order the picker was opened.
    const QStringList& Kinds() const { return m_kinds; }

private:
    std::deque<std::function<void(CPaletteListDlg&)>> m_steps;
    QStringList m_kinds;
};

// The grid column of a kind's bill headed `header`, for CBill::EditCell and ChooseCell; the test
// fails at the caller's line and a column past the last (which changes nothing) comes back when
// the kind's grid has no such column.
size_t BillColumn(BillKind kind, const char* header,
                  std::source_location where = std::source_location::current());

// Cells of a bill grid (or any CListCtrlEx) by the header of their column: the text of one
// cell, the texts of the column top to bottom, and the centre of a cell (to click it).
QString GridText(const CListCtrlEx* grid, int row, const QString& header,
                 std::source_location where = std::source_location::current());
QStringList GridTexts(const CListCtrlEx* grid, const QString& header,
                      std::source_location where = std::source_location::current());
QPoint GridCellCentre(const CListCtrlEx* grid, int row, const QString& header,
                      std::source_location where = std::source_location::current());

// Runs `open` (which shows a modal window of class Dlg with exec()) and, once the window is up,
// `act` on it; the window is closed afterwards if `act` left it open. True when the window
// was found.
template <class Dlg>
bool DriveModal(const std::function<void()>& open, const std::function<void(Dlg&)>& act,
                bool* closedByItself = nullptr) {
    bool found = false;
    QTimer::singleShot(0, [&] {
        Dlg* dlg = nullptr;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* d = qobject_cast<Dlg*>(w); d && d->isVisible())
                dlg = d;
        if (!dlg)
            return;
        found = true;
        act(*dlg);
        if (closedByItself)
            *closedByItself = !dlg->isVisible();
        if (dlg->isVisible())
            dlg->QDialog::reject();
    });
    open();
    return found;
}
