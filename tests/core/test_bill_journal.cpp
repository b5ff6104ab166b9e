// The bill journal: every posted document chained by its digest, the check that finds a bill
// changed, removed or added outside the program, and the chain an upgrade builds.
#include "BillTestSupport.h"

#include "bills/BillJournal.h"
#include "bills/BillKind.h"
#include "bills/BillReversal.h"
#include "bills/StockCount.h"
#include "config/ConfigLists.h"
#include "store/Schema.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {
using Strings = std::vector<std::string>;

class JournalTest : public BillTest {
protected:
    void SetUp() override {
        BillTest::SetUp();
        AddUnit("GYS001", "恒通商贸", "供应商");
        ASSERT_TRUE(AddConfigListEntry("bank", "工商银行", ""));
        PutStock("一号仓库", "G1", "Pen", 100, "10");
        PutStock("一号仓库", "G2", "Ink", 50, "3");
    }

    std::string Post(BillKind kind, const std::string& number, const std::string& quantity = "2",
                     const std::string& date = "2026-11-10") {
        CBill bill = FullBill(kind);
        bill.GiveNumber(number);
        bill.m_date = date;
        if (kind == BillKind::Payment)
            bill.m_customer = "恒通商贸";
        if (kind == BillKind::Transfer)
            bill.m_toWarehouse = "二号仓库";
        if (!IsFundKind(kind)) {
            AddLine(bill, m_pen, quantity, "12.5");
            AddLine(bill, m_ink, "1", "3");
        }
        m_port.Clear();
        EXPECT_EQ(bill.Save(), PostOutcome::Posted) << testing::PrintToString(m_port.Texts());
        return bill.m_number;
    }

    // Runs statements on the main data as someone outside the program would.
    void Tamper(const std::string& sql) {
        CDataStore store;
        ASSERT_TRUE(store.ConnectMain());
        for (size_t start = 0; start < sql.size();) {
            size_t end = sql.find(';', start);
            if (end == std::string::npos)
                end = sql.size();
            ASSERT_TRUE(store.Run(sql.substr(start, end - start), {})) << store.LastError();
            start = end + 1;
        }
    }

    std::string Verified() { return JournalCheckText(VerifyBillJournal()); }

    // Kind|Bill_ID of each entry, in chain order, each entry's PrevDigest the digest before it,
    // and the head on the last one.
    Strings Chain() {
        CDataStore store;
        EXPECT_TRUE(store.ConnectMain());
        Strings out;
        std::string prev = kJournalGenesis;
        int64_t seq = 0;
        EXPECT_TRUE(store.Run("select Seq, Kind, Bill_ID, PrevDigest, Digest, Version from"
                              " BillJournal order by Seq",
                              {}, [&](const CStatement& row) {
                                  EXPECT_EQ(row.Int(0), ++seq);
                                  EXPECT_EQ(row.Text(3), prev);
                                  EXPECT_EQ(row.Int(5), kJournalLayout);
                                  prev = row.Text(4);
                                  out.push_back(row.Text(1) + "|" + row.Text(2));
                              }));
        std::string head;
        EXPECT_TRUE(store.Run("select Seq, Digest from JournalHead", {},
                              [&](const CStatement& r) { head += r.Text(0) + "|" + r.Text(1); }));
        EXPECT_EQ(head, std::to_string(seq) + "|" + prev);
        return out;
    }
};
} // namespace

TEST_F(JournalTest, EveryKindOfDocumentIsChainedAndTheCheckFindsThemComplete) {
    // The first entry, by hand: BLAKE2b-256 of 64 zeros and the receipt's canonical text.
    Post(BillKind::Receipt, "SK-J1");
    {
        CDataStore store;
        ASSERT_TRUE(store.ConnectMain());
        EXPECT_EQ(CanonicalBillText(store, 1, BillKind::Receipt, "SK-J1"),
                  "7:receiptH5:SK-J110:2026-11-106:收款12:华东电子9:采购部6:张三12:工商银行"
                  "6:100.0011:bill remark");
        std::string digest;
        ASSERT_TRUE(store.Run("select Digest from BillJournal where Seq = 1", {},
                              [&](const CStatement& r) { digest = r.Text(0); }));
        EXPECT_EQ(digest, "d2c0cf7f54c2283eaa744eb8cb24d42d536d1f5c820e3c55a0186ec44c7dceef");
    }
    Post(BillKind::Purchase, "JH-J1");
    Post(BillKind::PurchaseReturn, "JHTH-J1", "1");
    Post(BillKind::Sale, "XS-J1");
    Post(BillKind::SaleReturn, "XSTH-J1", "1");
    Post(BillKind::Loss, "BS-J1", "1");
    Post(BillKind::Gain, "BY-J1", "3");
    Post(BillKind::Price, "TJ-J1");
    Post(BillKind::Transfer, "YK-J1");
    Post(BillKind::Payment, "FK-J1");
    ASSERT_EQ(ReverseBill(BillKind::Sale, "XS-J1"), "XS-J1-H");
    // A count: Pen found 2 more, Ink 1 short; one gain and one loss bill.
    std::optional<StockCount> count = LoadStockCount("一号仓库", "");
    ASSERT_TRUE(count);
    ASSERT_EQ(count->lines.size(), 2u);
    count->lines[0].counted = std::to_string(count->lines[0].book + 2);
    count->lines[1].counted = std::to_string(count->lines[1].book - 1);
    CountPosted posted;
    ASSERT_EQ(CountStock(*count, posted), CountOutcome::Posted);

    EXPECT_EQ(Chain(), (Strings{"receipt|SK-J1", "purchase|JH-J1", "purchase-return|JHTH-J1",
                                "sale|XS-J1", "sale-return|XSTH-J1", "loss|BS-J1", "gain|BY-J1",
                                "price|TJ-J1", "transfer|YK-J1", "payment|FK-J1", "sale|XS-J1-H",
                                "gain|" + posted.gainNumber, "loss|" + posted.lossNumber}));
    m_port.Clear();
    EXPECT_EQ(Verified(), "单据记录完整：13 张单据。");
    EXPECT_EQ(m_port.Texts(), Strings{});
    EXPECT_EQ(Log().back().Event, "数据校验：单据记录完整：13 张单据。");
}

TEST_F(JournalTest, ABillChangedRemovedOrAddedOutsideTheProgramIsNamed) {
    Post(BillKind::Purchase, "JH-A", "4");
    Post(BillKind::Sale, "XS-B");
    Post(BillKind::Receipt, "SK-C");
    ASSERT_EQ(Verified(), "单据记录完整：3 张单据。");

    // Added: a receipt written straight into the table.
    Tamper("insert into FundBill(Canceled, Bill_ID, Bill_Date, Kind, Customer, Amount)"
           " values('0', 'SK-X', '2026-11-11', '收款', '华东电子', '50.00')");
    EXPECT_EQ(Verified(), "单据记录不一致：收款单“SK-X”是在本程序之外添加的！");
    EXPECT_EQ(Log().back().Event, "数据校验：单据记录不一致：收款单“SK-X”是在本程序之外添加的！");
    Tamper("delete from FundBill where Bill_ID = 'SK-X'");

    // Changed: one line's quantity; put back, the chain holds again.
    Tamper("update EnterStock_Detail set Product_Number = '5' where Bill_ID = 'JH-A'"
           " and Product_ID = 'G1'");
    const JournalCheck changed = VerifyBillJournal();
    EXPECT_EQ(changed.finding, JournalCheck::Finding::Changed);
    EXPECT_EQ(JournalCheckText(changed), "单据记录不一致：进货单“JH-A”在本程序之外被修改！");
    Tamper("update EnterStock_Detail set Product_Number = '4' where Bill_ID = 'JH-A'"
           " and Product_ID = 'G1'");
    EXPECT_EQ(Verified(), "单据记录完整：3 张单据。");

    // Removed: the sale, header and lines.
    Tamper("delete from EnterSale_Detail where Bill_ID = 'XS-B';"
           " delete from EnterSale where Bill_ID = 'XS-B'");
    EXPECT_EQ(Verified(), "单据记录不一致：销售单“XS-B”在本程序之外被删除！");
    // Its entry removed too: the chain breaks at the next one.
    Tamper("delete from BillJournal where Bill_ID = 'XS-B'");
    EXPECT_EQ(Verified(), "单据记录不一致：收款单“SK-C”之前的单据记录在本程序之外被修改或删除！");
    // The last entry removed with its bill: the head tells.
    Tamper("delete from BillJournal where Seq > 1; delete from FundBill;"
           " update JournalHead set Seq = 3");
    EXPECT_EQ(Verified(), "单据记录不一致：最后的单据记录在本程序之外被删除！");
    // The whole journal removed: the program does not build it anew over what is stored.
    Tamper("delete from BillJournal; delete from JournalHead");
    EXPECT_EQ(Verified(), "单据记录不一致：进货单“JH-A”是在本程序之外添加的！");
}

TEST_F(JournalTest, ACanceledMarkSetOrClearedOutsideTheProgramIsNamed) {
    Post(BillKind::Purchase, "JH-M");
    Post(BillKind::Sale, "XS-M");
    Post(BillKind::Transfer, "YK-M", "1");
    Post(BillKind::Receipt, "SK-M");
    ASSERT_EQ(ReverseBill(BillKind::Sale, "XS-M"), "XS-M-H");
    ASSERT_EQ(ReverseBill(BillKind::Receipt, "SK-M"), "SK-M-H");
    ASSERT_EQ(Verified(), "单据记录完整：6 张单据。");

    // Each mark changed by hand is named, and put back the chain holds again: a bill in force
    // marked reversed (its header, or one line only), a reversed bill marked in force, a red
    // bill marked in force, a transfer and a receipt.
    struct Case {
        std::string set, back, named;
    } cases[] = {
        {"update EnterStock set Canceled = '1' where Bill_ID = 'JH-M'",
         "update EnterStock set Canceled = '0' where Bill_ID = 'JH-M'", "进货单“JH-M”"},
        {"update EnterStock_Detail set Canceled = '1' where Bill_ID = 'JH-M' and Product_ID = 'G2'",
         "update EnterStock_Detail set Canceled = '0' where Bill_ID = 'JH-M'", "进货单“JH-M”"},
        {"update EnterSale set Canceled = '0' where Bill_ID = 'XS-M';"
         " update EnterSale_Detail set Canceled = '0' where Bill_ID = 'XS-M'",
         "update EnterSale set Canceled = '1' where Bill_ID = 'XS-M';"
         " update EnterSale_Detail set Canceled = '1' where Bill_ID = 'XS-M'",
         "销售单“XS-M”"},
        {"update EnterSale_Detail set Canceled = '0' where Bill_ID = 'XS-M-H'",
         "update EnterSale_Detail set Canceled = '2' where Bill_ID = 'XS-M-H'", "销售单“XS-M-H”"},
        {"update YiKuDan set Canceled = '1' where Bill_ID = 'YK-M'",
         "update YiKuDan set Canceled = '0' where Bill_ID = 'YK-M'", "移库单“YK-M”"},
        {"update FundBill set Canceled = '0' where Bill_ID = 'SK-M'",
         "update FundBill set Canceled = '1' where Bill_ID = 'SK-M'", "收款单“SK-M”"},
    };
    for (const Case& c : cases) {
        Tamper(c.set);
        EXPECT_EQ(Verified(), "单据记录不一致：" + c.named + "在本程序之外被修改！") << c.set;
        Tamper(c.back);
        EXPECT_EQ(Verified(), "单据记录完整：6 张单据。") << c.back;
    }
    // A bill in force without a mark, as stored before marks were kept, is whole.
    Tamper("update EnterStock set Canceled = null where Bill_ID = 'JH-M'");
    EXPECT_EQ(Verified(), "单据记录完整：6 张单据。");
}

TEST_F(JournalTest, AJournalRowWrittenOutsideTheProgramIsNamedNotAFailure) {
    Post(BillKind::Purchase, "JH-R");
    Post(BillKind::Sale, "XS-R");
    Post(BillKind::Receipt, "SK-R");
    ASSERT_EQ(Verified(), "单据记录完整：3 张单据。");
    std::string kept;
    {
        CDataStore store;
        ASSERT_TRUE(store.ConnectMain());
        ASSERT_TRUE(store.Run("select Digest from BillJournal where Seq = 2", {},
                              [&](const CStatement& r) { kept = r.Text(0); }));
    }
    const std::string second =
        "单据记录不一致：第 2 条单据记录（销售单“XS-R”）是在本程序之外写入的！";
    struct Case {
        std::string set, back, named;
    } cases[] = {
        {"update BillJournal set Digest = 'not a digest' where Seq = 2",
         "update BillJournal set Digest = '" + kept + "' where Seq = 2", second},
        {"update BillJournal set PrevDigest = upper(PrevDigest) where Seq = 2",
         "update BillJournal set PrevDigest = lower(PrevDigest) where Seq = 2", second},
        {"update BillJournal set Kind = 'bill' where Seq = 2",
         "update BillJournal set Kind = 'sale' where Seq = 2",
         "单据记录不一致：第 2 条单据记录是在本程序之外写入的！"},
        {"update BillJournal set Bill_ID = '' where Seq = 2",
         "update BillJournal set Bill_ID = 'XS-R' where Seq = 2",
         "单据记录不一致：第 2 条单据记录是在本程序之外写入的！"},
        {"update BillJournal set Version = 7 where Seq = 2",
         "update BillJournal set Version = 2 where Seq = 2", second},
        {"update BillJournal set At = null where Seq = 2",
         "update BillJournal set At = '2026-11-10 09:00:00' where Seq = 2", second},
        // A gap in the numbering with the chain and its head whole.
        {"update BillJournal set Seq = 9 where Seq = 3; update JournalHead set Seq = 9",
         "update BillJournal set Seq = 3 where Seq = 9; update JournalHead set Seq = 3",
         "单据记录不一致：第 9 条单据记录（收款单“SK-R”）是在本程序之外写入的！"},
        // A second entry of a bill already in the chain.
        {"insert into BillJournal(Seq, Kind, Bill_ID, Version, Digest, PrevDigest, At)"
         " select 4, Kind, Bill_ID, Version, Digest, PrevDigest, At from BillJournal"
         " where Seq = 1",
         "delete from BillJournal where Seq = 4",
         "单据记录不一致：第 4 条单据记录（进货单“JH-R”）是在本程序之外写入的！"},
    };
    for (const Case& c : cases) {
        Tamper(c.set);
        const JournalCheck check = VerifyBillJournal();
        EXPECT_EQ(check.finding, JournalCheck::Finding::Forged) << c.set;
        EXPECT_EQ(JournalCheckText(check), c.named) << c.set;
        Tamper(c.back);
        EXPECT_EQ(Verified(), "单据记录完整：3 张单据。") << c.back;
    }
}

TEST_F(JournalTest, LinesOfTwoBillsLyingBetweenEachOtherAreCheckedBillByBill) {
    // Two workstations posting at once on a server may leave the lines of two bills in turn.
    Post(BillKind::Purchase, "JH-P1");
    Post(BillKind::Purchase, "JH-P2", "3");
    std::vector<int64_t> ids;
    {
        CDataStore store;
        ASSERT_TRUE(store.ConnectMain());
        ASSERT_TRUE(store.Run("select Id from EnterStock_Detail order by Id", {},
                              [&](const CStatement& r) { ids.push_back(r.Int(0)); }));
    }
    ASSERT_EQ(ids.size(), 4u);
    // JH-P1's second line and JH-P2's first change places; each bill keeps its own order.
    const std::string second = std::to_string(ids[1]), third = std::to_string(ids[2]);
    Tamper("update EnterStock_Detail set Id = -1 where Id = " + second +
           "; update EnterStock_Detail set Id = " + second + " where Id = " + third +
           "; update EnterStock_Detail set Id = " + third + " where Id = -1");
    EXPECT_EQ(Verified(), "单据记录完整：2 张单据。");
    // A change in the second bill's later line is still its own.
    Tamper("update EnterStock_Detail set Product_Price = '9' where Id = " + std::to_string(ids[3]));
    EXPECT_EQ(Verified(), "单据记录不一致：进货单“JH-P2”在本程序之外被修改！");
}

TEST_F(JournalTest, AnOlderFileGetsItsChainBuiltInDateOrderWhenOpened) {
    Post(BillKind::Purchase, "JH-LATE", "2", "2026-03-05");
    Post(BillKind::Receipt, "SK-EARLY", "", "2026-01-02");
    Post(BillKind::Transfer, "YK-LATE", "1", "2026-03-05");
    Post(BillKind::Loss, "BS-MID", "1", "2026-02-01");
    ASSERT_EQ(ReverseBill(BillKind::Purchase, "JH-LATE"), "JH-LATE-H"); // dated today
    RollBackMainSchemaTo(5);

    EXPECT_EQ(Verified(), "单据记录完整：5 张单据。");
    EXPECT_EQ(MainSchemaVersion(), kMainSchemaVersion);
    EXPECT_EQ(Chain(), (Strings{"receipt|SK-EARLY", "loss|BS-MID", "purchase|JH-LATE",
                                "transfer|YK-LATE", "purchase|JH-LATE-H"}));
    // Posting goes on from the built chain.
    Post(BillKind::Sale, "XS-NEXT");
    EXPECT_EQ(Verified(), "单据记录完整：6 张单据。");
}

TEST_F(JournalTest, ThousandsOfStoredBillsAreChainedInDateOrderWhateverTheirNumbers) {
    // Bills written without postings (as an older file holds them), more than one read of the
    // builder takes, some numbers with quotes, backslashes, a tab and wildcards; a transfer of
    // many lines and receipts among them.
    struct Bill {
        std::string date, kind, number;
    };
    std::vector<Bill> bills;
    {
        CDataStore store;
        ASSERT_TRUE(store.ConnectMain());
        ASSERT_TRUE(store.Begin());
        Strings odd = {"XS-\"q\"", "XS-\\b\\", "XS-'a'", "XS-\t", "XS-%_中文", "XS-{x,y}", "NULL"};
        if (!OnServer()) // a server's texts hold no NUL
            odd.push_back(std::string("XS-\0z", 5));
        for (int i = 0; i < 4105; ++i) {
            char date[16];
            std::snprintf(date, sizeof date, "2025-%02d-%02d", 1 + i * 7 % 12, 1 + i * 13 % 28);
            const std::string number =
                i < static_cast<int>(odd.size()) ? odd[i] : "XS-" + std::to_string(i);
            if (i % 500 == 7) {
                // Receipts, and opening balances (two kinds of row) in the same table.
                const bool opening = i % 1000 == 7;
                bills.push_back(
                    {date, opening ? "opening-balance" : "receipt", "SK-" + std::to_string(i)});
                ASSERT_TRUE(store.Run(
                    "insert into FundBill(Canceled, Bill_ID, Bill_Date, Kind,"
                    " Customer, Amount) values('0', ?, ?, ?, '恒通商贸', '5')",
                    {bills.back().number, date, opening ? kFundKindOpeningReceivable : "收款"}));
            }
            bills.push_back({date, "sale", number});
            ASSERT_TRUE(
                store.Run("insert into EnterSale(Canceled, Bill_ID, Bill_Date, Customer,"
                          " Number, Total, Pay) values('0', ?, ?, '恒通商贸', '3', '9', '9')",
                          {number, date}));
            for (const char* goods : {"G1", "G2"})
                ASSERT_TRUE(store.Run("insert into EnterSale_Detail(Canceled, Bill_ID, Bill_Date,"
                                      " Product_ID, Product_Number, Product_Total, Base_Number)"
                                      " values('0', ?, ?, ?, '1', '3', '1')",
                                      {number, date, goods}));
        }
        bills.push_back({"2025-06-15", "transfer", "YK-MANY"});
        for (int j = 0; j < 300; ++j)
            ASSERT_TRUE(store.Run("insert into YiKuDan(Canceled, Bill_ID, Bill_Date, Warehouse,"
                                  " ToWarehouse, Product_ID, Product_Number, Base_Number)"
                                  " values('0', 'YK-MANY', '2025-06-15', '一号仓库', '二号仓库',"
                                  " ?, '1', '1')",
                                  {"G" + std::to_string(j)}));
        // The upgrade's mark: the chain is built when the data is next opened.
        ASSERT_TRUE(store.Run("insert into JournalHead(Id, Seq, Digest) values(1, -1, '')"
                              " on conflict (Id) do update set Seq = -1, Digest = ''",
                              {}));
        ASSERT_TRUE(store.Commit());
    }
    // The check reads every table by itself and recomputes each digest.
    EXPECT_EQ(Verified(), "单据记录完整：" + std::to_string(bills.size()) + " 张单据。");
    // By date, then as stored: the receipts, sales and the transfer were each stored in order.
    std::stable_sort(bills.begin(), bills.end(),
                     [](const Bill& a, const Bill& b) { return a.date < b.date; });
    Strings expected;
    for (const Bill& b : bills)
        expected.push_back(b.kind + "|" + b.number);
    const Strings chain = Chain();
    ASSERT_EQ(chain.size(), expected.size());
    // Of one date, the chain orders bills of different tables by their row ids; compare kinds'
    // own orders and the dates' sets.
    auto ofKind = [](const Strings& all, const std::string& kind) {
        Strings out;
        for (const std::string& e : all)
            if (e.starts_with(kind + "|"))
                out.push_back(e);
        return out;
    };
    for (const char* kind : {"sale", "receipt", "opening-balance", "transfer"})
        EXPECT_EQ(ofKind(chain, kind), ofKind(expected, kind)) << kind;
    // Posting goes on from the built chain.
    Post(BillKind::Sale, "XS-NEXT");
    EXPECT_EQ(Verified(), "单据记录完整：" + std::to_string(bills.size() + 1) + " 张单据。");
}

TEST_F(JournalTest, TwoWorkstationsPostingAtOnceLeaveOneUnbrokenChain) {
    if (!OnServer())
        GTEST_SKIP() << "a server rule: runs with FERIX_TEST_ENGINE=pg (core_tests_server)";
    CDataStore one, other, watcher;
    ASSERT_TRUE(one.ConnectMain());
    ASSERT_TRUE(other.ConnectMain());
    ASSERT_TRUE(watcher.ConnectMain());
    auto bill = [&](BillKind kind, const std::string& number) {
        CBill b = FullBill(kind);
        b.GiveNumber(number);
        AddLine(b, m_pen, "2", "12.5");
        AddLine(b, m_ink, "1", "3");
        return b;
    };
    // A first purchase shows how many statements one takes: the chain head is read (and
    // locked) five statements before the end, then the bill is read back, its entry inserted,
    // the head moved and the transaction committed.
    CBill zero = bill(BillKind::Purchase, "JH-0");
    CDataStore::FailStatementForTest(0);
    ASSERT_EQ(zero.SaveOn(one), PostOutcome::Posted);
    const int statements = CDataStore::StatementCountForTest();

    // The second workstation takes a receipt: it shares no stock row with the purchase, only
    // the chain head.
    CBill first = bill(BillKind::Purchase, "JH-1"), second = FullBill(BillKind::Receipt);
    second.GiveNumber("SK-1");
    std::thread thread;
    std::atomic<bool> done = false;
    bool waited = false;
    PostOutcome secondOutcome = PostOutcome::Failed;
    // With the head locked by the first, the second posting waits for it.
    CDataStore::BeforeStatementForTest(statements - 4, [&](int firstProcess) {
        thread = std::thread([&] {
            secondOutcome = second.SaveOn(other);
            done = true;
        });
        const std::string blocked = "select count(*) from pg_stat_activity where " +
                                    std::to_string(firstProcess) + " = any(pg_blocking_pids(pid))";
        while (!done && !waited) {
            ASSERT_TRUE(
                watcher.Run(blocked, {}, [&](const CStatement& r) { waited = r.Int(0) == 1; }));
        }
    });
    EXPECT_EQ(first.SaveOn(one), PostOutcome::Posted);
    ASSERT_TRUE(thread.joinable());
    thread.join();
    EXPECT_TRUE(waited);
    EXPECT_EQ(secondOutcome, PostOutcome::Posted);
    EXPECT_EQ(Chain(), (Strings{"purchase|JH-0", "purchase|JH-1", "receipt|SK-1"}));
    EXPECT_EQ(Verified(), "单据记录完整：3 张单据。");
}
