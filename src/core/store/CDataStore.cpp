#include "CDataStore.h"

#include "Schema.h"
#include "app/MessagePort.h"

#include <fstream>

namespace {
int g_failAt = 0;
int g_statementCount = 0;

std::string ProgramPath(const char* relative) {
    return (std::filesystem::current_path() / relative).string();
}
} // namespace

CDataStore::CDataStore() = default;

CDataStore::~CDataStore() {
    m_statements.clear();
    if (m_db)
        sqlite3_close_v2(m_db);
}

bool CDataStore::ConnectMain() {
    return Connect("Data/main_data.tdb", "select * from ferix_product");
}

bool CDataStore::ConnectOther() {
    return Connect("Data/other_data.tdb", "select * from Manage");
}

bool CDataStore::Connect(const char* relativePath, const char* initialStatement) {
    m_statements.clear();
    if (m_db) {
        sqlite3_close_v2(m_db);
        m_db = nullptr;
    }
    auto fail = [&](const std::string& error) {
        m_lastError = error;
        if (m_db) {
            sqlite3_close_v2(m_db);
            m_db = nullptr;
        }
        Messages().Inform("连接数据库失败!\r\n错误信息:" + error);
        return false;
    };
    std::string path;
    try {
        path = ProgramPath(relativePath);
    } catch (const std::exception& e) {
        return fail(e.what());
    }
    // No SQLITE_OPEN_CREATE: a missing data file must not be replaced by an empty one.
    // No mutex: a store serves one action on one thread, and a locked call per column read
    // costs a tenth of a long list's loading time.
    int rc =
        sqlite3_open_v2(path.c_str(), &m_db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK)
        return fail(std::string(m_db ? sqlite3_errmsg(m_db) : sqlite3_errstr(rc)) + " (" + path +
                    ")");
    sqlite3_busy_timeout(m_db, 5000);
    std::string error;
    if (!UpgradeSchema(m_db, relativePath, &error))
        return fail(error);
    // The first statement on the file proves it is a data file of this program.
    CStatement probe;
    if (!probe.Prepare(m_db, initialStatement))
        return fail(sqlite3_errmsg(m_db));
    return true;
}

bool CDataStore::CountAndCheckFault() {
    ++g_statementCount;
    if (g_failAt > 0 && g_statementCount == g_failAt) {
        m_lastError = "injected fault at statement " + std::to_string(g_failAt);
        m_lastErrorCode = SQLITE_IOERR;
        return false;
    }
    return true;
}

void CDataStore::Fail(int code) {
    // The extended code tells a unique key apart from the other constraints.
    const int extended = m_db ? sqlite3_extended_errcode(m_db) : code;
    m_lastErrorCode = (extended & 0xff) == (code & 0xff) ? extended : code;
    m_lastError = m_db ? sqlite3_errmsg(m_db) : sqlite3_errstr(code);
}

std::string CDataStore::LastErrorCodeText() const {
    return sqlite3_errstr(m_lastErrorCode ? m_lastErrorCode : SQLITE_ERROR);
}

void CDataStore::FailStatementForTest(int k) {
    g_failAt = k;
    g_statementCount = 0;
}

int CDataStore::StatementCountForTest() {
    return g_statementCount;
}

bool CDataStore::Run(const std::string& sql, const SqlValues& values,
                     const std::function<void(const CStatement&)>& onRow) {
    if (!m_db) {
        m_lastError = "not connected";
        m_lastErrorCode = SQLITE_MISUSE;
        return false;
    }
    if (!CountAndCheckFault())
        return false;
    // A statement still stepping (a run started from inside onRow) cannot be reused: such a
    // nested run gets a statement of its own.
    CStatement nested;
    CStatement* st = nullptr;
    auto it = m_statements.find(sql);
    if (it == m_statements.end()) {
        CStatement fresh;
        if (!fresh.Prepare(m_db, sql)) {
            Fail(sqlite3_errcode(m_db));
            return false;
        }
        st = &m_statements.emplace(sql, std::move(fresh)).first->second;
    } else if (sqlite3_stmt_busy(it->second.Handle())) {
        if (!nested.Prepare(m_db, sql)) {
            Fail(sqlite3_errcode(m_db));
            return false;
        }
        st = &nested;
    } else {
        st = &it->second;
    }
    st->BindAll(values);
    bool ok = false;
    for (;;) {
        int rc = st->Step();
        if (rc == SQLITE_ROW) {
            if (onRow)
                onRow(*st);
            continue;
        }
        ok = rc == SQLITE_DONE;
        if (!ok)
            Fail(rc);
        break;
    }
    st->Reset();
    return ok;
}

std::optional<CStatement> CDataStore::Prepare(const std::string& sql) {
    if (!m_db) {
        m_lastError = "not connected";
        return std::nullopt;
    }
    CStatement st;
    if (!st.Prepare(m_db, sql)) {
        Fail(sqlite3_errcode(m_db));
        return std::nullopt;
    }
    return st;
}

bool CDataStore::StepDone(CStatement& stmt) {
    if (!CountAndCheckFault()) {
        stmt.Reset();
        return false;
    }
    int rc;
    while ((rc = stmt.Step()) == SQLITE_ROW) {
    }
    bool ok = rc == SQLITE_DONE;
    if (!ok)
        Fail(rc);
    stmt.Reset();
    return ok;
}

bool CDataStore::Begin() {
    return Run("BEGIN IMMEDIATE", {});
}

bool CDataStore::Commit() {
    return Run("COMMIT", {});
}

void CDataStore::Rollback() {
    if (m_db && !sqlite3_get_autocommit(m_db))
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
}

int64_t CDataStore::Changes() const {
    return m_db ? sqlite3_changes64(m_db) : 0;
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
    default:
        break;
    }
    return false;
}
