#include "CSqliteFile.h"

namespace {
// Whole-file work waits this long for another program to let go of the data file, then gives
// up and leaves the file as it was.
constexpr int kFileBusyMs = 2000;
} // namespace

CSqliteFile::~CSqliteFile() {
    Close();
}

bool CSqliteFile::Open(const std::filesystem::path& path, int flags, std::string* error) {
    int rc = sqlite3_open_v2(path.string().c_str(), &m_db, flags, nullptr);
    if (rc != SQLITE_OK) {
        *error = m_db ? sqlite3_errmsg(m_db) : sqlite3_errstr(rc);
        return false;
    }
    sqlite3_busy_timeout(m_db, kFileBusyMs);
    return true;
}

void CSqliteFile::Close() {
    if (m_db)
        sqlite3_close_v2(m_db);
    m_db = nullptr;
}

bool CSqliteFile::CopyFrom(const CSqliteFile& source, std::string* error) {
    sqlite3_backup* backup = sqlite3_backup_init(m_db, "main", source.m_db, "main");
    if (!backup) {
        *error = sqlite3_errmsg(m_db);
        return false;
    }
    const int rc = sqlite3_backup_step(backup, -1);
    const int finish = sqlite3_backup_finish(backup);
    if (rc != SQLITE_DONE) {
        *error = sqlite3_errstr(rc);
        return false;
    }
    if (finish != SQLITE_OK) {
        *error = sqlite3_errmsg(m_db);
        return false;
    }
    return true;
}
