#include "TestSupport.h"

#include "app/Login.h"
#include "store/CDataStore.h"
#include "store/PasswordHash.h"
#include "store/Schema.h"
#include "store/ServerConfig.h"
#include "text/Clock.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iostream>

namespace fs = std::filesystem;

using FoundationTest = ProgramFolderTest;

TEST_F(FoundationTest, NewFolderHasAdminWithEmptyPasswordAndOneSettingsRow) {
    InitFolder();
    for (const char* d : {"Data", "Backup", "PrintView", "Temp", "Templates"})
        EXPECT_TRUE(fs::is_directory(Dir() / d)) << d;
    EXPECT_EQ(ReadFile("Data/ferix_config.data").substr(0, 40),
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n");
    std::string tmpl = ReadFile("Templates/temp_kucun_view.html");
    for (const char* m : {"{temp:Company_Name}", "{temp:Warehouse}", "{temp:Class}",
                          "{temp:PrintDate}", "{Data:start}", "{Data:end}", "[Data:product_code]",
                          "[Data:product_name]", "[Data:product_number]", "[Data:product_price]",
                          "[Data:firsttime]", "[Data:storehouse]", "[Data:id]", "charset=utf-8"})
        EXPECT_NE(tmpl.find(m), std::string::npos) << m;

    CDataStore store;
    ASSERT_TRUE(store.ConnectOther());
    auto users = store.ListUsers();
    ASSERT_EQ(users.size(), 1u);
    EXPECT_EQ(users[0].UserName, "admin");
    EXPECT_EQ(users[0].CreateTime, "26-12-07");
    EXPECT_NE(users[0].PassWord, ""); // a hash, not the clear text
    EXPECT_TRUE(store.CheckLogin("admin", ""));
    EXPECT_EQ(App().m_currentUser.UserName, "admin");

    std::string error;
    EXPECT_FALSE(CreateProgramFolder(Dir(), &error)) << "a second init must be refused";
}

TEST_F(FoundationTest, LoginComparesWholeNamesWithoutCaseAndExactPasswords) {
    InitFolder();
    CDataStore store;
    ASSERT_TRUE(store.ConnectOther());
    ASSERT_TRUE(store.AddUser("O'Brien", "p%ss_'\"", "note with 'quote'"));
    EXPECT_TRUE(store.CheckLogin("o'brien", "p%ss_'\""));
    EXPECT_EQ(App().m_currentUser.UserName, "O'Brien");
    EXPECT_EQ(App().m_currentUser.Note, "note with 'quote'");
    for (const char* pw : {"%", "_", "p%ss_'", "P%SS_'\"", ""})
        EXPECT_FALSE(store.CheckLogin("O'Brien", pw)) << pw;
    EXPECT_FALSE(store.CheckLogin("%", ""));
    EXPECT_FALSE(store.CheckLogin("adm_n", ""));
    EXPECT_FALSE(store.CheckLogin("admin ", ""));
    EXPECT_TRUE(store.CheckLogin("ADMIN", ""));
    EXPECT_TRUE(m_port.Texts().empty());
}

TEST_F(FoundationTest, DuplicateOperatorIsRefusedWithItsMessage) {
    InitFolder();
    CDataStore store;
    ASSERT_TRUE(store.ConnectOther());
    EXPECT_FALSE(store.AddUser("Admin", "x", ""));
    EXPECT_EQ(m_port.Texts(), std::vector<std::string>{"添加管理员失败！"});
    EXPECT_EQ(store.ListUsers().size(), 1u);
}

TEST_F(FoundationTest, ChangeUserReplacesPasswordAndNote) {
    InitFolder();
    CDataStore store;
    ASSERT_TRUE(store.ConnectOther());
    ASSERT_TRUE(store.ChangeUser("ADMIN", "secret", "boss"));
    EXPECT_FALSE(store.CheckLogin("admin", ""));
    EXPECT_TRUE(store.CheckLogin("admin", "secret"));
    EXPECT_EQ(App().m_currentUser.Note, "boss");
}

TEST_F(FoundationTest, LogEntryCarriesOperatorAndLocalTime) {
    InitFolder();
    CDataStore store;
    ASSERT_TRUE(store.ConnectOther());
    ASSERT_TRUE(store.CheckLogin("admin", ""));
    EXPECT_TRUE(WriteLogEntry("用户“ADMIN”登录成功"));
    std::string longText(10000, 'x');
    EXPECT_TRUE(WriteLogEntry(longText + "'%_"));
    auto log = store.ListLog();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0].Event, "用户“ADMIN”登录成功");
    EXPECT_EQ(log[0].User, "admin");
    EXPECT_EQ(log[0].Time, "26-12-07 09:30:15");
    EXPECT_EQ(log[1].Event, longText + "'%_");
}

TEST_F(FoundationTest, SettingsSaveAndReloadIntoTheApplication) {
    InitFolder();
    {
        CDataStore store;
        ASSERT_TRUE(store.ConnectOther());
        SettingsRecord s{"华东'商贸%", "010-1",    "010-2",
                         "100000",     "加权平均", std::string(10000, 'a')};
        ASSERT_TRUE(store.SaveSettings(s));
    }
    ASSERT_TRUE(App().LoadApplicationSettings());
    EXPECT_EQ(App().m_settings.CompanyName, "华东'商贸%");
    EXPECT_EQ(App().m_settings.Chengben, "加权平均");
    EXPECT_EQ(App().m_settings.CompanyAddr.size(), 10000u);
}

TEST_F(FoundationTest, LoginListIsInTheProgramsTextOrder) {
    InitFolder();
    {
        CDataStore store;
        ASSERT_TRUE(store.ConnectOther());
        for (const char* name : {"张三", "李四", "王五", "bob"})
            ASSERT_TRUE(store.AddUser(name, "", ""));
    }
    // Pinyin order (li, wang, zhang) after the ASCII names.
    EXPECT_EQ(LoginUserNames(), (std::vector<std::string>{"admin", "bob", "李四", "王五", "张三"}));
}

TEST_F(FoundationTest, MissingDataFileIsAFailedConnectAndIsNotCreated) {
    CDataStore store;
    EXPECT_FALSE(store.ConnectMain());
    EXPECT_FALSE(fs::exists(Dir() / "Data" / "main_data.tdb"));
    ASSERT_EQ(m_port.Texts().size(), 1u);
    EXPECT_EQ(m_port.Texts()[0].rfind("连接数据库失败！\r\n错误信息：", 0), 0u);

    // The application carries on with empty settings after the store's message.
    m_port.Clear();
    EXPECT_FALSE(App().LoadApplicationSettings());
    EXPECT_EQ(App().m_settings.CompanyName, "");
}

TEST_F(FoundationTest, ForeignFileIsRefusedAndLeftUntouched) {
    fs::create_directories(Dir() / "Data");
    std::string junk = "this is not a database, just text\n";
    {
        std::ofstream f(Dir() / "Data" / "other_data.tdb", std::ios::binary);
        f << junk;
    }
    CDataStore store;
    EXPECT_FALSE(store.ConnectOther());
    EXPECT_EQ(ReadFile("Data/other_data.tdb"), junk);
    ASSERT_EQ(m_port.Texts().size(), 1u);
    EXPECT_EQ(m_port.Texts()[0].rfind("连接数据库失败！\r\n错误信息：", 0), 0u);
}

TEST_F(FoundationTest, FailedStatementIsReportedAndDumpedWithItsValues) {
    InitFolder();
    CDataStore store;
    ASSERT_TRUE(store.ConnectOther());
    EXPECT_FALSE(store.ExecuteSql("insert into NoSuchTable(a) values(?)", {"it's"}));
    std::string expected = "insert into NoSuchTable(a) values('it''s')";
    EXPECT_EQ(m_port.Texts(), std::vector<std::string>{"SQL 语句执行失败：" + expected});
    EXPECT_EQ(ReadFile("sql.txt"), expected);
}

TEST_F(FoundationTest, ReadOnlyDataFileReportsWritesWithoutCrashing) {
    InitFolder();
    if (geteuid() == 0)
        GTEST_SKIP() << "root ignores file permissions";
    fs::permissions(Dir() / "Data" / "other_data.tdb", fs::perms::owner_read,
                    fs::perm_options::replace);
    CDataStore store;
    ASSERT_TRUE(store.ConnectOther());
    EXPECT_FALSE(store.AddLogEntry("x"));
    EXPECT_FALSE(store.AddUser("bob", "", ""));
    EXPECT_EQ(store.ListUsers().size(), 1u);
}

TEST_F(FoundationTest, SchemaCarriesItsVersion) {
    InitFolder();
    CDataStore store;
    ASSERT_TRUE(store.ConnectMain());
    int64_t version = -1;
    store.Run("PRAGMA user_version", {}, [&](const CStatement& st) { version = st.Int(0); });
    EXPECT_EQ(version, kMainSchemaVersion);
}

namespace {
std::string StoredHash(const std::string& user) {
    CDataStore store;
    EXPECT_TRUE(store.ConnectOther());
    for (const auto& u : store.ListUsers())
        if (u.UserName == user)
            return u.PassWord;
    return {};
}
} // namespace

// FERIX_FAST_HASH weakens the hashes of a test build only; a login that verifies a weak hash
// stores one made with today's limits (argon2id, 64 MiB, two passes).
TEST_F(FoundationTest, WeakHashesComeFromTestBuildsOnlyAndALoginReplacesThem) {
    const char* fast = std::getenv("FERIX_FAST_HASH");
    const std::string before = fast ? fast : "";
    struct Restore {
        bool was;
        std::string value;
        ~Restore() {
            if (was)
                ::setenv("FERIX_FAST_HASH", value.c_str(), 1);
            else
                ::unsetenv("FERIX_FAST_HASH");
        }
    } restore{fast != nullptr, before};
    ::setenv("FERIX_FAST_HASH", "1", 1);
    InitFolder();
    CDataStore store;
    ASSERT_TRUE(store.ConnectOther());
    ASSERT_TRUE(store.AddUser("clerk", "Pw-1", ""));
    const std::string strong = "$argon2id$v=19$m=65536,t=2,p=1$";
    const std::string weak = StoredHash("clerk");
    EXPECT_TRUE(weak.starts_with(FastHashCompiledIn() ? "$argon2id$v=19$m=8,t=1,p=1$" : strong))
        << weak;
    ASSERT_TRUE(store.CheckLogin("clerk", "Pw-1"));
    EXPECT_EQ(StoredHash("clerk"), weak) << "a test build asked for weak hashes keeps them";

    ::unsetenv("FERIX_FAST_HASH");
    EXPECT_FALSE(store.CheckLogin("clerk", "Pw-2"));
    EXPECT_EQ(StoredHash("clerk"), weak) << "a failed login changes nothing";
    ASSERT_TRUE(store.CheckLogin("clerk", "Pw-1"));
    const std::string renewed = StoredHash("clerk");
    EXPECT_TRUE(renewed.starts_with(strong)) << renewed;
    EXPECT_FALSE(PasswordHashIsWeak(renewed));
    EXPECT_TRUE(store.CheckLogin("CLERK", "Pw-1"));
    EXPECT_EQ(StoredHash("clerk"), renewed) << "a hash of today's limits stays";
    EXPECT_FALSE(store.CheckLogin("clerk", "Pw-2"));
    EXPECT_TRUE(m_port.Texts().empty());
}

// Data/server.conf is read only as a file of its own (never through a link) that belongs to
// the user running the program; it is written as a new owner-only file renamed over the old.
TEST_F(FoundationTest, ServerConfIsTheRunningUsersOwnFileNeverALink) {
    fs::create_directories(Dir() / "Data");
    std::string error;
    ASSERT_TRUE(WriteServerConfig(Dir(), "host=/nowhere dbname=a password=pw", &error)) << error;
    ASSERT_TRUE(WriteServerConfig(Dir(), "host=/nowhere dbname=b", &error)) << error;
    EXPECT_EQ(ReadFile("Data/server.conf"), "host=/nowhere dbname=b\n");
    EXPECT_EQ(fs::status(ServerConfigPath(Dir())).permissions(),
              fs::perms::owner_read | fs::perms::owner_write);
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(Dir() / "Data"))
        names.push_back(e.path().filename().string());
    EXPECT_EQ(names, std::vector<std::string>{"server.conf"}) << "no temporary file stays";
    EXPECT_EQ(ReadServerConfig(Dir()).conninfo, "host=/nowhere dbname=b");

    // A link to a file that would otherwise pass.
    fs::rename(ServerConfigPath(Dir()), Dir() / "Data" / "elsewhere.conf");
    fs::create_symlink("elsewhere.conf", ServerConfigPath(Dir()));
    ServerConfig linked = ReadServerConfig(Dir());
    EXPECT_TRUE(linked.present);
    EXPECT_EQ(linked.conninfo, "");
    EXPECT_EQ(linked.error,
              "Data/server.conf 是一个符号链接，不能使用。请把连接字符串写在文件本身中。");
    // Writing replaces the link, never the file it points to.
    ASSERT_TRUE(WriteServerConfig(Dir(), "host=/nowhere dbname=c", &error)) << error;
    EXPECT_FALSE(fs::is_symlink(ServerConfigPath(Dir())));
    EXPECT_EQ(ReadFile("Data/elsewhere.conf"), "host=/nowhere dbname=b\n");
    EXPECT_EQ(ReadServerConfig(Dir()).conninfo, "host=/nowhere dbname=c");

    // A FIFO with no writer in its place is refused at once rather than waited on.
    fs::remove(ServerConfigPath(Dir()));
    ASSERT_EQ(::mkfifo(ServerConfigPath(Dir()).c_str(), 0600), 0);
    const ServerConfig fifo = ReadServerConfig(Dir());
    EXPECT_TRUE(fifo.present);
    EXPECT_EQ(fifo.conninfo, "");
    EXPECT_EQ(fifo.error, "Data/server.conf 不是一个普通文件，不能使用。");
    fs::remove(ServerConfigPath(Dir()));
    ASSERT_TRUE(WriteServerConfig(Dir(), "host=/nowhere dbname=c", &error)) << error;

    // Another user's file: only root can make one here.
    if (::geteuid() != 0) {
        std::cout << "not root: the foreign owner is not tried\n";
        return;
    }
    const passwd* nobody = ::getpwnam("nobody");
    ASSERT_NE(nobody, nullptr);
    ASSERT_EQ(::chown(ServerConfigPath(Dir()).c_str(), nobody->pw_uid, nobody->pw_gid), 0);
    const ServerConfig foreign = ReadServerConfig(Dir());
    EXPECT_EQ(foreign.conninfo, "");
    EXPECT_EQ(foreign.error,
              "Data/server.conf 不属于运行本程序的用户（它属于用户编号 " +
                  std::to_string(nobody->pw_uid) +
                  "，运行本程序的是 0），不能使用。请由运行本程序的用户重新写入它。");
}
