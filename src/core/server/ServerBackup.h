#pragma once
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

// Backup and restore of a program folder whose data is on a PostgreSQL server. The server's own
// client programs (pg_dump, pg_restore; Debian package postgresql-client) write and read an
// archive of this program's tables, both sets of them, in the schema the connection works in.
// They are started directly (never through a shell), in an environment without this program's
// or libpq's variables, with "service=ferix" as their connection: its parameters are in a
// service file, its password in a password file, both of mode 0600 in `tempFolder` and named in
// their environment (PGSERVICEFILE, PGPASSFILE), removed when they are done (or, when the
// program was killed, at the next start), so no secret shows in a process listing, a client's
// environment or a message. Archives are created readable by their owner alone.

// The client program `name`: the first of the folders of `searchPath` (PATH's form) that holds
// it, else the newest <version>/bin under `versionsRoot`. Nothing when there is none.
std::optional<std::filesystem::path> FindServerClient(const std::string& name,
                                                      const std::string& searchPath,
                                                      const std::filesystem::path& versionsRoot);

// A restore through a role that does not own the tables (a workstation's work role) without
// the owner's connection string.
inline constexpr const char* kRestoreNeedsOwnerText =
    "本程序文件夹连接数据库所用的角色不是数据表的所有者，不能恢复数据。请在询问时输入数据表所有者的"
    "连接字符串。";

// Writes the archive (pg_dump -Fc) of this program's tables to `target`, which must not exist
// yet (it is created exclusively; a half-made one is removed again). `error` says why not.
bool DumpServerData(const std::string& conninfo, const std::filesystem::path& target,
                    const std::filesystem::path& tempFolder, std::string* error);

// Why `file` is not an archive of exactly this program's tables, made in the schema this
// connection works in by a program no newer than this one, that RestoreServerData can take;
// nullopt when it is.
std::optional<std::string> CheckServerBackup(const std::string& conninfo,
                                             const std::filesystem::path& file,
                                             const std::filesystem::path& tempFolder);

// Replaces the main data's tables (goods, units, stock, bills) by the rows of the archive in one
// transaction, as a restore of the main data file does: operators, log, settings and the
// configuration table stay. The archive is read as data (`pg_restore --data-only`): only the rows
// of the program's own tables and the values of their id sequences are taken, fed through the
// transaction's own connection; grants, definitions and defaults it may hold are never run. The
// main tables of an archive of an older schema version are made as that version made them, filled,
// and brought up to date by the program's steps. The transaction holds the program-wide write lock
// exclusive (store/WriteLock.h) from before `safetyCopy` (run first; its failure ends the restore)
// to its end. `ownerConninfo` (the tables' owner; empty: `conninfo`) makes the connection that
// restores; it is not kept. On failure the data on the server is as it was.
bool RestoreServerData(const std::string& conninfo, const std::string& ownerConninfo,
                       const std::filesystem::path& file, const std::filesystem::path& tempFolder,
                       const std::function<bool(std::string& error)>& safetyCopy,
                       std::string* error);

// The same for the program folder in the current directory: on the server of its
// Data/server.conf (a string that cannot be used is the error), with its Temp folder.
bool DumpFolderServerData(const std::filesystem::path& target, std::string* error);
std::optional<std::string> CheckFolderServerBackup(const std::filesystem::path& file);
bool RestoreFolderServerData(const std::filesystem::path& file, const std::string& ownerConninfo,
                             const std::function<bool(std::string& error)>& safetyCopy,
                             std::string* error);
