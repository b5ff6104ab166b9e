// Rules of a program folder whose data is on a PostgreSQL server (run with FERIX_TEST_ENGINE=pg).
#include "BillTestSupport.h"
#include "CommitCuttingProxy.h"
#include "StoreTestSupport.h"

#include "admin/BackupRestore.h"
#include "app/ProgramFolderSetup.h"
#include "bills/BillKind.h"
#include "bills/BillReversal.h"
#include "bills/StockCount.h"
#include "config/ConfigLists.h"
#include "server/ServerBackup.h"
#include "server/ServerSetup.h"
#include "store/AllEntries.h"
#include "store/Schema.h"
#include "store/ServerConfig.h"
#include "store/StoreEngine.h"
#include "store/WriteToken.h"

#include <libpq-fe.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
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
              "main_data|14\nother_data|3\n");
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

// A database someone is connected to can be neither dropped nor copied as a template. The
// connections the program keeps between actions are its own, so a process that made a database
// through the program (as the benchmarks make their data sets) can let go of them and copy it.
TEST_F(ServerStoreTest, ADatabaseTheProgramUsedCanBeCopiedOnceItsKeptConnectionsAreClosed) {
    const std::string server = std::getenv("FERIX_TEST_PG");
    const std::string made = "ferix_kept_" + std::to_string(getpid());
    auto command = [&](const std::string& sql) {
        PGconn* conn = PQconnectdb(server.c_str());
        PGresult* r = PQexec(conn, sql.c_str());
        std::string error = PQresultStatus(r) == PGRES_COMMAND_OK ? "" : PQerrorMessage(conn);
        PQclear(r);
        PQfinish(conn);
        return error;
    };
    ASSERT_EQ(command("create database " + made), "");
    const std::filesystem::path folder = Dir() / "made";
    std::string error;
    ASSERT_TRUE(std::filesystem::create_directories(folder / "Data"));
    ASSERT_TRUE(WriteServerConfig(folder, server + " dbname=" + made, &error)) << error;
    ASSERT_TRUE(CreateProgramFolder(folder, &error)) << error;
    std::filesystem::current_path(folder);
    {
        CDataStore store;
        ASSERT_TRUE(store.ConnectMain());
        std::vector<GoodsRecord> goods;
        ASSERT_TRUE(store.ListGoods(kAllGoods, goods));
    }
    std::filesystem::current_path(Dir());
    EXPECT_NE(command("create database " + made + "_copy template " + made), "")
        << "the kept connection holds the database open";
    CloseKeptServerConnections();
    EXPECT_EQ(command("create database " + made + "_copy template " + made), "");
    EXPECT_EQ(command("drop database " + made + "_copy"), "");
    EXPECT_EQ(command("drop database " + made), "");
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
    EXPECT_EQ(m_port.Texts(), std::vector<std::string>{"连接数据库失败！\r\n错误信息：" + refusal});
    m_port.Clear();

    // A server that is not there, and a string libpq cannot read: the password stays unsaid.
    std::string error;
    ASSERT_TRUE(WriteServerConfig(Dir(), "host=" + Dir().string() + " port=1 password=Pw-Secret-7",
                                  &error));
    EXPECT_FALSE(store.ConnectOther());
    ASSERT_EQ(m_port.Texts().size(), 1u);
    EXPECT_TRUE(m_port.Texts()[0].starts_with("连接数据库失败！\r\n错误信息："));
    EXPECT_EQ(m_port.Texts()[0].find("Pw-Secret-7"), std::string::npos);
    m_port.Clear();
    ASSERT_TRUE(WriteServerConfig(Dir(), "password=Pw-Secret-7 dbname", &error));
    EXPECT_FALSE(store.ConnectMain());
    EXPECT_EQ(m_port.Texts(), std::vector<std::string>{"连接数据库失败！\r\n错误信息：Data/"
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

TEST_F(ServerStoreTest, ABackupOfTheServerTablesRestoresThemExactlyAsTheyWere) {
    AddGoods("G1", "螺丝'刀");
    PutStock("一号仓库", "G1", "螺丝'刀", 60, "2.5");
    const std::string atBackup = Snapshot();
    const std::string name = "26-12-07@09-30-15.bak";
    const std::string safety = "26-12-07@09-30-15(恢复前自动备份).bak";
    m_port.Clear();
    std::string made;
    ASSERT_EQ(BackupAction(&made), AdminResult::Done) << testing::PrintToString(m_port.Texts());
    EXPECT_EQ(made, name);
    EXPECT_EQ(Log().back().Event, "数据备份成功！数据文件(/Backup/" + name + ")");
    // A backup of the same second never overwrites the first one: it takes the next name.
    const std::string first = ReadFile("Backup/" + name);
    EXPECT_EQ(BackupAction(&made), AdminResult::Done);
    EXPECT_EQ(made, "26-12-07@09-30-15-2.bak");
    EXPECT_TRUE(ReadFile("Backup/" + name) == first) << "the first backup was changed";

    // Later work: more goods and stock, a goods item gone; an operator added, another's
    // password changed, an action logged and a configuration entry made.
    AddGoods("G2", "锤子");
    PutStock("一号仓库", "G2", "锤子", 7);
    PutStock("一号仓库", "G1", "螺丝'刀", 5);
    {
        CDataStore store;
        ASSERT_TRUE(store.ConnectMain());
        ASSERT_TRUE(store.ExecuteSql("delete from ferix_product where Code = 'G1'"));
        ASSERT_TRUE(store.ConnectOther());
        ASSERT_TRUE(store.AddUser("clerk", "pw", "柜台"));
        ASSERT_TRUE(store.ChangeUser("admin", "new-pw", ""));
        ASSERT_TRUE(store.AddLogEntry("修改密码"));
    }
    ASSERT_TRUE(AddConfigListEntry("area", "东区", ""));
    const std::string later = Snapshot();
    ASSERT_NE(later, atBackup);
    // The operators, the log, the configuration and the versions, as rows.
    const std::string conninfo = Conninfo();
    auto users = [&] { return ServerRows(conninfo, "select * from Manage order by id"); };
    auto log = [&] { return ServerRows(conninfo, "select Event, \"User\" from Log order by id"); };
    auto kept = [&] {
        return ServerRows(conninfo, "select name, position('name=\"东区\"' in"
                                    " convert_from(content, 'UTF8')) > 0 from ferix_config") +
               ServerRows(conninfo, "select name, version from ferix_schema order by name");
    };
    const std::string usersLater = users(), logLater = log(), keptLater = kept();
    ASSERT_NE(usersLater.find("|clerk|"), std::string::npos) << usersLater;
    ASSERT_TRUE(logLater.ends_with("修改密码|admin\n")) << logLater;
    ASSERT_EQ(keptLater, "ferix_config.data|t\nmain_data|14\nother_data|3\n");
    ASSERT_EQ(RestoreAction(name), AdminResult::Done) << testing::PrintToString(m_port.Texts());
    EXPECT_EQ(m_port.Texts(),
              (std::vector<std::string>{"是否备份现在的数据？", "数据备份成功！",
                                        "是否备份现在的数据？", "数据备份成功！",
                                        "是否恢复数据数据(" + name + ")，回复后将替换现有数据？",
                                        kRestoreOwnerQuestion, "数据恢复成功！"}));
    EXPECT_EQ(Snapshot(), atBackup);
    // Only the main data went back: operators, log and configuration are as before, the log
    // one entry longer.
    EXPECT_EQ(users(), usersLater);
    EXPECT_EQ(log(), logLater + "数据恢复成功！数据文件(" + name + ")|admin\n");
    EXPECT_EQ(kept(), keptLater);
    CDataStore other;
    ASSERT_TRUE(other.ConnectOther());
    EXPECT_TRUE(other.CheckLogin("admin", "new-pw"));
    // New rows continue after the restored ids.
    AddGoods("G3", "钳子");
    EXPECT_EQ(ServerRows(Conninfo(), "select Id, Code from ferix_product order by Id"),
              "1|G1\n2|G3\n");

    // The data as it was before the restore went into its own backup first.
    ASSERT_EQ(RestoreAction(safety), AdminResult::Done) << testing::PrintToString(m_port.Texts());
    EXPECT_EQ(Snapshot(), later);

    EXPECT_EQ(users(), usersLater);
}

TEST_F(ServerStoreTest, AnArchiveIsRestoredAsRowsAloneAndAnEarlierVersionIsUpgraded) {
    namespace fs = std::filesystem;
    const std::string conninfo = Conninfo();
    const std::string schema = ServerRows(conninfo, "select current_schema()");
    std::string error;
    AddGoods("G1", "螺丝'刀");
    PutStock("一号仓库", "G1", "螺丝'刀", 60, "2.5");
    const std::string atBackup = Snapshot();

    // An archive made at version 5 (no token or journal tables yet) is made again at 5 by the
    // program, filled, and upgraded to 6 by its own steps.
    RollBackMainSchemaTo(5);
    ASSERT_TRUE(DumpServerData(conninfo, Dir() / "Backup" / "v5.bak", Dir() / "Temp", &error))
        << error;
    {
        CDataStore store; // brings the tables to 6 again
        ASSERT_TRUE(store.ConnectMain());
    }
    AddGoods("G2", "锤子");
    m_port.Clear();
    ASSERT_EQ(RestoreAction(std::string("v5.bak")), AdminResult::Done)
        << testing::PrintToString(m_port.Texts());
    const std::string versions = "select name, version from ferix_schema order by name";
    EXPECT_EQ(ServerRows(conninfo, versions), "main_data|14\nother_data|3\n");
    EXPECT_EQ(Snapshot(), atBackup);
    EXPECT_EQ(ServerRows(conninfo,
                         "select count(*) from pg_tables where schemaname = current_schema()"
                         " and tablename in ('writetoken', 'billjournal', 'journalhead')"),
              "3\n");
    AddGoods("G3", "钳子");
    EXPECT_EQ(ServerRows(conninfo, "select Id, Code from ferix_product order by Id"),
              "1|G1\n2|G3\n");

    // A grant and a changed default on a program table come with an archive, and are left out:
    // only its rows are taken.
    ServerRows(conninfo, "grant select, insert on ferix_product to public;"
                         " alter table ferix_product alter column Note set default 'doctored'");
    ASSERT_TRUE(DumpServerData(conninfo, Dir() / "Backup" / "doctored.bak", Dir() / "Temp", &error))
        << error;
    ServerRows(conninfo, "revoke all on ferix_product from public;"
                         " alter table ferix_product alter column Note drop default");
    const std::string doctoredRows = Snapshot();
    AddGoods("G4", "扳手");
    auto grantsAndDefault = [&] {
        return ServerRows(conninfo,
                          "select count(*) from information_schema.role_table_grants"
                          " where grantee = 'PUBLIC' and table_schema = current_schema()") +
               ServerRows(conninfo, "select coalesce(column_default, '-') from"
                                    " information_schema.columns where table_schema ="
                                    " current_schema() and table_name = 'ferix_product'"
                                    " and column_name = 'note'");
    };
    ASSERT_EQ(grantsAndDefault(), "0\n-\n");
    ASSERT_EQ(RestoreAction(std::string("doctored.bak")), AdminResult::Done)
        << testing::PrintToString(m_port.Texts());
    EXPECT_EQ(Snapshot(), doctoredRows);
    EXPECT_EQ(grantsAndDefault(), "0\n-\n");

    // An archive of the whole schema that holds a function is refused, and the function is not
    // made; the connection string the owner gives restores, one that does not connect fails.
    ServerRows(conninfo, "create function doctored() returns int language sql as 'select 1'");
    const char* path = std::getenv("PATH");
    const auto pgDump = FindServerClient("pg_dump", path ? path : "", "/usr/lib/postgresql");
    ASSERT_TRUE(pgDump);
    const fs::path whole = Dir() / "Backup" / "whole.bak";
    ASSERT_EQ(std::system((pgDump->string() + " -Fc -n " + schema.substr(0, schema.size() - 1) +
                           " -f '" + whole.string() + "' \"" + conninfo + "\"")
                              .c_str()),
              0);
    ServerRows(conninfo, "drop function doctored()");
    m_port.Clear();
    EXPECT_EQ(RestoreAction(std::string("whole.bak")), AdminResult::Refused);
    EXPECT_EQ(m_port.Texts(),
              Strings{"不能恢复“whole.bak”：它不是本程序数据库服务器数据的备份（含有 FUNCTION）。"
                      "\r\n现有数据没有改变。"});
    EXPECT_EQ(ServerRows(conninfo, "select count(*) from pg_proc where proname = 'doctored'"),
              "0\n");
    const std::string now = Snapshot();
    m_port.Clear();
    m_port.QueueSecret(conninfo + " dbname=no_such_database");
    EXPECT_EQ(RestoreAction(std::string("v5.bak")), AdminResult::Failed);
    ASSERT_EQ(m_port.Texts().size(), 3u);
    EXPECT_TRUE(m_port.Texts()[2].starts_with("数据恢复失败！\r\n无法连接数据库服务器："))
        << m_port.Texts()[2];
    EXPECT_EQ(Snapshot(), now);
    m_port.QueueSecret(conninfo);
    EXPECT_EQ(RestoreAction(std::string("v5.bak")), AdminResult::Done);
    EXPECT_EQ(Snapshot(), atBackup);
    EXPECT_EQ(ReadServerConfig(Dir()).conninfo, conninfo);
}

TEST_F(ServerStoreTest, DataInASchemaWhoseNameHoldsASpaceBacksUpAndRestores) {
    const std::string conninfo = Conninfo();
    std::string schema = ServerRows(conninfo, "select current_schema()");
    schema.pop_back();
    const std::string spaced = schema + " 二号";
    ServerRows(conninfo, "alter schema " + schema + " rename to \"" + spaced + "\"");
    std::string error;
    ASSERT_TRUE(WriteServerConfig(Dir(), ServerConninfo("\"" + schema + "\\\\ 二号\""), &error))
        << error;
    ASSERT_EQ(ServerRows(Conninfo(), "select current_schema()"), spaced + "\n");
    AddGoods("G1", "螺丝刀");
    const std::string atBackup = Snapshot();
    std::string made;
    EXPECT_EQ(BackupAction(&made), AdminResult::Done) << testing::PrintToString(m_port.Texts());
    AddGoods("G2", "锤子");
    EXPECT_EQ(RestoreAction(made), AdminResult::Done) << testing::PrintToString(m_port.Texts());
    EXPECT_EQ(Snapshot(), atBackup);
    ServerRows(Conninfo(), "alter schema \"" + spaced + "\" rename to " + schema);
    ASSERT_TRUE(WriteServerConfig(Dir(), conninfo, &error)) << error;
}

TEST_F(ServerStoreTest, ARestoreRefusedOrFailedLeavesTheServerDataAsItWas) {
    namespace fs = std::filesystem;
    AddGoods("G1", "螺丝刀");
    std::string made;
    ASSERT_EQ(BackupAction(&made), AdminResult::Done) << testing::PrintToString(m_port.Texts());
    AddGoods("G2", "锤子");
    const std::string now = Snapshot();
    const size_t logRows = Log().size();
    auto write = [&](const std::string& name, const std::string& bytes) {
        std::ofstream(Dir() / "Backup" / name, std::ios::binary) << bytes;
    };
    auto restoreSays = [&](const std::string& name) {
        m_port.Clear();
        const AdminResult result = RestoreAction(name);
        const auto texts = m_port.Texts();
        return std::to_string(static_cast<int>(result)) + ":" + (texts.empty() ? "" : texts.back());
    };
    auto refusal = [](const std::string& name, const std::string& reason) {
        return std::to_string(static_cast<int>(AdminResult::Refused)) + ":不能恢复“" + name +
               "”：" + reason + "\r\n现有数据没有改变。";
    };

    write("junk.bak", "not a backup at all");
    EXPECT_EQ(restoreSays("junk.bak"), refusal("junk.bak", "它不是本程序数据库服务器数据的备份。"));
    // An archive whose header is all there is, and one of a format this pg_restore cannot read.
    write("head.bak", ReadFile("Backup/" + made).substr(0, 200));
    EXPECT_EQ(
        restoreSays("head.bak"),
        refusal("head.bak", "无法读取这个备份（could not read from input file: end of file）。"));
    write("format.bak", "PGDMPxxxxxxxx");
    EXPECT_EQ(restoreSays("format.bak"),
              refusal("format.bak",
                      "无法读取这个备份（unsupported version (120.120) in file header）。"));
    // A backup of a folder with data files is an SQLite file.
    sqlite3* db = nullptr;
    std::string error;
    ASSERT_EQ(sqlite3_open((Dir() / "Backup" / "file.bak").c_str(), &db), SQLITE_OK);
    ASSERT_TRUE(CreateMainSchema(db, &error)) << error;
    sqlite3_close(db);
    EXPECT_EQ(restoreSays("file.bak"), refusal("file.bak", "它不是本程序数据库服务器数据的备份。"));

    // A sound archive of another schema's tables is not this folder's to take.
    const std::string schema = ServerRows(Conninfo(), "select current_schema()");
    const std::string other = schema.substr(0, schema.size() - 1) + "_b";
    ServerRows(Conninfo(), "create schema " + other);
    ASSERT_TRUE(CreateServerData(ServerConninfo(other), "x", "2026-12-07", &error)) << error;
    ASSERT_TRUE(DumpServerData(ServerConninfo(other), Dir() / "Backup" / "other.bak",
                               Dir() / "Temp", &error))
        << error;
    ServerRows(Conninfo(), "set client_min_messages = warning; drop schema " + other + " cascade");
    EXPECT_EQ(restoreSays("other.bak"),
              refusal("other.bak", "它是数据库架构 " + other +
                                       " 中数据的备份，这个程序文件夹的数据在 " +
                                       schema.substr(0, schema.size() - 1) + " 中。"));

    // An archive of a whole database (the program's tables in public, a schema of something else
    // beside them) is named as what it is.
    const std::string server = std::getenv("FERIX_TEST_PG");
    const std::string database = "ferix_whole_" + std::to_string(getpid());
    ServerRows(server + " dbname=postgres", "create database " + database);
    const std::string wholeConninfo = server + " dbname=" + database;
    ASSERT_TRUE(CreateServerData(wholeConninfo, "x", "2026-12-07", &error)) << error;
    ServerRows(wholeConninfo, "create schema extra; create table extra.t(x int);"
                              " comment on schema extra is '另一个程序'");
    const char* path = std::getenv("PATH");
    const auto pgDump = FindServerClient("pg_dump", path ? path : "", "/usr/lib/postgresql");
    ASSERT_TRUE(pgDump);
    const int dumped =
        std::system((pgDump->string() + " -Fc -f '" + (Dir() / "Backup" / "database.bak").string() +
                     "' \"" + wholeConninfo + "\"")
                        .c_str());
    CloseKeptServerConnections();
    ServerRows(server + " dbname=postgres", "drop database " + database);
    ASSERT_EQ(dumped, 0);
    EXPECT_EQ(
        restoreSays("database.bak"),
        refusal("database.bak",
                "它是整个数据库的备份，不是本程序数据的备份；这个程序文件夹只能恢复数据库架构 " +
                    schema.substr(0, schema.size() - 1) + " 中本程序数据表的备份。"));

    // A schema that lacks one of the tables gives no archive; one of a newer program is refused.
    ServerRows(Conninfo(), "alter table ferix_config rename to ferix_lists");
    EXPECT_FALSE(
        DumpServerData(Conninfo(), Dir() / "Backup" / "lacking.bak", Dir() / "Temp", &error));
    EXPECT_FALSE(fs::exists(Dir() / "Backup" / "lacking.bak"));
    ServerRows(Conninfo(),
               "alter table ferix_lists rename to ferix_config;"
               " update ferix_schema set version = version + 1 where name = 'main_data'");
    ASSERT_TRUE(DumpServerData(Conninfo(), Dir() / "Backup" / "newer.bak", Dir() / "Temp", &error))
        << error;
    ServerRows(Conninfo(),
               "update ferix_schema set version = version - 1 where name = 'main_data'");
    EXPECT_EQ(restoreSays("newer.bak"), refusal("newer.bak", "它由更新版本的程序创建。"));

    // An archive whose version row names an older schema version than its rows were made at: its
    // columns are not the tables' of that version, and the restore, already begun, is undone.
    ServerRows(Conninfo(),
               "update ferix_schema set version = version - 4 where name = 'main_data'");
    ASSERT_TRUE(DumpServerData(Conninfo(), Dir() / "Backup" / "mixed.bak", Dir() / "Temp", &error))
        << error;
    ServerRows(Conninfo(),
               "update ferix_schema set version = version + 4 where name = 'main_data'");
    EXPECT_EQ(restoreSays("mixed.bak"),
              std::to_string(static_cast<int>(AdminResult::Failed)) +
                  ":数据恢复失败！\r\n备份中数据表 purchaseorder 的列 open_lines "
                  "不是本程序的。\r\n现有数据没有改变。");
    EXPECT_EQ(Snapshot(), now);

    // An archive cut short passes the look at its list, then fails while its rows are read,
    // inside the restore's transaction: all of it is rolled back.
    const std::string whole = ReadFile("Backup/" + made);
    write("cut.bak", whole.substr(0, whole.size() - 100));
    m_port.Clear();
    EXPECT_EQ(RestoreAction(std::string("cut.bak")), AdminResult::Failed);
    const auto texts = m_port.Texts();
    ASSERT_EQ(texts.size(), 3u) << testing::PrintToString(texts);
    EXPECT_EQ(texts[1], kRestoreOwnerQuestion);
    EXPECT_EQ(texts[2], "数据恢复失败！\r\ncould not read from input file: end of file\r\n"
                        "现有数据没有改变。");
    EXPECT_TRUE(fs::exists(Dir() / "Backup" / "26-12-07@09-30-15(恢复前自动备份).bak"));
    EXPECT_EQ(Snapshot(), now);
    EXPECT_EQ(Log().size(), logRows);
}

TEST_F(ServerStoreTest, TheServerPasswordReachesTheClientProgramsInAPassfileAlone) {
    namespace fs = std::filesystem;
    // The newest version folder by number, not by name; a program on PATH comes first.
    const fs::path tools = Dir() / "tools";
    for (const char* folder : {"9/bin", "16/bin", "path"}) {
        fs::create_directories(tools / folder);
        std::ofstream(tools / folder / "pg_dump") << "#!/bin/sh\n";
        fs::permissions(tools / folder / "pg_dump", fs::perms::owner_all);
    }
    EXPECT_EQ(FindServerClient("pg_dump", "", tools), tools / "16" / "bin" / "pg_dump");
    EXPECT_EQ(FindServerClient("pg_dump", "/nowhere:" + (tools / "path").string(), tools),
              tools / "path" / "pg_dump");
    EXPECT_EQ(FindServerClient("pg_dump", (tools / "9").string(), tools / "path"), std::nullopt);

    // A pg_dump on PATH that writes down what it was given, then does the work.
    const char* path = std::getenv("PATH");
    const std::string oldPath = path ? path : "";
    const auto real = FindServerClient("pg_dump", oldPath, "/usr/lib/postgresql");
    ASSERT_TRUE(real);
    const fs::path seen = Dir() / "seen";
    std::ofstream(tools / "path" / "pg_dump")
        << "#!/bin/sh\nprintf '%s\\n' \"$@\" > '" << seen.string() << ".args'\nenv > '"
        << seen.string() << ".env'\nfor f in '" << (Dir() / "Temp").string()
        << "'/pgpass-*; do stat -c %a \"$f\"; cat \"$f\"; done > '" << seen.string()
        << ".pass'\nexec '" << real->string() << "' \"$@\"\n";
    ::setenv("PATH", ((tools / "path").string() + ":" + oldPath).c_str(), 1);
    struct PathBack {
        std::string path;
        ~PathBack() { ::setenv("PATH", path.c_str(), 1); }
    } back{oldPath};

    const std::string conninfo = Conninfo();
    std::string error;
    ASSERT_TRUE(WriteServerConfig(Dir(), conninfo + " password='Pw:Se\\\\cret-7'", &error));
    // A passfile left behind by an older version (no writer in its name) goes.
    fs::create_directories(Dir() / "Temp");
    std::ofstream(Dir() / "Temp" / "pgpass-old") << "*:*:*:*:old\n";
    fs::last_write_time(Dir() / "Temp" / "pgpass-old",
                        fs::file_time_type::clock::now() - std::chrono::minutes(11));
    std::string made;
    ASSERT_EQ(BackupAction(&made), AdminResult::Done) << testing::PrintToString(m_port.Texts());
    EXPECT_EQ(ReadFile("seen.pass"), "600\n*:*:*:*:Pw\\:Se\\\\cret-7\n");
    EXPECT_EQ(ReadFile("seen.args").find("cret-7"), std::string::npos) << ReadFile("seen.args");
    EXPECT_NE(ReadFile("seen.args").find("--dbname=service=ferix\n"), std::string::npos);
    EXPECT_EQ(ReadFile("seen.env").find("cret-7"), std::string::npos);
    EXPECT_NE(ReadFile("seen.env").find("PGPASSFILE=" + (Dir() / "Temp" / "pgpass-").string()),
              std::string::npos);
    EXPECT_TRUE(fs::is_empty(Dir() / "Temp")) << "the passfile is removed again";

    // A server that is not there: the reason is told, the password is not.
    ASSERT_TRUE(WriteServerConfig(
        Dir(), "host=" + Dir().string() + " port=1 dbname=x password=Pw-Secret-7", &error));
    m_port.Clear();
    EXPECT_EQ(BackupAction(), AdminResult::Failed);
    EXPECT_EQ(RestoreAction(made), AdminResult::Refused);
    const auto texts = m_port.Texts();
    ASSERT_EQ(texts.size(), 3u) << testing::PrintToString(texts);
    EXPECT_TRUE(texts[1].starts_with("数据备份失败！\r\n无法连接数据库服务器：")) << texts[1];
    EXPECT_TRUE(texts[2].starts_with("不能恢复“" + made + "”：无法连接数据库服务器：")) << texts[2];
    for (const auto& text : texts)
        EXPECT_EQ(text.find("Secret"), std::string::npos) << text;
    EXPECT_TRUE(fs::is_empty(Dir() / "Temp"));
    EXPECT_FALSE(fs::exists(Dir() / "sql.txt"));
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

// Each action makes its own store, but the connection is kept between actions: connecting costs
// more than most actions. A kept connection whose server process ended meanwhile is replaced
// without a word; one left inside a transaction or with a changed setting is not used as it is.
TEST_F(ServerPostingTest, AKeptConnectionIsUsedAgainOnlyWhenItIsSoundAndClean) {
    auto processOfNextStatement = [] {
        int seen = 0;
        CDataStore::BeforeStatementForTest(1, [&](int process) { seen = process; });
        CDataStore store;
        EXPECT_TRUE(store.ConnectMain());
        EXPECT_TRUE(store.Run("select 1", {}));
        CDataStore::FailStatementForTest(0);
        return seen;
    };
    const int first = processOfNextStatement();
    ASSERT_GT(first, 0);
    EXPECT_EQ(processOfNextStatement(), first) << "the idle connection is used again";

    ASSERT_EQ(
        ServerRows(Conninfo(), "select pg_terminate_backend(" + std::to_string(first) + ", 10000)"),
        "t\n");
    m_port.Clear();
    CBill bill = FullBill(BillKind::Purchase);
    bill.m_paid = ""; // nothing paid: no question about paying more than the total
    AddLine(bill, m_pen, "2", "5");
    bill.GiveNumber("JH-KEPT");
    EXPECT_EQ(bill.Save(), PostOutcome::Posted);
    EXPECT_EQ(m_port.Texts(), Strings{});
    EXPECT_EQ(Stock("一号仓库", "G1")->Number, "2");
    const int second = processOfNextStatement();
    EXPECT_NE(second, first);

    {
        CDataStore store;
        ASSERT_TRUE(store.ConnectMain());
        ASSERT_TRUE(store.Run("set lock_timeout = '50ms'", {}));
    }
    {
        CDataStore store;
        ASSERT_TRUE(store.ConnectMain());
        std::string timeout;
        ASSERT_TRUE(store.Run("show lock_timeout", {},
                              [&](const CStatement& st) { timeout = st.Text(0); }));
        EXPECT_EQ(timeout, "0") << "a setting of one action does not reach the next";
        ASSERT_TRUE(store.Begin());
    } // dropped inside its transaction: never handed on
    EXPECT_NE(processOfNextStatement(), second);
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
    EXPECT_EQ(CDataStore::StatementCountForTest(), 6 * 5)
        << "BEGIN, token, number, the lines' units, header, row: 5 tries";
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

// A COMMIT whose reply is lost on the way back: a relay between the workstation and the server
// cuts the connection at the COMMIT. The token answers what happened, and a retry under it never
// stores the bill twice.
TEST_F(ServerPostingTest, ALostCommitReplyIsAnsweredByTheTokenAndARetryNeverStoresTwice) {
    PutStock("一号仓库", "G1", "Pen", 10, "19.99");
    std::string conninfo = Conninfo();
    const size_t host = conninfo.find("host=") + 5;
    const size_t hostEnd = conninfo.find(' ', host);
    const std::filesystem::path relayFolder = Dir() / "relay";
    std::filesystem::create_directory(relayFolder);
    CCommitCuttingProxy relay(relayFolder, conninfo.substr(host, hostEnd - host));
    conninfo.replace(host, hostEnd - host, relayFolder.string());
    std::string error;
    ASSERT_TRUE(WriteServerConfig(Dir(), conninfo, &error)) << error;
    auto bill = [&](BillKind kind, const std::string& number, const std::string& quantity) {
        CBill b = FullBill(kind);
        b.m_paid = "";
        AddLine(b, m_pen, quantity, "5");
        b.GiveNumber(number);
        return b;
    };

    // The server committed; its reply never came.
    CBill purchase = bill(BillKind::Purchase, "JH-LOST", "2");
    const CBill purchaseAgain = purchase;
    relay.CutNextCommit(CCommitCuttingProxy::Cut::AfterCommit);
    EXPECT_EQ(purchase.Save(), PostOutcome::Posted);
    EXPECT_EQ(m_port.Texts(), Strings{LostReplyStoredText("JH-LOST")});
    EXPECT_EQ(Stock("一号仓库", "G1")->Number, "12");
    const std::string token = Rows("select Token from WriteToken");
    ASSERT_EQ(token.size(), 33u);
    CBill retry = purchaseAgain;
    retry.SetWriteToken(token.substr(0, 32));
    m_port.Clear();
    EXPECT_EQ(retry.Save(), PostOutcome::Posted);
    EXPECT_EQ(m_port.Texts(), Strings{TokenStoredText("JH-LOST")});
    EXPECT_EQ(Stock("一号仓库", "G1")->Number, "12");

    // The COMMIT never reached the server: nothing stored, and the next try posts once.
    CBill sale = bill(BillKind::Sale, "XS-GONE", "3");
    relay.CutNextCommit(CCommitCuttingProxy::Cut::BeforeCommit);
    m_port.Clear();
    EXPECT_EQ(sale.Save(), PostOutcome::Failed);
    EXPECT_EQ(m_port.Texts(), Strings{kLostReplyNotStoredText});
    EXPECT_EQ(Stock("一号仓库", "G1")->Number, "12");
    const std::string saleToken = sale.WriteToken();
    EXPECT_TRUE(IsWriteToken(saleToken));
    m_port.Clear();
    EXPECT_EQ(sale.Save(), PostOutcome::Posted);
    EXPECT_EQ(m_port.Texts(), Strings{});
    EXPECT_EQ(Stock("一号仓库", "G1")->Number, "9");
    EXPECT_EQ(Rows("select Bill_ID from WriteToken where Token = '" + saleToken + "'"),
              "XS-GONE\n");

    // Committed, and the server does not answer the look-up either: the user is told to check;
    // saving again once it answers finds the bill stored.
    CBill loss = bill(BillKind::Loss, "BS-UNSURE", "1");
    relay.CutNextCommit(CCommitCuttingProxy::Cut::AfterCommitAndRefuse);
    m_port.Clear();
    EXPECT_EQ(loss.Save(), PostOutcome::Failed);
    EXPECT_EQ(m_port.Texts(), Strings{kLostReplyUnknownText});
    relay.StopRefusing();
    m_port.Clear();
    EXPECT_EQ(loss.Save(), PostOutcome::Posted);
    EXPECT_EQ(m_port.Texts(), Strings{TokenStoredText("BS-UNSURE")});

    // A reversal whose reply is lost, retried under its token.
    const std::string reversal = NewWriteToken();
    relay.CutNextCommit(CCommitCuttingProxy::Cut::AfterCommit);
    m_port.Clear();
    EXPECT_EQ(ReverseBill(BillKind::Purchase, "JH-LOST", nullptr, reversal), "JH-LOST-H");
    EXPECT_EQ(ReverseBill(BillKind::Purchase, "JH-LOST", nullptr, reversal), "JH-LOST-H");
    EXPECT_EQ(m_port.Texts(),
              (Strings{LostReplyStoredText("JH-LOST-H"), TokenStoredText("JH-LOST-H")}));

    // Each bill once: 10, bought 2, sold 3, lost 1, the 2 sent back.
    EXPECT_EQ(Stock("一号仓库", "G1")->Number, "6");
    EXPECT_EQ(Rows("select Kind, Bill_ID from WriteToken order by Id"),
              "purchase|JH-LOST\nsale|XS-GONE\nloss|BS-UNSURE\nreverse purchase|JH-LOST-H\n");
    EXPECT_EQ(Rows("select (select count(*) from EnterStock), (select count(*) from EnterSale),"
                   " (select count(*) from BaoSunDan)"),
              "2|1|1\n");
}

// The connection breaking inside a posting is told once, with the server's reason, rather than
// as a disk failure followed by an empty "失败原因：".
TEST_F(ServerPostingTest, ABrokenConnectionIsToldOnceWithItsReason) {
    CBill bill = FullBill(BillKind::Loss);
    PutStock("一号仓库", "G1", "Pen", 10, "19.99");
    AddLine(bill, m_pen, "2", "");
    bill.GiveNumber("BS-AWAY");
    const std::string conninfo = Conninfo();
    // The lines' units, BEGIN, token, number lock; the numbers' read meets the ended process.
    CDataStore::BeforeStatementForTest(5, [&](int process) {
        ASSERT_EQ(ServerRows(conninfo,
                             "select pg_terminate_backend(" + std::to_string(process) + ", 10000)"),
                  "t\n");
    });
    m_port.Clear();
    EXPECT_EQ(bill.Save(), PostOutcome::Failed);
    const Strings texts = m_port.Texts();
    ASSERT_EQ(texts.size(), 1u) << testing::PrintToString(texts);
    const std::string head =
        "报损单操作失败（报损单表）！\r\n 失败原因：与数据库服务器的连接已断开：FATAL:  "
        "terminating connection due to administrator command";
    EXPECT_TRUE(texts[0].starts_with(head)) << texts[0];
    EXPECT_EQ(Stock("一号仓库", "G1")->Number, "10");
}
