#include "ProgramFolderSetup.h"

#include "query/BillPrint.h"
#include "query/TemplatePrint.h"
#include "server/ServerSetup.h"
#include "store/PasswordHash.h"
#include "store/Schema.h"
#include "store/ServerConfig.h"
#include "text/Clock.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>

namespace fs = std::filesystem;

namespace {
// `mode` applies to a file made new; the data files are their owner's alone (they hold the
// operators' password hashes), the templates are for anyone to read.
bool WriteFile(const fs::path& path, std::string_view bytes, std::string* error,
               mode_t mode = 0644) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, mode);
    bool ok =
        fd >= 0 && ::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
    if (fd >= 0)
        ok = ::close(fd) == 0 && ok;
    if (!ok) {
        *error = "无法写入文件 " + path.string();
        return false;
    }
    return true;
}

bool MakeDatabase(const fs::path& path, bool main, std::string* error,
                  const std::string& adminPassword = {}) {
    // Made empty and owner-only before SQLite writes anything (its journals take the file's
    // mode); an empty file is an empty database to SQLite.
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) {
        *error = std::string(std::strerror(errno)) + " (" + path.string() + ")";
        return false;
    }
    ::close(fd);
    sqlite3* db = nullptr;
    int rc = sqlite3_open_v2(path.string().c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
    bool ok = rc == SQLITE_OK;
    if (!ok)
        *error = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
    if (ok)
        ok = main ? CreateMainSchema(db, error) : CreateOtherSchema(db, error);
    if (ok && !main) {
        sqlite3_stmt* st = nullptr;
        ok = sqlite3_prepare_v2(db, kAddFirstOperator, -1, &st, nullptr) == SQLITE_OK;
        if (ok) {
            std::string hash = HashPassword(adminPassword);
            std::string created = FormatNow("%y-%m-%d");
            sqlite3_bind_text(st, 1, "admin", -1, SQLITE_STATIC);
            sqlite3_bind_text(st, 2, hash.c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_text(st, 3, created.c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_text(st, 4, "", -1, SQLITE_STATIC);
            ok = sqlite3_step(st) == SQLITE_DONE;
        }
        sqlite3_finalize(st);
        ok = ok && sqlite3_exec(db, kAddFirstSettings, nullptr, nullptr, nullptr) == SQLITE_OK;
        if (!ok && error->empty())
            *error = sqlite3_errmsg(db);
    }
    sqlite3_close_v2(db);
    return ok;
}
} // namespace

bool ProgramFolderExists(const fs::path& dir) {
    std::error_code ec;
    return fs::exists(dir / "Data" / "main_data.tdb", ec) || fs::exists(ServerConfigPath(dir), ec);
}

bool WriteMissingTemplates(const fs::path& dir, std::string* error) {
    std::string scratch;
    if (!error)
        error = &scratch;
    return WriteTemplateWhenMissing(dir / kStockTemplateFile, kDefaultStockTemplate, error) &&
           WriteTemplateWhenMissing(dir / kStatementTemplateFile, kDefaultStatementTemplate,
                                    error) &&
           WriteMissingBillTemplates(dir, error);
}

bool CreateProgramFolder(const fs::path& dir, std::string* error, bool* joined,
                         const ServerMaking* making) {
    std::string scratch;
    if (!error)
        error = &scratch;
    if (joined)
        *joined = false;
    std::error_code ec;
    const ServerConfig server = ReadServerConfig(dir);
    if (server.present && !server.error.empty()) {
        *error = server.error;
        return false;
    }
    if (!server.present && fs::exists(dir / "Data" / "main_data.tdb", ec)) {
        *error = "Data/main_data.tdb 已存在，不能重新创建。";
        return false;
    }
    for (const char* sub : {"Data", "Backup", "PrintView", "Temp", "Templates"}) {
        fs::create_directories(dir / sub, ec);
        if (ec) {
            *error = "无法创建文件夹 " + (dir / sub).string() + ": " + ec.message();
            return false;
        }
    }
    const fs::path mainDb = dir / "Data" / "main_data.tdb";
    const fs::path otherDb = dir / "Data" / "other_data.tdb";
    // An operators file that survived a lost main file keeps its operators and log.
    const bool makeOther = !server.present && !fs::exists(otherDb, ec);
    bool ok = true;
    try {
        // A folder of Data/server.conf keeps both sets of tables on the server.
        if (server.present)
            ok = CreateServerData(
                making && !making->ownerConninfo.empty() ? making->ownerConninfo : server.conninfo,
                HashPassword(making ? making->adminPassword : ""), FormatNow("%y-%m-%d"), error,
                kDefaultConfigFile, joined, making && making->adminPassword.empty());
        else
            ok = (!makeOther || MakeDatabase(otherDb, false, error)) &&
                 MakeDatabase(mainDb, true, error);
    } catch (const std::exception& e) {
        *error = e.what();
        ok = false;
    }
    // Existing configuration and template files are kept: they may hold the user's lists. A
    // server keeps the lists itself.
    if (ok && !server.present && !fs::exists(dir / "Data" / "ferix_config.data"))
        ok = WriteFile(dir / "Data" / "ferix_config.data", kDefaultConfigFile, error, 0600);
    if (ok)
        ok = WriteMissingTemplates(dir, error);
    if (!ok && !server.present) {
        fs::remove(mainDb, ec);
        if (makeOther)
            fs::remove(otherDb, ec);
    }
    return ok;
}
