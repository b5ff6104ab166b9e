// The configuration lists of folders whose data is on a server, and a second folder joining that
// data (run with FERIX_TEST_ENGINE=pg).
#include "ServerDocumentSupport.h"
#include "TestSupport.h"

#include "app/ProgramFolderSetup.h"
#include "config/CXmlDocument.h"
#include "config/ConfigDocumentStore.h"
#include "config/ConfigLists.h"
#include "store/ServerConfig.h"

#include <libpq-fe.h>

#include <atomic>
#include <thread>

namespace fs = std::filesystem;

namespace {
// One statement on the server; its first value, or "error: ..." when it fails.
std::string ServerValue(const std::string& conninfo, const std::string& sql) {
    PGconn* conn = PQconnectdb(conninfo.c_str());
    PQsetNoticeProcessor(
        conn, [](void*, const char*) {}, nullptr);
    PGresult* r = PQexec(conn, sql.c_str());
    std::string out;
    if (PQresultStatus(r) != PGRES_TUPLES_OK && PQresultStatus(r) != PGRES_COMMAND_OK)
        out = "error: " + std::string(PQerrorMessage(conn));
    else if (PQresultStatus(r) == PGRES_TUPLES_OK && PQntuples(r) > 0)
        out = PQgetvalue(r, 0, 0);
    PQclear(r);
    PQfinish(conn);
    return out;
}

std::vector<std::string> Names(const std::vector<ConfigListEntry>& entries) {
    std::vector<std::string> out;
    for (const auto& e : entries)
        out.push_back(e.name);
    return out;
}
} // namespace

class ServerConfigTest : public ProgramFolderTest {
protected:
    void SetUp() override {
        if (!OnServer())
            GTEST_SKIP() << "a server rule: runs with FERIX_TEST_ENGINE=pg (core_tests_server)";
        ProgramFolderTest::SetUp();
        InitFolder();
    }
    void TearDown() override {
        if (OnServer())
            ProgramFolderTest::TearDown();
    }
    std::string Conninfo() { return ReadServerConfig(Dir()).conninfo; }
    // A new folder `name` below the test folder whose Data/server.conf names `conninfo`.
    fs::path Folder(const std::string& name, const std::string& conninfo) {
        const fs::path dir = Dir() / name;
        fs::create_directories(dir / "Data");
        std::string error;
        EXPECT_TRUE(WriteServerConfig(dir, conninfo, &error)) << error;
        return dir;
    }
};

TEST_F(ServerConfigTest, AChangeWaitsForTheOtherWorkstationAndBothAreKept) {
    EXPECT_FALSE(fs::exists(Dir() / "Data" / "ferix_config.data")) << "the lists are the server's";
    // The first workstation has read the document for a change and added its area, unsaved.
    CConfigDocumentAccess first;
    CXmlDocument doc;
    ASSERT_TRUE(first.LoadForChange(doc));
    ASSERT_TRUE(doc.FindElement("config") && doc.EnterElement());
    while (doc.FindElement("item") && doc.GetAttribute("key") != "area") {
    }
    ASSERT_TRUE(doc.EnterElement());
    doc.AddElement("area");
    doc.SetAttribute("name", "华东");

    // The second adds its own meanwhile: it must wait for the first, then add to what the first
    // wrote, not to what it would have read before.
    bool added = false;
    std::atomic<bool> done = false;
    std::thread second([&] {
        added = AddConfigListEntry("area", "华南", "广东");
        done = true;
    });
    while (!done && ServerValue(Conninfo(), "select count(*) from pg_stat_activity where "
                                            "wait_event_type = 'Lock' and datname = "
                                            "current_database()") != "1")
        std::this_thread::yield();
    EXPECT_FALSE(done) << "the second change went ahead without waiting";
    ASSERT_TRUE(first.Save(doc));
    ASSERT_TRUE(first.Finish());
    second.join();
    EXPECT_TRUE(added);
    EXPECT_EQ(Names(ReadConfigList("area")), (std::vector<std::string>{"华东", "华南"}));
    const auto bytes = ServerDocument(Conninfo());
    ASSERT_TRUE(bytes);
    EXPECT_NE(bytes->find("<item key=\"area\">\r\n<area name=\"华东\"/>\r\n"
                          "<area name=\"华南\" note=\"广东\"/>\r\n</item>"),
              std::string::npos)
        << *bytes;

    // An unfinished change is undone: its lock goes with it and nothing of it stays.
    {
        CConfigDocumentAccess abandoned;
        ASSERT_TRUE(abandoned.LoadForChange(doc));
        ASSERT_TRUE(doc.SetDocumentText("<config/>"));
        ASSERT_TRUE(abandoned.Save(doc));
    }
    EXPECT_EQ(ServerDocument(Conninfo()), bytes);
    EXPECT_TRUE(m_port.Texts().empty());
}

TEST_F(ServerConfigTest, ASecondFolderJoinsTheDataAndTouchesNothing) {
    ASSERT_TRUE(AddConfigListEntry("warehouse", "一号仓库", ""));
    const auto document = ServerDocument(Conninfo());
    const std::string tables = "select count(*) from pg_tables where schemaname = current_schema()";
    const std::string before = ServerValue(Conninfo(), tables);

    const fs::path second = Folder("second", Conninfo());
    std::string error;
    EXPECT_FALSE(CreateProgramFolder(second, &error)) << "joining is asked for, never assumed";
    EXPECT_EQ(error, "服务器上的数据库已有本程序的数据，不能重新创建。");
    bool joined = false;
    ASSERT_TRUE(CreateProgramFolder(second, &error, &joined)) << error;
    EXPECT_TRUE(joined);
    EXPECT_TRUE(fs::is_regular_file(second / "Templates" / "temp_kucun_view.html"));
    EXPECT_TRUE(fs::is_directory(second / "Temp"));
    EXPECT_FALSE(fs::exists(second / "Data" / "ferix_config.data"));
    EXPECT_FALSE(fs::exists(second / "Data" / "main_data.tdb"));
    EXPECT_EQ(ServerDocument(Conninfo()), document);
    EXPECT_EQ(ServerValue(Conninfo(), tables), before);
    EXPECT_EQ(ServerValue(Conninfo(), "select count(*) from Manage"), "1");

    // One list, seen and changed from both folders.
    fs::current_path(second);
    EXPECT_EQ(Names(ReadConfigList("warehouse")), (std::vector<std::string>{"一号仓库"}));
    ASSERT_TRUE(AddConfigListEntry("warehouse", "二号仓库", ""));
    fs::current_path(Dir());
    EXPECT_EQ(Names(ReadConfigList("warehouse")),
              (std::vector<std::string>{"一号仓库", "二号仓库"}));

    // Tables of a newer program are refused, as a connect refuses them.
    ASSERT_EQ(ServerValue(Conninfo(), "update ferix_schema set version = 99 where name = "
                                      "'main_data'"),
              "");
    joined = true;
    EXPECT_FALSE(CreateProgramFolder(Folder("third", Conninfo()), &error, &joined));
    EXPECT_FALSE(joined);
    EXPECT_EQ(error, "数据库由更新版本的程序创建 (version 99)");
    EXPECT_EQ(ServerValue(Conninfo(), "select version from ferix_schema where name = "
                                      "'main_data'"),
              "99");
}

TEST_F(ServerConfigTest, AnotherProgramsDatabaseIsNeitherJoinedNorFilled) {
    const std::string schema = "ferix_foreign" + std::to_string(getpid());
    const std::string conninfo = ServerConninfo(schema);
    ASSERT_EQ(ServerValue(Conninfo(), "create schema " + schema), "");
    ASSERT_EQ(ServerValue(conninfo, "create table stock_items (id int)"), "");
    std::string error;
    bool joined = true;
    EXPECT_FALSE(CreateProgramFolder(Folder("foreign", conninfo), &error, &joined));
    EXPECT_FALSE(joined);
    EXPECT_EQ(error,
              "服务器上的数据库已有其他程序的表（stock_items），不能在其中创建本程序的数据。");
    EXPECT_EQ(
        ServerValue(conninfo, "select count(*) from pg_tables where schemaname = '" + schema + "'"),
        "1");
    // Version rows that are not both there are not this program's data either.
    ASSERT_EQ(ServerValue(conninfo, "create table ferix_schema (name text primary key, version "
                                    "integer not null); insert into ferix_schema "
                                    "values ('main_data', 4)"),
              "");
    EXPECT_FALSE(CreateProgramFolder(Folder("half", conninfo), &error, &joined));
    EXPECT_EQ(error,
              "服务器上的数据库不是本程序的数据（ferix_schema 中没有 other_data），不能连接到它。");
    EXPECT_EQ(ServerValue(Conninfo(), "drop schema " + schema + " cascade"), "");
}
