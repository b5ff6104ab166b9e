#include "ServerSetup.h"

#include "rights/Functions.h"
#include "store/Schema.h"
#include "store/ServerConnection.h"
#include "store/StoreEngine.h"

#include <cstdlib>
#include <string_view>

namespace {

using Result = PgResult;

// Whether the program's data already on a server can be used by this program as it stands: both
// version rows there, neither newer than this program's.
bool ServerDataJoinable(PGconn* conn, std::string* error) {
    Result r(PQexec(conn, "SELECT name, version FROM ferix_schema"));
    if (!r || PQresultStatus(r.get()) != PGRES_TUPLES_OK) {
        *error = PQerrorMessage(conn);
        return false;
    }
    for (bool mainTables : {false, true}) {
        int version = -1;
        for (int i = 0; i < PQntuples(r.get()); ++i) {
            if (std::string_view(PQgetvalue(r.get(), i, 0)) == SchemaName(mainTables))
                version = std::atoi(PQgetvalue(r.get(), i, 1));
        }
        const int current = mainTables ? kMainSchemaVersion : kOtherSchemaVersion;
        if (version < 0) {
            *error = std::string("服务器上的数据库不是本程序的数据（ferix_schema 中没有 ") +
                     SchemaName(mainTables) + "），不能连接到它。";
            return false;
        }
        if (version > current) {
            *error = "数据库由更新版本的程序创建 (version " + std::to_string(version) + ")";
            return false;
        }
    }
    return true;
}
} // namespace

bool CreateServerData(const std::string& conninfo, const std::string& adminHash,
                      const std::string& created, std::string* error,
                      std::string_view configDocument, bool* joined, bool emptyAdminPassword) {
    if (joined)
        *joined = false;
    const PgConnection conn = ConnectToServer(conninfo, error);
    if (!conn)
        return false;
    // Two workstations set up at once: the second waits for the first, then joins what it made.
    if (!ServerExec(conn.get(), "BEGIN; SELECT pg_advisory_xact_lock(hashtext('ferix_schema'))",
                    error))
        return false;
    Result existing(PQexec(conn.get(), "SELECT to_regclass('ferix_schema') IS NOT NULL"));
    if (!existing || PQresultStatus(existing.get()) != PGRES_TUPLES_OK) {
        *error = PQerrorMessage(conn.get());
        return false;
    }
    if (std::string_view(PQgetvalue(existing.get(), 0, 0)) == "t") {
        if (!joined) {
            *error = "服务器上的数据库已有本程序的数据，不能重新创建。";
            return false;
        }
        // Another workstation's data: this folder only connects to it.
        *joined = ServerDataJoinable(conn.get(), error);
        ServerExec(conn.get(), "ROLLBACK", nullptr);
        return *joined;
    }
    // Another program's tables: ours are made only where they cannot clash or mix with them.
    Result foreign(PQexec(conn.get(), "SELECT min(tablename) FROM pg_tables"
                                      " WHERE schemaname = current_schema()"));
    if (!foreign || PQresultStatus(foreign.get()) != PGRES_TUPLES_OK) {
        *error = PQerrorMessage(conn.get());
        return false;
    }
    if (!PQgetisnull(foreign.get(), 0, 0)) {
        *error = std::string("服务器上的数据库已有其他程序的表（") +
                 PQgetvalue(foreign.get(), 0, 0) + "），不能在其中创建本程序的数据。";
        return false;
    }
    if (emptyAdminPassword) {
        *error = kEmptyAdminPasswordText;
        return false;
    }
    const char* values[] = {"admin", adminHash.c_str(), created.c_str(), ""};
    auto insert = [&](const char* sql, int count) {
        Result r(PQexecParams(conn.get(), ServerStatementText(sql).c_str(), count, nullptr, values,
                              nullptr, nullptr, 0));
        if (r && PQresultStatus(r.get()) == PGRES_COMMAND_OK)
            return true;
        *error = PQerrorMessage(conn.get());
        return false;
    };
    // The document goes as binary bytes: in any encoding it is stored exactly as its file.
    auto insertDocument = [&] {
        if (configDocument.empty())
            return true;
        const char* params[] = {configDocument.data()};
        const int lengths[] = {static_cast<int>(configDocument.size())};
        const int formats[] = {1};
        Result r(PQexecParams(conn.get(),
                              "INSERT INTO ferix_config(name, content) VALUES "
                              "('ferix_config.data', $1)",
                              1, nullptr, params, lengths, formats, 0));
        if (r && PQresultStatus(r.get()) == PGRES_COMMAND_OK)
            return true;
        *error = PQerrorMessage(conn.get());
        return false;
    };
    // Leaving without COMMIT rolls all of it back when the connection closes.
    return CreateServerSchema(conn.get(), false, error) &&
           ServerExec(conn.get(), PresetRolesSql(), error) &&
           CreateServerSchema(conn.get(), true, error) && insert(kAddFirstOperator, 4) &&
           insert(kAddFirstSettings, 0) && insertDocument() &&
           ServerExec(conn.get(), "COMMIT", error);
}
