// Finding goods and business units: the one matching rule, the narrowing index, the quick entry
// of the bill windows and the 助记码 made from a name.
#include "BillTestSupport.h"

#include "basic/GoodsSearch.h"
#include "basic/GoodsStore.h"
#include "basic/MasterDataImport.h"
#include "text/PinyinInitials.h"

#include <random>

namespace {
GoodsRecord Item(const std::string& code, const std::string& name, const std::string& smart,
                 const std::string& barcode) {
    GoodsRecord g;
    g.Code = code;
    g.ProductName = name;
    g.SmartName = smart;
    g.BarCode = barcode;
    g.Unit = "个";
    g.Note = "note 6901";
    return g;
}

std::vector<std::string> Codes(const std::vector<GoodsRecord>& goods, const std::string& typed) {
    std::vector<std::string> codes;
    for (const auto& g : goods)
        if (GoodsMatches(g, typed))
            codes.push_back(g.Code);
    return codes;
}

using Strings = std::vector<std::string>;
} // namespace

TEST(SearchRuleTest, GoodsByCodeNameSmartNameAndBarcodeAsciiCaseIgnoredEveryCharacterPlain) {
    const std::vector<GoodsRecord> goods = {
        Item("G001", "键盘", "JP", "6901234567892"),
        Item("G002", "鼠标", "SB", "6902000000001"),
        Item("A_1", "100%棉毛巾", "MJ", ""),
        Item("AB1", "Cd 'quoted'", "", "4006381333931"),
    };
    EXPECT_EQ(Codes(goods, "jp"), Strings{"G001"});            // 助记码 in other case
    EXPECT_EQ(Codes(goods, "6901"), Strings{"G001"});          // part of a barcode, not the note
    EXPECT_EQ(Codes(goods, "g00"), Strings({"G001", "G002"})); // code
    EXPECT_EQ(Codes(goods, "  标\t"), Strings{"G002"});        // blanks around are dropped
    EXPECT_EQ(Codes(goods, "\xE3\x80\x80SB\xE3\x80\x80"), Strings{"G002"}); // ideographic spaces
    EXPECT_EQ(Codes(goods, "%"), Strings{"A_1"});    // no pattern: only the name holding "%"
    EXPECT_EQ(Codes(goods, "_"), Strings{"A_1"});    // nor "_"
    EXPECT_EQ(Codes(goods, "d 'q"), Strings{"AB1"}); // a quote and an inner blank as typed
    EXPECT_EQ(Codes(goods, "b1c"), Strings{});       // never across two texts (AB1 | Cd)
    EXPECT_EQ(Codes(goods, "个"), Strings{});        // the unit is not searched
    EXPECT_EQ(Codes(goods, " ").size(), 4u);         // nothing typed: everything
    EXPECT_EQ(Codes(goods, "键盘鼠标"), Strings{});

    BusinessUnitRecord u;
    u.CustomerCode = "S01";
    u.CustomerName = "华东电子";
    u.CustomerContact = "Wang";
    u.CustomerMobile = "13800001111";
    u.CustomerTel = "021-5555";
    u.CustomerAddr = "上海";
    for (const char* typed : {"s0", "华东", "WANG", "0000111", "021-5"})
        EXPECT_TRUE(BusinessUnitMatches(u, typed)) << typed;
    for (const char* typed : {"上海", "%", "x"})
        EXPECT_FALSE(BusinessUnitMatches(u, typed)) << typed;
}

TEST(SearchRuleTest, IndexNarrowsAsTypedAndRemovesRowsAsTheRuleSays) {
    // Texts from a small alphabet, so that every key of a few characters finds something.
    std::mt19937 random(7);
    const std::string letters = "abAB1_%";
    auto text = [&](size_t n) {
        std::string s;
        for (size_t i = 0; i < n; ++i)
            s += letters[random() % letters.size()];
        return s;
    };
    std::vector<GoodsRecord> goods;
    for (int i = 0; i < 400; ++i)
        goods.push_back(Item(text(4), text(3) + "盘", text(2), text(5)));
    CSearchIndex index;
    for (const auto& g : goods)
        index.AddRow(GoodsSearchTexts(g));

    auto expected = [&](const std::string& typed) {
        std::vector<size_t> rows;
        for (size_t i = 0; i < goods.size(); ++i)
            if (GoodsMatches(goods[i], typed))
                rows.push_back(i);
        return rows;
    };
    // Typing, typing on, deleting back, typing something else.
    size_t narrowest = goods.size();
    for (const char* typed : {"", "a", "aB", "ab1", "ab1_", "ab1", "%", "b%", "b%a", "", "盘"}) {
        EXPECT_EQ(index.Find(typed), expected(typed)) << typed;
        narrowest = std::min(narrowest, index.Find(typed).size());
    }
    EXPECT_LT(narrowest, 50u); // the keys did narrow the list
    EXPECT_EQ(index.Find("a").size(), expected("a").size());

    // A deleted goods item is forgotten; the rows after it move up.
    const auto before = index.Find("ab");
    ASSERT_GE(before.size(), 2u);
    const size_t gone = before[0];
    index.RemoveRow(gone);
    goods.erase(goods.begin() + std::ptrdiff_t(gone));
    EXPECT_EQ(index.Find("ab"), expected("ab"));
    EXPECT_EQ(index.Find("ab").size(), before.size() - 1);
    EXPECT_EQ(index.RowCount(), goods.size());
}

TEST(PinyinInitialsTest, InitialsOfTheChineseAndLatinLettersAndDigitsAsTheyStand) {
    EXPECT_EQ(PinyinInitials("键盘鼠标"), "JPSB");
    EXPECT_EQ(PinyinInitials("USB键盘"), "USBJP");
    EXPECT_EQ(PinyinInitials("usb 键盘"), "USBJP");
    EXPECT_EQ(PinyinInitials("Ａ４纸"), "A4Z"); // full-width letters and digits made plain
    EXPECT_EQ(PinyinInitials("A4纸 70g"), "A4Z70G");
    EXPECT_EQ(PinyinInitials("笔记本电脑（联想）"), "BJBDNLX");
    EXPECT_EQ(PinyinInitials("重庆火锅"), "CQHG"); // ICU's reading of 重 in 重庆
    EXPECT_EQ(PinyinInitials("Café"), "CAFE");
    EXPECT_EQ(PinyinInitials("!!\xE3\x80\x80"), "");
    EXPECT_EQ(PinyinInitials(""), "");
}

class QuickEntryTest : public BillTest {};

TEST_F(QuickEntryTest, ScansAddOneToTheLastLineOfTheGoodsOrAddALineAndTheTotalsFollow) {
    CBill bill = FullBill(BillKind::Purchase);
    m_pen.Unit = "支";
    EXPECT_EQ(bill.ScanGoods(m_pen), 0u);
    EXPECT_EQ(bill.ScanGoods(m_pen), 0u);
    EXPECT_EQ(bill.ScanGoods(m_pen), 0u);
    bill.RecomputeTotals();
    ASSERT_EQ(bill.m_lines.size(), 1u);
    EXPECT_EQ(bill.m_lines[0].quantity, "3");
    EXPECT_EQ(bill.m_lines[0].unit, "支");
    EXPECT_EQ(bill.m_lines[0].price, "19.99");
    EXPECT_EQ(bill.m_lines[0].amount, "59.97");
    EXPECT_EQ(bill.m_quantityTotal, "3");
    EXPECT_EQ(bill.m_amountTotal, "59.97");

    EXPECT_EQ(bill.ScanGoods(m_ink), 1u);
    EXPECT_EQ(bill.ScanGoods(m_pen), 0u); // back to the pen's line
    bill.RecomputeTotals();
    ASSERT_EQ(bill.m_lines.size(), 2u);
    EXPECT_EQ(bill.m_lines[1].quantity, "1");
    EXPECT_EQ(bill.m_lines[1].amount, "3.00");
    EXPECT_EQ(bill.m_quantityTotal, "5");
    EXPECT_EQ(bill.m_amountTotal, "82.96"); // 4 × 19.99 + 3

    // A quantity being corrected is not counted on: the scan gets a line of its own.
    bill.EditCell(1, 3, "2.5");
    EXPECT_EQ(bill.ScanGoods(m_ink), 2u);
    EXPECT_EQ(bill.m_lines[1].quantity, "2.5");
    EXPECT_EQ(bill.m_lines[2].quantity, "1");
    EXPECT_EQ(bill.Save(), PostOutcome::Invalid); // 2.5 is refused, nothing lost

    // A loss bill has no price: the line counts only.
    CBill loss = FullBill(BillKind::Loss);
    loss.ScanGoods(m_ink);
    loss.ScanGoods(m_ink);
    ASSERT_EQ(loss.m_lines.size(), 1u);
    EXPECT_EQ(loss.m_lines[0].quantity, "2");
    EXPECT_EQ(loss.m_lines[0].amount, "");
}

TEST_F(QuickEntryTest, BarcodeOrCodeWinsOverSmartNameSeveralGoLeftToThePickerAndMissesReadAgain) {
    GoodsRecord keyboard = Goods("K01", "键盘");
    keyboard.BarCode = "6901234567892";
    keyboard.SmartName = "JP";
    ASSERT_TRUE(CDataStore().ConnectMain());
    CDataStore store;
    ASSERT_TRUE(store.ConnectMain());
    ASSERT_TRUE(store.AddGoods(keyboard));
    GoodsRecord plate = Goods("P01", "金盘");
    plate.SmartName = "jp";
    ASSERT_TRUE(store.AddGoods(plate));
    // A 助记码 that is another goods item's code: the code wins.
    GoodsRecord tricky = Goods("T01", "提示");
    tricky.SmartName = "G1";
    ASSERT_TRUE(store.AddGoods(tricky));

    CGoodsFinder finder;
    QuickEntryResult r = finder.Find(" 6901234567892\n");
    EXPECT_EQ(r.kind, QuickEntryResult::Kind::One);
    EXPECT_EQ(r.goods.Code, "K01");
    EXPECT_EQ(r.goods.ProductName, "键盘");
    EXPECT_EQ(finder.Find("k01").goods.Code, "K01"); // ASCII case ignored
    EXPECT_EQ(finder.Find("G1").goods.Code, "G1");
    EXPECT_EQ(finder.Find("Jp").kind, QuickEntryResult::Kind::Several);
    EXPECT_EQ(finder.Find("Jp").key, "Jp");
    EXPECT_EQ(finder.Find("   ").kind, QuickEntryResult::Kind::Empty);

    // A part of a barcode is no barcode.
    r = finder.Find(" 690123 ");
    EXPECT_EQ(r.kind, QuickEntryResult::Kind::NotFound);
    EXPECT_EQ(QuickEntryNotFoundText(r.key), "没有找到条码或编码为“690123”的商品！");
    EXPECT_EQ(finder.Find("%").kind, QuickEntryResult::Kind::NotFound);

    // Added after the first scan (by another window or workstation): found all the same.
    GoodsRecord late = Goods("L01", "后来");
    late.BarCode = "123";
    ASSERT_TRUE(store.AddGoods(late));
    EXPECT_EQ(finder.Find("123").goods.Code, "L01");
    // Deleted since: not found, though it was known.
    ASSERT_TRUE(store.DeleteGoods("L01"));
    EXPECT_EQ(finder.Find("123").kind, QuickEntryResult::Kind::NotFound);
    // The 助记码 of the goods left is one goods item now.
    ASSERT_TRUE(store.DeleteGoods("P01"));
    EXPECT_EQ(finder.Find("jp").goods.Code, "K01");
    EXPECT_TRUE(m_port.Texts().empty());
}

TEST_F(QuickEntryTest, ImportFillsAnEmptySmartNameAndKeepsATypedOne) {
    const std::string csv = "Code,ProductName,ClassName,SmartName\n"
                            "N1,键盘鼠标,电子,\n"
                            "N2,键盘,电子,kb\n";
    size_t added = 0;
    ASSERT_EQ(ImportGoodsCsv(csv, &added), ImportOutcome::Imported);
    EXPECT_EQ(added, 2u);
    CDataStore store;
    ASSERT_TRUE(store.ConnectMain());
    EXPECT_EQ(FindGoods(store, "N1")->SmartName, "JPSB");
    EXPECT_EQ(FindGoods(store, "N2")->SmartName, "kb");
    ASSERT_EQ(ImportGoodsCsv("Code,ProductName,ClassName\nN3,鼠标垫,电子\n", &added),
              ImportOutcome::Imported);
    EXPECT_EQ(FindGoods(store, "N3")->SmartName, "SBD");
}
