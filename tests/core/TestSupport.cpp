#include "TestSupport.h"

#include "store/CDataStore.h"
#include "store/ServerConfig.h"
#include "text/Clock.h"

#include <libpq-fe.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace {
const char* TestServer() {
    const char* pg = std::getenv("FERIX_TEST_PG");
    return pg && *pg ? pg : nullptr;
}

// Runs one statement on the test server as its own transaction; the error text, empty when none.
std::string ServerExec(const std::string& sql) {
    PGconn* conn = PQconnectdb(TestServer());
    std::string error;
    if (PQstatus(conn) != CONNECTION_OK) {
        error = PQerrorMessage(conn);
    } else {
        PQsetNoticeProcessor(
            conn, [](void*, const char*) {}, nullptr);
        PGresult* r = PQexec(conn, sql.c_str());
        if (PQresultStatus(r) != PGRES_COMMAND_OK)
            error = PQerrorMessage(conn);
        PQclear(r);
    }
    PQfinish(conn);
    return error;
}

// A server run without a server is skipped as a whole, saying why, never passed silently.
const bool g_serverChecked = [] {
    const char* engine = std::getenv("FERIX_TEST_ENGINE");
    if (engine && std::string(engine) == "pg" && !TestServer()) {
        std::fprintf(stderr, "SKIPPED: FERIX_TEST_ENGINE=pg but FERIX_TEST_PG is not set: no "
                             "PostgreSQL server was started (tests/pg/start_cluster.sh starts "
                             "one).\n");
        std::exit(77);
    }
    return true;
}();
} // namespace

bool ProgramFolderTest::OnServer() {
    const char* engine = std::getenv("FERIX_TEST_ENGINE");
    return g_serverChecked && engine && std::string(engine) == "pg";
}

std::string ProgramFolderTest::ServerConninfo(const std::string& schema) {
    return std::string(TestServer()) + " options='-c search_path=" + schema + "'";
}

void ProgramFolderTest::SetUp() {
    m_previous = std::filesystem::current_path();
    std::string tmpl = (std::filesystem::temp_directory_path() / "ferix-test-XXXXXX").string();
    ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
    m_dir = tmpl;
    std::filesystem::current_path(m_dir);
    App().ResetForTest();
    // 2026-12-07 09:30:15 local time
    std::tm tm{};
    tm.tm_year = 126;
    tm.tm_mon = 11;
    tm.tm_mday = 7;
    tm.tm_hour = 9;
    tm.tm_min = 30;
    tm.tm_sec = 15;
    tm.tm_isdst = -1;
    std::time_t fixed = std::mktime(&tm);
    SetClockForTest([fixed] { return fixed; });
}

void ProgramFolderTest::TearDown() {
    if (!m_schema.empty()) {
        EXPECT_EQ(ServerExec("DROP SCHEMA " + m_schema + " CASCADE"), "");
    }
    for (const auto& schema : m_emptySchemas)
        EXPECT_EQ(ServerExec("DROP SCHEMA " + schema + " CASCADE"), "");
    SetClockForTest(nullptr);
    App().ResetForTest();
    std::filesystem::current_path(m_previous);
    std::error_code ec;
    std::filesystem::permissions(m_dir, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(m_dir, ec);
}

void ProgramFolderTest::InitFolder() {
    std::string error;
    if (OnServer()) {
        static int serial = 0;
        m_schema = "ferix_t" + std::to_string(getpid()) + "_" + std::to_string(++serial);
        ASSERT_EQ(ServerExec("CREATE SCHEMA " + m_schema), "");
        std::filesystem::create_directories(m_dir / "Data");
        ASSERT_TRUE(WriteServerConfig(m_dir, ServerConninfo(m_schema), &error)) << error;
    }
    ASSERT_TRUE(CreateProgramFolder(m_dir, &error)) << error;
    // Every entry point asks the operator's role: the folder's first operator, 管理员, acts.
    CDataStore store;
    ASSERT_TRUE(store.ConnectOther());
    ASSERT_TRUE(store.CheckLogin("admin", ""));
}

std::string ProgramFolderTest::EmptyServerSchema() {
    static int serial = 0;
    const std::string schema =
        "ferix_e" + std::to_string(getpid()) + "_" + std::to_string(++serial);
    const std::string error = ServerExec("CREATE SCHEMA " + schema);
    EXPECT_EQ(error, "");
    m_emptySchemas.push_back(schema);
    return ServerConninfo(schema);
}

std::string ProgramFolderTest::ReadFile(const std::filesystem::path& relative) const {
    std::ifstream f(m_dir / relative, std::ios::binary);
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
}
