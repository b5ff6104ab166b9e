#pragma once
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

class CDataStore;

// Backup, restore and soundness checks of the main data of the program folder in the current
// directory: Data/main_data.tdb, or the tables on the server of Data/server.conf. No message of
// their own: the backup and restore actions (BackupRestore.h) tell the user.

// The main data is on the server of Data/server.conf rather than in Data/main_data.tdb.
bool MainDataOnServer();

// Copies Data/main_data.tdb, live, through SQLite's online backup API into `target`, which
// must not exist yet (it is created exclusively; a half-made copy is removed again). With
// a server: an archive of all of this program's tables there (server/ServerBackup.h).
// `store` (connected or not) holds why it failed in LastError().
bool BackupMainDataTo(CDataStore& store, const std::filesystem::path& target);
// Replaces the content of Data/main_data.tdb by the rows of `backup`'s main tables, read as data
// into tables the program makes afresh at the backup's schema version and brings up to date, then
// copied over the data file whole through the backup API: on failure the data file is as it was.
// Nothing of the backup's own schema (an index, trigger or view put in by hand) comes back. With a
// server: the main data's tables there, from such an archive, in one transaction
// (server/ServerBackup.h), on the connection `ownerConninfo` makes (empty: the folder's own).
// Either way the program-wide write lock is held exclusive from before `safetyCopy` (run first; its
// failure ends the restore, LastError() its text) to the end, so nothing a workstation stores
// meanwhile falls between the two. LastError() says why not.
bool RestoreMainDataFrom(CDataStore& store, const std::filesystem::path& backup,
                         const std::function<bool(std::string& error)>& safetyCopy = {},
                         const std::string& ownerConninfo = {});
// Why `file` cannot be restored into this program folder: CheckMainDataFile with data
// files, an archive of the server's tables (made in this schema, no newer than this
// program) with a server.
std::optional<std::string> CheckBackupFile(const std::filesystem::path& file);
// Why `file` is not a sound main data file of this program (not a database, fails the
// integrity check, made by a newer program, holds a trigger or a view, lacks a main table of its
// schema version); nullopt when it is.
std::optional<std::string> CheckMainDataFile(const std::filesystem::path& file);
// True only when `file` exists and SQLite finds it is no database or a corrupt one; a
// busy or unreadable file is not called damaged.
bool IsDamagedDataFile(const std::filesystem::path& file);
