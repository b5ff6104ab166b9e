// The SQLite engine: one connection on one data file.
#include "Schema.h"
#include "StoreEngine.h"

#include <sqlite3.h>

#include <map>

namespace {

class CSqliteEngine final : public CStoreEngine {
public:
    ~CSqliteEngine() override {
        m_statements.clear();
        if (m_db)
            sqlite3_close_v2(m_db);
    }

    bool Open(const std::string& path, const std::string& relativePath, std::string* error) {
        // No SQLITE_OPEN_CREATE: a missing data file must not be replaced by an empty one.
        // No mutex: a store serves one action on one thread, and a locked call per column read
        // costs a tenth of a long list's loading time.
        int rc = sqlite3_open_v2(path.c_str(), &m_db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX,
                                 nullptr);
        if (rc != SQLITE_OK) {
            *error =
                std::string(m_db ? sqlite3_errmsg(m_db) : sqlite3_errstr(rc)) + " (" + path + ")";
            return false;
        }
        sqlite3_busy_timeout(m_db, 5000);
        if (!UpgradeSchema(m_db, relativePath, error))
            return false;
        // A file this program did not make lacks the tables: its first statement tells.
        const bool main = relativePath.find("main_data") != std::string::npos;
        if (main && !::JournalUnbuilt(m_db, &m_journalUnbuilt, nullptr))
            m_journalUnbuilt = false;
        return true;
    }

    bool Run(const std::string& sql, const SqlValues& values, const RowReader& onRow) override {
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

    bool Probe(const std::string& sql) override {
        CStatement probe;
        if (probe.Prepare(m_db, sql))
            return true;
        Fail(sqlite3_errcode(m_db));
        return false;
    }

    bool InTransaction() const override { return !sqlite3_get_autocommit(m_db); }

    void Rollback() override {
        if (InTransaction())
            sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
    }

    int64_t Changes() const override { return sqlite3_changes64(m_db); }
    const char* LockRowsClause() const override { return ""; }
    bool IsServer() const override { return false; }

    // Commits stop waiting for the disk: a crash of the program still leaves every transaction
    // whole, only a power cut may lose the last ones.
    void UseFastBulkWrites() override {
        sqlite3_exec(m_db, "PRAGMA synchronous = OFF", nullptr, nullptr, nullptr);
    }

private:
    void Fail(int code) {
        // The extended code tells a unique key apart from the other constraints.
        const int extended = sqlite3_extended_errcode(m_db);
        SetError(sqlite3_errmsg(m_db), (extended & 0xff) == (code & 0xff) ? extended : code);
    }

    sqlite3* m_db = nullptr;
    // Prepared statements by their text, finalized before the connection closes.
    std::map<std::string, CStatement> m_statements;
};

} // namespace

std::unique_ptr<CStoreEngine>
OpenSqliteEngine(const std::string& path, const std::string& relativePath, std::string* error) {
    auto engine = std::make_unique<CSqliteEngine>();
    if (!engine->Open(path, relativePath, error))
        return nullptr;
    return engine;
}
