#pragma once
#include "StoreTestSupport.h"

#include "bills/CBill.h"

// Goods "G1" Pen (preset purchase price 19.99) and "G2" Ink (3), and bills with a full header.
class BillTest : public StoreTest {
protected:
    void SetUp() override;

    CBill FullBill(BillKind kind);
    // Appends a line of the goods item with the quantity (and price, when given) typed in.
    static void AddLine(CBill& bill, const GoodsRecord& goods, const std::string& quantity,
                        const std::string& price = "");
    // Validate() refuses with exactly this one message.
    void ExpectRefused(const CBill& bill, const std::string& message);

    GoodsRecord m_pen, m_ink;
};
