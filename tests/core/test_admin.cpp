#include "TestSupport.h"

#include "admin/BackupRestore.h"
#include "admin/CompanySettings.h"
#include "admin/MainDataBackup.h"
#include "admin/OperationLog.h"
#include "admin/UserAdmin.h"
#include "store/CDataStore.h"
#include "store/WriteLock.h"

#include <fstream>

namespace fs = std::filesystem;

namespace {
using Texts = std::vector<std::string>;

void AddGoods(const std::string& code, const std::string& name) {
    CDataStore store;
    ASSERT_TRUE(store.ConnectMain());
    ASSERT_TRUE(store.ExecuteSql("insert into ferix_product(Code, ProductName) values(?, ?)",
                                 {code, name}));
}

// Goods codes and names of a data file, in row order.
std::vector<std::string> GoodsIn(const fs::path& file) {
    std::vector<std::string> goods;
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        CStatement st;
        if (st.Prepare(db, "select Code, ProductName from ferix_product order by Id"))
            while (st.Step() == SQLITE_ROW)
                goods.push_back(st.Text(0) + "=" + st.Text(1));
    }
    sqlite3_close(db);
    return goods;
}

std::vector<std::string> LogEvents() {
    std::vector<std::string> events;
    for (const auto& e : LoadOperationLog())
        events.push_back(e.Event);
    return events;
}

void WriteBytes(const fs::path& path, const std::string& bytes) {
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f << bytes;
}

class AdminTest : public ProgramFolderTest {
protected:
    void SetUp() override {
        ProgramFolderTest::SetUp();
        InitFolder();
        CDataStore store;
        ASSERT_TRUE(store.ConnectOther());
        ASSERT_TRUE(store.CheckLogin("admin", ""));
    }
    fs::path MainFile() const { return Dir() / "Data" / "main_data.tdb"; }
    const std::string kBackupName = "26-12-07@09-30-15.bak";
    const std::string kSafetyName = "26-12-07@09-30-15(恢复前自动备份).bak";
};
} // namespace

TEST(BackupNaming, NameAndSizeTexts) {
    std::tm tm{};
    tm.tm_year = 111;
    tm.tm_mon = 7;
    tm.tm_mday = 24;
    tm.tm_hour = 15;
    tm.tm_min = 30;
    tm.tm_sec = 5;
    tm.tm_isdst = -1;
    EXPECT_EQ(BackupRelativeName(std::mktime(&tm)), "/Backup/11-08-24@15-30-05.bak");
    EXPECT_EQ(BackupRelativeName(std::mktime(&tm), 3), "/Backup/11-08-24@15-30-05-3.bak");
    EXPECT_EQ(FormatBackupSize(1572864), "1.50 MB");
    EXPECT_EQ(FormatBackupSize(1023), "0.00 MB");
    EXPECT_EQ(FormatBackupSize(0), "0.00 MB");
    // Whole kilobytes only: 1 MB less one byte is 1023 KB.
    EXPECT_EQ(FormatBackupSize(1048575), "1.00 MB");
    EXPECT_EQ(FormatBackupSize(std::uintmax_t{5} * 1024 * 1024 * 1024), "5120.00 MB");
}

TEST_F(AdminTest, BackupCopiesTheMainFileUnderTheTimeName) {
    AddGoods("G1", "螺丝'刀");
    std::string made;
    EXPECT_EQ(BackupAction(&made), AdminResult::Done);
    EXPECT_EQ(made, kBackupName);
    EXPECT_EQ(m_port.Texts(), (Texts{"是否备份现在的数据？", "数据备份成功！"}));
    EXPECT_EQ(GoodsIn(Dir() / "Backup" / kBackupName), Texts{"G1=螺丝'刀"});
    EXPECT_FALSE(CheckMainDataFile(Dir() / "Backup" / kBackupName));
    EXPECT_EQ(LogEvents().back(), "数据备份成功！数据文件(/Backup/" + kBackupName + ")");

    // Two more backups in the same second take the next free names; the first is left as it
    // was, and each restores what it holds.
    const std::string first = ReadFile("Backup/" + kBackupName);
    AddGoods("G2", "锤子");
    m_port.Clear();
    EXPECT_EQ(BackupAction(&made), AdminResult::Done);
    EXPECT_EQ(made, "26-12-07@09-30-15-2.bak");
    AddGoods("G3", "钳子");
    std::string third;
    EXPECT_EQ(BackupAction(&third), AdminResult::Done);
    EXPECT_EQ(third, "26-12-07@09-30-15-3.bak");
    EXPECT_EQ(m_port.Texts(), (Texts{"是否备份现在的数据？", "数据备份成功！",
                                     "是否备份现在的数据？", "数据备份成功！"}));
    EXPECT_TRUE(ReadFile("Backup/" + kBackupName) == first) << "the first backup was changed";
    EXPECT_EQ(LogEvents(), (Texts{"数据备份成功！数据文件(/Backup/" + kBackupName + ")",
                                  "数据备份成功！数据文件(/Backup/26-12-07@09-30-15-2.bak)",
                                  "数据备份成功！数据文件(/Backup/26-12-07@09-30-15-3.bak)"}));
    EXPECT_EQ(RestoreAction(made), AdminResult::Done);
    EXPECT_EQ(GoodsIn(MainFile()), (Texts{"G1=螺丝'刀", "G2=锤子"}));
    EXPECT_EQ(RestoreAction(kBackupName), AdminResult::Done);
    EXPECT_EQ(GoodsIn(MainFile()), Texts{"G1=螺丝'刀"});
    EXPECT_EQ(RestoreAction(third), AdminResult::Done);
    EXPECT_EQ(GoodsIn(MainFile()), (Texts{"G1=螺丝'刀", "G2=锤子", "G3=钳子"}));

    // No: nothing is copied, nothing logged.
    fs::remove_all(Dir() / "Backup");
    m_port.Clear();
    m_port.QueueAnswer(false);
    EXPECT_EQ(BackupAction(), AdminResult::Declined);
    EXPECT_EQ(m_port.Texts(), Texts{"是否备份现在的数据？"});
    EXPECT_FALSE(fs::exists(Dir() / "Backup" / kBackupName));
}

TEST_F(AdminTest, BackupCreatesAMissingFolderAndFailsWithoutData) {
    fs::remove_all(Dir() / "Backup");
    EXPECT_EQ(BackupAction(), AdminResult::Done);
    EXPECT_TRUE(fs::exists(Dir() / "Backup" / kBackupName));

    fs::remove(Dir() / "Backup" / kBackupName);
    fs::remove(MainFile());
    m_port.Clear();
    EXPECT_EQ(BackupAction(), AdminResult::Failed);
    EXPECT_EQ(m_port.Texts(), (Texts{"是否备份现在的数据？", "数据备份失败！"}));
    EXPECT_FALSE(fs::exists(Dir() / "Backup" / kBackupName)) << "no empty file left behind";
    EXPECT_FALSE(fs::exists(MainFile())) << "the data file must not be created";
}

TEST_F(AdminTest, BackupListShowsEveryFileWithItsSize) {
    fs::create_directories(Dir() / "Backup" / "sub.bak");
    WriteBytes(Dir() / "Backup" / "b.txt", std::string(1572864, 'x'));
    WriteBytes(Dir() / "Backup" / "a 'quote'%.bak", "tiny");
    const auto list = ListBackups();
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].name, "a 'quote'%.bak");
    EXPECT_EQ(list[0].sizeText, "0.00 MB");
    EXPECT_EQ(list[1].name, "b.txt");
    EXPECT_EQ(list[1].bytes, 1572864u);
    EXPECT_EQ(list[1].sizeText, "1.50 MB");

    fs::remove_all(Dir() / "Backup");
    EXPECT_TRUE(ListBackups().empty());
    EXPECT_FALSE(fs::exists(Dir() / "Backup"));
}

TEST_F(AdminTest, RestoreBringsBackTheBackupAndKeepsTheDataItReplaced) {
    AddGoods("G1", "螺丝刀");
    ASSERT_EQ(BackupAction(), AdminResult::Done);
    AddGoods("G2", "锤子");
    m_port.Clear();

    EXPECT_EQ(RestoreAction(kBackupName), AdminResult::Done);
    EXPECT_EQ(
        m_port.Texts(),
        (Texts{"是否恢复数据数据(" + kBackupName + ")，回复后将替换现有数据？", "数据恢复成功！"}));
    EXPECT_EQ(GoodsIn(MainFile()), Texts{"G1=螺丝刀"});
    EXPECT_EQ(GoodsIn(Dir() / "Backup" / kSafetyName), (Texts{"G1=螺丝刀", "G2=锤子"}));
    EXPECT_EQ(LogEvents().back(), "数据恢复成功！数据文件(" + kBackupName + ")");
    // The program's own connections see the restored data.
    CDataStore store;
    ASSERT_TRUE(store.ConnectMain());

    // A second restore in the same second keeps its own copy of the data too.
    m_port.Clear();
    EXPECT_EQ(RestoreAction(kSafetyName), AdminResult::Done);
    EXPECT_EQ(GoodsIn(MainFile()), (Texts{"G1=螺丝刀", "G2=锤子"}));
    EXPECT_EQ(GoodsIn(Dir() / "Backup" / "26-12-07@09-30-15(恢复前自动备份-2).bak"),
              Texts{"G1=螺丝刀"});
    EXPECT_EQ(ListBackups().size(), 3u);
}

TEST_F(AdminTest, RestoreRefusesWhatIsNoMainDataFileAndChangesNothing) {
    AddGoods("G1", "螺丝刀");
    const std::string before = ReadFile("Data/main_data.tdb");
    WriteBytes(Dir() / "Backup" / "junk.bak", "this is not a database, just text\n");
    fs::copy_file(Dir() / "Data" / "other_data.tdb", Dir() / "Backup" / "other.bak");
    // A real backup whose second page (a table's root) is overwritten.
    ASSERT_EQ(BackupAction(), AdminResult::Done);
    fs::rename(Dir() / "Backup" / kBackupName, Dir() / "Backup" / "broken.bak");
    {
        std::fstream f(Dir() / "Backup" / "broken.bak",
                       std::ios::in | std::ios::out | std::ios::binary);
        f.seekp(4096);
        f << std::string(200, '\x5a');
    }
    m_port.Clear();

    const std::vector<std::pair<std::string, std::string>> cases = {
        {"junk.bak", "它不是数据库文件。"},
        {"other.bak", "它不是本程序的主数据文件（缺少数据表 BackSale）。"},
        {"broken.bak", "文件已损坏（完整性检查未通过）。"},
        {"missing.bak", "找不到这个文件。"},
        {"../Data/main_data.tdb", "只能恢复 Backup 文件夹中的文件。"},
        {"", "只能恢复 Backup 文件夹中的文件。"},
    };
    for (const auto& [name, reason] : cases) {
        m_port.Clear();
        EXPECT_EQ(RestoreAction(name), AdminResult::Refused) << name;
        EXPECT_EQ(m_port.Texts(),
                  Texts{"不能恢复“" + name + "”：" + reason + "\r\n现有数据没有改变。"})
            << name;
    }
    m_port.Clear();
    EXPECT_EQ(RestoreAction(std::nullopt), AdminResult::Refused);
    EXPECT_EQ(m_port.Texts(), Texts{"请先选中要恢复的数据备份！"});

    EXPECT_TRUE(ReadFile("Data/main_data.tdb") == before) << "the data file was changed";
    EXPECT_EQ(ListBackups().size(), 3u) << "no copy of the data was made for a refused file";
    EXPECT_EQ(LogEvents().size(), 1u);
}

// A backup is taken as rows alone: a trigger or view put into it is refused, anything else of
// its own schema stays behind, and one of an older schema version is brought up to date.
TEST_F(AdminTest, RestoreTakesTheRowsOfTheProgramsTablesAndNothingElse) {
    AddGoods("G1", "螺丝刀");
    ASSERT_EQ(BackupAction(), AdminResult::Done);
    const fs::path backup = Dir() / "Backup" / kBackupName;
    auto edited = [&](const std::string& name, const std::string& sql) {
        fs::copy_file(backup, Dir() / "Backup" / name);
        sqlite3* db = nullptr;
        EXPECT_EQ(sqlite3_open((Dir() / "Backup" / name).c_str(), &db), SQLITE_OK);
        EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK) << sql;
        sqlite3_close(db);
    };
    // The schema of a data file: every table's and index's statement, in name order.
    auto schemaOf = [](const fs::path& file) {
        std::vector<std::string> out;
        sqlite3* db = nullptr;
        if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
            CStatement st;
            if (st.Prepare(db, "select type, name, coalesce(sql, '') from sqlite_master"
                               " order by name"))
                while (st.Step() == SQLITE_ROW)
                    out.push_back(st.Text(0) + " " + st.Text(1) + ": " + st.Text(2));
        }
        sqlite3_close(db);
        return out;
    };
    const auto schema = schemaOf(MainFile());
    AddGoods("G2", "锤子");
    edited("trigger.bak", "create trigger planted after insert on EnterSale begin"
                          " update StockPile set Number = 0; end");
    edited("view.bak", "create view ledger as select * from EnterSale");
    for (const auto& [name, what] : std::vector<std::pair<std::string, std::string>>{
             {"trigger.bak", "触发器 planted"}, {"view.bak", "视图 ledger"}}) {
        m_port.Clear();
        EXPECT_EQ(RestoreAction(name), AdminResult::Refused) << name;
        EXPECT_EQ(m_port.Texts(), Texts{"不能恢复“" + name + "”：它不是本程序的主数据文件（含有" +
                                        what + "）。\r\n现有数据没有改变。"});
    }
    EXPECT_EQ(GoodsIn(MainFile()), (Texts{"G1=螺丝刀", "G2=锤子"}));

    // A table and an index of its own are left behind with the backup; a column the program never
    // made fails the restore.
    edited("extra.bak", "create table planted(x); create index ix_planted on ferix_product(Note)");
    m_port.Clear();
    EXPECT_EQ(RestoreAction(std::string("extra.bak")), AdminResult::Done)
        << testing::PrintToString(m_port.Texts());
    EXPECT_EQ(GoodsIn(MainFile()), Texts{"G1=螺丝刀"});
    EXPECT_EQ(schemaOf(MainFile()), schema);
    edited("column.bak", "alter table ferix_product add column Planted text");
    m_port.Clear();
    EXPECT_EQ(RestoreAction(std::string("column.bak")), AdminResult::Failed);
    EXPECT_EQ(m_port.Texts().back(), "数据恢复失败！\r\n备份中数据表 ferix_product 的列 Planted "
                                     "不是本程序的。\r\n现有数据没有改变。");
    EXPECT_EQ(schemaOf(MainFile()), schema);

    // A backup made at schema version 5 (before tokens, the journal and units) comes back at
    // today's.
    std::string undoUnits = "drop table QiChuKuCun; drop table GoodsUnit; drop table PurchaseOrder;"
                            " drop table PurchaseOrder_Detail; drop table SaleOrder; drop table"
                            " SaleOrder_Detail; alter table EnterStock_Detail drop column"
                            " Order_Line_ID; alter table EnterSale_Detail drop column"
                            " Order_Line_ID;";
    for (const char* t : {"EnterStock_Detail", "BackStock_Detail", "EnterSale_Detail",
                          "BackSale_Detail", "BaoSunDan", "BaoYiDan", "YiKuDan"})
        undoUnits += std::string(" alter table ") + t + " drop column Base_Number;";
    edited("v5.bak", undoUnits + " drop table WriteToken; drop table BillJournal;"
                                 " drop table JournalHead; pragma user_version = 5");
    AddGoods("G3", "钳子");
    m_port.Clear();
    EXPECT_EQ(RestoreAction(std::string("v5.bak")), AdminResult::Done)
        << testing::PrintToString(m_port.Texts());
    EXPECT_EQ(GoodsIn(MainFile()), Texts{"G1=螺丝刀"});
    EXPECT_EQ(schemaOf(MainFile()), schema);
    CDataStore store;
    ASSERT_TRUE(store.ConnectMain());
    // The tables made afresh for it are gone again.
    for (const auto& e : fs::directory_iterator(Dir() / "Data"))
        EXPECT_FALSE(e.path().filename().string().starts_with(".restore")) << e.path();
}

TEST_F(AdminTest, RestoreAnsweredNoChangesNothing) {
    ASSERT_EQ(BackupAction(), AdminResult::Done);
    AddGoods("G1", "螺丝刀");
    m_port.QueueAnswer(false);
    EXPECT_EQ(RestoreAction(kBackupName), AdminResult::Declined);
    EXPECT_EQ(GoodsIn(MainFile()), Texts{"G1=螺丝刀"});
    EXPECT_EQ(ListBackups().size(), 1u);
}

TEST_F(AdminTest, RestoreRepairsADataFileThatIsNoLongerADatabase) {
    AddGoods("G1", "螺丝刀");
    ASSERT_EQ(BackupAction(), AdminResult::Done);
    const std::string garbage(8192, '\x13');
    WriteBytes(MainFile(), garbage);

    EXPECT_EQ(RestoreAction(kBackupName), AdminResult::Done);
    EXPECT_EQ(GoodsIn(MainFile()), Texts{"G1=螺丝刀"});
    EXPECT_TRUE(ReadFile("Backup/" + kSafetyName) == garbage) << "the damaged file must be kept";
}

TEST_F(AdminTest, RestoreOfALockedDataFileFailsAndLeavesItAsItWas) {
    ASSERT_EQ(BackupAction(), AdminResult::Done);
    AddGoods("G1", "螺丝刀");
    CDataStore writer;
    ASSERT_TRUE(writer.ConnectMain());
    ASSERT_TRUE(writer.Begin());
    ASSERT_TRUE(writer.ExecuteSql("insert into ferix_product(Code) values('G2')"));
    m_port.Clear();

    // The restore waits for the writer's transaction, here not at all.
    CFileWriteLock::SetExclusiveWaitForTest(0);
    EXPECT_EQ(RestoreAction(kBackupName), AdminResult::Failed);
    CFileWriteLock::SetExclusiveWaitForTest(-1);
    EXPECT_EQ(m_port.Texts().back(), "数据恢复失败！\r\n其他工作站正在写入数据，数据恢复没有进行。"
                                     "请稍后再试。\r\n现有数据没有改变。");
    writer.Rollback();
    EXPECT_EQ(GoodsIn(MainFile()), Texts{"G1=螺丝刀"});
    EXPECT_EQ(LogEvents().size(), 1u) << "only the backup was logged";
}

TEST_F(AdminTest, OperatorsAreAddedChangedAndDeleted) {
    const auto form = OperatorFormFor(kRunAdd);
    EXPECT_EQ(form.userName, "");
    EXPECT_TRUE(form.userEditable);
    EXPECT_EQ(form.passwordLabel, "密码：");

    EXPECT_EQ(AddOperator("", "x", ""), AdminResult::Refused);
    EXPECT_EQ(AddOperator("O'Neil", "pw%_", "出纳"), AdminResult::Done);
    EXPECT_EQ(AddOperator("O'Ne", "", ""), AdminResult::Done);
    EXPECT_EQ(AddOperator("o'neil", "", ""), AdminResult::Failed) << "names are unique";
    EXPECT_EQ(m_port.Texts(), (Texts{"账号不可以为空，请填写。", "添加管理员成功！",
                                     "添加管理员成功！", "添加管理员失败！"}));
    const auto users = LoadOperators();
    ASSERT_EQ(users.size(), 3u);
    EXPECT_EQ(users[1].UserName, "O'Neil");
    EXPECT_EQ(users[1].Note, "出纳");
    EXPECT_EQ(users[1].CreateTime, "26-12-07");

    {
        CDataStore store;
        ASSERT_TRUE(store.ConnectOther());
        EXPECT_TRUE(store.CheckLogin("o'neil", "pw%_"));
        EXPECT_TRUE(store.CheckLogin("O'Ne", ""));
    }
    // The change-password form shows the operator who logged in.
    const auto re = OperatorFormFor(kRunRe);
    EXPECT_EQ(re.userName, "O'Ne");
    EXPECT_FALSE(re.userEditable);
    EXPECT_EQ(re.passwordLabel, "新密码：");

    m_port.Clear();
    EXPECT_EQ(ChangeOperatorPassword("O'NEIL", "新密码'", "会计"), AdminResult::Done);
    EXPECT_EQ(m_port.Texts(), Texts{"修改密码成功！"});
    {
        CDataStore store;
        ASSERT_TRUE(store.ConnectOther());
        EXPECT_FALSE(store.CheckLogin("O'Neil", "pw%_"));
        EXPECT_TRUE(store.CheckLogin("O'Neil", "新密码'"));
        EXPECT_EQ(App().m_currentUser.Note, "会计");
        EXPECT_TRUE(store.CheckLogin("O'Ne", "")) << "a prefix of the name is another operator";
    }

    // The whole name goes, whatever its letter case; the prefix stays.
    m_port.Clear();
    EXPECT_EQ(DeleteOperator(std::string("O'NEIL")), AdminResult::Done);
    EXPECT_EQ(m_port.Texts(), Texts{"确定要删除吗"});
    ASSERT_EQ(LoadOperators().size(), 2u);
    EXPECT_EQ(LoadOperators()[1].UserName, "O'Ne");

    m_port.Clear();
    m_port.QueueAnswer(false);
    EXPECT_EQ(DeleteOperator(std::string("O'Ne")), AdminResult::Declined);
    EXPECT_EQ(DeleteOperator(std::nullopt), AdminResult::Refused);
    EXPECT_EQ(DeleteOperator(std::string("O'N%")), AdminResult::Refused);
    EXPECT_EQ(ChangeOperatorPassword("O'Neil", "x", ""), AdminResult::Refused);
    EXPECT_EQ(m_port.Texts(),
              (Texts{"确定要删除吗", "请选中要删除的管理员！", "管理员“O'N%”不存在！",
                     "管理员“O'Neil”不存在！密码没有修改。"}));
    EXPECT_EQ(LoadOperators().size(), 2u);
}

TEST_F(AdminTest, TheLastOperatorIsNeverDeleted) {
    // The logged-in operator may go while another remains.
    ASSERT_EQ(AddOperator("bob", "", ""), AdminResult::Done);
    EXPECT_EQ(DeleteOperator(std::string("admin")), AdminResult::Done);
    m_port.Clear();
    EXPECT_EQ(DeleteOperator(std::string("BOB")), AdminResult::Refused);
    EXPECT_EQ(m_port.Texts(), Texts{"不能删除最后一个管理员，否则将无法再登录程序！"})
        << "refused before asking";
    // Even without the check in front, the delete keeps the last row.
    CDataStore store;
    ASSERT_TRUE(store.ConnectOther());
    EXPECT_EQ(DeleteUser(store, "bob"), DeleteUserOutcome::Last);
    EXPECT_EQ(DeleteUser(store, "alice"), DeleteUserOutcome::NotFound);
    EXPECT_TRUE(store.CheckLogin("bob", ""));
}

TEST_F(AdminTest, EveryAdministrativeActLeavesItsEntry) {
    ASSERT_EQ(AddOperator("bob", "", "仓管"), AdminResult::Done);
    ASSERT_EQ(ChangeOperatorPassword("ADMIN", "pw", ""), AdminResult::Done);
    ASSERT_EQ(ChangeOperatorPassword("Bob", "x", "出纳"), AdminResult::Done);
    ASSERT_EQ(ChangeOperatorPassword("bob", "y", "出纳"), AdminResult::Done);
    ASSERT_EQ(SaveCompanySettings({"华东商贸", "", "", "", "加权平均法", ""}), AdminResult::Done);
    std::string made;
    ASSERT_EQ(BackupAction(&made), AdminResult::Done);
    ASSERT_EQ(RestoreAction(made), AdminResult::Done);
    ASSERT_EQ(DeleteOperator(std::string("BOB")), AdminResult::Done);
    EXPECT_EQ(LogEvents(),
              (Texts{"添加管理员“bob”", "管理员“admin”修改了自己的密码",
                     "重置管理员“bob”的密码，备注改为“出纳”", "重置管理员“bob”的密码",
                     "修改公司基本信息", "数据备份成功！数据文件(/Backup/" + kBackupName + ")",
                     "数据恢复成功！数据文件(" + kBackupName + ")", "删除管理员“bob”"}));
    // Refused acts leave nothing.
    EXPECT_EQ(AddOperator("ADMIN", "", ""), AdminResult::Failed);
    EXPECT_EQ(DeleteOperator(std::string("admin")), AdminResult::Refused);
    EXPECT_EQ(LogEvents().size(), 8u);

    // Clearing leaves one entry: who cleared the log, and when.
    ASSERT_EQ(ClearOperationLog(), AdminResult::Done);
    const auto log = LoadOperationLog();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].Event, "清除操作日志");
    EXPECT_EQ(log[0].User, "admin");
    EXPECT_EQ(log[0].Time, "26-12-07 09:30:15");
}

TEST_F(AdminTest, SettingsSaveLogAndReloadIntoTheApplication) {
    EXPECT_EQ(CostingMethods(), (Texts{"加权平均法", "指定批次法"}));
    EXPECT_EQ(CostingMethodIndex("指定批次法"), 1);
    EXPECT_EQ(CostingMethodIndex(""), 0);
    EXPECT_EQ(CostingMethodIndex("加权平均"), 0);

    SettingsRecord s{"华东'商贸%", "010-1", "010-2", "100000", "指定批次法", "上海 \"路\""};
    EXPECT_EQ(SaveCompanySettings(s), AdminResult::Done);
    EXPECT_EQ(App().m_settings.CompanyName, "华东'商贸%");
    EXPECT_EQ(App().m_settings.Chengben, "指定批次法");
    EXPECT_EQ(App().m_settings.CompanyAddr, "上海 \"路\"");
    EXPECT_EQ(LoadCompanySettings().CompanyZip, "100000");
    // Saving the same values again is still a logged change.
    EXPECT_EQ(SaveCompanySettings(s), AdminResult::Done);
    EXPECT_EQ(LogEvents(), (Texts{"修改公司基本信息", "修改公司基本信息"}));
    EXPECT_TRUE(m_port.Texts().empty());

    // A failed save is reported, logged all the same, and the application keeps the table's values.
    CDataStore::FailStatementForTest(1);
    EXPECT_EQ(SaveCompanySettings({"新名字", "", "", "", "", ""}), AdminResult::Failed);
    CDataStore::FailStatementForTest(0);
    ASSERT_EQ(m_port.Texts().size(), 1u);
    EXPECT_EQ(m_port.Texts()[0].rfind("SQL 语句执行失败：update Setting", 0), 0u);
    EXPECT_EQ(App().m_settings.CompanyName, "华东'商贸%");
    EXPECT_EQ(LogEvents().size(), 3u);
}

TEST_F(AdminTest, SettingsAreStoredIntoATableWithoutItsRow) {
    // The row removed by another tool, not through the program.
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open_v2((Dir() / "Data" / "other_data.tdb").c_str(), &db,
                              SQLITE_OPEN_READWRITE, nullptr),
              SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(db, "delete from Setting", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
    EXPECT_EQ(LoadCompanySettings().CompanyName, "");

    const SettingsRecord s{"华东商贸", "010-1", "010-2", "100000", "指定批次法", "上海路1号"};
    EXPECT_EQ(SaveCompanySettings(s), AdminResult::Done);
    auto fields = [](const SettingsRecord& r) {
        return Texts{r.CompanyName, r.CompanyTel, r.Chengben,
                     r.CompanyFax,  r.CompanyZip, r.CompanyAddr};
    };
    const Texts expected = {"华东商贸", "010-1", "指定批次法", "010-2", "100000", "上海路1号"};
    EXPECT_EQ(fields(LoadCompanySettings()), expected);
    EXPECT_EQ(fields(App().m_settings), expected);
    EXPECT_EQ(LogEvents(), Texts{"修改公司基本信息"});
    EXPECT_TRUE(m_port.Texts().empty());

    // The next save changes that row; no second one is made.
    EXPECT_EQ(SaveCompanySettings({"新名字", "", "", "", "", ""}), AdminResult::Done);
    EXPECT_EQ(LoadCompanySettings().CompanyName, "新名字");
    CDataStore store;
    ASSERT_TRUE(store.ConnectOther());
    int rows = 0;
    ASSERT_TRUE(store.Run("select id from Setting", {}, [&](const CStatement&) { ++rows; }));
    EXPECT_EQ(rows, 1);
}

TEST_F(AdminTest, LogIsListedInOrderAndCleared) {
    EXPECT_TRUE(LoadOperationLog().empty());
    WriteLogEntry("进货操作");
    WriteLogEntry("销售操作");
    const auto log = LoadOperationLog();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[1].Event, "销售操作");
    EXPECT_EQ(log[1].User, "admin");
    EXPECT_EQ(log[1].Time, "26-12-07 09:30:15");

    m_port.QueueAnswer(false);
    EXPECT_EQ(ClearOperationLog(), AdminResult::Declined);
    EXPECT_EQ(LoadOperationLog().size(), 2u);

    CDataStore::FailStatementForTest(2); // the delete, after the transaction's start
    EXPECT_EQ(ClearOperationLog(), AdminResult::Failed);
    CDataStore::FailStatementForTest(0);
    EXPECT_EQ(LoadOperationLog().size(), 2u);
    EXPECT_EQ(m_port.Texts().back(), "SQL 语句执行失败：delete from Log");

    m_port.Clear();
    EXPECT_EQ(ClearOperationLog(), AdminResult::Done);
    EXPECT_EQ(m_port.Texts(), Texts{"是否要情况日志？"});
    WriteLogEntry("报溢操作");
    EXPECT_EQ(LogEvents(), (Texts{"清除操作日志", "报溢操作"}));
}
