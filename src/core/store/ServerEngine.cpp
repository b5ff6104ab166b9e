// The server engine: one libpq connection to a PostgreSQL database holding both sets of tables.
#include "Schema.h"
#include "StoreEngine.h"

#include <libpq-fe.h>
#include <sqlite3.h>

#include <cstdlib>
#include <map>
#include <string_view>
#include <vector>

namespace {

struct ResultDeleter {
    void operator()(PGresult* r) const { PQclear(r); }
};
using Result = std::unique_ptr<PGresult, ResultDeleter>;

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

void IgnoreNotice(void*, const char*) {
    // "already exists, skipping" and the like are not the user's business.
}

class CServerEngine final : public CStoreEngine {
public:
    ~CServerEngine() override {
        if (m_conn)
            PQfinish(m_conn);
    }

    bool Open(const std::string& conninfo, bool mainTables, std::string* error) {
        m_conn = PQconnectdb(conninfo.c_str());
        if (!m_conn || PQstatus(m_conn) != CONNECTION_OK) {
            *error = m_conn ? TrimmedError() : std::string("out of memory");
            return false;
        }
        PQsetNoticeProcessor(m_conn, IgnoreNotice, nullptr);
        if (PQsetClientEncoding(m_conn, "UTF8") != 0) {
            *error = TrimmedError();
            return false;
        }
        return UpgradeServerSchema(m_conn, mainTables, error);
    }

    bool Run(const std::string& sql, const SqlValues& values, const RowReader& onRow) override {
        Result result;
        if (values.empty() && IsTransactionControl(sql)) {
            result.reset(PQexec(m_conn, ServerStatementText(sql).c_str()));
        } else {
            const std::string* name = Prepared(sql);
            if (!name)
                return false;
            std::vector<const char*> params;
            params.reserve(values.size());
            for (const auto& v : values)
                params.push_back(v.c_str());
            result.reset(PQexecPrepared(m_conn, name->c_str(), static_cast<int>(params.size()),
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
        Result result(PQprepare(m_conn, "", ServerStatementText(sql).c_str(), 0, nullptr));
        if (result && PQresultStatus(result.get()) == PGRES_COMMAND_OK)
            return true;
        Fail(result.get());
        return false;
    }

    bool InTransaction() const override {
        return PQtransactionStatus(m_conn) != PQTRANS_IDLE &&
               PQtransactionStatus(m_conn) != PQTRANS_UNKNOWN;
    }

    void Rollback() override {
        if (InTransaction())
            PQclear(PQexec(m_conn, "ROLLBACK"));
    }

    int64_t Changes() const override { return m_changes; }
    const char* LockRowsClause() const override { return " for update"; }
    bool IsServer() const override { return true; }
    bool Lost() const override { return PQstatus(m_conn) != CONNECTION_OK; }
    int ServerProcess() const override { return PQbackendPID(m_conn); }

    // The server's own counterpart of not waiting for the disk: a crash of the server may lose
    // the last commits, never leave one half written.
    void UseFastBulkWrites() override { PQclear(PQexec(m_conn, "SET synchronous_commit = off")); }

private:
    static bool IsTransactionControl(const std::string& sql) {
        return sql == "BEGIN" || sql == "BEGIN IMMEDIATE" || sql == "COMMIT" || sql == "ROLLBACK";
    }

    // Each text is prepared once per connection, under a name of its own.
    const std::string* Prepared(const std::string& sql) {
        auto it = m_prepared.find(sql);
        if (it != m_prepared.end())
            return &it->second;
        std::string name = "s" + std::to_string(m_prepared.size() + 1);
        Result result(
            PQprepare(m_conn, name.c_str(), ServerStatementText(sql).c_str(), 0, nullptr));
        if (!result || PQresultStatus(result.get()) != PGRES_COMMAND_OK) {
            Fail(result.get());
            return nullptr;
        }
        return &m_prepared.emplace(sql, std::move(name)).first->second;
    }

    std::string TrimmedError() const {
        std::string e = PQerrorMessage(m_conn);
        while (!e.empty() && (e.back() == '\n' || e.back() == ' '))
            e.pop_back();
        return e;
    }

    void Fail(const PGresult* result) {
        const char* primary =
            result ? PQresultErrorField(result, PG_DIAG_MESSAGE_PRIMARY) : nullptr;
        const char* state = result ? PQresultErrorField(result, PG_DIAG_SQLSTATE) : nullptr;
        if (PQstatus(m_conn) != CONNECTION_OK) {
            SetError("与数据库服务器的连接已断开：" + TrimmedError(), SQLITE_IOERR);
            return;
        }
        SetError(primary ? std::string(primary) : TrimmedError(), CodeOfState(state));
    }

    PGconn* m_conn = nullptr;
    std::map<std::string, std::string> m_prepared;
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

std::unique_ptr<CStoreEngine> OpenServerEngine(const std::string& conninfo, bool mainTables,
                                               std::string* error) {
    auto engine = std::make_unique<CServerEngine>();
    if (!engine->Open(conninfo, mainTables, error))
        return nullptr;
    return engine;
}
