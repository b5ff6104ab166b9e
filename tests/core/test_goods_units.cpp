// A goods item's further units as master data, and quantities told in them (折合).
#include "StoreTestSupport.h"

#include "basic/GoodsList.h"
#include "basic/GoodsSearch.h"
#include "basic/GoodsStore.h"
#include "basic/GoodsUnits.h"
#include "query/StockWarnings.h"
#include "rights/RoleRights.h"
#include "store/Session.h"

namespace {
using Strings = std::vector<std::string>;

GoodsUnit Unit(const std::string& code, const std::string& unit, std::int64_t factor,
               const std::string& barcode = "", const std::string& priceIn = "",
               const std::string& priceOut = "") {
    return {code, unit, factor, barcode, priceIn, priceOut};
}

Strings Described(const std::vector<GoodsUnit>& units) {
    Strings out;
    for (const auto& u : units)
        out.push_back(u.Unit + "=" + std::to_string(u.Factor) + "|" + u.BarCode + "|" + u.PriceIn +
                      "|" + u.PriceOut);
    return out;
}
} // namespace

class GoodsUnitsTest : public StoreTest {
protected:
    void TearDown() override {
        Session().rights = CRoleRights(kAdminRole, {}, {}, {});
        StoreTest::TearDown();
    }
    // The one message a refused change showed, with nothing written.
    std::string Refusal(const std::function<bool(CDataStore&)>& change) {
        CDataStore store;
        EXPECT_TRUE(store.ConnectMain());
        const std::string before = Snapshot();
        m_port.Clear();
        EXPECT_FALSE(change(store));
        EXPECT_EQ(Snapshot(), before);
        return m_port.Texts().size() == 1
                   ? m_port.Texts()[0]
                   : "<" + std::to_string(m_port.Texts().size()) + " messages>";
    }
};

TEST_F(GoodsUnitsTest, UnitsAreCheckedAndAUsedUnitKeepsItsFactor) {
    AddGoods("G1", "可乐"); // base unit 个, barcode BC-G1
    AddGoods("G2", "雪碧");
    CDataStore store;
    ASSERT_TRUE(store.ConnectMain());
    auto add = [](GoodsUnit u) { return [u](CDataStore& s) { return AddGoodsUnit(s, u); }; };

    EXPECT_EQ(Refusal(add(Unit("NO", "箱", 12))), "没有商品编码为“NO”的商品！");
    EXPECT_EQ(Refusal(add(Unit("G1", "", 12))), "单位不能为空！");
    EXPECT_EQ(Refusal(add(Unit("G1", "个", 12))), "“个”是商品的基本单位！");
    EXPECT_EQ(Refusal(add(Unit("G1", "箱", 1))), "换算必须是不小于2的整数！");
    EXPECT_EQ(Refusal(add(Unit("G1", "箱", INT64_MAX))), "换算不能大于1000000！");
    EXPECT_EQ(Refusal(add(Unit("G1", "箱", 1000001))), "换算不能大于1000000！");
    EXPECT_EQ(Refusal(add(Unit("G1", "箱", 12, "", "3x"))), "进价“3x”不是有效的价格！");
    EXPECT_EQ(Refusal(add(Unit("G1", "箱", 12, "", "", "-1"))), "售价“-1”不是有效的价格！");
    EXPECT_EQ(Refusal(add(Unit("G1", "箱", 12, "BC-G2"))), "条码“BC-G2”已是商品“G2”的条码！");
    EXPECT_EQ(Refusal(add(Unit("G1", "箱", 12, "BC-G1"))), "条码“BC-G1”是商品本身的条码！");
    // A unit that differs from the base unit by a blank only would be a second 个.
    EXPECT_EQ(Refusal(add(Unit("G1", " 个", 12))), "单位“ 个”的前后不能有空格！");
    EXPECT_EQ(Refusal(add(Unit("G1", "个　", 12))), "单位“个　”的前后不能有空格！");
    EXPECT_EQ(Refusal(add(Unit("G1", "箱", 12, "B12 "))), "条码“B12 ”的前后不能有空格！");
    EXPECT_EQ(Refusal(add(Unit("G1", "箱", 12, "G2"))), "条码“G2”已是商品“G2”的编码！");

    ASSERT_TRUE(AddGoodsUnit(store, Unit("G1", "箱", 12, "690012", "", "66.5")));
    ASSERT_TRUE(AddGoodsUnit(store, Unit("G1", "包", 6)));
    EXPECT_EQ(Refusal(add(Unit("G1", "箱", 24))), "商品已有单位“箱”！");
    EXPECT_EQ(Refusal(add(Unit("G2", "件", 20, "690012"))),
              "条码“690012”已是商品“G1”的单位“箱”的条码！");
    // Conversely a goods item's own barcode cannot become a unit's.
    auto g2 = *FindGoods(store, "G2");
    g2.BarCode = "690012";
    EXPECT_EQ(Refusal([&](CDataStore& s) { return UpdateGoods(s, g2); }),
              "条码“690012”已是商品“G1”的单位“箱”的条码！");
    // Two units without a barcode: both NULL under the unique index.
    ASSERT_TRUE(AddGoodsUnit(store, Unit("G2", "件", 20)));
    EXPECT_EQ(Count("GoodsUnit"), 3);
    int64_t nulls = -1;
    ASSERT_TRUE(store.Run("select count(*) from GoodsUnit where BarCode is null", {},
                          [&](const CStatement& st) { nulls = std::stoll(st.Text(0)); }));
    EXPECT_EQ(nulls, 2);
    EXPECT_EQ(Described(*ListGoodsUnits(store, "G1")), (Strings{"包=6|||", "箱=12|690012||66.5"}));

    // Once a line names 箱 its factor is fixed and it stays; barcode and prices still change.
    ASSERT_TRUE(store.Run("insert into BaoSunDan(Bill_ID, Product_ID, Product_Unit,"
                          " Product_Number, Base_Number) values ('BS-1', 'G1', '箱', '1', '12')",
                          {}));
    const std::string used = "单位“箱”已被单据使用，不能修改换算！";
    EXPECT_EQ(Refusal([](CDataStore& s) { return ChangeGoodsUnit(s, Unit("G1", "箱", 24)); }),
              used);
    EXPECT_EQ(Refusal([](CDataStore& s) { return RemoveGoodsUnit(s, "G1", "箱"); }), used);
    ASSERT_TRUE(ChangeGoodsUnit(store, Unit("G1", "箱", 12, "690099", "30", "66.5")));
    ASSERT_TRUE(RemoveGoodsUnit(store, "G1", "包"));
    // Lines that named 盒 as a plain name (G1 had no 盒) keep their meaning: no unit 盒 now.
    ASSERT_TRUE(store.Run("insert into EnterSale_Detail(Bill_ID, Product_ID, Product_Unit,"
                          " Product_Number, Base_Number) values ('XS-1', 'G1', '盒', '3', '3')",
                          {}));
    EXPECT_EQ(Refusal(add(Unit("G1", "盒", 10))), "单位“盒”已被单据使用，不能修改换算！");
    // Nor may the base unit take the name of a further unit.
    auto g1 = *FindGoods(store, "G1");
    g1.Unit = "箱";
    EXPECT_EQ(Refusal([&](CDataStore& s) { return UpdateGoods(s, g1); }),
              "商品已有单位“箱”，不能再作基本单位！");
    EXPECT_EQ(Described(*ListGoodsUnits(store, "G1")), (Strings{"箱=12|690099|30|66.5"}));

    // A role without 进价 writes no unit purchase price but keeps the stored one.
    Session().rights =
        CRoleRights("营业员", {{"goods", Bit(Action::View) | Bit(Action::Enter)}}, {}, {"进价"});
    EXPECT_EQ(
        Refusal([](CDataStore& s) { return ChangeGoodsUnit(s, Unit("G1", "箱", 12, "", "31")); }),
        "“PriceIn”是您的角色看不到的价格，不能修改！");
    ASSERT_TRUE(ChangeGoodsUnit(store, Unit("G1", "箱", 12, "", "30", "70")));
    // Removing is the goods function's 删除.
    EXPECT_EQ(Refusal([](CDataStore& s) { return RemoveGoodsUnit(s, "G2", "件"); }),
              "您没有“商品管理”的“删除”权限！");
    Session().rights = CRoleRights(kAdminRole, {}, {}, {});

    // A deleted goods item takes its units with it.
    ASSERT_TRUE(store.DeleteGoods("G2"));
    EXPECT_EQ(Described(*ListGoodsUnits(store, "G2")), Strings{});
    EXPECT_EQ(Described(*ListGoodsUnits(store, "G1")), (Strings{"箱=12||30|70"}));
}

TEST_F(GoodsUnitsTest, AUnitBarcodeIsNeverAGoodsCodeWhicheverComesFirst) {
    AddGoods("G1", "可乐");
    CDataStore store;
    ASSERT_TRUE(store.ConnectMain());
    ASSERT_TRUE(AddGoodsUnit(store, Unit("G1", "箱", 12, "690012")));

    // A new goods item whose code is a unit's barcode (the import refuses it too).
    GoodsRecord box = Goods("690012", "纸箱");
    EXPECT_EQ(Refusal([&](CDataStore&) { return StoreNewGoods(box); }),
              "编码“690012”已是商品“G1”的单位“箱”的条码！");
    // So the quick entry's 690012 still names the box, one of them.
    CGoodsFinder finder;
    const QuickEntryResult scanned = finder.Find("690012");
    ASSERT_EQ(scanned.kind, QuickEntryResult::Kind::One);
    EXPECT_EQ(scanned.goods.Code + "/" + (scanned.unit ? scanned.unit->Unit : ""), "G1/箱");

    // A new goods item checked with its units before it is stored: a unit barcode equal to its
    // own code is refused then, not after the goods item alone has been stored.
    GoodsRecord fresh = Goods("G7", "橙汁");
    EXPECT_EQ(CheckGoodsUnits(store, fresh, {Unit("G7", "箱", 6, "G7")}),
              "条码“G7”已是商品“G7”的编码！");
    EXPECT_EQ(CheckGoodsUnits(store, fresh, {Unit("G7", "箱", 6, "G7-6")}), std::nullopt);

    // A factor as typed: more digits than a count holds is too large, not no number.
    EXPECT_EQ(UnitFactorOf(" 12 "), 12);
    EXPECT_EQ(UnitFactorOf("99999999999999999999"), INT64_MAX);
    EXPECT_EQ(UnitFactorOf("+99999999999999999999"), INT64_MAX);
    EXPECT_EQ(UnitFactorOf("-99999999999999999999"), 0);
    EXPECT_EQ(UnitFactorOf("1.5"), 0);
    EXPECT_EQ(UnitFactorOf("1e3"), 0);
    EXPECT_EQ(UnitFactorOf(""), 0);
    EXPECT_EQ(Refusal([](CDataStore& s) {
                  return AddGoodsUnit(s, Unit("G1", "包", UnitFactorOf("99999999999999999999")));
              }),
              "换算不能大于1000000！");
    EXPECT_EQ(Refusal([](CDataStore& s) {
                  return AddGoodsUnit(s, Unit("G1", "包", UnitFactorOf("1.5")));
              }),
              "换算必须是不小于2的整数！");
}

TEST_F(GoodsUnitsTest, QuantitiesArePackedLargestUnitFirst) {
    const std::vector<GoodsUnit> boxes = {Unit("G", "箱", 12)};
    EXPECT_EQ(PackedQuantity(147, boxes, "个"), "12箱3个");
    EXPECT_EQ(PackedQuantity(-14, boxes, "个"), "-1箱2个");
    EXPECT_EQ(PackedQuantity(144, boxes, "个"), "12箱");
    EXPECT_EQ(PackedQuantity(0, boxes, "个"), "0个");
    EXPECT_EQ(PackedQuantity(29, {}, "个"), "29个");
    // Any order in; zero parts left out.
    const std::vector<GoodsUnit> three = {Unit("G", "包", 6), Unit("G", "箱", 24)};
    EXPECT_EQ(PackedQuantity(155, three, "瓶"), "6箱1包5瓶");
    EXPECT_EQ(PackedQuantity(147, three, "瓶"), "6箱3瓶");
    EXPECT_EQ(PackedQuantity(-30, three, "瓶"), "-1箱1包");

    // The whole list's units in one read.
    AddGoods("G1", "可乐");
    AddGoods("G2", "雪碧");
    CDataStore store;
    ASSERT_TRUE(store.ConnectMain());
    ASSERT_TRUE(AddGoodsUnit(store, Unit("G1", "箱", 24)));
    ASSERT_TRUE(AddGoodsUnit(store, Unit("G1", "包", 6)));
    CGoodsPacking packing;
    ASSERT_TRUE(packing.Load(store));
    EXPECT_EQ(packing.Packed("G1", 155), "6箱1包5个");
    EXPECT_EQ(packing.Packed("G2", 29), "29个");
    EXPECT_EQ(Described(packing.UnitsOf("G1")), (Strings{"包=6|||", "箱=24|||"}));

    // The stock warnings tell the summed quantity the same way: 100 + 55 = 155.
    ASSERT_TRUE(store.Run("update ferix_product set InventoryLow = '200'", {}));
    PutStock("一号仓库", "G1", "可乐", 100);
    PutStock("二号仓库", "G1", "可乐", 55);
    const StockWarnings warnings = LoadStockWarnings("全部");
    ASSERT_EQ(warnings.rows.size(), 2u);
    EXPECT_EQ(warnings.rows[0].packed + "/" + warnings.rows[1].packed, "6箱1包5个/0个");
}
