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
