#include "CopyToServer.h"

#include "port/MessagePort.h"
#include "port/ProgramFolder.h"
#include "store/CDataStore.h"
#include "store/RightCheck.h"
#include "store/Schema.h"
#include "store/ServerConfig.h"
#include "store/ServerConnection.h"
#include "store/Session.h"
#include "text/Ascii.h"
#include "text/Clock.h"

#include <sqlite3.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <set>
#include <sstream>
#include <vector>

namespace fs = std::filesystem;

namespace {

using Result = PgResult;

// A name as SQLite reads it quoted.
std::string QuoteFileName(const std::string& name) {
    std::string out = "\"";
    for (char c : name) {
        out += c;
        if (c == '"')
            out += '"';
    }
    return out + "\"";
}

// One value in COPY's text format: a backslash, tab, line feed or carriage return escaped.
void AppendCopyText(std::string& out, const unsigned char* text, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        const char c = static_cast<char>(text[i]);
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        default:
            out += c;
        }
    }
}

struct Column {
    std::string file;   // as the data file names it
    std::string server; // as the server stores it (unquoted names are folded to lower case)
    bool identity = false;
};

struct Table {
    std::string file;
    std::string server; // a name the server reads back to this table
    std::vector<Column> columns;
};

// One run of the copy: the two file stores, held against writers, and the server connection
// whose single transaction receives everything.
class CFolderCopy {
public:
    ~CFolderCopy() {
        if (m_conn)
            PQfinish(m_conn); // a transaction never committed is rolled back with it
    }

    AdminResult Run(const std::string& conninfo, const std::string& workConninfo,
                    CopyToServerSummary* summary);

private:
    AdminResult Refuse(const std::string& text) {
        Messages().Inform(text);
        return AdminResult::Refused;
    }
    AdminResult Fail(const std::string& detail) {
        Messages().Inform(kCopyFailedText + detail + "\r\n" + kCopyNothingChangedText);
        return AdminResult::Failed;
    }
    std::string ServerError(const PGresult* r) const {
        const char* primary = r ? PQresultErrorField(r, PG_DIAG_MESSAGE_PRIMARY) : nullptr;
        return primary ? std::string(primary) : ServerErrorText(m_conn);
    }
    // Runs one statement; its rows, or nothing after setting m_error.
    Result Exec(const std::string& sql, const std::vector<std::string>& params = {}) {
        std::vector<const char*> values;
        for (const auto& p : params)
            values.push_back(p.c_str());
        Result r(PQexecParams(m_conn, sql.c_str(), static_cast<int>(values.size()), nullptr,
                              values.data(), nullptr, nullptr, 0));
        const auto status = r ? PQresultStatus(r.get()) : PGRES_FATAL_ERROR;
        if (status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK)
            return r;
        m_error = ServerError(r.get());
        return nullptr;
    }
    std::set<std::string> ServerTables();
    bool DropPlainIndexes(const std::set<std::string>& tables, std::vector<std::string>& remake);
    bool ReadFileTables(CDataStore& store, const std::set<std::string>& program,
                        std::vector<Table>& tables);
    bool MatchServerTable(Table& table);
    bool CopyRows(CDataStore& store, const Table& table, int64_t* copied);
    bool CheckCount(CDataStore& store, const Table& table, int64_t copied);
    bool AdvanceIds(const Table& table);
    bool CopyConfigDocument();
    bool SwitchFolder(const std::string& conninfo);
    void UndoSwitch();

    PGconn* m_conn = nullptr;
    std::string m_error;
    fs::path m_data;
    std::vector<std::pair<fs::path, fs::path>> m_renamed;
    bool m_wroteConf = false;
};

std::set<std::string> CFolderCopy::ServerTables() {
    std::set<std::string> names;
    if (Result r = Exec("SELECT c.relname FROM pg_class c JOIN pg_namespace n"
                        " ON n.oid = c.relnamespace WHERE c.relkind = 'r'"
                        " AND n.nspname = current_schema()")) {
        for (int i = 0; i < PQntuples(r.get()); ++i)
            names.insert(PQgetvalue(r.get(), i, 0));
    }
    return names;
}

// A plain (not unique) index is built faster once over all the rows than row by row; the unique
// ones stay, checking the rows as they come. `remake` receives the statements that build them.
bool CFolderCopy::DropPlainIndexes(const std::set<std::string>& tables,
                                   std::vector<std::string>& remake) {
    std::string names;
    for (const auto& t : tables)
        names += (names.empty() ? "" : ",") + t;
    Result r = Exec("SELECT x.indexrelid::regclass::text, pg_get_indexdef(x.indexrelid)"
                    " FROM pg_index x JOIN pg_class c ON c.oid = x.indrelid"
                    " JOIN pg_namespace n ON n.oid = c.relnamespace"
                    " WHERE n.nspname = current_schema() AND NOT x.indisunique"
                    " AND c.relname = ANY($1::text[])",
                    {"{" + names + "}"});
    if (!r)
        return false;
    std::string drop;
    for (int i = 0; i < PQntuples(r.get()); ++i) {
        drop += (drop.empty() ? "DROP INDEX " : ", ") + std::string(PQgetvalue(r.get(), i, 0));
        remake.emplace_back(PQgetvalue(r.get(), i, 1));
    }
    return drop.empty() || Exec(drop);
}

// The file's tables that are the program's own (`program`: the names its schema made on the
// server); any other table the file holds stays behind, whatever its name says.
bool CFolderCopy::ReadFileTables(CDataStore& store, const std::set<std::string>& program,
                                 std::vector<Table>& tables) {
    std::vector<Table> found;
    bool ok = store.Run("select name from sqlite_master where type = 'table'"
                        " and name not like 'sqlite%' order by name",
                        {}, [&](const CStatement& row) {
                            const std::string name = row.Text(0);
                            if (program.count(AsciiLower(name)))
                                found.push_back({name, "", {}});
                        });
    for (auto& t : found) {
        ok = ok && store.Run("select name from pragma_table_info(?)", {t.file},
                             [&](const CStatement& row) {
                                 t.columns.push_back({row.Text(0), "", false});
                             });
    }
    if (!ok) {
        m_error = store.LastError();
        return false;
    }
    tables.insert(tables.end(), found.begin(), found.end());
    return true;
}

// The table the program's schema made on the server under this name (quoted: the name is only
// ever a table's, never a schema and a table), with the same columns (in any order).
bool CFolderCopy::MatchServerTable(Table& table) {
    const std::string lower = AsciiLower(table.file);
    char* quoted = PQescapeIdentifier(m_conn, lower.c_str(), lower.size());
    const std::string name = quoted ? quoted : "";
    PQfreemem(quoted);
    Result r = Exec("SELECT to_regclass($1)::text, a.attname, a.attidentity <> ''"
                    " FROM pg_attribute a WHERE a.attrelid = to_regclass($1)"
                    " AND a.attnum > 0 AND NOT a.attisdropped",
                    {name});
    if (!r)
        return false;
    std::vector<std::pair<std::string, bool>> serverColumns;
    for (int i = 0; i < PQntuples(r.get()); ++i) {
        table.server = PQgetvalue(r.get(), i, 0);
        serverColumns.emplace_back(PQgetvalue(r.get(), i, 1),
                                   std::string_view(PQgetvalue(r.get(), i, 2)) == "t");
    }
    if (serverColumns.empty()) {
        m_error = "数据文件中的表 " + table.file + " 在服务器上没有对应的表。";
        return false;
    }
    for (auto& c : table.columns) {
        auto it = std::find_if(serverColumns.begin(), serverColumns.end(), [&](const auto& s) {
            return AsciiLower(s.first) == AsciiLower(c.file);
        });
        if (it == serverColumns.end())
            break;
        c.server = it->first;
        c.identity = it->second;
    }
    const bool same = serverColumns.size() == table.columns.size() &&
                      std::all_of(table.columns.begin(), table.columns.end(),
                                  [](const Column& c) { return !c.server.empty(); });
    if (!same)
        m_error = "表 " + table.file + " 的列在数据文件和服务器上不一致。";
    return same;
}

// Streams the table's rows in id order through COPY, NULLs kept apart from empty texts.
bool CFolderCopy::CopyRows(CDataStore& store, const Table& table, int64_t* copied) {
    std::string fileColumns, serverColumns;
    for (const auto& c : table.columns) {
        fileColumns += (fileColumns.empty() ? "" : ", ") + QuoteFileName(c.file);
        char* quoted = PQescapeIdentifier(m_conn, c.server.c_str(), c.server.size());
        serverColumns += (serverColumns.empty() ? "" : ", ") + std::string(quoted ? quoted : "");
        PQfreemem(quoted);
    }
    Result start(
        PQexec(m_conn, ("COPY " + table.server + " (" + serverColumns + ") FROM STDIN").c_str()));
    if (!start || PQresultStatus(start.get()) != PGRES_COPY_IN) {
        m_error = ServerError(start.get());
        return false;
    }
    constexpr size_t kChunk = 1 << 20;
    std::string buffer;
    buffer.reserve(kChunk + 4096);
    bool sent = true;
    const bool read = store.Run(
        "select " + fileColumns + " from " + QuoteFileName(table.file) + " order by rowid", {},
        [&](const CStatement& row) {
            if (!sent)
                return;
            sqlite3_stmt* st = row.Handle();
            const int n = sqlite3_column_count(st);
            for (int i = 0; i < n; ++i) {
                if (i)
                    buffer += '\t';
                if (sqlite3_column_type(st, i) == SQLITE_NULL)
                    buffer += "\\N";
                else
                    AppendCopyText(buffer, sqlite3_column_text(st, i), sqlite3_column_bytes(st, i));
            }
            buffer += '\n';
            if (buffer.size() >= kChunk) {
                sent = PQputCopyData(m_conn, buffer.data(), static_cast<int>(buffer.size())) == 1;
                buffer.clear();
            }
        });
    if (read && sent && !buffer.empty())
        sent = PQputCopyData(m_conn, buffer.data(), static_cast<int>(buffer.size())) == 1;
    const bool ended = PQputCopyEnd(m_conn, read && sent ? nullptr : "copy abandoned") == 1;
    Result done(PQgetResult(m_conn));
    const bool ok = read && sent && ended && done && PQresultStatus(done.get()) == PGRES_COMMAND_OK;
    if (!read)
        m_error = store.LastError();
    else if (!ok)
        m_error = "表 " + table.file + "：" + ServerError(done.get());
    else
        *copied = std::strtoll(PQcmdTuples(done.get()), nullptr, 10);
    while (PGresult* more = PQgetResult(m_conn))
        PQclear(more);
    return ok;
}

bool CFolderCopy::CheckCount(CDataStore& store, const Table& table, int64_t copied) {
    int64_t inFile = -1;
    if (!store.Run("select count(*) from " + QuoteFileName(table.file), {},
                   [&](const CStatement& row) { inFile = row.Int(0); })) {
        m_error = store.LastError();
        return false;
    }
    Result r = Exec("SELECT count(*) FROM " + table.server);
    if (!r)
        return false;
    const int64_t onServer = std::strtoll(PQgetvalue(r.get(), 0, 0), nullptr, 10);
    if (inFile == onServer && onServer == copied)
        return true;
    m_error = "表 " + table.file + " 的行数不一致：数据文件中 " + std::to_string(inFile) +
              " 行，服务器上 " + std::to_string(onServer) + " 行。";
    return false;
}

// The ids came along; the server's own numbering goes on after the largest of them.
bool CFolderCopy::AdvanceIds(const Table& table) {
    for (const auto& c : table.columns) {
        if (!c.identity)
            continue;
        char* quoted = PQescapeIdentifier(m_conn, c.server.c_str(), c.server.size());
        const std::string column = quoted ? quoted : "";
        PQfreemem(quoted);
        if (!Exec("SELECT setval(pg_get_serial_sequence($1, $2), m) FROM (SELECT max(" + column +
                      ") AS m FROM " + table.server + ") s WHERE m >= 1",
                  {table.server, c.server}))
            return false;
    }
    return true;
}

// The configuration document goes as the bytes of its file, and is read back to compare.
bool CFolderCopy::CopyConfigDocument() {
    const fs::path path = m_data / "ferix_config.data";
    std::ifstream f(path, std::ios::binary);
    std::stringstream bytes;
    bytes << f.rdbuf();
    if (!f || f.bad()) {
        m_error = "无法读取配置文件 Data/ferix_config.data。";
        return false;
    }
    const std::string content = bytes.str();
    const char* values[] = {"ferix_config.data", content.data()};
    const int lengths[] = {0, static_cast<int>(content.size())};
    const int formats[] = {0, 1};
    for (const char* sql : {"INSERT INTO ferix_config(name, content) VALUES ($1, $2)",
                            "SELECT 1 FROM ferix_config WHERE name = $1 AND content = $2"}) {
        Result r(PQexecParams(m_conn, sql, 2, nullptr, values, lengths, formats, 0));
        const auto status = r ? PQresultStatus(r.get()) : PGRES_FATAL_ERROR;
        if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) {
            m_error = ServerError(r.get());
            return false;
        }
        if (status == PGRES_TUPLES_OK && PQntuples(r.get()) != 1) {
            m_error = "配置文件在服务器上的内容与 Data/ferix_config.data 不一致。";
            return false;
        }
    }
    return true;
}

// server.conf first, then the files step aside; each step is undone if a later one fails.
bool CFolderCopy::SwitchFolder(const std::string& conninfo) {
    if (!WriteServerConfig(ProgramFolder(), conninfo, &m_error)) {
        std::error_code ec;
        fs::remove(ServerConfigPath(ProgramFolder()), ec);
        return false;
    }
    m_wroteConf = true;
    for (const char* name : {"main_data.tdb", "other_data.tdb", "ferix_config.data"}) {
        const fs::path from = m_data / name;
        fs::path to = from;
        to += ".bak";
        std::error_code ec;
        fs::rename(from, to, ec);
        if (ec) {
            m_error = "无法把 Data/" + std::string(name) + " 改名为 " + to.filename().string() +
                      "：" + ec.message();
            UndoSwitch();
            return false;
        }
        m_renamed.emplace_back(from, to);
        // Kept files hold the operators' password hashes: the owner's alone, whatever mode an
        // older folder gave them.
        fs::permissions(to, fs::perms::owner_read | fs::perms::owner_write, ec);
    }
    return true;
}

void CFolderCopy::UndoSwitch() {
    std::error_code ec;
    for (auto it = m_renamed.rbegin(); it != m_renamed.rend(); ++it)
        fs::rename(it->second, it->first, ec);
    m_renamed.clear();
    if (m_wroteConf)
        fs::remove(ServerConfigPath(ProgramFolder()), ec);
    m_wroteConf = false;
}

AdminResult CFolderCopy::Run(const std::string& conninfo, const std::string& workConninfo,
                             CopyToServerSummary* summary) {
    m_data = ProgramFolder() / "Data";
    if (ReadServerConfig(ProgramFolder()).present)
        return Refuse(kCopyFolderOnServerText);
    // libpq's complaint about a malformed string may quote it, password and all.
    char* parseError = nullptr;
    PQconninfoOption* options = PQconninfoParse(conninfo.c_str(), &parseError);
    PQfreemem(parseError);
    if (!options)
        return Refuse(kCopyBadConninfoText);
    PQconninfoFree(options);
    if (!workConninfo.empty()) {
        options = PQconninfoParse(workConninfo.c_str(), &parseError);
        PQfreemem(parseError);
        if (!options)
            return Refuse(kCopyBadConninfoText);
        PQconninfoFree(options);
    }
    std::error_code ec;
    for (const char* name : {"main_data.tdb.bak", "other_data.tdb.bak", "ferix_config.data.bak"}) {
        if (fs::exists(m_data / name, ec))
            return Refuse("Data/" + std::string(name) +
                          " 已存在：复制后数据文件要改成这个名字保留。请先把它移走。");
    }
    if (!fs::exists(m_data / "ferix_config.data", ec))
        return Refuse("找不到配置文件 Data/ferix_config.data。");

    // Opening brings the files to the current schema; the immediate transactions then keep
    // every other writer out until the folder has been switched.
    CDataStore other, main;
    if (!other.ConnectOther() || !main.ConnectMain())
        return AdminResult::NoData;
    struct Source {
        CDataStore* store;
        const char* file;
        int version;
    };
    const Source sources[] = {{&other, "Data/other_data.tdb", kOtherSchemaVersion},
                              {&main, "Data/main_data.tdb", kMainSchemaVersion}};
    for (const auto& s : sources) {
        if (!s.store->Begin())
            return Fail(std::string(s.file) + "：" + s.store->LastError());
        int version = -1;
        if (!s.store->Run("PRAGMA user_version", {},
                          [&](const CStatement& row) { version = static_cast<int>(row.Int(0)); }))
            return Fail(std::string(s.file) + "：" + s.store->LastError());
        if (version != s.version)
            return Refuse(std::string(s.file) + " 不是本程序当前版本的数据文件（version " +
                          std::to_string(version) + "），不能复制。");
    }

    std::string error;
    m_conn = ConnectToServer(conninfo, &error).release();
    if (!m_conn)
        return Fail("无法连接数据库服务器：" + error);
    if (!Exec("BEGIN"))
        return Fail(m_error);
    Result existing = Exec("SELECT to_regclass('ferix_schema') IS NOT NULL");
    if (!existing)
        return Fail(m_error);
    if (std::string_view(PQgetvalue(existing.get(), 0, 0)) == "t")
        return Refuse(kCopyServerNotEmptyText);

    const std::set<std::string> before = ServerTables();
    if (!CreateServerSchema(m_conn, false, &m_error) || !CreateServerSchema(m_conn, true, &m_error))
        return Fail(m_error);
    std::set<std::string> made;
    for (const auto& name : ServerTables()) {
        if (!before.count(name) && name != "ferix_schema" && name != "ferix_config")
            made.insert(name);
    }

    std::vector<std::string> indexes;
    if (!DropPlainIndexes(made, indexes))
        return Fail(m_error);
    CopyToServerSummary counted;
    const std::set<std::string> program = made;
    for (const auto& s : sources) {
        std::vector<Table> tables;
        if (!ReadFileTables(*s.store, program, tables))
            return Fail(std::string(s.file) + "：" + m_error);
        for (auto& t : tables) {
            int64_t copied = 0;
            if (!MatchServerTable(t) || !CopyRows(*s.store, t, &copied) ||
                !CheckCount(*s.store, t, copied) || !AdvanceIds(t))
                return Fail(m_error);
            made.erase(AsciiLower(t.file));
            ++counted.tables;
            counted.rows += copied;
        }
    }
    // A table the server has and the files lack would start empty: not a faithful copy.
    if (!made.empty())
        return Fail("服务器上的表 " + *made.begin() + " 在数据文件中没有对应的表。");
    for (const auto& index : indexes) {
        if (!Exec(index))
            return Fail(m_error);
    }
    if (!CopyConfigDocument())
        return Fail(m_error);
    // An administrative act: its entry goes in with the data it moved, on the connection that may
    // write it (the folder's next connection may be a work role not yet given its rights).
    if (!Exec(
            "INSERT INTO Log(Event, \"User\", Time) VALUES($1, $2, $3)",
            {kCopiedToServerEvent, Session().currentUser.UserName, FormatNow("%y-%m-%d %H:%M:%S")}))
        return Fail(m_error);

    // The folder moves only onto data the server has committed: until then it stays on its
    // files, whatever the server answers.
    Result commit(PQexec(m_conn, "COMMIT"));
    const bool committed = commit && PQresultStatus(commit.get()) == PGRES_COMMAND_OK &&
                           std::string_view(PQcmdStatus(commit.get())) == "COMMIT";
    if (!committed) {
        const std::string why = commit ? ServerError(commit.get()) : ServerError(nullptr);
        return Fail(why.empty() ? std::string("COMMIT") : why);
    }
    if (!SwitchFolder(workConninfo.empty() ? conninfo : workConninfo)) {
        Messages().Inform(kCopyFailedText + m_error + "\r\n" + kCopyNotSwitchedText);
        return AdminResult::Failed;
    }
    for (const auto& s : sources)
        s.store->Rollback(); // nothing was written: this only lets go of the files
    if (summary)
        *summary = counted;
    return AdminResult::Done;
}

} // namespace

AdminResult CopyFolderToServer(const std::string& conninfo, CopyToServerSummary* summary,
                               const std::string& workConninfo) {
    if (!CheckRight("copy_to_server", Action::Enter))
        return AdminResult::Refused;
    CFolderCopy copy;
    return copy.Run(conninfo, workConninfo, summary);
}
