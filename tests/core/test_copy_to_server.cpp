// Moving a folder's data files to a PostgreSQL server (run with FERIX_TEST_ENGINE=pg).
#include "TestSupport.h"

#include "server/CopyToServer.h"
#include "server/ServerSetup.h"
#include "store/CDataStore.h"
#include "store/PasswordHash.h"
#include "store/Schema.h"
#include "store/ServerConfig.h"
#include "store/Session.h"
#include "text/Clock.h"

#include <libpq-fe.h>
#include <sqlite3.h>
#include <sys/stat.h>

#include <fstream>
#include <optional>

namespace fs = std::filesystem;

namespace {

using Value = std::optional<std::string>; // nullopt: NULL

std::string Render(const Value& v) {
    return v ? "'" + *v + "'" : "NULL";
}

// Every table of a data file: its column names (lower case), then each row in id order with its
// values quoted and NULL told apart from an empty text.
std::string DumpFile(const fs::path& file) {
    sqlite3* db = nullptr;
    EXPECT_EQ(sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
    std::vector<std::string> tables;
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db,
                       "select name from sqlite_master where type = 'table' order by lower(name)",
                       -1, &st, nullptr);
    while (sqlite3_step(st) == SQLITE_ROW)
        tables.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
    sqlite3_finalize(st);
    std::string out;
    for (const auto& t : tables) {
        sqlite3_prepare_v2(db, ("select * from " + t + " order by rowid").c_str(), -1, &st,
                           nullptr);
        out += "table " + t + ":";
        for (int i = 0; i < sqlite3_column_count(st); ++i) {
            std::string name = sqlite3_column_name(st, i);
            for (auto& c : name)
                c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            out += " " + name;
        }
        out += "\n";
        while (sqlite3_step(st) == SQLITE_ROW) {
            for (int i = 0; i < sqlite3_column_count(st); ++i) {
                Value v;
                if (sqlite3_column_type(st, i) != SQLITE_NULL)
                    v = std::string(reinterpret_cast<const char*>(sqlite3_column_text(st, i)),
                                    static_cast<size_t>(sqlite3_column_bytes(st, i)));
                out += Render(v) + ",";
            }
            out += "\n";
        }
        sqlite3_finalize(st);
    }
    sqlite3_close(db);
    return out;
}

// The same tables on the server, in the same form.
std::string DumpServer(const std::string& conninfo, const std::vector<std::string>& tables) {
    PGconn* conn = PQconnectdb(conninfo.c_str());
    PQsetClientEncoding(conn, "UTF8");
    std::string out;
    for (const auto& t : tables) {
        PGresult* r = PQexec(conn, ("SELECT * FROM " + t + " ORDER BY 1").c_str());
        if (PQresultStatus(r) != PGRES_TUPLES_OK)
            out += "error: " + std::string(PQerrorMessage(conn));
        out += "table " + t + ":";
        for (int i = 0; i < PQnfields(r); ++i) {
            std::string name = PQfname(r, i);
            for (auto& c : name)
                c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            out += " " + name;
        }
        out += "\n";
        for (int row = 0; row < PQntuples(r); ++row) {
            for (int i = 0; i < PQnfields(r); ++i) {
                Value v;
                if (!PQgetisnull(r, row, i))
                    v = std::string(PQgetvalue(r, row, i),
                                    static_cast<size_t>(PQgetlength(r, row, i)));
                out += Render(v) + ",";
            }
            out += "\n";
        }
        PQclear(r);
    }
    PQfinish(conn);
    return out;
}

// One statement's first value on the server ("" when there is none, "error: ..." on failure).
std::string ServerValue(const std::string& conninfo, const std::string& sql) {
    PGconn* conn = PQconnectdb(conninfo.c_str());
    PQsetClientEncoding(conn, "UTF8");
    PGresult* r = PQexec(conn, sql.c_str());
    std::string out;
    const auto status = PQresultStatus(r);
    if (status != PGRES_TUPLES_OK && status != PGRES_COMMAND_OK)
        out = "error: " + std::string(PQerrorMessage(conn));
    else if (status == PGRES_TUPLES_OK && PQntuples(r) > 0)
        out = std::string(PQgetvalue(r, 0, 0), static_cast<size_t>(PQgetlength(r, 0, 0)));
    PQclear(r);
    PQfinish(conn);
    return out;
}

// Writes rows straight into a data file: values bound as given, nullopt as NULL.
void Insert(const fs::path& file, const std::string& sql, const std::vector<Value>& values) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK);
    sqlite3_stmt* st = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr), SQLITE_OK) << sql;
    for (size_t i = 0; i < values.size(); ++i) {
        const int at = static_cast<int>(i + 1);
        if (values[i])
            sqlite3_bind_text(st, at, values[i]->c_str(), static_cast<int>(values[i]->size()),
                              SQLITE_TRANSIENT);
        else
            sqlite3_bind_null(st, at);
    }
    EXPECT_EQ(sqlite3_step(st), SQLITE_DONE) << sqlite3_errmsg(db);
    sqlite3_finalize(st);
    sqlite3_close(db);
}

std::vector<std::string> FileTables(const fs::path& file) {
    std::vector<std::string> tables;
    for (const auto& line : {DumpFile(file)}) {
        size_t at = 0;
        while ((at = line.find("table ", at)) != std::string::npos) {
            const size_t colon = line.find(':', at);
            tables.push_back(line.substr(at + 6, colon - at - 6));
            at = colon;
        }
    }
    return tables;
}

} // namespace

class CopyToServerTest : public ProgramFolderTest {
protected:
    void SetUp() override {
        if (!OnServer())
            GTEST_SKIP() << "a server rule: runs with FERIX_TEST_ENGINE=pg (core_tests_server)";
        ProgramFolderTest::SetUp();
        std::string error;
        ASSERT_TRUE(CreateProgramFolder(Dir(), &error)) << error;
        // Copying is 管理员's; set without a login, which would leave its mark in the files.
        Session().rights = CRoleRights(kAdminRole, {}, {}, {});
    }
    void TearDown() override {
        if (OnServer())
            ProgramFolderTest::TearDown();
    }
    fs::path MainFile() const { return Dir() / "Data" / "main_data.tdb"; }
    fs::path OtherFile() const { return Dir() / "Data" / "other_data.tdb"; }

    // Rows whose texts quoting, LIKE patterns, COPY's escapes or a case-folding index could
    // spoil, NULLs beside empty texts, and ids with gaps.
    void AddAwkwardRows() {
        const std::string product =
            "insert into ferix_product(Id, Code, ProductName, ClassName, SmartName, Unit, Note,"
            " BarCode) values(?, ?, ?, ?, ?, ?, ?, ?)";
        Insert(MainFile(), product,
               {"5", "A", "He said \"hi\", it's", "50%_off", "\\.", "个", std::nullopt, ""});
        Insert(MainFile(), product,
               {"9", "B", "two\nlines\r\n", "电子", "\\N", "", "C:\\temp\\new\ttab", std::nullopt});
        Insert(MainFile(), product,
               {"12", "C", "中文名称 — ü", "", std::nullopt, "箱", "", "6901234567890"});
        Insert(MainFile(),
               "insert into ferix_customer(Id, CustomerCode, CustomerName, CustomerNote)"
               " values(?, ?, ?, ?)",
               {"3", "K'1", "O'Brien & Sons", std::nullopt});
        Insert(MainFile(),
               "insert into EnterSale_Detail(Id, Bill_ID, Bill_Date, Product_ID, Product_Cost,"
               " Canceled) values(?, ?, ?, ?, ?, ?)",
               {"7", "XS-1", "2026-12-07", "A", std::nullopt, std::nullopt});
        Insert(
            MainFile(),
            "insert into FundBill(Id, Bill_ID, Kind, Amount, Introduction) values(?, ?, ?, ?, ?)",
            {"2", "SK-1", "收款", "12.3400", "tab\there"});
        Insert(OtherFile(), "insert into Manage(id, UserName, PassWord, Note) values(?, ?, ?, ?)",
               {"4", "Zhang_San%", "x", std::nullopt});
        Insert(OtherFile(), "insert into Log(id, Event, User, Time) values(?, ?, ?, ?)",
               {"8", "事件 'q' 100%", "Zhang_San%", std::nullopt});
    }
    std::string DataHashes() {
        std::string all;
        for (const char* f : {"main_data.tdb", "other_data.tdb", "ferix_config.data"})
            all += ReadFile(fs::path("Data") / f) + "\x01";
        return all;
    }
    // The folder is as it was, and the database holds none of this program's tables.
    void ExpectNothingChanged(const std::string& hashes, const std::string& conninfo) {
        EXPECT_EQ(DataHashes(), hashes);
        EXPECT_FALSE(fs::exists(Dir() / "Data" / "main_data.tdb.bak"));
        EXPECT_FALSE(fs::exists(Dir() / "Data" / "other_data.tdb.bak"));
        EXPECT_FALSE(fs::exists(ServerConfigPath(Dir())));
        EXPECT_EQ(ServerValue(conninfo,
                              "SELECT count(*) FROM pg_class c JOIN pg_namespace n ON"
                              " n.oid = c.relnamespace WHERE n.nspname = current_schema()"),
                  "0");
    }
};

TEST_F(CopyToServerTest, EveryRowAndTextArrivesAsInTheFilesAndTheFolderSwitches) {
    AddAwkwardRows();
    const std::string mainBefore = DumpFile(MainFile());
    const std::string otherBefore = DumpFile(OtherFile());
    const std::string config = ReadFile("Data/ferix_config.data");
    const std::string conninfo = EmptyServerSchema();

    CopyToServerSummary summary;
    ASSERT_EQ(CopyFolderToServer(conninfo, &summary), AdminResult::Done)
        << ::testing::PrintToString(m_port.Texts());
    EXPECT_TRUE(m_port.Texts().empty());
    // 3 operator tables + 7 of the first version, 4 trade kinds with their lines, transfers,
    // receipts and payments, write tokens, the journal and its head; the 4 role tables; the
    // goods' units; opening stock; the 2 order kinds with their lines; the 2 monthly summaries.
    EXPECT_EQ(summary.tables, 3 + 7 + 8 + 1 + 1 + 3 + 4 + 1 + 1 + 4 + 2);
    // admin and Zhang_San%, the settings row, one log entry; 3 goods, a unit, a line, a receipt;
    // the 5 preset roles with their rights (37 + 32 + 9 + 7 + 8) and hidden prices (2 + 3).
    EXPECT_EQ(summary.rows, 4 + 6 + 5 + 93 + 5);

    const fs::path mainBak = Dir() / "Data" / "main_data.tdb.bak";
    const fs::path otherBak = Dir() / "Data" / "other_data.tdb.bak";
    EXPECT_FALSE(fs::exists(MainFile()));
    EXPECT_FALSE(fs::exists(OtherFile()));
    EXPECT_EQ(DumpFile(mainBak), mainBefore);
    EXPECT_EQ(DumpFile(otherBak), otherBefore);
    EXPECT_EQ(ReadFile("Data/ferix_config.data.bak"), config);
    EXPECT_EQ(DumpServer(conninfo, FileTables(mainBak)), mainBefore);
    // The server's log holds the file's entries and the copy's own, written with the rows.
    std::string otherAfter = otherBefore;
    otherAfter.insert(otherAfter.find("table Manage:"),
                      std::string("'9','") + kCopiedToServerEvent + "','','" +
                          FormatNow("%y-%m-%d %H:%M:%S") + "',\n");
    EXPECT_EQ(DumpServer(conninfo, FileTables(otherBak)), otherAfter);
    std::string hex;
    for (unsigned char c : config) {
        static const char* digits = "0123456789abcdef";
        hex += digits[c >> 4];
        hex += digits[c & 15];
    }
    EXPECT_EQ(ServerValue(conninfo, "SELECT encode(content, 'hex') FROM ferix_config"
                                    " WHERE name = 'ferix_config.data'"),
              hex);

    // The indexes are those a new server folder gets, whatever order they were built in.
    const std::string fresh = EmptyServerSchema();
    std::string error;
    ASSERT_TRUE(CreateServerData(fresh, HashPassword(""), "26-12-07", &error)) << error;
    const std::string indexes =
        "SELECT string_agg(replace(indexdef, schemaname || '.', ''), E'\\n' ORDER BY indexname)"
        " FROM pg_indexes WHERE schemaname = current_schema()";
    EXPECT_EQ(ServerValue(conninfo, indexes), ServerValue(fresh, indexes));
    EXPECT_NE(ServerValue(conninfo, indexes).find("ix_enterstock_detail_bill ON enterstock_detail"),
              std::string::npos);

    const ServerConfig conf = ReadServerConfig(Dir());
    EXPECT_EQ(conf.conninfo, conninfo);
    EXPECT_EQ(conf.error, "");
    struct stat st {};
    ASSERT_EQ(::stat(ServerConfigPath(Dir()).c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);

    // The folder now works on the server, numbering on after the copied ids; names that
    // differ only in case stay one operator.
    CDataStore store;
    ASSERT_TRUE(store.ConnectMain());
    EXPECT_TRUE(store.IsServer());
    GoodsRecord goods;
    goods.Code = "D";
    goods.ProductName = "new";
    EXPECT_TRUE(store.AddGoods(goods));
    EXPECT_EQ(ServerValue(conninfo, "SELECT Id FROM ferix_product WHERE Code = 'D'"), "13");
    CDataStore other;
    ASSERT_TRUE(other.ConnectOther());
    EXPECT_TRUE(other.CheckLogin("admin", ""));
    EXPECT_TRUE(other.AddUser("王五", "", ""));
    EXPECT_EQ(ServerValue(conninfo, "SELECT id FROM Manage WHERE UserName = '王五'"), "5");
    m_port.Clear();
    EXPECT_FALSE(other.AddUser("zhang_san%", "", ""));
    EXPECT_EQ(ServerValue(conninfo, "SELECT count(*) FROM Manage"), "3");
}

TEST_F(CopyToServerTest, AFailureAtAnyStepLeavesTheServerEmptyAndTheFolderAsItWas) {
    AddAwkwardRows();
    const std::string hashes = DataHashes();
    const std::string conninfo = EmptyServerSchema();
    // The statements the copy runs on the files fail in turn: each of the first six (the
    // transactions, version reads and table lists), then every fourth, which falls on each
    // table's columns, rows and count in turn, until none is left.
    int lastFailed = 0, failures = 0;
    for (int k = 1; k < 500; k += k < 6 ? 1 : 4) {
        m_port.Clear();
        CDataStore::FailStatementForTest(k);
        const AdminResult result = CopyFolderToServer(conninfo);
        CDataStore::FailStatementForTest(0);
        if (result == AdminResult::Done)
            break;
        SCOPED_TRACE("failing statement " + std::to_string(k));
        lastFailed = k;
        ++failures;
        EXPECT_EQ(result, AdminResult::Failed);
        ASSERT_EQ(m_port.Texts().size(), 1u);
        EXPECT_TRUE(m_port.Texts()[0].starts_with(kCopyFailedText)) << m_port.Texts()[0];
        EXPECT_NE(m_port.Texts()[0].find(kCopyNothingChangedText), std::string::npos);
        ExpectNothingChanged(hashes, conninfo);
        if (HasFailure())
            return;
    }
    // Per file a transaction, a version read and the table list, then per table its columns,
    // its rows and its count: 3 + 3 + 3 * (7 + 28) = 111 statements; the 110th is the last one
    // tried that fails, the run at 114 succeeds.
    EXPECT_EQ(lastFailed, 110);
    EXPECT_EQ(failures, 6 + 26);
    EXPECT_FALSE(fs::exists(MainFile()));
    EXPECT_TRUE(fs::exists(ServerConfigPath(Dir())));
}

TEST_F(CopyToServerTest, AValueTheServerRejectsHalfWayThroughATableUndoesEverything) {
    AddAwkwardRows();
    // A text holding a NUL byte, which the server's texts cannot hold, after rows it took.
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open_v2(MainFile().c_str(), &db, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, "insert into ferix_product(Code, Note) values('Z', ?)", -1, &st,
                       nullptr);
    sqlite3_bind_text(st, 1, "a\0b", 3, SQLITE_STATIC);
    EXPECT_EQ(sqlite3_step(st), SQLITE_DONE);
    sqlite3_finalize(st);
    sqlite3_close(db);
    const std::string hashes = DataHashes();
    const std::string conninfo = EmptyServerSchema();

    EXPECT_EQ(CopyFolderToServer(conninfo), AdminResult::Failed);
    ASSERT_EQ(m_port.Texts().size(), 1u);
    EXPECT_TRUE(m_port.Texts()[0].starts_with(std::string(kCopyFailedText) + "表 ferix_product："))
        << m_port.Texts()[0];
    ExpectNothingChanged(hashes, conninfo);
}

TEST_F(CopyToServerTest, ACopyIsRefusedIntoAFilledDatabaseOverOldCopiesAndFromAServerFolder) {
    const std::string hashes = DataHashes();
    // A database that already holds this program's tables.
    const std::string filled = EmptyServerSchema();
    std::string error;
    ASSERT_TRUE(CreateServerData(filled, HashPassword(""), "26-12-07", &error)) << error;
    EXPECT_EQ(CopyFolderToServer(filled), AdminResult::Refused);
    EXPECT_EQ(m_port.Texts(), std::vector<std::string>{kCopyServerNotEmptyText});
    EXPECT_EQ(DataHashes(), hashes);
    EXPECT_FALSE(fs::exists(ServerConfigPath(Dir())));
    EXPECT_EQ(ServerValue(filled, "SELECT count(*) FROM Manage"), "1");

    // A kept copy of an earlier move is never overwritten.
    const std::string empty = EmptyServerSchema();
    { std::ofstream(Dir() / "Data" / "other_data.tdb.bak") << "earlier"; }
    m_port.Clear();
    EXPECT_EQ(CopyFolderToServer(empty), AdminResult::Refused);
    ASSERT_EQ(m_port.Texts().size(), 1u);
    EXPECT_TRUE(m_port.Texts()[0].starts_with("Data/other_data.tdb.bak 已存在"));
    EXPECT_EQ(ReadFile("Data/other_data.tdb.bak"), "earlier");
    fs::remove(Dir() / "Data" / "other_data.tdb.bak");
    ExpectNothingChanged(hashes, empty);

    // A malformed connection string is refused without being quoted.
    m_port.Clear();
    EXPECT_EQ(CopyFolderToServer("host=/tmp password=secret 'unclosed"), AdminResult::Refused);
    EXPECT_EQ(m_port.Texts(), std::vector<std::string>{kCopyBadConninfoText});
    ExpectNothingChanged(hashes, empty);

    // A folder whose data is on a server already.
    ASSERT_EQ(CopyFolderToServer(empty), AdminResult::Done);
    m_port.Clear();
    EXPECT_EQ(CopyFolderToServer(EmptyServerSchema()), AdminResult::Refused);
    EXPECT_EQ(m_port.Texts(), std::vector<std::string>{kCopyFolderOnServerText});
}
