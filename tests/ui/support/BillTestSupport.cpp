#include "BillTestSupport.h"

#include "config/ConfigLists.h"
#include "store/CDataStore.h"
#include "widgets/CListCtrlEx.h"
#include "widgets/CListCtrlModel.h"

#include <QPushButton>
#include <QTest>

#include <stdexcept>
#include <string_view>

void SeedBillData() {
    CDataStore store;
    if (!store.ConnectMain())
        throw std::runtime_error("main data file");
    bool ok = store.AddGoodsClass("饮料", "") && store.AddGoodsClass("果汁", "饮料") &&
              store.AddGoodsClass("孤儿", "不存在");
    GoodsRecord cola;
    cola.Code = "G001";
    cola.ProductName = "可乐";
    cola.ClassName = "饮料";
    cola.Unit = "瓶";
    cola.PriceIn = "19.99";
    cola.BarCode = "6901";
    cola.Note = "冷藏";
    GoodsRecord juice;
    juice.Code = "G002";
    juice.ProductName = "橙汁";
    juice.ClassName = "果汁";
    juice.PriceIn = "5";
    ok = ok && store.AddGoods(cola) && store.AddGoods(juice);
    BusinessUnitRecord supplier;
    supplier.CustomerCode = "S01";
    supplier.CustomerName = "甲供应商";
    supplier.CustomerType = "供应商";
    BusinessUnitRecord customer;
    customer.CustomerCode = "C01";
    customer.CustomerName = "乙客户";
    customer.CustomerType = "客户";
    customer.CustomerQq = "12345";
    ok = ok && store.AddBusinessUnit(supplier) && store.AddBusinessUnit(customer);
    ok = ok && AddConfigListEntry("unit", "个", "") && AddConfigListEntry("unit", "箱", "") &&
         AddConfigListEntry("warehouse", "一号库", "") &&
         AddConfigListEntry("warehouse", "二号库", "") && AddConfigListEntry("bank", "工行", "") &&
         AddDepartment("采购部", "") && AddDepartment("销售部", "") &&
         AddEmployee("采购部", "张三", "139", "北京", "1990-01-01", "") &&
         AddEmployee("销售部", "李四", "138", "上海", "", "组长");
    if (!ok)
        throw std::runtime_error("seeding the bill data failed");
}

CPickerScript::CPickerScript() {
    CPaletteListDlg::SetScriptForTest([this](CPaletteListDlg& picker) {
        m_kinds << picker.Kind();
        QVERIFY2(!m_steps.empty(), "the picker opened once more than the test expected");
        auto step = std::move(m_steps.front());
        m_steps.pop_front();
        step(picker);
    });
}

CPickerScript::~CPickerScript() {
    CPaletteListDlg::SetScriptForTest(nullptr);
}

void CPickerScript::Pick(const QString& text, const QString& column, std::source_location where) {
    Then([text, column, where](CPaletteListDlg& picker) {
        const int c = ColumnOf(picker.List(), column, where);
        if (c < 0)
            return;
        const int row = picker.FindRow(c, text);
        QVERIFY2(row >= 0, qPrintable("no row " + text));
        picker.ClickRow(row);
        picker.ChooseButton()->click();
    });
}

void CPickerScript::Cancel() {
    Then([](CPaletteListDlg& picker) { picker.BackButton()->click(); });
}

size_t BillColumn(BillKind kind, const char* header, std::source_location where) {
    const auto& columns = GridColumns(kind);
    for (size_t c = 0; c < columns.size(); ++c)
        if (std::string_view(columns[c].header) == header)
            return c;
    QTest::qFail(qPrintable(QString("no bill column headed \"%1\"").arg(QString::fromUtf8(header))),
                 where.file_name(), int(where.line()));
    return columns.size();
}

QString GridText(const CListCtrlEx* grid, int row, const QString& header,
                 std::source_location where) {
    const int column = ColumnOf(grid, header, where);
    return column < 0 ? QString() : grid->GetItemText(row, column);
}

QStringList GridTexts(const CListCtrlEx* grid, const QString& header, std::source_location where) {
    const int column = ColumnOf(grid, header, where);
    QStringList texts;
    for (int r = 0; column >= 0 && r < grid->GetItemCount(); ++r)
        texts << grid->GetItemText(r, column);
    return texts;
}

QPoint GridCellCentre(const CListCtrlEx* grid, int row, const QString& header,
                      std::source_location where) {
    const int column = ColumnOf(grid, header, where);
    // Outside the grid when there is no such column: a click there changes nothing.
    return column < 0 ? QPoint(-1, -1)
                      : grid->visualRect(grid->Model()->index(row, column)).center();
}
