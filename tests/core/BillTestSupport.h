#pragma once
#include "StoreTestSupport.h"

#include "bills/CBill.h"

// Goods "G1" Pen (preset purchase price 19.99) and "G2" Ink (3), the warehouses and business
// units the tests' bills name, and bills with a full header.
class BillTest : public StoreTest {
protected:
    void SetUp() override;

    CBill FullBill(BillKind kind);
    // Adds a business unit to the unit list.
    void AddUnit(const std::string& code, const std::string& name, const std::string& type);
    // Appends a line of the goods item with the quantity (and price, when given) typed in.
    static void AddLine(CBill& bill, const GoodsRecord& goods, const std::string& quantity,
                        const std::string& price = "");
    // Validate() refuses with exactly this one message.
    void ExpectRefused(const CBill& bill, const std::string& message);

    GoodsRecord m_pen, m_ink;
};
