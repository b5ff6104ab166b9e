// The two database roles of a server folder, and the last operator kept when two workstations
// delete at once. Server runs only (core_tests_server).
#include "BillTestSupport.h"

#include "admin/CompanySettings.h"
#include "admin/OperationLog.h"
#include "admin/UserAdmin.h"
#include "app/ServerStart.h"
#include "basic/MasterDataImport.h"
#include "bills/BillReversal.h"
#include "config/ConfigLists.h"
#include "port/FailureText.h"
#include "server/WorkRole.h"
#include "store/Schema.h"
#include "store/ServerConfig.h"
#include "store/StoreEngine.h"
#include "store/WorkRights.h"

#include <libpq-fe.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <unistd.h>

namespace {
using Strings = std::vector<std::string>;

// The SQLSTATE a statement ends with on `conninfo` ("" when it succeeds).
std::string StateOf(const std::string& conninfo, const std::string& sql) {
    PGconn* conn = PQconnectdb(conninfo.c_str());
    std::string state = "no connection";
    if (PQstatus(conn) == CONNECTION_OK) {
        PGresult* r = PQexec(conn, sql.c_str());
        const auto status = PQresultStatus(r);
        const char* s = PQresultErrorField(r, PG_DIAG_SQLSTATE);
        state = status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK ? "" : s ? s : "?";
        PQclear(r);
    }
    PQfinish(conn);
    return state;
}

class WorkRoleTest : public BillTest {
protected:
    void SetUp() override {
        if (!OnServer())
            GTEST_SKIP() << "a server folder's roles";
        BillTest::SetUp();
        static int serial = 0;
        m_role = "ferix_w" + std::to_string(getpid()) + "_" + std::to_string(++serial);
        m_owner = ReadServerConfig(Dir()).conninfo;
        m_work = m_owner + " user=" + m_role;
        ASSERT_EQ(StateOf(m_owner, "CREATE ROLE " + m_role + " LOGIN"), "");
    }
    void TearDown() override {
        if (!OnServer())
            return;
        CloseKeptServerConnections();
        const std::string owner = m_owner;
        BillTest::TearDown();
        EXPECT_EQ(StateOf(owner, "DROP OWNED BY " + m_role + "; DROP ROLE " + m_role), "");
    }
    // The folder's workstations from now on connect as the work role.
    void WorkAsTheWorkRole() {
        std::string error;
        ASSERT_TRUE(WriteServerConfig(Dir(), m_work, &error)) << error;
        CloseKeptServerConnections();
    }
    void Post(BillKind kind, const std::string& number, const std::string& quantity) {
        CBill bill = FullBill(kind);
        bill.GiveNumber(number);
        AddLine(bill, m_pen, quantity, "20");
        m_port.Clear();
        ASSERT_EQ(bill.Save(), PostOutcome::Posted)
            << (m_port.Texts().empty() ? std::string() : m_port.Texts().back());
    }

    std::string m_role, m_owner, m_work;
};
} // namespace

TEST_F(WorkRoleTest, TheWorkRoleDoesDailyWorkAndNothingMore) {
    // Only the owner grants, only to an existing role that is not the owner's.
    EXPECT_EQ(GrantWorkRole(m_owner, "ferix_no_such_role"), AdminResult::Refused);
    EXPECT_EQ(GrantWorkRole(m_owner, "ferix"), AdminResult::Refused);
    EXPECT_EQ(GrantWorkRole(m_work, m_role), AdminResult::Refused);
    EXPECT_EQ(m_port.Texts(),
              (Strings{"数据库角色“ferix_no_such_role”不存在，请先在服务器上创建它。",
                       "“ferix”是本程序数据表的所有者，不能作为日常工作的角色。",
                       "这个连接的角色不是本程序数据表的所有者，没有做任何改变。"}));
    // Nothing was granted: the role does not even see the tables.
    EXPECT_EQ(StateOf(m_work, "SELECT count(*) FROM Manage"), "42P01");
    m_port.Clear();
    ASSERT_EQ(GrantWorkRole(m_owner, m_role), AdminResult::Done);
    EXPECT_EQ(m_port.Texts(), Strings{"已授予数据库角色“" + m_role + "”日常工作的权限。"});

    // Daily work through the work role: bills, a reversal, master data, lists, operators,
    // settings, the log.
    WorkAsTheWorkRole();
    Post(BillKind::Purchase, "JH-W1", "10");
    Post(BillKind::Sale, "XS-W1", "4");
    EXPECT_EQ(ReverseBill(BillKind::Sale, "XS-W1"), "XS-W1-H");
    EXPECT_EQ(Stock("一号仓库", "G1")->Number, "10");
    AddGoods("G9", "Cup");
    EXPECT_TRUE(DeleteGoodsIfUnused("G9"));
    AddUnit("KH009", "华南商贸", kUnitTypeCustomer);
    EXPECT_TRUE(AddConfigListEntry("bank", "农业银行", ""));
    EXPECT_TRUE(RemoveConfigListEntries("bank", "农业银行"));
    EXPECT_EQ(AddOperator("bob", "", ""), AdminResult::Done);
    EXPECT_EQ(ChangeOperatorPassword("bob", "pw", "出纳"), AdminResult::Done);
    EXPECT_EQ(DeleteOperator(std::string("bob")), AdminResult::Done);
    EXPECT_EQ(SaveCompanySettings({"华东商贸", "", "", "", "加权平均法", ""}), AdminResult::Done);
    EXPECT_EQ(ClearOperationLog(), AdminResult::Done);
    EXPECT_EQ(Log().size(), 1u);

    // What the program never does in daily work, the role cannot do either (42501: no right).
    for (const char* sql :
         {"DELETE FROM EnterSale_Detail", "DELETE FROM EnterSale", "DELETE FROM FundBill",
          "DELETE FROM WriteToken", "DELETE FROM BillJournal", "UPDATE EnterSale SET Total = '0'",
          "UPDATE EnterSale_Detail SET Product_Number = '0'", "UPDATE BillJournal SET Digest = ''",
          "TRUNCATE Log", "TRUNCATE StockPile", "DROP TABLE Log",
          "ALTER TABLE Log ADD COLUMN x TEXT", "CREATE TABLE ferix_extra (x TEXT)",
          "UPDATE ferix_schema SET version = 1", "INSERT INTO ferix_work_role(name) VALUES ('x')"})
        EXPECT_EQ(StateOf(m_work, sql), "42501") << sql;
    EXPECT_EQ(StateOf(m_work, "UPDATE EnterSale SET Canceled = Canceled"), "");
    EXPECT_EQ(Count("EnterSale_Detail"), 2);
}

TEST_F(WorkRoleTest, ALaterSchemaStepGrantsTheRememberedRoleAndOnlyTheOwnerMakesIt) {
    ASSERT_EQ(GrantWorkRole(m_owner, m_role), AdminResult::Done);
    RollBackMainSchemaTo(5); // before the write tokens and the journal
    WorkAsTheWorkRole();
    m_port.Clear();

    // The workstation on the work role says so and opens nothing.
    const ServerStartCheck check = CheckServerStart();
    EXPECT_EQ(check.state, ServerStartCheck::NeedsOwner);
    EXPECT_EQ(check.text, kUpgradeNeedsOwnerText);
    CDataStore store;
    EXPECT_FALSE(store.ConnectMain());
    EXPECT_EQ(m_port.Texts(), Strings{ConnectFailureText(kUpgradeNeedsOwnerText)});

    // The desktop start asks for the owner's string; without it nothing opens.
    auto noRetry = [](const ServerStartCheck&) {
        ADD_FAILURE() << "the server is up";
        return false;
    };
    m_port.Clear();
    m_port.QueueSecret("");
    EXPECT_FALSE(PrepareServerStart(noRetry));
    m_port.QueueSecret(m_work); // not the owner
    EXPECT_FALSE(PrepareServerStart(noRetry));
    m_port.QueueSecret(m_owner);
    EXPECT_TRUE(PrepareServerStart(noRetry));
    const auto& entries = m_port.Entries();
    ASSERT_EQ(entries.size(), 6u);
    EXPECT_EQ(entries[0].kind, CScriptedMessagePort::Entry::Secret);
    EXPECT_EQ(entries[0].text, kAskOwnerConninfoText);
    EXPECT_EQ(m_port.Texts(),
              (Strings{kAskOwnerConninfoText, kUpgradeNeedsOwnerText, kAskOwnerConninfoText,
                       "这个连接的角色不是本程序数据表的所有者，没有做任何改变。",
                       kAskOwnerConninfoText, "数据库已升级。"}));
    EXPECT_EQ(MainSchemaVersion(), kMainSchemaVersion);
    EXPECT_NE(ReadFile("Data/server.conf").find("user=" + m_role), std::string::npos)
        << "the owner's string is never stored";

    // The step's new tables came with the work role's rights on them, and no more.
    EXPECT_EQ(StateOf(m_work, "INSERT INTO WriteToken(Token, Kind) VALUES ('t1', 'sale')"), "");
    EXPECT_EQ(StateOf(m_work, "UPDATE JournalHead SET Digest = Digest"), "");
    EXPECT_EQ(StateOf(m_work, "DELETE FROM WriteToken"), "42501");
    EXPECT_EQ(StateOf(m_work, "DELETE FROM BillJournal"), "42501");
    Post(BillKind::Purchase, "JH-W2", "3");
    EXPECT_EQ(Stock("一号仓库", "G1")->Number, "3");
}

TEST_F(WorkRoleTest, TwoOverlappingDeletesOfTheLastTwoOperatorsLeaveOne) {
    ASSERT_EQ(AddOperator("bob", "", ""), AdminResult::Done);
    std::atomic<bool> secondDone = false;
    AdminResult second = AdminResult::Done;
    std::thread other;
    // The first delete stops before its COMMIT (statement 5: the list, BEGIN, the locking read,
    // the delete, COMMIT); the second runs until it is done or waits for the first.
    CDataStore::BeforeStatementForTest(5, [&](int firstProcess) {
        other = std::thread([&] {
            second = DeleteOperator(std::string("bob"));
            secondDone = true;
        });
        const std::string waiting = "SELECT count(*) FROM pg_stat_activity WHERE " +
                                    std::to_string(firstProcess) + " = ANY(pg_blocking_pids(pid))";
        PGconn* conn = PQconnectdb(m_owner.c_str());
        for (bool blocked = false; !secondDone && !blocked;) {
            PGresult* r = PQexec(conn, waiting.c_str());
            blocked =
                PQresultStatus(r) == PGRES_TUPLES_OK && std::string(PQgetvalue(r, 0, 0)) != "0";
            PQclear(r);
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        PQfinish(conn);
    });
    m_port.Clear();
    EXPECT_EQ(DeleteOperator(std::string("admin")), AdminResult::Done);
    ASSERT_TRUE(other.joinable()) << "the first delete never reached its COMMIT";
    other.join();
    CDataStore::FailStatementForTest(0);
    EXPECT_EQ(second, AdminResult::Refused);
    const auto users = LoadOperators();
    ASSERT_EQ(users.size(), 1u);
    EXPECT_EQ(users[0].UserName, "bob");
    EXPECT_EQ(m_port.Texts().back(), "不能删除最后一个管理员，否则将无法再登录程序！");
}
