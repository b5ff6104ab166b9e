#pragma once
#include "config/DefaultFiles.h"

#include <filesystem>
#include <string>

// True when `dir` holds Data/main_data.tdb, or Data/server.conf (its data is on a server).
bool ProgramFolderExists(const std::filesystem::path& dir);
// Makes a new program folder in `dir`: both data files with their schema, the operator
// "admin" with an empty password, one settings row, the configuration file with its seven
// lists, the stock and statement print templates and the empty Backup, PrintView and Temp folders.
// Refuses when Data/main_data.tdb exists. On failure nothing half-made is left in Data.
// With Data/server.conf present, both data files' tables and the configuration document are
// made on that server instead (one transaction), and no configuration file is written. A
// database that already holds them is refused, or, when `joined` is given, joined: the folder
// gets its local parts only, nothing on the server is touched, and *joined is set.
// How `init --server` makes the tables: with the owner's connection, which may differ from the
// one Data/server.conf keeps (a work role's), and the first operator's password, which must
// not be empty when the tables are made (several workstations reach a server).
struct ServerMaking {
    std::string ownerConninfo; // empty: the string of Data/server.conf
    std::string adminPassword;
};
// Writes the program's print templates (stock list, statement, each bill kind) that the
// folder's Templates/ lacks, as a new folder gets them. A template that is there is the shop's
// own and is never overwritten. False with `error` when one could not be written.
bool WriteMissingTemplates(const std::filesystem::path& dir, std::string* error = nullptr);
// The data files it makes are readable by their owner alone.
bool CreateProgramFolder(const std::filesystem::path& dir, std::string* error,
                         bool* joined = nullptr, const ServerMaking* making = nullptr);

// What a folder that joined a server's data is told.
inline constexpr const char* kJoinedServerText =
    "服务器上已有本程序的数据：这个程序文件夹已连接到它。";
