// Damaged files: a configuration file cut anywhere, data files that are no database or only
// half of one. Nothing crashes, failures are said, and nothing that was readable is lost.
#include "BillTestSupport.h"

#include "admin/MainDataBackup.h"
#include "config/ConfigLists.h"

#include <fstream>
#include <set>
#include <sstream>

namespace {
std::string Bytes(const std::filesystem::path& file) {
    std::ifstream f(file, std::ios::binary);
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
}

void Write(const std::filesystem::path& file, const std::string& bytes) {
    std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
}

std::set<std::string> Names(const std::vector<ConfigListEntry>& entries) {
    std::set<std::string> names;
    for (const auto& e : entries)
        names.insert(e.name);
    return names;
}

using DamagedFileTest = BillTest;
} // namespace

TEST_F(DamagedFileTest, AConfigurationFileCutAnywhereLosesNoEntryThatCanStillBeRead) {
    for (const char* unit : {"个", "箱", "千克"})
        ASSERT_TRUE(AddConfigListEntry("unit", unit, "note of " + std::string(unit)));
    ASSERT_TRUE(AddDepartment("采购部", ""));
    ASSERT_TRUE(AddEmployee("采购部", "张三", "138", "addr", "1990-01-01", ""));
    const std::string whole = Bytes(ConfigFilePath());
    for (size_t cut = 0; cut < whole.size(); ++cut) {
        SCOPED_TRACE("cut at byte " + std::to_string(cut));
        const std::string part = whole.substr(0, cut);
        Write(ConfigFilePath(), part);
        const auto before = Names(ReadConfigList("unit"));
        const auto employeesBefore = ReadEmployees(std::nullopt).size();
        for (const auto& name : before)
            EXPECT_NE(whole.find("\"" + name + "\""), std::string::npos) << name;
        if (AddConfigListEntry("unit", "新单位", "")) {
            auto after = Names(ReadConfigList("unit"));
            for (const auto& name : before)
                EXPECT_TRUE(after.count(name)) << name << " was lost by the add";
            EXPECT_TRUE(after.count("新单位"));
            EXPECT_EQ(ReadEmployees(std::nullopt).size(), employeesBefore);
        } else {
            EXPECT_EQ(Bytes(ConfigFilePath()), part) << "a refused add changed the file";
        }
    }
}

TEST_F(DamagedFileTest, DataFilesThatAreNoDatabaseAreRefusedAndLeftAsTheyAre) {
    const std::string half = Bytes("Data/main_data.tdb");
    for (const std::string& content :
         {std::string("this is a text file, not a database\n"), std::string(),
          std::string(4096, '\0'), half.substr(0, 100)}) {
        SCOPED_TRACE("content of " + std::to_string(content.size()) + " bytes");
        Write("Data/main_data.tdb", content);
        Write("Data/other_data.tdb", content);
        m_port.Clear();
        CDataStore main;
        EXPECT_FALSE(main.ConnectMain());
        CDataStore other;
        EXPECT_FALSE(other.ConnectOther());
        auto texts = m_port.Texts();
        ASSERT_EQ(texts.size(), 2u);
        for (const auto& t : texts)
            EXPECT_EQ(t.rfind("连接数据库失败！\r\n错误信息：", 0), 0u) << t;

        CBill bill = FullBill(BillKind::Purchase);
        AddLine(bill, m_pen, "2", "19.99");
        EXPECT_NE(bill.Save(), PostOutcome::Posted);
        EXPECT_EQ(Bytes("Data/main_data.tdb"), content);
        EXPECT_EQ(Bytes("Data/other_data.tdb"), content);
        EXPECT_FALSE(std::filesystem::exists("Data/main_data.tdb-journal"));
    }
}

TEST_F(DamagedFileTest, AMainDataFileCutInHalfFailsWithAMessageAndIsNotWrittenTo) {
    // Enough rows that the file has pages beyond its first half.
    {
        CDataStore store;
        ASSERT_TRUE(store.ConnectMain());
        ASSERT_TRUE(store.Begin());
        for (int i = 0; i < 400; ++i)
            ASSERT_TRUE(store.AddGoods(Goods("H" + std::to_string(i), std::string(200, 'x'))));
        ASSERT_TRUE(store.Commit());
    }
    const std::string whole = Bytes("Data/main_data.tdb");
    ASSERT_GT(whole.size(), 16u * 4096);
    const std::string half = whole.substr(0, whole.size() / 2);
    Write("Data/main_data.tdb", half);
    m_port.Clear();
    std::vector<GoodsRecord> goods;
    {
        CDataStore store;
        if (store.ConnectMain()) {
            EXPECT_FALSE(store.ListGoods("所有商品", goods));
        }
    }
    EXPECT_FALSE(m_port.Texts().empty()) << "the damage went unsaid";
    m_port.Clear();
    CBill bill = FullBill(BillKind::Purchase);
    AddLine(bill, m_pen, "2", "19.99");
    EXPECT_NE(bill.Save(), PostOutcome::Posted);
    EXPECT_FALSE(m_port.Texts().empty());
    EXPECT_EQ(Bytes("Data/main_data.tdb"), half);
    EXPECT_TRUE(IsDamagedDataFile("Data/main_data.tdb"));
}
