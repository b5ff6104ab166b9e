#include "ServerConnection.h"

PgConnection ConnectToServer(const std::string& conninfo, std::string* error) {
    PgConnection conn(PQconnectdb(conninfo.c_str()));
    if (!conn) {
        *error = "out of memory";
        return nullptr;
    }
    if (PQstatus(conn.get()) != CONNECTION_OK) {
        *error = ServerErrorText(conn.get());
        return nullptr;
    }
    PQsetNoticeProcessor(
        conn.get(), [](void*, const char*) {}, nullptr);
    if (PQsetClientEncoding(conn.get(), "UTF8") != 0) {
        *error = ServerErrorText(conn.get());
        return nullptr;
    }
    return conn;
}

std::string ServerErrorText(const PGconn* conn) {
    std::string e = PQerrorMessage(conn);
    while (!e.empty() && (e.back() == '\n' || e.back() == '\r' || e.back() == ' '))
        e.pop_back();
    return e;
}

std::string ConninfoValue(const std::string& value) {
    std::string out = "'";
    for (char c : value) {
        if (c == '\'' || c == '\\')
            out += '\\';
        out += c;
    }
    return out + "'";
}

bool ServerExec(PGconn* conn, const std::string& sql, std::string* error) {
    PgResult r(PQexec(conn, sql.c_str()));
    const auto status = r ? PQresultStatus(r.get()) : PGRES_FATAL_ERROR;
    if (status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK)
        return true;
    if (error) {
        const char* primary = r ? PQresultErrorField(r.get(), PG_DIAG_MESSAGE_PRIMARY) : nullptr;
        *error = primary ? primary : PQerrorMessage(conn);
    }
    return false;
}
