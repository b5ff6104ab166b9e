#include "CDataStore.h"

#include "Schema.h"
#include "ServerConfig.h"
#include "port/FailureText.h"
#include "port/MessagePort.h"

#include <atomic>
#include <cctype>
#include <fstream>
#include <string_view>

namespace {
// Atomic: two stores on two threads (two workstations in one test) both count.
std::atomic<int> g_failAt = 0;
std::atomic<int> g_statementCount = 0;
std::atomic<int> g_hookAt = 0;
std::atomic<bool> g_loseCommitReply = false;
std::atomic<bool> g_silentAfterLoss = false;
// What a statement whose reply the test seam lost fails with, worded as the server engine's.
constexpr const char* kLostConnectionText = "与数据库服务器的连接已断开：回应在途中丢失（测试）";
std::function<void(int)> g_hook;
std::atomic<CDataStore::JournalBuilder> g_journalBuilder = nullptr;

std::string ProgramPath(const char* relative) {
    return (std::filesystem::current_path() / relative).string();
}

// How long a write waits for a restore other workstations run before it gives up.
constexpr int kRestoreWaitSeconds = 120;

bool IsBeginText(const std::string& sql) {
    return sql == "BEGIN" || sql == "BEGIN IMMEDIATE";
}

// A statement that writes: its first word.
bool IsWriteText(const std::string& sql) {
    size_t at = sql.find_first_not_of(" \t\r\n");
    if (at == std::string::npos)
        return false;
    std::string word;
    for (; at < sql.size() && std::isalpha(static_cast<unsigned char>(sql[at])); ++at)
        word += static_cast<char>(std::tolower(static_cast<unsigned char>(sql[at])));
    return word == "insert" || word == "update" || word == "delete" || word == "replace";
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

bool CDataStore::Reconnect() {
    if (!m_relativePath)
        return false;
    if (m_silentForTest) {
        m_lastError = kLostConnectionText;
        return false;
    }
    CHeldMessages quiet; // the caller says what a failed reconnect means for its action
    return Connect(m_relativePath, m_initialStatement);
}

bool CDataStore::ConnectBeside(const CDataStore& other) {
    if (!other.m_relativePath || !other.m_engine || other.m_engine->InTransaction())
        return false;
    CHeldMessages quiet;
    if (!Connect(other.m_relativePath, other.m_initialStatement))
        return false;
    if (IsServer() == other.IsServer())
        return true;
    m_engine.reset(); // the folder changed meanwhile: not the same data
    return false;
}

bool CDataStore::Connect(const char* relativePath, const char* initialStatement) {
    m_writeLock.Unlock();
    m_engine.reset();
    m_lockFile.clear();
    m_lostForTest = false;
    m_relativePath = relativePath;
    m_initialStatement = initialStatement;
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
    if (!server.present)
        m_lockFile = WriteLockPath(std::filesystem::current_path());
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
    // Claimed once, whichever thread's statement it is (a reader may run one beside this one).
    int hookAt = count;
    if (count > 0 && g_hookAt.compare_exchange_strong(hookAt, 0))
        g_hook(m_engine->ServerProcess());
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

std::string CDataStore::ErrorDetail() const {
    if (ConnectionLost())
        return m_lastError;
    return LastErrorCodeText() + "+" + m_lastError;
}

void CDataStore::FailStatementForTest(int k) {
    g_failAt = k;
    g_statementCount = 0;
    g_hookAt = 0;
    g_loseCommitReply = false;
    g_silentAfterLoss = false;
}

void CDataStore::LoseCommitReplyForTest(bool silent) {
    g_loseCommitReply = true;
    g_silentAfterLoss = silent;
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
    if (m_lostForTest) {
        m_lastError = kLostConnectionText;
        m_lastErrorCode = SQLITE_IOERR;
        return false;
    }
    if (values.empty() && IsBeginText(sql))
        return BeginWrite(sql);
    // A write on its own is a transaction of its own, and so waits for a restore as well.
    const bool ownTransaction = !m_engine->InTransaction() && IsWriteText(sql);
    if (ownTransaction && !BeginWrite("BEGIN IMMEDIATE"))
        return false;
    const bool loseReply = sql == "COMMIT" && g_loseCommitReply.exchange(false);
    bool ok = m_engine->Run(sql, values, onRow);
    if (ok && ownTransaction)
        ok = m_engine->Run("COMMIT", {}, {});
    if (!ok) {
        TakeEngineError();
        if (ownTransaction)
            m_engine->Rollback();
    }
    ReleaseWriteLockAfter();
    if (loseReply) {
        m_lostForTest = true;
        m_silentForTest = g_silentAfterLoss.exchange(false);
        m_lastError = kLostConnectionText;
        m_lastErrorCode = SQLITE_IOERR;
        return false;
    }
    if (ok)
        return true;
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

bool CDataStore::BeginWrite(const std::string& sql) {
    std::string error;
    if (!m_lockFile.empty() && !m_writeLock.LockShared(m_lockFile, kRestoreWaitSeconds, &error)) {
        m_lastError = error;
        m_lastErrorCode = SQLITE_BUSY;
        return false;
    }
    bool ok = m_engine->Run(sql, {}, {});
    if (ok && m_engine->IsServer()) {
        // First in the transaction: a restore's exclusive hold makes it wait here, before it
        // has read anything the restore replaces.
        ok = m_engine->Run(
            "select pg_advisory_xact_lock_shared(" + std::to_string(kWriteLockKey) + ")", {}, {});
        if (!ok) {
            TakeEngineError();
            m_engine->Rollback();
            return false;
        }
    }
    if (!ok) {
        TakeEngineError();
        ReleaseWriteLockAfter();
    }
    return ok;
}

void CDataStore::ReleaseWriteLockAfter() {
    if (m_writeLock.Held() && !(m_engine && m_engine->InTransaction()))
        m_writeLock.Unlock();
}

bool CDataStore::Commit() {
    return Run("COMMIT", {});
}

void CDataStore::Rollback() {
    if (m_engine)
        m_engine->Rollback();
    ReleaseWriteLockAfter();
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
    // The statement did not fail, the connection did: the statement would only hide that.
    if (ConnectionLost()) {
        Messages().Inform(m_lastError);
        return false;
    }
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
    case SQLITE_BUSY:
        // A restore on another workstation kept the data past the wait.
        if (m_lastError == kRestoreBusyText)
            Messages().Inform(m_lastError);
        break;
    default:
        break;
    }
    return false;
}
