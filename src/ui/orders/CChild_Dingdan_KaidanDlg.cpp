#include "CChild_Dingdan_KaidanDlg.h"

#include "basic/GoodsStore.h"
#include "store/CDataStore.h"
#include "widgets/CListCtrlEx.h"

#include <QLabel>

CChild_Dingdan_KaidanDlg::CChild_Dingdan_KaidanDlg(QWidget* parent)
    : CTradeBillDlg(parent, BillKind::PurchaseOrder) {
    setObjectName("CChild_Dingdan_KaidanDlg");
    // An order promises goods; batches, production dates and places come with their delivery.
    for (const char* header : {"批号", "生产日期", "库位"})
        for (int c = 0; c < m_grid->GetColumnCount(); ++c)
            if (m_grid->model()->headerData(c, Qt::Horizontal).toString() ==
                QString::fromUtf8(header))
                m_grid->setColumnHidden(c, true);
    ApplyModeTexts();
}

void CChild_Dingdan_KaidanDlg::SetCommand(const QString& command) {
    if (command == QLatin1String(KindNames(BillKind::SaleOrder).historyWord))
        SetKind(BillKind::SaleOrder);
    ApplyModeTexts();
}

void CChild_Dingdan_KaidanDlg::ShowOrder(const std::string& number) {
    const std::string shown = number; // `number` may be the bill's own, replaced on the way
    ShowStored(Bill().Kind(), shown);
}

void CChild_Dingdan_KaidanDlg::FillSuggested(
    const std::vector<std::pair<std::string, int64_t>>& lines, const std::string& warehouse) {
    CBill bill(Bill().Kind());
    bill.m_warehouse = warehouse;
    CDataStore store;
    if (!store.ConnectMain())
        return;
    const auto& columns = GridColumns(bill.Kind());
    size_t quantityColumn = 0;
    while (quantityColumn < columns.size() && columns[quantityColumn].field != &BillLine::quantity)
        ++quantityColumn;
    for (const auto& [code, quantity] : lines) {
        const auto goods = FindGoods(store, code);
        if (!goods)
            continue;
        bill.AppendGoods(*goods);
        bill.m_lines.back().unit = goods->Unit; // counted in base units
        bill.EditCell(bill.m_lines.size() - 1, quantityColumn, std::to_string(quantity));
    }
    LoadBill(std::move(bill));
}

void CChild_Dingdan_KaidanDlg::AfterLastPosting(const std::string& number) {
    ShowOrder(number);
}

void CChild_Dingdan_KaidanDlg::ApplyModeTexts() {
    const QString title = QString::fromUtf8(KindNames(Bill().Kind()).titleText);
    setWindowTitle(title);
    SetTitleText(title);
    ApplyKindTexts(Bill().Kind());
}
