// Rules of a program folder whose data is on a PostgreSQL server (run with FERIX_TEST_ENGINE=pg).
#include "BillTestSupport.h"
#include "StoreTestSupport.h"

#include "admin/BackupRestore.h"
#include "app/ProgramFolderSetup.h"
#include "bills/BillKind.h"
#include "bills/BillReversal.h"
#include "bills/StockCount.h"
#include "store/ServerConfig.h"

#include <libpq-fe.h>
#include <sys/stat.h>

#include <algorithm>
#include <fstream>
#include <thread>

namespace {
using Strings = std::vector<std::string>;

// One statement's rows on the test folder's server, as "a|b" lines.
std::string ServerRows(const std::string& conninfo, const std::string& sql) {
    PGconn* conn = PQconnectdb(conninfo.c_str());
    std::string out;
    PGresult* r = PQexec(conn, sql.c_str());
    if (PQresultStatus(r) != PGRES_TUPLES_OK)
        out = "error: " + std::string(PQerrorMessage(conn));
    for (int i = 0; i < PQntuples(r); ++i) {
        for (int j = 0; j < PQnfields(r); ++j)
            out += (j ? "|" : "") + std::string(PQgetvalue(r, i, j));
        out += "\n";
    }
    PQclear(r);
    PQfinish(conn);
    return out;
}
} // namespace

class ServerStoreTest : public StoreTest {
protected:
    void SetUp() override {
        if (!OnServer())
            GTEST_SKIP() << "a server rule: runs with FERIX_TEST_ENGINE=pg (core_tests_server)";
        StoreTest::SetUp();
    }
    void TearDown() override {
        if (OnServer())
            StoreTest::TearDown();
    }
    std::string Conninfo() { return ReadServerConfig(Dir()).conninfo; }
};

TEST_F(ServerStoreTest, BothDataFilesLiveInOneDatabaseMadeOnce) {
    // Both sets of tables side by side in the folder's one schema, each with its version.
    const std::string conninfo = Conninfo();
    EXPECT_EQ(ServerRows(conninfo, "select name, version from ferix_schema order by name"),
              "main_data|4\nother_data|1\n");
    EXPECT_EQ(ServerRows(conninfo, "select count(*) from pg_tables where schemaname ="
                                   " current_schema() and tablename in ('manage', 'log',"
                                   " 'setting', 'ferix_product', 'stockpile', 'fundbill')"),
              "6\n");
    EXPECT_FALSE(std::filesystem::exists(Dir() / "Data" / "main_data.tdb"));
    EXPECT_FALSE(std::filesystem::exists(Dir() / "Data" / "other_data.tdb"));
    // Operators compare without regard to ASCII case there too, and stay unique so.
    CDataStore other;
    ASSERT_TRUE(other.ConnectOther());
    EXPECT_TRUE(other.CheckLogin("ADMIN", ""));
    EXPECT_FALSE(other.AddUser("Admin", "x", ""));
    EXPECT_EQ(m_port.Texts(), std::vector<std::string>{"添加管理员失败！"});
    ASSERT_TRUE(other.AddLogEntry("登录"));
    EXPECT_EQ(Log().back().User, "admin");

    std::string error;
    EXPECT_FALSE(CreateProgramFolder(Dir(), &error));
    EXPECT_EQ(error, "服务器上的数据库已有本程序的数据，不能重新创建。");
    EXPECT_EQ(ServerRows(conninfo, "select count(*) from Manage"), "1\n");
}

TEST_F(ServerStoreTest, ServerConfIsTheOwnersAloneAndItsPasswordIsNeverShown) {
    const auto conf = ServerConfigPath(Dir());
    struct stat st {};
    ASSERT_EQ(::stat(conf.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);

    std::filesystem::permissions(conf, std::filesystem::perms::group_read,
                                 std::filesystem::perm_options::add);
    CDataStore store;
    EXPECT_FALSE(store.ConnectMain());
    const std::string refusal =
        "Data/server.conf 的权限是 0640，其他用户也能读取。它含有数据库的"
        "连接信息（可能有密码），请执行 chmod 600 Data/server.conf 后再试。";
    EXPECT_EQ(m_port.Texts(), std::vector<std::string>{"连接数据库失败!\r\n错误信息:" + refusal});
    m_port.Clear();

    // A server that is not there, and a string libpq cannot read: the password stays unsaid.
    std::string error;
    ASSERT_TRUE(WriteServerConfig(Dir(), "host=" + Dir().string() + " port=1 password=Pw-Secret-7",
                                  &error));
    EXPECT_FALSE(store.ConnectOther());
    ASSERT_EQ(m_port.Texts().size(), 1u);
    EXPECT_TRUE(m_port.Texts()[0].starts_with("连接数据库失败!\r\n错误信息:"));
    EXPECT_EQ(m_port.Texts()[0].find("Pw-Secret-7"), std::string::npos);
    m_port.Clear();
    ASSERT_TRUE(WriteServerConfig(Dir(), "password=Pw-Secret-7 dbname", &error));
    EXPECT_FALSE(store.ConnectMain());
    EXPECT_EQ(m_port.Texts(), std::vector<std::string>{"连接数据库失败!\r\n错误信息:Data/"
                                                       "server.conf 中的连接字符串格式不正确。"});
    EXPECT_FALSE(std::filesystem::exists(Dir() / "sql.txt"));
}

TEST_F(ServerStoreTest, AStockRowReadForAChangeWaitsForTheOtherWorkstation) {
    PutStock("一号仓库", "G1", "Pen", 60);
    CDataStore first, second;
    ASSERT_TRUE(first.ConnectMain());
    ASSERT_TRUE(second.ConnectMain());
    ASSERT_TRUE(first.Begin());
    ASSERT_TRUE(first.DecreaseStock("一号仓库", "G1", "Pen", 50));

    // The second counter reads the same row to sell 20: it must wait for the first to finish,
    // then see the 10 that are left, and refuse.
    bool sold = true;
    std::thread counter([&] {
        sold = second.Begin() && second.DecreaseStock("一号仓库", "G1", "Pen", 20);
        second.Rollback();
    });
    const std::string conninfo = Conninfo();
    while (ServerRows(conninfo, "select count(*) from pg_stat_activity where wait_event_type ="
                                " 'Lock' and datname = current_database()") != "1\n")
        std::this_thread::yield();
    ASSERT_TRUE(first.Commit());
    counter.join();
    EXPECT_FALSE(sold);
    EXPECT_EQ(m_port.Texts(),
              std::vector<std::string>{"商品（Pen）当前库存不足。不能完成当前操作！"});
    EXPECT_EQ(Stock("一号仓库", "G1")->Number, "10");
}

TEST_F(ServerStoreTest, BackupAndRestoreOfAServerFolderAreRefusedWithTheirReason) {
    m_port.Clear();
    EXPECT_EQ(BackupAction(nullptr), AdminResult::Refused);
    EXPECT_EQ(RestoreAction(std::string("26-12-07@09-30-15.bak")), AdminResult::Refused);
    EXPECT_EQ(m_port.Texts(), (std::vector<std::string>{kServerBackupText, kServerBackupText}));
    CDataStore store;
    EXPECT_FALSE(store.BackupMainDataTo(Dir() / "Backup" / "copy.bak"));
    EXPECT_EQ(store.LastError(), kServerBackupText);
    EXPECT_TRUE(std::filesystem::is_empty(Dir() / "Backup"));
    EXPECT_FALSE(std::filesystem::exists(Dir() / "Data" / "main_data.tdb"));
}

// Two workstations posting at the same moment on the server.
class ServerPostingTest : public BillTest {
protected:
    void SetUp() override {
        if (!OnServer())
            GTEST_SKIP() << "a server rule: runs with FERIX_TEST_ENGINE=pg (core_tests_server)";
        BillTest::SetUp();
    }
    void TearDown() override {
        CDataStore::FailStatementForTest(0);
        if (OnServer())
            BillTest::TearDown();
    }
    std::string Conninfo() { return ReadServerConfig(Dir()).conninfo; }
    std::string Rows(const std::string& sql) { return ServerRows(Conninfo(), sql); }
};

TEST_F(ServerPostingTest,
       ANumberTakenByAnotherWorkstationMidPostingMovesOnWhenMadeIsRefusedWhenGiven) {
    PutStock("一号仓库", "G1", "Pen", 100, "19.99");
    for (BillKind kind : {BillKind::Purchase, BillKind::Sale, BillKind::Receipt}) {
        SCOPED_TRACE(KindInfo(kind).cliName);
        CBill first = FullBill(kind), second = FullBill(kind); // one second: one made number
        if (!IsFundKind(kind)) {
            AddLine(first, m_pen, "2", "5");
            AddLine(second, m_pen, "3", "5");
        }
        const std::string made = first.m_number;
        ASSERT_EQ(second.m_number, made);
        CDataStore one, other;
        ASSERT_TRUE(one.ConnectMain());
        ASSERT_TRUE(other.ConnectMain());
        // The other workstation stores its bill after this one found the number free (BEGIN,
        // the number read) and before its header insert, which then meets the taken key.
        CDataStore::BeforeStatementForTest(
            3, [&](int) { EXPECT_EQ(second.SaveOn(other), PostOutcome::Posted); });
        EXPECT_EQ(first.SaveOn(one), PostOutcome::Posted);
        EXPECT_EQ(second.m_number, made);
        EXPECT_EQ(first.m_number, made + "-2");
        EXPECT_EQ(m_port.Texts(), Strings{});
    }
    // Bought 2 + 3, sold 2 + 3; two receipts of 100.00.
    EXPECT_EQ(Stock("一号仓库", "G1")->Number, "100");
    EXPECT_EQ(Rows("select count(*) from EnterStock_Detail union all select count(*) from"
                   " EnterSale_Detail union all select sum(Amount::numeric) from FundBill"),
              "2\n2\n200.00\n");

    // A number typed on both workstations: the one that comes second is told, and stores nothing.
    CBill first = FullBill(BillKind::Purchase), second = FullBill(BillKind::Purchase);
    AddLine(first, m_pen, "7", "5");
    AddLine(second, m_pen, "1", "5");
    first.GiveNumber("JH-TYPED");
    second.GiveNumber("JH-TYPED");
    CDataStore one, other;
    ASSERT_TRUE(one.ConnectMain());
    ASSERT_TRUE(other.ConnectMain());
    CDataStore::BeforeStatementForTest(
        3, [&](int) { EXPECT_EQ(second.SaveOn(other), PostOutcome::Posted); });
    EXPECT_EQ(first.SaveOn(one), PostOutcome::NumberRefused);
    EXPECT_EQ(m_port.Texts(), Strings{"单据编号“JH-TYPED”已经存在，请修改编号后再保存！"});
    EXPECT_EQ(Stock("一号仓库", "G1")->Number, "101");
    EXPECT_EQ(Rows("select Number from EnterStock where Bill_ID = 'JH-TYPED'"), "1\n");
}

TEST_F(ServerPostingTest, TwoSalesLockingTwoStockRowsInOppositeOrdersBothPostAfterTheDeadlock) {
    PutStock("一号仓库", "G1", "Pen", 50, "19.99");
    PutStock("一号仓库", "G2", "Ink", 50, "3");
    CBill penInk = FullBill(BillKind::Sale), inkPen = FullBill(BillKind::Sale);
    AddLine(penInk, m_pen, "2", "25");
    AddLine(penInk, m_ink, "3", "5");
    AddLine(inkPen, m_ink, "4", "5");
    AddLine(inkPen, m_pen, "5", "25");
    penInk.GiveNumber("XS-PI");
    inkPen.GiveNumber("XS-IP");
    CDataStore one, other;
    ASSERT_TRUE(one.ConnectMain());
    ASSERT_TRUE(other.ConnectMain());
    // Statements of the first sale: BEGIN, number read, header, Pen row read (locked), Pen row
    // written, Pen line; before the Ink row read the second sale starts, locks Ink and waits
    // for Pen. The first then waits for Ink: the server breaks the deadlock by failing one.
    std::thread second;
    PostOutcome secondOutcome = PostOutcome::Failed;
    CDataStore::BeforeStatementForTest(7, [&](int firstProcess) {
        second = std::thread([&] { secondOutcome = inkPen.SaveOn(other); });
        const std::string blocked = "select count(*) from pg_stat_activity where " +
                                    std::to_string(firstProcess) + " = any(pg_blocking_pids(pid))";
        while (Rows(blocked) != "1\n")
            std::this_thread::yield();
    });
    const PostOutcome firstOutcome = penInk.SaveOn(one);
    second.join();
    EXPECT_EQ(firstOutcome, PostOutcome::Posted);
    EXPECT_EQ(secondOutcome, PostOutcome::Posted);
    EXPECT_EQ(m_port.Texts(), Strings{});
    EXPECT_EQ(Stock("一号仓库", "G1")->Number, "43");
    EXPECT_EQ(Stock("一号仓库", "G2")->Number, "43");
    EXPECT_EQ(Rows("select Bill_ID, Product_ID, Product_Number from EnterSale_Detail order by Id"),
              "XS-PI|G1|2\nXS-PI|G2|3\nXS-IP|G2|4\nXS-IP|G1|5\n");
}

TEST_F(ServerPostingTest, TheServerGoingAwayAtAnyStatementLeavesNothingAndTheNextActionReconnects) {
    PutStock("一号仓库", "G1", "Pen", 10, "19.99");
    CBill bill = FullBill(BillKind::Purchase);
    AddLine(bill, m_pen, "2", "5");
    AddLine(bill, m_ink, "3", "3");
    AddLine(bill, m_pen, "1", "5");
    bill.GiveNumber("JH-AWAY");
    const std::string data = Snapshot();
    const std::string conninfo = Conninfo();
    PostOutcome outcome = PostOutcome::Failed;
    int k = 1;
    for (; k < 60; ++k) {
        m_port.Clear();
        // The workstation's own server process is ended from outside, as when the server
        // restarts or the network fails, before its k-th statement.
        CDataStore::BeforeStatementForTest(k, [&](int process) {
            ASSERT_EQ(ServerRows(conninfo, "select pg_terminate_backend(" +
                                               std::to_string(process) + ", 10000)"),
                      "t\n");
        });
        outcome = bill.Save();
        CDataStore::FailStatementForTest(0);
        if (outcome == PostOutcome::Posted)
            break;
        EXPECT_NE(outcome, PostOutcome::NumberRefused) << k;
        EXPECT_EQ(Snapshot(), data) << "statement " << k;
        const Strings texts = m_port.Texts();
        EXPECT_TRUE(std::any_of(texts.begin(), texts.end(),
                                [](const std::string& t) {
                                    return t.find("与数据库服务器的连接已断开") !=
                                           std::string::npos;
                                }))
            << "statement " << k;
    }
    ASSERT_EQ(outcome, PostOutcome::Posted);
    EXPECT_GT(k, 8) << "the header and lines were written before the server went away";
    EXPECT_EQ(Stock("一号仓库", "G1")->Number, "13");
    EXPECT_EQ(Stock("一号仓库", "G2")->Number, "3");
    EXPECT_EQ(Rows("select count(*) from EnterStock_Detail where Bill_ID = 'JH-AWAY'"), "3\n");
}

TEST_F(ServerPostingTest, ARowHeldThroughEveryTryFailsAPostingCountOrReversalWithOneMessage) {
    PutStock("一号仓库", "G1", "Pen", 10, "19.99");
    CBill purchase = FullBill(BillKind::Purchase);
    AddLine(purchase, m_pen, "5", "20");
    purchase.GiveNumber("JH-BACK");
    ASSERT_EQ(purchase.Save(), PostOutcome::Posted);
    // Another workstation keeps the Pen row; this one gives up waiting for a row after 50 ms
    // (lock_not_available), which the store takes as a conflict like a deadlock.
    PGconn* holder = PQconnectdb(Conninfo().c_str());
    PGresult* held = PQexec(holder, "begin; select Number from StockPile where ProductCode = 'G1'"
                                    " for update");
    ASSERT_EQ(PQresultStatus(held), PGRES_TUPLES_OK);
    PQclear(held);
    CDataStore store;
    ASSERT_TRUE(store.ConnectMain());
    ASSERT_TRUE(store.Run("set lock_timeout = '50ms'", {}));
    CBill sale = FullBill(BillKind::Sale);
    AddLine(sale, m_pen, "4", "25");
    sale.GiveNumber("XS-HELD");
    const StockCount count{"PD-1", "一号仓库", "", {{"G1", "Pen", "支", "", 15, "12"}}};
    const std::string data = Snapshot();
    m_port.Clear();
    CDataStore::FailStatementForTest(0);
    EXPECT_EQ(sale.SaveOn(store), PostOutcome::Failed);
    EXPECT_EQ(CDataStore::StatementCountForTest(), 5 * 4) << "BEGIN, number, header, row: 5 tries";
    EXPECT_EQ(sale.m_number, "XS-HELD");
    CountPosted posted;
    EXPECT_EQ(CountStockOn(store, count, posted), CountOutcome::Failed);
    ReverseOutcome reversed = ReverseOutcome::Reversed;
    EXPECT_EQ(ReverseBillOn(store, BillKind::Purchase, "JH-BACK", &reversed), std::nullopt);
    EXPECT_EQ(reversed, ReverseOutcome::Failed);
    EXPECT_EQ(m_port.Texts(), Strings(3, kServerBusyText));
    EXPECT_EQ(Snapshot(), data);

    PQclear(PQexec(holder, "commit"));
    PQfinish(holder);
    m_port.Clear();
    EXPECT_EQ(sale.SaveOn(store), PostOutcome::Posted);
    EXPECT_EQ(
        CountStockOn(store, {"PD-1", "一号仓库", "", {{"G1", "Pen", "支", "", 11, "9"}}}, posted),
        CountOutcome::Posted);
    EXPECT_EQ(ReverseBillOn(store, BillKind::Purchase, "JH-BACK", &reversed), "JH-BACK-H");
    EXPECT_EQ(m_port.Texts(), Strings{});
    EXPECT_EQ(Stock("一号仓库", "G1")->Number, "4"); // 15, sold 4, counted 9, 5 sent back
}
