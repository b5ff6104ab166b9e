#include "BillTestSupport.h"

#include "bills/BillReversal.h"
#include "query/BillPrint.h"
#include "store/Session.h"

#include <gtest/gtest.h>

#include <fstream>

namespace fs = std::filesystem;

namespace {

std::string Row(int id, const std::string& code, const std::string& name,
                const std::string& quantity, const std::string& price, const std::string& amount,
                const std::string& note) {
    // The block's own line ends stay around each row.
    return "\r\n<tr><td class=\"num\">" + std::to_string(id) + "</td><td>" + code + "</td><td>" +
           name + "</td><td>个</td><td class=\"num\">" + quantity + "</td><td class=\"num\">" +
           price + "</td><td class=\"num\">" + amount + "</td><td></td><td></td><td>" + note +
           "</td></tr>\r\n";
}

std::string SumRow(const std::string& quantity, const std::string& amount) {
    return "\r\n<tr class=\"sum\"><td colspan=\"4\">合计</td><td class=\"num\">" + quantity +
           "</td><td></td><td class=\"num\">" + amount + "</td><td colspan=\"3\"></td></tr>\r\n";
}

} // namespace

class BillPrintTest : public BillTest {
protected:
    void SetUp() override {
        BillTest::SetUp();
        Session().settings.CompanyName = "华东贸易";
        Session().settings.CompanyAddr = "上海市<南京路>1号";
        Session().settings.CompanyTel = "021-5555";
        PutStock("一号仓库", "G1", "Pen", 10);
        PutStock("一号仓库", "G2", "Ink", 1010);
    }

    // A sale of 3 Pen at 19.99 and 1000 Ink at 12.34: 59.97 + 12340.00 = 12399.97.
    std::string PostSale() {
        CBill bill = FullBill(BillKind::Sale);
        bill.GiveNumber("XS-261209-1");
        bill.m_date = "2026-12-09";
        AddLine(bill, m_pen, "3", "19.99");
        AddLine(bill, m_ink, "1000", "12.34");
        EXPECT_EQ(bill.Save(), PostOutcome::Posted);
        return bill.m_number;
    }

    std::string Printed(BillKind kind, const std::string& number) {
        const BillPrintResult result = PrepareBillPrint(kind, number);
        EXPECT_EQ(result.outcome, BillPrintResult::Outcome::Written) << number;
        EXPECT_EQ(result.page, Dir() / BillPrintFile(kind));
        return ReadFile(BillPrintFile(kind));
    }
};

TEST_F(BillPrintTest, ASaleReadsBackWithHeadingLinesTotalsAndCapitalsAsTheRoleSeesThem) {
    const std::string number = PostSale();
    std::string page = Printed(BillKind::Sale, number);
    for (const std::string& part : {
             std::string("<title>销售单</title>"),
             std::string("<h1>华东贸易</h1>"),
             std::string("地址：上海市&lt;南京路&gt;1号　电话：021-5555"),
             std::string("<h2>销售单</h2>"),
             std::string("<tr><td>单据编号：XS-261209-1</td><td>日期：2026-12-09</td>"
                         "<td>客户：华东电子</td></tr>"),
             std::string(
                 "<tr><td>仓库：一号仓库</td><td>部门：采购部</td><td>经手人：张三</td></tr>"),
             std::string("<tr><td>账户：工商银行</td><td>收款金额：100.00</td>"
                         "<td>备注：bill remark</td></tr>"),
             Row(1, "G1", "Pen", "3", "19.99", "59.97", "note of G1") +
                 Row(2, "G2", "Ink", "1000", "12.34", "12340.00", "note of G2") +
                 SumRow("1003", "12399.97"),
             std::string("合计金额（人民币大写）：壹万贰仟叁佰玖拾玖元玖角柒分"),
         })
        EXPECT_NE(page.find(part), std::string::npos) << part << "\n---\n" << page;
    EXPECT_EQ(page.find("{temp:"), std::string::npos);
    EXPECT_EQ(page.find("[Data:"), std::string::npos);

    // Its red bill: the title says so, every figure is negated, the capitals too.
    const auto red = ReverseBill(BillKind::Sale, number);
    ASSERT_TRUE(red);
    page = Printed(BillKind::Sale, *red);
    EXPECT_NE(page.find("<h2>销售单（红字）</h2>"), std::string::npos) << page;
    EXPECT_NE(page.find(Row(1, "G1", "Pen", "-3", "19.99", "-59.97", "note of G1")),
              std::string::npos)
        << page;
    EXPECT_NE(page.find(SumRow("-1003", "-12399.97")), std::string::npos) << page;
    EXPECT_NE(page.find("合计金额（人民币大写）：负壹万贰仟叁佰玖拾玖元玖角柒分"),
              std::string::npos);
    // The reversed bill itself stays a sale.
    EXPECT_NE(Printed(BillKind::Sale, number).find("<h2>销售单</h2>"), std::string::npos);

    // A role that hides 售价 reads "***" for prices, amounts, the paid amount and the capitals.
    Session().rights =
        CRoleRights("收银", {{"sale", Bit(Action::View) | Bit(Action::Print)}}, {}, {"售价"});
    page = Printed(BillKind::Sale, number);
    EXPECT_NE(page.find(Row(1, "G1", "Pen", "3", "***", "***", "note of G1") +
                        Row(2, "G2", "Ink", "1000", "***", "***", "note of G2") +
                        SumRow("1003", "***")),
              std::string::npos)
        << page;
    EXPECT_NE(page.find("收款金额：***"), std::string::npos);
    EXPECT_NE(page.find("合计金额（人民币大写）：***"), std::string::npos);
    EXPECT_EQ(page.find("壹"), std::string::npos);

    // Without 打印, or for a number that is no sale, nothing is written and the reason is told.
    fs::remove(Dir() / BillPrintFile(BillKind::Sale));
    Session().rights = CRoleRights("收银", {{"sale", Bit(Action::View)}}, {}, {});
    m_port.Clear();
    EXPECT_EQ(PrepareBillPrint(BillKind::Sale, number).outcome, BillPrintResult::Outcome::Refused);
    Session().rights = CRoleRights("收银", {{"purchase", Bit(Action::Print)}}, {}, {});
    EXPECT_EQ(PrepareBillPrint(BillKind::Purchase, number).outcome,
              BillPrintResult::Outcome::NotFound);
    EXPECT_EQ(m_port.Texts(), (std::vector<std::string>{"您没有“销售开单”的“打印”权限！",
                                                        "没有编号为“XS-261209-1”的单据！"}));
    EXPECT_FALSE(fs::exists(Dir() / BillPrintFile(BillKind::Sale)));
}

TEST_F(BillPrintTest, EveryKindHasItsTemplateAndAChangedOneOutlivesTheFolderUpgrade) {
    // A new folder holds the program's template of every kind.
    for (const BillKindNames& names : kBillKindNames)
        EXPECT_EQ(ReadFile(BillTemplateFile(names.kind)),
                  std::string(DefaultBillTemplate(names.kind)))
            << names.cliName;
    EXPECT_EQ(BillTemplateFile(BillKind::SaleReturn), "Templates/temp_bill_sale-return.html");

    // The shop changed its sale paper; an older folder lacks the loss template.
    std::ofstream(Dir() / BillTemplateFile(BillKind::Sale), std::ios::trunc)
        << "<p>{temp:Title} {temp:Bill_ID} {temp:TotalCapital}</p>";
    fs::remove(Dir() / BillTemplateFile(BillKind::Loss));
    ASSERT_TRUE(WriteMissingBillTemplates(Dir(), nullptr));
    EXPECT_EQ(ReadFile(BillTemplateFile(BillKind::Loss)),
              std::string(DefaultBillTemplate(BillKind::Loss)));
    EXPECT_EQ(ReadFile(BillTemplateFile(BillKind::Sale)),
              "<p>{temp:Title} {temp:Bill_ID} {temp:TotalCapital}</p>");
    EXPECT_EQ(Printed(BillKind::Sale, PostSale()),
              "<p>销售单 XS-261209-1 壹万贰仟叁佰玖拾玖元玖角柒分</p>\r\n");

    // A loss bill prints from its rows: a quantity total and no money. A print of a kind whose
    // template went missing since start-up writes the program's one first.
    CBill loss = FullBill(BillKind::Loss);
    loss.GiveNumber("BS-261209-1");
    AddLine(loss, m_ink, "2");
    AddLine(loss, m_ink, "5");
    ASSERT_EQ(loss.Save(), PostOutcome::Posted);
    fs::remove(Dir() / BillTemplateFile(BillKind::Loss));
    const std::string page = Printed(BillKind::Loss, "BS-261209-1");
    EXPECT_NE(page.find("<h2>报损单</h2>"), std::string::npos);
    const std::string row = "</td><td>G2</td><td>Ink</td><td>个</td><td class=\"num\">";
    EXPECT_NE(page.find("<td class=\"num\">1" + row +
                        "2</td><td></td><td></td><td>BC-G2</td>"
                        "<td>note of G2</td></tr>\r\n\r\n<tr><td class=\"num\">2" +
                        row +
                        "5</td><td></td><td></td><td>BC-G2</td><td>note of G2</td></tr>\r\n"
                        "\r\n<tr class=\"sum\"><td colspan=\"4\">合计</td>"
                        "<td class=\"num\">7</td>"),
              std::string::npos)
        << page;
}
