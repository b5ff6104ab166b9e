#pragma once
#include "CStatement.h"
#include "Records.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// The data-access object: one SQLite connection on one of the two data files, created for one
// user action and released at its end. Every statement is prepared with bound values.
// Every store operation reports its own failure through the message port and returns false,
// an empty list or nothing.
class CDataStore {
public:
    CDataStore();
    ~CDataStore();
    CDataStore(const CDataStore&) = delete;
    CDataStore& operator=(const CDataStore&) = delete;

    // Open Data/main_data.tdb or Data/other_data.tdb below the current directory. A missing
    // file is never created: it is a failed connect with the connect message.
    bool ConnectMain();
    bool ConnectOther();
    bool IsConnected() const { return m_db != nullptr; }

    // Runs one statement that returns no rows. On failure shows "SQL 语句执行失败：" + the
    // statement with its values and writes that text to sql.txt in the program folder.
    bool ExecuteSql(const std::string& sql, const SqlValues& values = {});

    // ---- building blocks of the store operations (no messages of their own)
    // Runs a statement; `onRow` sees each row. False on any error (m_lastError holds it).
    bool Run(const std::string& sql, const SqlValues& values,
             const std::function<void(const CStatement&)>& onRow = {});
    // A prepared statement for repeated use inside one action (nullopt on error).
    std::optional<CStatement> Prepare(const std::string& sql);
    // Steps a prepared statement to the end, counting it as one executed statement.
    bool StepDone(CStatement& stmt);
    // Immediate transaction: the write lock is taken at once, so two programs posting at the
    // same time wait for each other (busy time-out) instead of failing half-way.
    bool Begin();
    bool Commit();
    void Rollback();
    const std::string& LastError() const { return m_lastError; }
    int64_t Changes() const;
    sqlite3* Handle() const { return m_db; }

    // Writes the statement text (values filled in) to sql.txt in the program folder.
    static void DumpStatement(const std::string& text);
    // The statement with its values in place of the parameters, quoted as SQL literals.
    static std::string DescribeStatement(const std::string& sql, const SqlValues& values);

    // Test seam: the k-th statement run from now on (1-based) fails; 0 switches it off.
    static void FailStatementForTest(int k);
    // Number of statements run since the last FailStatementForTest call.
    static int StatementCountForTest();

    // ---- users, operation log, company settings (other data file)
    bool CheckLogin(const std::string& user, const std::string& password);
    std::vector<UserRecord> ListUsers();
    bool AddUser(const std::string& user, const std::string& password, const std::string& note);
    bool ChangeUser(const std::string& user, const std::string& password,
                    const std::string& note);
    std::vector<LogRecord> ListLog();
    bool AddLogEntry(const std::string& event);
    SettingsRecord LoadSettings();
    bool SaveSettings(const SettingsRecord& settings);

    // ---- administration: operator delete, log clearing, backup and restore of the main file
    // Deletes the operator of that whole name (ASCII case ignored) unless it is the only one
    // left; Changes() tells whether a row went. Failures go through ExecuteSql.
    bool DeleteUser(const std::string& user);
    bool ClearLog();
    // Copies Data/main_data.tdb, live, through SQLite's online backup API into `target`, which
    // must not exist yet (it is created exclusively; a half-made copy is removed again).
    // No message of its own; LastError() says why it failed.
    bool BackupMainDataTo(const std::filesystem::path& target);
    // Replaces the content of Data/main_data.tdb by that of `backup` through the backup API,
    // in one transaction: on failure the data file is as it was. No message of its own.
    bool RestoreMainDataFrom(const std::filesystem::path& backup);
    // Why `file` is not a sound main data file of this program (not a database, fails the
    // integrity check, lacks a main table, made by a newer program); nullopt when it is.
    static std::optional<std::string> CheckMainDataFile(const std::filesystem::path& file);
    // True only when `file` exists and SQLite finds it is no database or a corrupt one; a
    // busy or unreadable file is not called damaged.
    static bool IsDamagedDataFile(const std::filesystem::path& file);

private:
    bool Connect(const char* relativePath, const char* initialStatement);
    bool CountAndCheckFault();

    sqlite3* m_db = nullptr;
    std::string m_lastError;
};

// Appends one log entry with the current operator's name and the local time; the result is
// ignored by every caller.
bool WriteLogEntry(const std::string& event);
