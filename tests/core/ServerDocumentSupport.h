#pragma once
// The configuration document's row on a test server, read and written with libpq alone (binary
// values), so that a test sees exactly the bytes the program left there.
#include <libpq-fe.h>

#include <optional>
#include <string>

// The row's bytes; nullopt when there is no row. A failure reads as "<error: ...>".
inline std::optional<std::string> ServerDocument(const std::string& conninfo) {
    PGconn* conn = PQconnectdb(conninfo.c_str());
    const char* name[] = {"ferix_config.data"};
    PGresult* r = PQexecParams(conn, "select content from ferix_config where name = $1", 1, nullptr,
                               name, nullptr, nullptr, 1);
    std::optional<std::string> bytes;
    if (PQresultStatus(r) != PGRES_TUPLES_OK)
        bytes = "<error: " + std::string(PQerrorMessage(conn)) + ">";
    else if (PQntuples(r) == 1)
        bytes = std::string(PQgetvalue(r, 0, 0), static_cast<size_t>(PQgetlength(r, 0, 0)));
    PQclear(r);
    PQfinish(conn);
    return bytes;
}

// Puts `bytes` into the row (made when missing); the error text, empty when none.
inline std::string SetServerDocument(const std::string& conninfo, const std::string& bytes) {
    PGconn* conn = PQconnectdb(conninfo.c_str());
    const char* values[] = {bytes.data()};
    const int lengths[] = {static_cast<int>(bytes.size())};
    const int formats[] = {1};
    PGresult* r = PQexecParams(conn,
                               "insert into ferix_config(name, content) values "
                               "('ferix_config.data', $1) on conflict (name) do update set "
                               "content = excluded.content",
                               1, nullptr, values, lengths, formats, 0);
    std::string error = PQresultStatus(r) == PGRES_COMMAND_OK ? "" : PQerrorMessage(conn);
    PQclear(r);
    PQfinish(conn);
    return error;
}

// Deletes the row; the error text, empty when none.
inline std::string DeleteServerDocument(const std::string& conninfo) {
    PGconn* conn = PQconnectdb(conninfo.c_str());
    PGresult* r = PQexec(conn, "delete from ferix_config");
    std::string error = PQresultStatus(r) == PGRES_COMMAND_OK ? "" : PQerrorMessage(conn);
    PQclear(r);
    PQfinish(conn);
    return error;
}
