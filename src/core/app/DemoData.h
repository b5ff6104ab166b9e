#pragma once
#include <cstdint>
#include <functional>
#include <string>

// Realistic sample data for trying the program or measuring it on a large data set: reference
// lists, goods classes, goods, business units and posted bills, all written through the same
// store and posting code as the windows use.

struct DemoDataOptions {
    int goods = 300;
    int customers = 60;
    int bills = 1000;
    int linesPerBill = 5;
    // The bills are spread over this many days, the last one being today.
    int days = 3 * 365;
    // Only purchase bills (a large purchase history for the statistics); otherwise every kind.
    bool purchasesOnly = false;
    uint32_t seed = 20261207;
    // Called now and then with the number of bills posted so far.
    std::function<void(int posted)> progress;
};

struct DemoDataSummary {
    int goods = 0, customers = 0, bills = 0, lines = 0;
    int fundBills = 0; // receipts and payments, besides the bills
    int reversals = 0; // sales and purchases reversed right after posting (their red bills)
    int counts = 0;    // stock counts, posted as their gain and loss bills
};

// The most of each count that FillDemoData accepts.
constexpr int kDemoMaxGoods = 5'000'000;
constexpr int kDemoMaxCustomers = 1'000'000;
constexpr int kDemoMaxBills = 10'000'000;
constexpr int kDemoMaxLinesPerBill = 10'000;

// Why the options cannot be used (a count out of range, lines per bill larger than the goods
// can fill); empty when they can.
std::string CheckDemoDataOptions(const DemoDataOptions& options);

// Fills the program folder in the current directory. It must hold no goods yet: the sample
// goods codes would collide with real ones. Reference list entries that exist already are kept
// and not added twice; so are company settings that name a company. Trade bills are paid in
// full, in part or not at all; now and then a receipt or payment settles part of what a unit
// still owes or is owed. The first purchase bills bring every goods item into every
// warehouse at its stock level; the later ones mix all kinds, transfers among them, never
// selling more than is in stock. Purchases refill what has run low, so what is bought follows
// what is sold; the goods' lower and upper stock limits fit their levels. Now and then a sale
// or purchase is reversed right after posting and a few goods of a warehouse are counted. Log
// entries are not written: the bills are sample data, not something an operator did.
// False after a message (the store's own, or the refusal of a folder that holds goods); what
// was posted before a failure stays.
bool FillDemoData(const DemoDataOptions& options, DemoDataSummary* summary = nullptr);
