// Rules of a program folder whose data is on a PostgreSQL server (run with FERIX_TEST_ENGINE=pg).
#include "StoreTestSupport.h"

#include "admin/BackupRestore.h"
#include "app/ProgramFolderSetup.h"
#include "store/ServerConfig.h"

#include <libpq-fe.h>
#include <sys/stat.h>

#include <fstream>
#include <thread>

namespace {
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
