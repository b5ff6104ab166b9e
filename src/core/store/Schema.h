#pragma once
#include <sqlite3.h>

struct pg_conn;

#include <string>
#include <string_view>

// Current schema versions of the two data files: PRAGMA user_version in a file, a row of the
// table ferix_schema on a server (which holds both sets of tables in one database).
constexpr int kMainSchemaVersion = 14;
constexpr int kOtherSchemaVersion = 3;

// The rows a new other data file starts with: the operator (name, password hash, creation date,
// note) and the one settings row.
inline constexpr const char* kAddFirstOperator =
    "insert into Manage(UserName, PassWord, CreateTime, Note) values(?, ?, ?, ?)";
inline constexpr const char* kAddFirstSettings =
    "insert into Setting(CompanyName, CompanyTel, CompanyFax, CompanyZip, Chengben, CompanyAddr)"
    " values('', '', '', '', '加权平均法', '')";

// A server database without this program's tables, or without their version rows.
inline constexpr const char* kNoServerDataText =
    "服务器上的数据库还没有本程序的数据（请先用 ferix-cli init --server 创建）。";

// Creates every table and index of a new data file and stamps its version.
bool CreateMainSchema(sqlite3* db, std::string* error);
// The same as the program made it at `version` (1 up to kMainSchemaVersion).
bool CreateMainSchemaAt(sqlite3* db, int version, std::string* error);
// The other data with the preset roles; at `version` (1 or 2), its tables without rows.
bool CreateOtherSchema(sqlite3* db, std::string* error);
bool CreateOtherSchemaAt(sqlite3* db, int version, std::string* error);
// Brings an older data file up to the current version, step by step. A file with no version
// and no tables is left alone (the connect's first statement then reports it).
bool UpgradeSchema(sqlite3* db, const std::string& relativePath, std::string* error);

// The name of one data file's version row in the server's table ferix_schema.
const char* SchemaName(bool mainTables);
// The same on a server. Creating makes the tables of one data file and its version row, in the
// transaction the caller has begun.
bool CreateServerSchema(pg_conn* conn, bool mainTables, std::string* error);
// Brings a server's tables up to date under a lock, so two workstations starting a newer program
// at once upgrade once, and grants the remembered work roles their rights on what the steps
// added. A database without this program's tables is refused with its message; a connection
// whose role does not own the tables, with kUpgradeNeedsOwnerText (store/WorkRights.h).
bool UpgradeServerSchema(pg_conn* conn, bool mainTables, std::string* error);
// In the transaction the caller has begun: the main tables as the program made them at
// `version`, without their version row; and the steps from `version` to the current one with the
// version row set to it.
bool CreateServerMainTablesAt(pg_conn* conn, int version, std::string* error);
bool UpgradeServerTablesFrom(pg_conn* conn, bool mainTables, int version, std::string* error);

// Whether the main tables were upgraded to the journal's version and its chain is still to be
// built over their bills: the store then has it built before its first statement.
bool JournalUnbuilt(sqlite3* db, bool* unbuilt, std::string* error);
bool ServerJournalUnbuilt(pg_conn* conn, bool* unbuilt, std::string* error);
// Whether either set of tables on the server is below this program's version.
bool ServerSchemaBehind(pg_conn* conn, bool* behind, std::string* error);
