#include "MainDataBackup.h"

#include "port/ProgramFolder.h"
#include "server/ServerBackup.h"
#include "store/CDataStore.h"
#include "store/CSqliteFile.h"
#include "store/Schema.h"
#include "store/ServerConfig.h"
#include "store/WriteLock.h"
#include "text/Ascii.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>
#include <memory>
#include <set>
#include <vector>

namespace fs = std::filesystem;

namespace {

fs::path MainDataPath() {
    return ProgramFolder() / "Data" / "main_data.tdb";
}

std::set<std::string> TableNames(sqlite3* db, std::string* error) {
    std::set<std::string> names;
    CStatement st;
    if (!st.Prepare(db, "select name from sqlite_master where type = 'table'")) {
        *error = sqlite3_errmsg(db);
        return names;
    }
    int rc;
    while ((rc = st.Step()) == SQLITE_ROW)
        names.insert(AsciiLower(st.Text(0)));
    if (rc != SQLITE_DONE)
        *error = sqlite3_errmsg(db);
    return names;
}

// The version a main data file's tables were made at; a file never stamped (or stamped below 1,
// by hand) is taken as made at this program's, and its columns are checked against those.
int MainVersionOf(sqlite3* db) {
    int64_t version = 0;
    CStatement query;
    if (query.Prepare(db, "PRAGMA user_version") && query.Step() == SQLITE_ROW)
        version = query.Int(0);
    return version < 1 ? kMainSchemaVersion : static_cast<int>(version);
}

// The tables a main data file of `version` must hold, read from the schema this program creates
// at that version, so the check follows the schema when it grows.
const std::vector<std::string>& MainTablesAt(int version) {
    static const std::map<int, std::vector<std::string>> byVersion = [] {
        std::map<int, std::vector<std::string>> out;
        for (int v = 1; v <= kMainSchemaVersion; ++v) {
            sqlite3* db = nullptr;
            std::string error;
            if (sqlite3_open(":memory:", &db) == SQLITE_OK && CreateMainSchemaAt(db, v, &error)) {
                CStatement st;
                if (st.Prepare(db,
                               "select name from sqlite_master where type = 'table' order by name"))
                    while (st.Step() == SQLITE_ROW)
                        out[v].push_back(st.Text(0));
            }
            sqlite3_close(db);
        }
        return out;
    }();
    const auto it = byVersion.find(version);
    return it != byVersion.end() ? it->second : byVersion.at(kMainSchemaVersion);
}

std::string QuotedName(const std::string& name) {
    std::string out = "\"";
    for (char c : name)
        out += c == '"' ? std::string("\"\"") : std::string(1, c);
    return out + "\"";
}

struct StatementCloser {
    void operator()(sqlite3_stmt* st) const { sqlite3_finalize(st); }
};
using Statement = std::unique_ptr<sqlite3_stmt, StatementCloser>;

Statement Prepare(sqlite3* db, const std::string& sql, std::string& error) {
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) != SQLITE_OK)
        error = sqlite3_errmsg(db);
    return Statement(st);
}

// The columns of `table` in `db`, as spelt there; none when there is no such table.
bool ColumnsOf(sqlite3* db, const std::string& table, std::vector<std::string>& columns,
               std::string& error) {
    Statement st = Prepare(db, "select name from pragma_table_info(?)", error);
    if (!st)
        return false;
    sqlite3_bind_text(st.get(), 1, table.c_str(), -1, SQLITE_TRANSIENT);
    int rc;
    while ((rc = sqlite3_step(st.get())) == SQLITE_ROW)
        columns.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(st.get(), 0)));
    if (rc != SQLITE_DONE)
        error = sqlite3_errmsg(db);
    return rc == SQLITE_DONE;
}

// The rows of the backup's main tables into `made`, whose tables the program has just made at the
// backup's version: only the tables the program made, and only columns it gave them. Nothing of
// the backup's own schema (tables, indexes, triggers, views) is ever run or copied.
bool CopyMainRows(sqlite3* backup, sqlite3* made, std::string& error) {
    std::vector<std::string> tables;
    {
        CStatement st;
        if (!st.Prepare(made,
                        "select name from sqlite_master where type = 'table' order by name")) {
            error = sqlite3_errmsg(made);
            return false;
        }
        while (st.Step() == SQLITE_ROW)
            tables.push_back(st.Text(0));
    }
    if (sqlite3_exec(made, "BEGIN", nullptr, nullptr, nullptr) != SQLITE_OK) {
        error = sqlite3_errmsg(made);
        return false;
    }
    for (const auto& table : tables) {
        std::vector<std::string> madeColumns, theirs;
        if (!ColumnsOf(made, table, madeColumns, error) || !ColumnsOf(backup, table, theirs, error))
            return false;
        std::set<std::string> ours;
        for (const auto& column : madeColumns)
            ours.insert(AsciiLower(column));
        if (theirs.empty()) {
            error = "备份中缺少数据表 " + table + "。";
            return false;
        }
        std::string list, marks;
        for (const auto& column : theirs) {
            if (!ours.count(AsciiLower(column))) {
                error = "备份中数据表 " + table + " 的列 " + column + " 不是本程序的。";
                return false;
            }
            list += (list.empty() ? "" : ", ") + QuotedName(column);
            marks += marks.empty() ? "?" : ", ?";
        }
        Statement read = Prepare(backup, "select " + list + " from " + QuotedName(table), error);
        Statement write = Prepare(
            made, "insert into " + QuotedName(table) + " (" + list + ") values(" + marks + ")",
            error);
        if (!read || !write)
            return false;
        int rc;
        while ((rc = sqlite3_step(read.get())) == SQLITE_ROW) {
            for (int i = 0; i < static_cast<int>(theirs.size()); ++i)
                sqlite3_bind_value(write.get(), i + 1, sqlite3_column_value(read.get(), i));
            if (sqlite3_step(write.get()) != SQLITE_DONE) {
                error = sqlite3_errmsg(made);
                return false;
            }
            sqlite3_reset(write.get());
        }
        if (rc != SQLITE_DONE) {
            error = sqlite3_errmsg(backup);
            return false;
        }
    }
    if (sqlite3_exec(made, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK) {
        error = sqlite3_errmsg(made);
        return false;
    }
    return true;
}

bool BackupMainFile(const fs::path& target, std::string& error) {
    CSqliteFile source;
    if (!source.Open(MainDataPath(), SQLITE_OPEN_READONLY, &error))
        return false;
    // An empty or foreign file would give a backup that looks made and restores nothing.
    sqlite3_stmt* probe = nullptr;
    const bool isDataFile = sqlite3_prepare_v2(source.Handle(), "select Id from ferix_product", -1,
                                               &probe, nullptr) == SQLITE_OK;
    sqlite3_finalize(probe);
    if (!isDataFile) {
        error = sqlite3_errmsg(source.Handle());
        return false;
    }
    // Created exclusively: an existing backup (a second one in the same second) is never
    // overwritten.
    const int fd = ::open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) {
        error = std::string(std::strerror(errno)) + " (" + target.string() + ")";
        return false;
    }
    ::close(fd);
    CSqliteFile copy;
    bool ok = copy.Open(target, SQLITE_OPEN_READWRITE, &error) && copy.CopyFrom(source, &error);
    copy.Close();
    if (!ok) {
        std::error_code ec;
        fs::remove(target, ec);
        fs::remove(target.string() + "-journal", ec);
    }
    return ok;
}

// Under the exclusive write lock from the safety copy to the end: the backup API cannot copy
// into the file while a writer's transaction holds it, and no writer may store anything between
// the copy and the restore. A file of an older schema version is brought up to date before the lock
// goes, so a writer that waited finds the tables it writes.
bool RestoreMainFile(const fs::path& backup,
                     const std::function<bool(std::string& error)>& safetyCopy,
                     std::string& error) {
    CFileWriteLock lock;
    if (!lock.LockExclusive(WriteLockPath(ProgramFolder()), &error))
        return false;
    if (safetyCopy && !safetyCopy(error))
        return false;
    // The backup is read as data: its rows go into tables this program makes afresh at the
    // backup's version (in a file of its own beside the data), which its steps bring up to date;
    // only then does that file replace the data, whole.
    CSqliteFile source;
    if (!source.Open(backup, SQLITE_OPEN_READONLY, &error))
        return false;
    sqlite3_exec(source.Handle(), "PRAGMA trusted_schema = OFF", nullptr, nullptr, nullptr);
    std::string fresh = (MainDataPath().parent_path() / ".restore.XXXXXX").string();
    const int fd = ::mkstemp(fresh.data());
    if (fd < 0) {
        error = std::string(std::strerror(errno)) + " (" + fresh + ")";
        return false;
    }
    ::close(fd);
    struct Remover {
        std::string path;
        ~Remover() {
            ::unlink(path.c_str());
            ::unlink((path + "-journal").c_str());
        }
    } remover{fresh};
    CSqliteFile made, data;
    return made.Open(fresh, SQLITE_OPEN_READWRITE, &error) &&
           CreateMainSchemaAt(made.Handle(), MainVersionOf(source.Handle()), &error) &&
           CopyMainRows(source.Handle(), made.Handle(), error) &&
           UpgradeSchema(made.Handle(), "Data/main_data.tdb", &error) &&
           data.Open(MainDataPath(), SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, &error) &&
           data.CopyFrom(made, &error);
}

} // namespace

bool MainDataOnServer() {
    return ReadServerConfig(ProgramFolder()).present;
}

bool BackupMainDataTo(CDataStore& store, const fs::path& target) {
    return store.RunDataStep([&](std::string& error) {
        return MainDataOnServer() ? DumpFolderServerData(target, &error)
                                  : BackupMainFile(target, error);
    });
}

bool RestoreMainDataFrom(CDataStore& store, const fs::path& backup,
                         const std::function<bool(std::string& error)>& safetyCopy,
                         const std::string& ownerConninfo) {
    return store.RunDataStep([&](std::string& error) {
        return MainDataOnServer()
                   ? RestoreFolderServerData(backup, ownerConninfo, safetyCopy, &error)
                   : RestoreMainFile(backup, safetyCopy, error);
    });
}

std::optional<std::string> CheckBackupFile(const fs::path& file) {
    if (!MainDataOnServer())
        return CheckMainDataFile(file);
    return CheckFolderServerBackup(file);
}

std::optional<std::string> CheckMainDataFile(const fs::path& file) {
    std::error_code ec;
    if (!fs::is_regular_file(file, ec))
        return std::string("找不到这个文件。");
    CSqliteFile db;
    std::string error;
    if (!db.Open(file, SQLITE_OPEN_READONLY, &error))
        return "无法打开这个文件（" + error + "）。";

    CStatement check;
    if (!check.Prepare(db.Handle(), "PRAGMA integrity_check")) {
        const int code = sqlite3_errcode(db.Handle());
        if (code == SQLITE_NOTADB)
            return std::string("它不是数据库文件。");
        if (code == SQLITE_CORRUPT)
            return std::string("文件已损坏（完整性检查未通过）。");
        return "无法读取这个文件（" + std::string(sqlite3_errmsg(db.Handle())) + "）。";
    }
    const int rc = check.Step();
    if (rc == SQLITE_NOTADB)
        return std::string("它不是数据库文件。");
    if (rc != SQLITE_ROW || check.Text(0) != "ok")
        return std::string("文件已损坏（完整性检查未通过）。");
    check = CStatement{};

    const int version = MainVersionOf(db.Handle());
    if (version > kMainSchemaVersion)
        return std::string("它由更新版本的程序创建。");

    // The program never makes triggers or views: one in a backup was put there by hand, to run
    // on later postings or to stand in for a table.
    CStatement planted;
    if (!planted.Prepare(db.Handle(), "select type, name from sqlite_master where type in"
                                      " ('trigger', 'view') order by type, name limit 1"))
        return "无法读取这个文件（" + std::string(sqlite3_errmsg(db.Handle())) + "）。";
    if (planted.Step() == SQLITE_ROW)
        return "它不是本程序的主数据文件（含有" +
               std::string(planted.Text(0) == "trigger" ? "触发器 " : "视图 ") + planted.Text(1) +
               "）。";
    planted = CStatement{};

    const auto present = TableNames(db.Handle(), &error);
    if (!error.empty())
        return "无法读取这个文件（" + error + "）。";
    for (const auto& table : MainTablesAt(version)) {
        if (!present.count(AsciiLower(table)))
            return "它不是本程序的主数据文件（缺少数据表 " + table + "）。";
    }
    return std::nullopt;
}

bool IsDamagedDataFile(const fs::path& file) {
    CSqliteFile db;
    std::string error;
    if (!db.Open(file, SQLITE_OPEN_READONLY, &error))
        return false;
    CStatement st;
    int code = SQLITE_OK;
    if (!st.Prepare(db.Handle(), "select count(*) from sqlite_master"))
        code = sqlite3_errcode(db.Handle());
    else if (st.Step() != SQLITE_ROW)
        code = sqlite3_errcode(db.Handle());
    return code == SQLITE_NOTADB || code == SQLITE_CORRUPT;
}
