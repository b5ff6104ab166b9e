#include "ServerDocumentSupport.h"
#include "XmlTestSupport.h"

#include "config/ConfigEntryChecks.h"
#include "config/ConfigLists.h"
#include "store/CDataStore.h"
#include "store/ServerConfig.h"
#include "store/Session.h"

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>

namespace fs = std::filesystem;

namespace {
const std::string kHead = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<config>\r\n";
const std::string kOtherItems = "<item key=\"bank\"/>\r\n<item key=\"unit\"/>\r\n"
                                "<item key=\"warehouse\"/>\r\n<item key=\"income\"/>\r\n"
                                "<item key=\"spending\"/>\r\n<item key=\"employees\"/>\r\n"
                                "</config>\r\n";

// On a server (FERIX_TEST_ENGINE=pg) the document is the server's row, read and written as bytes.
class ConfigListsTest : public ProgramFolderTest {
protected:
    void SetUp() override {
        ProgramFolderTest::SetUp();
        fs::create_directories(Dir() / "Data");
        // Most folders here have no operators to log in with: the lists' own rules are under
        // test, changed as 管理员 would.
        Session().rights = CRoleRights(kAdminRole, {}, {}, {});
    }
    // Made once: a server folder needs its tables before a document can be put there.
    void InitFolder() {
        if (!m_made)
            ProgramFolderTest::InitFolder();
        m_made = true;
    }
    void WriteConfig(const std::string& bytes) {
        if (!OnServer())
            return WriteBytes(Dir() / "Data/ferix_config.data", bytes);
        InitFolder();
        ASSERT_EQ(SetServerDocument(ReadServerConfig(Dir()).conninfo, bytes), "");
    }
    std::string Config() const {
        if (!OnServer())
            return ReadFile("Data/ferix_config.data");
        return ServerDocument(ReadServerConfig(Dir()).conninfo).value_or("<no row>");
    }

private:
    bool m_made = false;
};

std::vector<std::string> Names(const std::vector<ConfigListEntry>& entries) {
    std::vector<std::string> out;
    for (const auto& e : entries)
        out.push_back(e.name);
    return out;
}
} // namespace

TEST_F(ConfigListsTest, TheInstalledFileTakesEntries) {
    InitFolder();
    const std::string installed = Config();
    ASSERT_EQ(installed, kHead + "<item key=\"area\"/>\r\n" + kOtherItems);
    EXPECT_TRUE(ReadConfigList("area").empty());

    // The empty item is split, and the entry reads name="..." note="".
    ASSERT_TRUE(AddConfigListEntry("area", "华东", ""));
    EXPECT_EQ(Config(), kHead +
                            "<item key=\"area\">\r\n<area name=\"华东\" note=\"\"/>\r\n"
                            "</item>\r\n" +
                            kOtherItems);
    ASSERT_TRUE(AddConfigListEntry("area", "华南", "广东"));
    EXPECT_EQ(Config(), kHead +
                            "<item key=\"area\">\r\n<area name=\"华东\" note=\"\"/>\r\n"
                            "<area name=\"华南\" note=\"广东\"/>\r\n</item>\r\n" +
                            kOtherItems);
    auto areas = ReadConfigList("area");
    ASSERT_EQ(areas.size(), 2u);
    EXPECT_EQ(areas[1].name, "华南");
    EXPECT_EQ(areas[1].note, "广东");
    EXPECT_TRUE(ReadConfigList("bank").empty()) << "lists do not mix";

    for (const auto& key : SimpleConfigListKeys()) {
        ASSERT_TRUE(AddConfigListEntry(key, key + "1", "n"));
        EXPECT_EQ(Names(ReadConfigList(key)).back(), key + "1");
    }
}

TEST_F(ConfigListsTest, RemovingTakesEveryEntryOfThatNameAndNothingElse) {
    WriteConfig(kHead + "<item key=\"unit\">\r\n  <unit name=\"个\" note=\"1\"/>\r\n"
                        "  <unit name=\"箱\" note=\"\"/>\r\n  <unit name=\"个\" note=\"2\"/>\r\n"
                        "  <unit name=\"个 \" note=\"\"/>\r\n</item>\r\n</config>\r\n");
    ASSERT_TRUE(RemoveConfigListEntries("unit", "个"));
    EXPECT_EQ(Config(), kHead + "<item key=\"unit\">\r\n  <unit name=\"箱\" note=\"\"/>\r\n"
                                "  <unit name=\"个 \" note=\"\"/>\r\n</item>\r\n</config>\r\n");
    const std::string before = Config();
    ASSERT_TRUE(RemoveConfigListEntries("unit", "nothing of that name"));
    ASSERT_TRUE(RemoveConfigListEntries("unit", "%"));
    EXPECT_EQ(Config(), before);
    EXPECT_EQ(Names(ReadConfigList("unit")), (std::vector<std::string>{"箱", "个 "}));
}

TEST_F(ConfigListsTest, KeysAreExactAndOnlyTheFirstItemCounts) {
    const std::string file = kHead + "<item key=\"Area\">\r\n<area name=\"x\"/>\r\n</item>\r\n"
                                     "<item key=\"bank\"><bank name=\"工行\"/></item>\r\n"
                                     "<item key=\"bank\"><bank name=\"second\"/></item>\r\n"
                                     "</config>\r\n";
    WriteConfig(file);
    EXPECT_TRUE(ReadConfigList("area").empty());
    EXPECT_FALSE(AddConfigListEntry("area", "y", ""));
    EXPECT_EQ(Config(), file) << "no item is ever created";
    EXPECT_EQ(Names(ReadConfigList("bank")), (std::vector<std::string>{"工行"}));
    ASSERT_TRUE(RemoveConfigListEntries("bank", "second"));
    EXPECT_EQ(Config(), file) << "the second bank item is never changed";
    ASSERT_TRUE(AddConfigListEntry("bank", "农行", ""));
    EXPECT_NE(Config().find("<bank name=\"工行\"/><bank name=\"农行\" note=\"\"/>\r\n</item>"),
              std::string::npos)
        << Config();
}

TEST_F(ConfigListsTest, QuotesAndAmpersandsAreStoredEscaped) {
    InitFolder();
    const std::string name = "A&B \"C\" 'D' <E> 100%_";
    ASSERT_TRUE(AddConfigListEntry("bank", name, "&amp;"));
    EXPECT_NE(Config().find("<bank name=\"A&amp;B &quot;C&quot; &apos;D&apos; &lt;E&gt; 100%_\" "
                            "note=\"&amp;amp;\"/>"),
              std::string::npos);
    auto banks = ReadConfigList("bank");
    ASSERT_EQ(banks.size(), 1u);
    EXPECT_EQ(banks[0].name, name);
    EXPECT_EQ(banks[0].note, "&amp;");
    ASSERT_TRUE(RemoveConfigListEntries("bank", name));
    EXPECT_TRUE(ReadConfigList("bank").empty());
}

TEST_F(ConfigListsTest, TheFileIsFoundBelowTheCurrentDirectory) {
    InitFolder();
    ASSERT_TRUE(AddConfigListEntry("warehouse", "一号仓库", ""));
    fs::create_directories(Dir() / "elsewhere");
    fs::current_path(Dir() / "elsewhere");
    EXPECT_TRUE(ReadConfigList("warehouse").empty());
    EXPECT_FALSE(AddConfigListEntry("warehouse", "二号仓库", ""));
    EXPECT_FALSE(fs::exists(Dir() / "elsewhere/Data")) << "no file is made where there is none";
    fs::current_path(Dir());
    EXPECT_EQ(Names(ReadConfigList("warehouse")), (std::vector<std::string>{"一号仓库"}));

    // A file without the config root, or a damaged one, gives what can be found.
    WriteConfig("<lists><item key=\"area\"><area name=\"x\"/></item></lists>");
    EXPECT_TRUE(ReadConfigList("area").empty());
    WriteConfig("<config><item key=\"area\"><area name=\"x\"><area name=\"y\"/></item></config>");
    EXPECT_EQ(Names(ReadConfigList("area")), (std::vector<std::string>{"x", "y"}));
    // Without its end tag the root holds nothing: the lists read empty and nothing is written.
    const std::string cut = "<config><item key=\"area\"><area name=\"x\"/></item>";
    WriteConfig(cut);
    EXPECT_TRUE(ReadConfigList("area").empty());
    EXPECT_FALSE(AddConfigListEntry("area", "y", ""));
    EXPECT_EQ(Config(), cut);
}

TEST_F(ConfigListsTest, DepartmentsHoldTheirEmployees) {
    InitFolder();
    ASSERT_TRUE(AddDepartment("采购部", "一楼"));
    ASSERT_TRUE(AddDepartment("销售部", ""));
    ASSERT_TRUE(AddEmployee("销售部", "李四", "139", "上海", "90-01-02", ""));
    ASSERT_TRUE(AddEmployee("采购部", "张三", "138", "北京", "88-08-08", "组长"));
    ASSERT_TRUE(AddEmployee("采购部", "王五", "", "", "", ""));
    EXPECT_FALSE(AddEmployee("财务部", "赵六", "", "", "", ""));
    EXPECT_NE(
        Config().find("<item key=\"employees\">\r\n"
                      "<departments name=\"采购部\" note=\"一楼\">\r\n"
                      "<employees name=\"张三\" tel=\"138\" addr=\"北京\" birthday=\"88-08-08\""
                      " note=\"组长\"/>\r\n"
                      "<employees name=\"王五\" tel=\"\" addr=\"\" birthday=\"\" note=\"\"/>\r\n"
                      "</departments>\r\n"
                      "<departments name=\"销售部\" note=\"\">\r\n"
                      "<employees name=\"李四\" tel=\"139\" addr=\"上海\" birthday=\"90-01-02\""
                      " note=\"\"/>\r\n"
                      "</departments>\r\n</item>\r\n</config>\r\n"),
        std::string::npos)
        << Config();

    auto departments = ReadDepartments();
    ASSERT_EQ(departments.size(), 2u);
    EXPECT_EQ(departments[0].note, "一楼");
    auto all = ReadEmployees(std::nullopt);
    ASSERT_EQ(all.size(), 3u);
    EXPECT_EQ(all[0].department + all[0].name + all[0].tel + all[0].addr + all[0].birthday +
                  all[0].note,
              "采购部张三138北京88-08-08组长");
    EXPECT_EQ(all[1].name, "王五");
    EXPECT_EQ(all[2].department, "销售部");
    auto sales = ReadEmployees(std::string("销售部"));
    ASSERT_EQ(sales.size(), 1u);
    EXPECT_EQ(sales[0].name, "李四");
    EXPECT_TRUE(ReadEmployees(std::string("财务部")).empty());

    // Employees of one name go from every department; a department goes with its employees.
    ASSERT_TRUE(AddEmployee("销售部", "王五", "", "", "", ""));
    ASSERT_TRUE(RemoveEmployees("王五"));
    all = ReadEmployees(std::nullopt);
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[0].name + all[1].name, "张三李四");
    ASSERT_TRUE(RemoveDepartments("采购部"));
    EXPECT_EQ(Names(ReadDepartments()), (std::vector<std::string>{"销售部"}));
    all = ReadEmployees(std::nullopt);
    ASSERT_EQ(all.size(), 1u);
    EXPECT_EQ(all[0].name, "李四");
    ASSERT_TRUE(RemoveDepartments("销售部"));
    EXPECT_EQ(Config(), kHead + "<item key=\"area\"/>\r\n" +
                            kOtherItems.substr(0, kOtherItems.find("<item key=\"employees\"")) +
                            "<item key=\"employees\">\r\n</item>\r\n</config>\r\n");
    // The emptied item takes entries again.
    ASSERT_TRUE(AddDepartment("新部门", ""));
    EXPECT_EQ(Names(ReadDepartments()), (std::vector<std::string>{"新部门"}));
}

TEST_F(ConfigListsTest, TheFileKeepsItsEncoding) {
    // GBK declared: Chinese names are converted on the way in and out.
    WriteConfig("<?xml version=\"1.0\" encoding=\"GBK\"?>\r\n<config>\r\n<item key=\"unit\">\r\n"
                "<unit name=\"\xB8\xF6\" note=\"\"/>\r\n</item>\r\n</config>\r\n");
    EXPECT_EQ(Names(ReadConfigList("unit")), (std::vector<std::string>{"个"}));
    ASSERT_TRUE(AddConfigListEntry("unit", "箱", ""));
    EXPECT_EQ(Config(), "<?xml version=\"1.0\" encoding=\"GBK\"?>\r\n<config>\r\n"
                        "<item key=\"unit\">\r\n<unit name=\"\xB8\xF6\" note=\"\"/>\r\n"
                        "<unit name=\"\xCF\xE4\" note=\"\"/>\r\n</item>\r\n</config>\r\n");

    // A byte order mark stays.
    WriteConfig("\xEF\xBB\xBF<config><item key=\"bank\"/></config>");
    ASSERT_TRUE(AddConfigListEntry("bank", "银行", ""));
    EXPECT_EQ(Config(), "\xEF\xBB\xBF<config><item key=\"bank\">\r\n<bank name=\"银行\" "
                        "note=\"\"/>\r\n</item></config>");
}

TEST_F(ConfigListsTest, AGbkFileKeepsItsBytesAndRefusesWhatItCannotCarry) {
    // Declared GB2312; a malformed pair in the first department's note, far from the edit.
    const std::string head = "<?xml version=\"1.0\" encoding=\"GB2312\"?>\r\n<config>\r\n"
                             "<item key=\"unit\"/>\r\n<item key=\"employees\">\r\n"
                             "<departments name=\"\xB2\xC9\xB9\xBA\" note=\"\x81\x7F\">\r\n";
    const std::string tail = "</departments>\r\n</item>\r\n</config>\r\n";
    WriteConfig(head + tail);
    ASSERT_TRUE(AddEmployee("采购", "𠮷田", "138", "深圳😀", "", ""));
    EXPECT_EQ(Config(), head +
                            "<employees name=\"&#x20BB7;\xCC\xEF\" tel=\"138\" "
                            "addr=\"\xC9\xEE\xDB\xDA&#x1F600;\" birthday=\"\" note=\"\"/>\r\n" +
                            tail);
    const auto employees = ReadEmployees(std::string("采购"));
    ASSERT_EQ(employees.size(), 1u);
    EXPECT_EQ(employees[0].name, "𠮷田");
    EXPECT_EQ(employees[0].addr, "深圳😀");
    EXPECT_TRUE(m_port.Texts().empty());

    // GBK bytes where UTF-8 text belongs (a name typed in a GBK terminal) have no faithful
    // form: the change is refused with its reason and the file stays as it was.
    const std::string before = Config();
    bool refused = false;
    EXPECT_FALSE(AddConfigListEntry("unit", "\xCF\xE4", "", &refused));
    EXPECT_TRUE(refused);
    EXPECT_EQ(Config(), before);
    EXPECT_EQ(m_port.Texts(),
              (std::vector<std::string>{
                  OnServer() ? "服务器上的配置列表没有修改：要写入的文字不是有效的 UTF-8 文本。"
                             : "配置文件 Data/ferix_config.data 没有修改：要写入的文字不是有效的 "
                               "UTF-8 文本。"}));
}

TEST_F(ConfigListsTest, AFailedSaveKeepsTheOldFileAndIsReported) {
    InitFolder();
    const std::string before = Config();
    if (OnServer()) {
        // The third statement of a change (begin, read under lock, write) fails: the change is
        // undone whole.
        CDataStore::FailStatementForTest(3);
        const bool added = AddConfigListEntry("area", "华东", "");
        CDataStore::FailStatementForTest(0);
        EXPECT_FALSE(added);
        EXPECT_EQ(Config(), before);
        EXPECT_TRUE(m_port.Texts().empty()) << "the lists never show a message";
        ASSERT_TRUE(AddConfigListEntry("area", "华东", ""));
        EXPECT_EQ(Names(ReadConfigList("area")), (std::vector<std::string>{"华东"}));
        return;
    }
    struct rlimit old {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = before.size() + 16;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool added = AddConfigListEntry("area", std::string(200, 'x'), "");
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, previousHandler);
    EXPECT_FALSE(added);
    EXPECT_EQ(Config(), before);
    EXPECT_TRUE(m_port.Texts().empty()) << "the lists never show a message";
}

TEST_F(ConfigListsTest, AddWindowsRefuseEmptyNamesWithTheirMessages) {
    const std::pair<const char*, const char*> refused[] = {
        {"area", "地区名称不能为空！"},        {"bank", "银行名称不能为空！"},
        {"departments", "部门名称不能为空！"}, {"unit", "单位名称不能为空！"},
        {"warehouse", "仓库名称不能为空！"},
    };
    for (const auto& [list, message] : refused) {
        m_port.Clear();
        EXPECT_FALSE(CheckConfigEntryName(list, ""));
        EXPECT_EQ(m_port.Texts(), (std::vector<std::string>{message}));
        EXPECT_TRUE(CheckConfigEntryName(list, " ")) << "one space is a name";
    }
    m_port.Clear();
    EXPECT_TRUE(CheckConfigEntryName("income", ""));
    EXPECT_TRUE(CheckConfigEntryName("spending", ""));
    EXPECT_TRUE(m_port.Texts().empty());

    EXPECT_FALSE(CheckEmployeeEntry("", "采购部"));
    EXPECT_FALSE(CheckEmployeeEntry("张三", ""));
    EXPECT_TRUE(CheckEmployeeEntry("张三", "采购部"));
    EXPECT_EQ(m_port.Texts(),
              (std::vector<std::string>{"员工姓名或部门不能为空！", "员工姓名或部门不能为空！"}));
}

TEST_F(ConfigListsTest, ADocumentComesBackByteForByteAfterAnAddAndARemove) {
    // GBK that declares nothing (known by its bytes), and UTF-16 with its mark.
    const std::string gbk = "<config>\r\n<item key=\"unit\">\r\n<unit name=\"\xB8\xF6\" "
                            "note=\"\xB1\xB8\"/>\r\n</item>\r\n</config>\r\n";
    WriteConfig(gbk);
    ASSERT_TRUE(AddConfigListEntry("unit", "箱", "纸"));
    EXPECT_EQ(Config(), "<config>\r\n<item key=\"unit\">\r\n<unit name=\"\xB8\xF6\" "
                        "note=\"\xB1\xB8\"/>\r\n<unit name=\"\xCF\xE4\" note=\"\xD6\xBD\"/>\r\n"
                        "</item>\r\n</config>\r\n");
    ASSERT_TRUE(RemoveConfigListEntries("unit", "箱"));
    EXPECT_EQ(Config(), gbk);

    auto utf16 = [](std::u16string_view text) {
        std::string bytes = "\xFF\xFE";
        for (char16_t c : text) {
            bytes += static_cast<char>(c & 0xFF);
            bytes += static_cast<char>(c >> 8);
        }
        return bytes;
    };
    const std::string marked = utf16(u"<config><item key=\"bank\"><bank name=\"工行\"/></item>"
                                     u"</config>");
    WriteConfig(marked);
    ASSERT_TRUE(AddConfigListEntry("bank", "农行", ""));
    EXPECT_EQ(Config(), utf16(u"<config><item key=\"bank\"><bank name=\"工行\"/><bank "
                              u"name=\"农行\" note=\"\"/>\r\n</item></config>"));
    EXPECT_EQ(Names(ReadConfigList("bank")), (std::vector<std::string>{"工行", "农行"}));
    ASSERT_TRUE(RemoveConfigListEntries("bank", "农行"));
    EXPECT_EQ(Config(), marked);
}
