// 上一张 / 下一张: where a step through the posted bills of a kind leads, and leaving a bill
// being entered.
#include "BillTestSupport.h"

#include "bills/BillBrowse.h"

namespace {
using Where = BrowseTarget::Where;
using Strings = std::vector<std::string>;

class BrowseTest : public BillTest {
protected:
    void Post(BillKind kind, const std::string& number) {
        CBill bill = FullBill(kind);
        bill.GiveNumber(number);
        AddLine(bill, m_pen, "1");
        ASSERT_EQ(bill.Save(), PostOutcome::Posted);
    }

    // "stored NUMBER", "new entry" or "nowhere".
    static std::string Step(BillKind kind, const std::optional<std::string>& shown, bool next,
                            bool canEnter = true) {
        const BrowseTarget t = BrowseStep(
            kind, shown, next ? BrowseDirection::Next : BrowseDirection::Previous, canEnter);
        switch (t.where) {
        case Where::StoredBill:
            return "stored " + t.number;
        case Where::NewEntry:
            return "new entry";
        case Where::Nowhere:
            break;
        }
        return "nowhere";
    }
};
} // namespace

TEST_F(BrowseTest, StepsFollowPostingOrderWithinTheKindAndStopAtBothEnds) {
    // Posting order, not number order; quotes and "%" are plain characters of a number.
    Post(BillKind::Purchase, "JH-9");
    Post(BillKind::Sale, "XS-1");
    Post(BillKind::Purchase, "JH-%");
    Post(BillKind::Purchase, "JH-'1");
    m_port.Clear();

    // From a new bill: back to the newest; nothing comes after a new bill.
    EXPECT_EQ(Step(BillKind::Purchase, std::nullopt, false), "stored JH-'1");
    EXPECT_EQ(Step(BillKind::Purchase, std::nullopt, true), "nowhere");
    EXPECT_EQ(Step(BillKind::Purchase, "JH-'1", false), "stored JH-%");
    EXPECT_EQ(Step(BillKind::Purchase, "JH-%", false), "stored JH-9");
    EXPECT_EQ(Step(BillKind::Purchase, "JH-9", false), "nowhere");
    EXPECT_EQ(Step(BillKind::Purchase, "JH-9", true), "stored JH-%");
    EXPECT_EQ(Step(BillKind::Purchase, "JH-%", true), "stored JH-'1");
    // The newest leads to a new bill, except in a window that only looks at bills.
    EXPECT_EQ(Step(BillKind::Purchase, "JH-'1", true), "new entry");
    EXPECT_EQ(Step(BillKind::Purchase, "JH-'1", true, false), "nowhere");
    // The sale is walked alone; kinds without bills or without browsing go nowhere.
    EXPECT_EQ(Step(BillKind::Sale, std::nullopt, false), "stored XS-1");
    EXPECT_EQ(Step(BillKind::Sale, "XS-1", false), "nowhere");
    EXPECT_EQ(Step(BillKind::SaleReturn, std::nullopt, false), "nowhere");
    EXPECT_EQ(Step(BillKind::Loss, std::nullopt, false), "nowhere");
    // A number of another kind or of no bill has no neighbours.
    EXPECT_EQ(Step(BillKind::Purchase, "XS-1", false), "nowhere");
    EXPECT_EQ(Step(BillKind::Purchase, "JH-_", true, false), "nowhere");

    auto buttons = [](BillKind kind, const std::optional<std::string>& shown, bool canEnter) {
        const BrowseButtons b = BrowseButtonStates(kind, shown, canEnter);
        return std::pair{b.previous, b.next};
    };
    EXPECT_EQ(buttons(BillKind::Purchase, std::nullopt, true), std::pair(true, false));
    EXPECT_EQ(buttons(BillKind::Purchase, "JH-9", true), std::pair(false, true));
    EXPECT_EQ(buttons(BillKind::Purchase, "JH-%", false), std::pair(true, true));
    EXPECT_EQ(buttons(BillKind::Purchase, "JH-'1", false), std::pair(true, false));
    EXPECT_EQ(buttons(BillKind::Purchase, "JH-'1", true), std::pair(true, true));
    EXPECT_EQ(buttons(BillKind::SaleReturn, std::nullopt, true), std::pair(false, false));
    EXPECT_EQ(m_port.Texts(), Strings{});
}

TEST_F(BrowseTest, ABillWithLinesIsLeftOnlyAfterYes) {
    CBill bill = FullBill(BillKind::Sale);
    m_port.Clear();
    EXPECT_TRUE(ConfirmLeaveEntry(bill)); // no lines: nothing to lose, nothing asked
    EXPECT_EQ(m_port.Texts(), Strings{});
    AddLine(bill, m_pen, "2");
    m_port.QueueAnswer(false);
    EXPECT_FALSE(ConfirmLeaveEntry(bill));
    m_port.QueueAnswer(true);
    EXPECT_TRUE(ConfirmLeaveEntry(bill));
    EXPECT_EQ(m_port.Texts(), (Strings{"废弃当前单据？", "废弃当前单据？"}));
    EXPECT_EQ(bill.m_lines.size(), size_t(1)); // asking changes nothing
}
