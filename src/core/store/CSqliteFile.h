#pragma once
#include <sqlite3.h>

#include <filesystem>
#include <string>

// One raw connection on an SQLite data file, for work on the file as a whole (a backup, a
// restore, a soundness check) rather than on its rows: no schema upgrade, no statement cache.
// Closed when it goes.
class CSqliteFile {
public:
    CSqliteFile() = default;
    ~CSqliteFile();
    CSqliteFile(const CSqliteFile&) = delete;
    CSqliteFile& operator=(const CSqliteFile&) = delete;

    // sqlite3_open_v2 with `flags`; `error` says why not.
    bool Open(const std::filesystem::path& path, int flags, std::string* error);
    void Close();
    sqlite3* Handle() const { return m_db; }
    // Replaces the whole content of this file by that of `source` through SQLite's online
    // backup API, in one transaction: on failure this file is as it was.
    bool CopyFrom(const CSqliteFile& source, std::string* error);

private:
    sqlite3* m_db = nullptr;
};
