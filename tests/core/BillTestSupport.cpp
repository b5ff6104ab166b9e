#include "BillTestSupport.h"

#include "config/ConfigLists.h"
#include "store/CDataStore.h"

#include <gtest/gtest.h>

void BillTest::SetUp() {
    StoreTest::SetUp();
    m_pen = AddGoods("G1", "Pen", "19.99");
    m_ink = AddGoods("G2", "Ink", "3");
    // The shop's warehouses and business units the bills name.
    for (const char* w :
         {"一号仓库", "二号仓库", "三号仓库", "一号库", "二号库", "仓库W", "四号仓库"})
        ASSERT_TRUE(AddConfigListEntry("warehouse", w, ""));
    AddUnit("KH000", "华东电子", kUnitTypeCustomer);
}

void BillTest::AddUnit(const std::string& code, const std::string& name, const std::string& type) {
    BusinessUnitRecord u;
    u.CustomerCode = code;
    u.CustomerName = name;
    u.CustomerType = type;
    CDataStore store;
    ASSERT_TRUE(store.ConnectMain());
    ASSERT_TRUE(store.AddBusinessUnit(u));
}

CBill BillTest::FullBill(BillKind kind) {
    CBill bill(kind);
    bill.m_customer = "华东电子";
    bill.m_department = "采购部";
    bill.m_warehouse = "一号仓库";
    bill.m_employee = "张三";
    bill.m_account = "工商银行";
    bill.m_paid = "100.00";
    bill.m_introduction = "bill remark";
    return bill;
}

void BillTest::AddLine(CBill& bill, const GoodsRecord& goods, const std::string& quantity,
                       const std::string& price) {
    bill.AppendGoods(goods);
    BillLine& l = bill.m_lines.back();
    l.unit = goods.Unit;
    if (bill.Kind() != BillKind::Price)
        l.quantity = quantity;
    if (!price.empty())
        l.price = price;
    if (IsTradeKind(bill.Kind()))
        l.amount = LineAmount(l.quantity, l.price);
}

void BillTest::ExpectRefused(const CBill& bill, const std::string& message) {
    m_port.Clear();
    EXPECT_FALSE(bill.Validate()) << message;
    EXPECT_EQ(m_port.Texts(), std::vector<std::string>{message});
}
