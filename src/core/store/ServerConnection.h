#pragma once
#include <libpq-fe.h>

#include <memory>
#include <string>

// What every piece of the program that talks to the server directly (the engine, the set-up, the
// copy, the backup) needs alike.
struct PgResultDeleter {
    void operator()(PGresult* r) const { PQclear(r); }
};
using PgResult = std::unique_ptr<PGresult, PgResultDeleter>;

struct PgConnectionDeleter {
    void operator()(PGconn* c) const { PQfinish(c); }
};
using PgConnection = std::unique_ptr<PGconn, PgConnectionDeleter>;

// Connects by a libpq connection string, without notices ("already exists, skipping" is not the
// user's business) and speaking UTF-8. Null on failure, with libpq's text in `error`, which
// never quotes the connection string.
PgConnection ConnectToServer(const std::string& conninfo, std::string* error);
// Runs `sql` (one statement or several, no values). False on failure, with the server's own
// message in `error` when given.
bool ServerExec(PGconn* conn, const std::string& sql, std::string* error);
// libpq's text of the connection's last error, without its trailing line break.
std::string ServerErrorText(const PGconn* conn);
// A value of a connection string, quoted as libpq reads it.
std::string ConninfoValue(const std::string& value);
