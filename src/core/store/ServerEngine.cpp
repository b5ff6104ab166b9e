// The server engine: one libpq connection to a PostgreSQL database holding both sets of tables.
#include "Schema.h"
#include "ServerConnection.h"
#include "StoreEngine.h"

#include <sqlite3.h>

#include <cstdlib>
#include <map>
#include <mutex>
#include <optional>
#include <string_view>
#include <vector>

#include <unistd.h>

namespace {

using Result = PgResult;

// Server failures in the store's own codes, so that a taken key, a full disk or a read-only
// database are told the same as with a file.
int CodeOfState(const char* state) {
    const std::string s = state ? state : "";
    if (s == "23505")
        return SQLITE_CONSTRAINT_UNIQUE;
    if (s.starts_with("23"))
        return SQLITE_CONSTRAINT;
    if (s == "53100")
        return SQLITE_FULL;
    if (s == "25006")
        return SQLITE_READONLY;
    if (s == "40001" || s == "40P01" || s == "55P03")
        return SQLITE_BUSY;
    if (s.starts_with("08") || s.starts_with("57P") || s.empty())
        return SQLITE_IOERR;
    return SQLITE_ERROR;
}

// A connection with the statements prepared on it.
struct Session {
    PGconn* conn = nullptr;
    std::string conninfo;
    std::map<std::string, std::string> prepared;
    pid_t owner = 0; // the process that connected: a forked child must not use its parent's
    bool setsChanged = false; // a SET ran: the next action must start from the defaults
};

// Connections kept open between user actions. Every action makes its own store, and connecting
// (authentication, encryption on a network) costs more than most actions; a kept connection is
// used again only when it is idle, healthy and the schema check on it passes.
class CSessionPool {
public:
    ~CSessionPool() {
        for (Session& s : m_idle)
            Close(s);
    }

    std::optional<Session> Take(const std::string& conninfo) {
        std::lock_guard lock(m_mutex);
        for (auto it = m_idle.begin(); it != m_idle.end(); ++it) {
            if (it->conninfo == conninfo && it->owner == ::getpid()) {
                Session s = std::move(*it);
                m_idle.erase(it);
                return s;
            }
        }
        return std::nullopt;
    }

    void Give(Session s) {
        if (PQstatus(s.conn) != CONNECTION_OK || PQtransactionStatus(s.conn) != PQTRANS_IDLE ||
            s.owner != ::getpid()) {
            Close(s);
            return;
        }
        if (s.setsChanged) {
            Result reset(PQexec(s.conn, "RESET ALL"));
            if (!reset || PQresultStatus(reset.get()) != PGRES_COMMAND_OK) {
                Close(s);
                return;
            }
            s.setsChanged = false;
        }
        std::lock_guard lock(m_mutex);
        m_idle.push_back(std::move(s));
        while (m_idle.size() > kKept) {
            Close(m_idle.front());
            m_idle.erase(m_idle.begin());
        }
    }

    void CloseAll() {
        std::lock_guard lock(m_mutex);
        for (Session& s : m_idle)
            Close(s);
        m_idle.clear();
    }

    static void Close(Session& s) {
        if (!s.conn)
            return;
        // A connection inherited through fork belongs to the parent: closing it properly would
        // end the parent's session on the server.
        if (s.owner != ::getpid())
            ::close(PQsocket(s.conn));
        PQfinish(s.conn);
        s.conn = nullptr;
    }

private:
    // The main and the other tables' stores of one folder.
    static constexpr size_t kKept = 2;
    std::mutex m_mutex;
    std::vector<Session> m_idle;
};

CSessionPool& Pool() {
    static CSessionPool pool;
    return pool;
}

class CServerEngine final : public CStoreEngine {
public:
    ~CServerEngine() override {
        if (m_s.conn)
            Pool().Give(std::move(m_s));
    }

    bool Open(const std::string& conninfo, bool mainTables, std::string* error) {
        // A kept connection that fails its check (the server restarted meanwhile) is dropped
        // and a new one made; a check that fails on a healthy connection is the answer.
        if (auto kept = Pool().Take(conninfo)) {
            m_s = std::move(*kept);
            if (UpgradeServerSchema(m_s.conn, mainTables, error) && CheckJournal(mainTables, error))
                return true;
            if (PQstatus(m_s.conn) == CONNECTION_OK)
                return false;
            CSessionPool::Close(m_s);
            m_s = Session();
        }
        m_s.conninfo = conninfo;
        m_s.owner = ::getpid();
        m_s.conn = ConnectToServer(conninfo, error).release();
        return m_s.conn && UpgradeServerSchema(m_s.conn, mainTables, error) &&
               CheckJournal(mainTables, error);
    }

    bool CheckJournal(bool mainTables, std::string* error) {
        return !mainTables || ServerJournalUnbuilt(m_s.conn, &m_journalUnbuilt, error);
    }

    bool Run(const std::string& sql, const SqlValues& values, const RowReader& onRow) override {
        Result result;
        if (sql.size() > 4 && (sql.starts_with("set ") || sql.starts_with("SET ")))
            m_s.setsChanged = true;
        if (values.empty() && IsTransactionControl(sql)) {
            result.reset(PQexec(m_s.conn, ServerStatementText(sql).c_str()));
        } else {
            const std::string* name = Prepared(sql);
            if (!name)
                return false;
            std::vector<const char*> params;
            params.reserve(values.size());
            for (const auto& v : values)
                params.push_back(v.c_str());
            result.reset(PQexecPrepared(m_s.conn, name->c_str(), static_cast<int>(params.size()),
                                        params.data(), nullptr, nullptr, 0));
        }
        const ExecStatusType status = result ? PQresultStatus(result.get()) : PGRES_FATAL_ERROR;
        if (status == PGRES_TUPLES_OK) {
            if (onRow) {
                const int rows = PQntuples(result.get());
                CStatement row = CStatement::ServerRow(result.get(), 0);
                for (int i = 0; i < rows; ++i) {
                    row.SetServerRow(i);
                    onRow(row);
                }
            }
            return true;
        }
        // A COMMIT of a transaction a failed statement has spoilt is answered "ROLLBACK": the
        // bill was not stored, and that is a failure.
        if (status == PGRES_COMMAND_OK && sql == "COMMIT" &&
            std::string_view(PQcmdStatus(result.get())) == "ROLLBACK") {
            SetError("transaction rolled back", SQLITE_ABORT);
            return false;
        }
        if (status == PGRES_COMMAND_OK) {
            const char* tuples = PQcmdTuples(result.get());
            if (tuples && *tuples)
                m_changes = std::strtoll(tuples, nullptr, 10);
            return true;
        }
        Fail(result.get());
        return false;
    }

    bool Probe(const std::string& sql) override {
        Result result(PQprepare(m_s.conn, "", ServerStatementText(sql).c_str(), 0, nullptr));
        if (result && PQresultStatus(result.get()) == PGRES_COMMAND_OK)
            return true;
        Fail(result.get());
        return false;
    }

    bool InTransaction() const override {
        return PQtransactionStatus(m_s.conn) != PQTRANS_IDLE &&
               PQtransactionStatus(m_s.conn) != PQTRANS_UNKNOWN;
    }

    void Rollback() override {
        if (InTransaction())
            PQclear(PQexec(m_s.conn, "ROLLBACK"));
    }

    int64_t Changes() const override { return m_changes; }
    const char* LockRowsClause() const override { return " for update"; }
    bool IsServer() const override { return true; }
    bool Lost() const override { return PQstatus(m_s.conn) != CONNECTION_OK; }
    int ServerProcess() const override { return PQbackendPID(m_s.conn); }

    // The server's own counterpart of not waiting for the disk: a crash of the server may lose
    // the last commits, never leave one half written.
    void UseFastBulkWrites() override {
        PQclear(PQexec(m_s.conn, "SET synchronous_commit = off"));
        m_s.setsChanged = true;
    }

private:
    static bool IsTransactionControl(const std::string& sql) {
        return sql == "BEGIN" || sql == "BEGIN IMMEDIATE" || sql == "COMMIT" || sql == "ROLLBACK";
    }

    // Each text is prepared once per connection, under a name of its own.
    const std::string* Prepared(const std::string& sql) {
        auto it = m_s.prepared.find(sql);
        if (it != m_s.prepared.end())
            return &it->second;
        std::string name = "s" + std::to_string(m_s.prepared.size() + 1);
        Result result(
            PQprepare(m_s.conn, name.c_str(), ServerStatementText(sql).c_str(), 0, nullptr));
        if (!result || PQresultStatus(result.get()) != PGRES_COMMAND_OK) {
            Fail(result.get());
            return nullptr;
        }
        return &m_s.prepared.emplace(sql, std::move(name)).first->second;
    }

    void Fail(const PGresult* result) {
        const char* primary =
            result ? PQresultErrorField(result, PG_DIAG_MESSAGE_PRIMARY) : nullptr;
        const char* state = result ? PQresultErrorField(result, PG_DIAG_SQLSTATE) : nullptr;
        if (PQstatus(m_s.conn) != CONNECTION_OK) {
            SetError("与数据库服务器的连接已断开：" + ServerErrorText(m_s.conn), SQLITE_IOERR);
            return;
        }
        SetError(primary ? std::string(primary) : ServerErrorText(m_s.conn), CodeOfState(state));
    }

    Session m_s;
    int64_t m_changes = 0;
};

} // namespace

std::string ServerStatementText(const std::string& sql) {
    if (sql == "BEGIN IMMEDIATE")
        return "BEGIN";
    std::string out;
    out.reserve(sql.size() + 16);
    int next = 0;
    char quote = 0;
    for (char c : sql) {
        if (quote) {
            if (c == quote)
                quote = 0;
        } else if (c == '\'' || c == '"') {
            quote = c;
        } else if (c == '?') {
            out += '$';
            out += std::to_string(++next);
            continue;
        }
        out += c;
    }
    return out;
}

void CloseKeptServerConnections() {
    Pool().CloseAll();
}

std::unique_ptr<CStoreEngine> OpenServerEngine(const std::string& conninfo, bool mainTables,
                                               std::string* error) {
    auto engine = std::make_unique<CServerEngine>();
    if (!engine->Open(conninfo, mainTables, error))
        return nullptr;
    return engine;
}
