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

// The tables a main data file must hold, read from the schema this program creates, so the
// check follows the schema when it grows.
const std::vector<std::string>& MainTables() {
    static const std::vector<std::string> tables = [] {
        std::vector<std::string> out;
        sqlite3* db = nullptr;
        std::string error;
        if (sqlite3_open(":memory:", &db) == SQLITE_OK && CreateMainSchema(db, &error)) {
            CStatement st;
            if (st.Prepare(db, "select name from sqlite_master where type = 'table' order by name"))
                while (st.Step() == SQLITE_ROW)
                    out.push_back(st.Text(0));
        }
        sqlite3_close(db);
        return out;
    }();
    return tables;
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
    CSqliteFile source, data;
    return source.Open(backup, SQLITE_OPEN_READONLY, &error) &&
           data.Open(MainDataPath(), SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, &error) &&
           data.CopyFrom(source, &error) &&
           UpgradeSchema(data.Handle(), "Data/main_data.tdb", &error);
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

    int64_t version = 0;
    CStatement versionQuery;
    if (versionQuery.Prepare(db.Handle(), "PRAGMA user_version") &&
        versionQuery.Step() == SQLITE_ROW)
        version = versionQuery.Int(0);
    versionQuery = CStatement{};
    if (version > kMainSchemaVersion)
        return std::string("它由更新版本的程序创建。");

    const auto present = TableNames(db.Handle(), &error);
    if (!error.empty())
        return "无法读取这个文件（" + error + "）。";
    for (const auto& table : MainTables()) {
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
