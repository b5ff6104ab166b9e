#include "CDataStore.h"

#include "Schema.h"
#include "ServerConfig.h"
#include "port/FailureText.h"
#include "port/MessagePort.h"

#include <atomic>
#include <fstream>
#include <string_view>

namespace {
// Atomic: two stores on two threads (two workstations in one test) both count.
std::atomic<int> g_failAt = 0;
std::atomic<int> g_statementCount = 0;
int g_hookAt = 0;
std::function<void(int)> g_hook;
std::atomic<CDataStore::JournalBuilder> g_journalBuilder = nullptr;

std::string ProgramPath(const char* relative) {
    return (std::filesystem::current_path() / relative).string();
}
} // namespace

CDataStore::CDataStore() = default;

CDataStore::~CDataStore() = default;

bool CDataStore::ConnectMain() {
    return Connect("Data/main_data.tdb", "select * from ferix_product");
}

bool CDataStore::ConnectOther() {
    return Connect("Data/other_data.tdb", "select * from Manage");
}

bool CDataStore::Connect(const char* relativePath, const char* initialStatement) {
    m_engine.reset();
    // Takes its text by value: it may be the engine's own, which the reset destroys.
    auto fail = [&](std::string error) {
        m_engine.reset();
        m_lastError = error;
        Messages().Inform(ConnectFailureText(error));
        return false;
    };
    std::string path;
    ServerConfig server;
    try {
        path = ProgramPath(relativePath);
        server = ReadServerConfig(std::filesystem::current_path());
    } catch (const std::exception& e) {
        return fail(e.what());
    }
    if (server.present && !server.error.empty())
        return fail(server.error);
    std::string error;
    const bool main = std::string_view(relativePath).find("main_data") != std::string_view::npos;
    m_engine = server.present ? OpenServerEngine(server.conninfo, main, &error)
                              : OpenSqliteEngine(path, relativePath, &error);
    if (!m_engine)
        return fail(error);
    // The first statement on the file proves it is a data file of this program.
    if (!m_engine->Probe(initialStatement))
        return fail(m_engine->Error());
    if (m_engine->JournalUnbuilt()) {
        const JournalBuilder build = g_journalBuilder;
        if (build && !build(*this))
            return fail(m_lastError);
    }
    return true;
}

void CDataStore::SetJournalBuilder(JournalBuilder builder) {
    g_journalBuilder = builder;
}

bool CDataStore::CountAndCheckFault() {
    const int count = ++g_statementCount;
    if (g_hookAt > 0 && count == g_hookAt) {
        g_hookAt = 0;
        g_hook(m_engine->ServerProcess());
    }
    const int failAt = g_failAt;
    if (failAt > 0 && count == failAt) {
        m_lastError = "injected fault at statement " + std::to_string(failAt);
        m_lastErrorCode = SQLITE_IOERR;
        return false;
    }
    return true;
}

void CDataStore::TakeEngineError() {
    m_lastError = m_engine->Error();
    m_lastErrorCode = m_engine->ErrorCode();
}

std::string CDataStore::LastErrorCodeText() const {
    return sqlite3_errstr(m_lastErrorCode ? m_lastErrorCode : SQLITE_ERROR);
}

void CDataStore::FailStatementForTest(int k) {
    g_failAt = k;
    g_statementCount = 0;
    g_hookAt = 0;
}

void CDataStore::BeforeStatementForTest(int k, std::function<void(int)> action) {
    g_hook = std::move(action);
    g_hookAt = k;
    g_statementCount = 0;
}

int CDataStore::StatementCountForTest() {
    return g_statementCount;
}

bool CDataStore::Run(const std::string& sql, const SqlValues& values,
                     const std::function<void(const CStatement&)>& onRow) {
    if (!m_engine) {
        m_lastError = "not connected";
        m_lastErrorCode = SQLITE_MISUSE;
        return false;
    }
    if (!CountAndCheckFault())
        return false;
    if (m_engine->Run(sql, values, onRow))
        return true;
    TakeEngineError();
    // A file never conflicts: its write lock makes the other program wait (busy time-out).
    if (m_inAttempt && !m_conflict && m_engine->IsServer() &&
        (m_lastErrorCode == SQLITE_BUSY || m_lastErrorCode == SQLITE_CONSTRAINT_UNIQUE))
        m_conflict = m_lastErrorCode;
    return false;
}

void CDataStore::StartAttempt() {
    m_inAttempt = true;
    m_conflict = 0;
}

void CDataStore::EndAttempts() {
    m_inAttempt = false;
    m_conflict = 0;
}

bool CDataStore::LockBillNumber(BillTable table, const std::string& number) {
    if (!IsServer())
        return true;
    return Run("select pg_advisory_xact_lock(hashtextextended(?, 0))",
               {std::string(BillTableName(table)) + ":" + number});
}

bool CDataStore::Begin() {
    return Run("BEGIN IMMEDIATE", {});
}

bool CDataStore::Commit() {
    return Run("COMMIT", {});
}

void CDataStore::Rollback() {
    if (m_engine)
        m_engine->Rollback();
}

int64_t CDataStore::Changes() const {
    return m_engine ? m_engine->Changes() : 0;
}

bool CDataStore::RunDataStep(const std::function<bool(std::string& error)>& step) {
    return CountAndCheckFault() && step(m_lastError);
}

std::string CDataStore::DescribeStatement(const std::string& sql, const SqlValues& values) {
    std::string out;
    size_t next = 0;
    bool inQuote = false;
    for (char c : sql) {
        if (c == '\'')
            inQuote = !inQuote;
        if (c == '?' && !inQuote && next < values.size()) {
            out += '\'';
            for (char v : values[next]) {
                out += v;
                if (v == '\'')
                    out += '\'';
            }
            out += '\'';
            ++next;
        } else {
            out += c;
        }
    }
    return out;
}

void CDataStore::DumpStatement(const std::string& text) {
    try {
        std::ofstream f(std::filesystem::current_path() / "sql.txt",
                        std::ios::binary | std::ios::trunc);
        f << text;
    } catch (...) {
        // The dump is a convenience; the message box already told the user.
    }
}

bool CDataStore::ExecuteSql(const std::string& sql, const SqlValues& values) {
    if (Run(sql, values))
        return true;
    if (m_conflict)
        return false; // the attempt runs again; its failure is no one's business
    std::string text = DescribeStatement(sql, values);
    DumpStatement(text);
    Messages().Inform("SQL 语句执行失败：" + text);
    // The statement does not say why it failed; these two causes are the user's to mend.
    switch (m_lastErrorCode & 0xff) {
    case SQLITE_FULL:
        Messages().Inform("磁盘已满，数据没有写入。请腾出磁盘空间后再试。");
        break;
    case SQLITE_READONLY:
        Messages().Inform("数据文件或 Data 文件夹是只读的，数据没有写入。");
        break;
    case SQLITE_IOERR:
        // The server went away: its reason, which the statement does not show.
        if (m_engine && m_engine->Lost())
            Messages().Inform(m_lastError);
        break;
    default:
        break;
    }
    return false;
}
