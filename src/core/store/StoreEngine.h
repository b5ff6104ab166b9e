#pragma once
#include "CStatement.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

using RowReader = std::function<void(const CStatement&)>;

// The database under one CDataStore: an SQLite file or a PostgreSQL server. Statements are the
// same texts for both (with `?` parameters); what truly differs (connecting, schema DDL,
// transactions, row locks, error codes) lives in the engine. Failures are told in SQLite's
// result codes (SQLITE_CONSTRAINT_UNIQUE, SQLITE_FULL, ...) so the store's checks and messages
// stay one.
class CStoreEngine {
public:
    virtual ~CStoreEngine() = default;
    // Runs one statement; `onRow` sees each row. False on any error (Error() and ErrorCode()).
    virtual bool Run(const std::string& sql, const SqlValues& values, const RowReader& onRow) = 0;
    // Whether `sql` would run here (its tables and columns exist), without running it.
    virtual bool Probe(const std::string& sql) = 0;
    virtual bool InTransaction() const = 0;
    virtual void Rollback() = 0;
    // Rows changed by the last insert, update or delete.
    virtual int64_t Changes() const = 0;
    // What a read that the current transaction will update follows its where clause with: a
    // server locks the rows it reads so two workstations never both take the last units; SQLite
    // has already locked the whole file at BEGIN IMMEDIATE.
    virtual const char* LockRowsClause() const = 0;
    virtual void UseFastBulkWrites() = 0;
    virtual bool IsServer() const = 0;
    // The connection to the server is gone (the server stopped, the network failed).
    virtual bool Lost() const { return false; }
    // The server's process serving this connection; 0 for a file.
    virtual int ServerProcess() const { return 0; }

    // The journal's chain is still to be built (see JournalUnbuilt in Schema.h).
    bool JournalUnbuilt() const { return m_journalUnbuilt; }

    const std::string& Error() const { return m_error; }
    int ErrorCode() const { return m_errorCode; }
    void SetError(std::string error, int code) {
        m_error = std::move(error);
        m_errorCode = code;
    }

protected:
    std::string m_error;
    int m_errorCode = 0;
    bool m_journalUnbuilt = false;
};

// A statement's text as the server reads it: `?` becomes $1, $2, ... outside quoted texts, and
// SQLite's immediate transaction is a plain one (the rows are locked where they are read).
std::string ServerStatementText(const std::string& sql);

// Opens an existing SQLite data file (never creating one) and brings its schema up to date.
std::unique_ptr<CStoreEngine> OpenSqliteEngine(const std::string& path,
                                               const std::string& relativePath, std::string* error);
// Connects to a server by a libpq connection string; `mainTables` picks which of the two
// schemas is brought up to date. The connection string never appears in `error`.
std::unique_ptr<CStoreEngine> OpenServerEngine(const std::string& conninfo, bool mainTables,
                                               std::string* error);
// Ends this process's connections kept open between actions. A database someone is connected to
// cannot be dropped or serve as the template of a new one, so a program that does either to a
// database it used calls this first.
void CloseKeptServerConnections();
