// Administration: operator delete, log clearing, backup and restore of the main data file.
#include "CDataStore.h"

#include "Schema.h"
#include "ServerBackup.h"
#include "ServerConfig.h"
#include "port/ProgramFolder.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <set>

namespace fs = std::filesystem;

namespace {

// Restoring waits this long for another program to let go of the data file, then gives up
// and leaves the file as it was.
constexpr int kRestoreBusyMs = 2000;

// Owns one raw connection used only for whole-file work.
class CRawDb {
public:
    ~CRawDb() {
        if (m_db)
            sqlite3_close_v2(m_db);
    }
    bool Open(const fs::path& path, int flags, std::string* error) {
        int rc = sqlite3_open_v2(path.string().c_str(), &m_db, flags, nullptr);
        if (rc != SQLITE_OK) {
            *error = m_db ? sqlite3_errmsg(m_db) : sqlite3_errstr(rc);
            return false;
        }
        sqlite3_busy_timeout(m_db, kRestoreBusyMs);
        return true;
    }
    void Close() {
        if (m_db)
            sqlite3_close_v2(m_db);
        m_db = nullptr;
    }
    sqlite3* Handle() const { return m_db; }

private:
    sqlite3* m_db = nullptr;
};

bool CopyDatabase(sqlite3* from, sqlite3* to, std::string* error) {
    sqlite3_backup* backup = sqlite3_backup_init(to, "main", from, "main");
    if (!backup) {
        *error = sqlite3_errmsg(to);
        return false;
    }
    const int rc = sqlite3_backup_step(backup, -1);
    const int finish = sqlite3_backup_finish(backup);
    if (rc != SQLITE_DONE) {
        *error = sqlite3_errstr(rc);
        return false;
    }
    if (finish != SQLITE_OK) {
        *error = sqlite3_errmsg(to);
        return false;
    }
    return true;
}

bool OnServer() {
    return ReadServerConfig(ProgramFolder()).present;
}

// The connection string of the folder's server, or why there is none to use.
std::optional<std::string> ServerConninfo(std::string* error) {
    const ServerConfig conf = ReadServerConfig(ProgramFolder());
    if (!conf.error.empty()) {
        *error = conf.error;
        return std::nullopt;
    }
    return conf.conninfo;
}

fs::path TempFolder() {
    return ProgramFolder() / "Temp";
}

fs::path MainDataPath() {
    return ProgramFolder() / "Data" / "main_data.tdb";
}

std::string Lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
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
        names.insert(Lower(st.Text(0)));
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

} // namespace

bool CDataStore::DeleteUser(const std::string& user) {
    // The count guard keeps the last operator even if two programs delete at the same time.
    return ExecuteSql("delete from Manage where lower(UserName) = lower(?)"
                      " and (select count(*) from Manage) > 1",
                      {user});
}

bool CDataStore::ClearLog() {
    return ExecuteSql("delete from Log");
}

bool CDataStore::BackupMainDataTo(const fs::path& target) {
    if (!CountAndCheckFault())
        return false;
    if (OnServer()) {
        const auto conninfo = ServerConninfo(&m_lastError);
        return conninfo && DumpServerData(*conninfo, target, TempFolder(), &m_lastError);
    }
    CRawDb source;
    if (!source.Open(MainDataPath(), SQLITE_OPEN_READONLY, &m_lastError))
        return false;
    // An empty or foreign file would give a backup that looks made and restores nothing.
    sqlite3_stmt* probe = nullptr;
    const bool isDataFile = sqlite3_prepare_v2(source.Handle(), "select Id from ferix_product", -1,
                                               &probe, nullptr) == SQLITE_OK;
    sqlite3_finalize(probe);
    if (!isDataFile) {
        m_lastError = sqlite3_errmsg(source.Handle());
        return false;
    }
    // Created exclusively: an existing backup (a second one in the same second) is never
    // overwritten.
    const int fd = ::open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) {
        m_lastError = std::string(std::strerror(errno)) + " (" + target.string() + ")";
        return false;
    }
    ::close(fd);
    CRawDb copy;
    bool ok = copy.Open(target, SQLITE_OPEN_READWRITE, &m_lastError) &&
              CopyDatabase(source.Handle(), copy.Handle(), &m_lastError);
    copy.Close();
    if (!ok) {
        std::error_code ec;
        fs::remove(target, ec);
        fs::remove(target.string() + "-journal", ec);
    }
    return ok;
}

bool CDataStore::RestoreMainDataFrom(const fs::path& backup) {
    if (!CountAndCheckFault())
        return false;
    if (OnServer()) {
        const auto conninfo = ServerConninfo(&m_lastError);
        return conninfo && RestoreServerData(*conninfo, backup, TempFolder(), &m_lastError);
    }
    CRawDb source, data;
    return source.Open(backup, SQLITE_OPEN_READONLY, &m_lastError) &&
           data.Open(MainDataPath(), SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, &m_lastError) &&
           CopyDatabase(source.Handle(), data.Handle(), &m_lastError);
}

std::optional<std::string> CDataStore::CheckBackupFile(const fs::path& file) {
    if (!OnServer())
        return CheckMainDataFile(file);
    std::string error;
    const auto conninfo = ServerConninfo(&error);
    if (!conninfo)
        return error;
    return CheckServerBackup(*conninfo, file, TempFolder());
}

std::optional<std::string> CDataStore::CheckMainDataFile(const fs::path& file) {
    std::error_code ec;
    if (!fs::is_regular_file(file, ec))
        return std::string("找不到这个文件。");
    CRawDb db;
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
        if (!present.count(Lower(table)))
            return "它不是本程序的主数据文件（缺少数据表 " + table + "）。";
    }
    return std::nullopt;
}

bool CDataStore::IsDamagedDataFile(const fs::path& file) {
    CRawDb db;
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
