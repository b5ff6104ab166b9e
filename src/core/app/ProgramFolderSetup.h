#pragma once
#include <filesystem>
#include <string>
#include <string_view>

extern const std::string_view kDefaultConfigFile;
extern const std::string_view kDefaultStockTemplate;
extern const std::string_view kDefaultStatementTemplate;

// True when `dir` holds Data/main_data.tdb, or Data/server.conf (its data is on a server).
bool ProgramFolderExists(const std::filesystem::path& dir);
// Makes a new program folder in `dir`: both data files with their schema, the operator
// "admin" with an empty password, one settings row, the configuration file with its seven
// lists, the stock and statement print templates and the empty Backup, PrintView and Temp folders.
// Refuses when Data/main_data.tdb exists. On failure nothing half-made is left in Data.
// With Data/server.conf present, both data files' tables are made on that server instead (one
// transaction; refused when the database already holds them).
bool CreateProgramFolder(const std::filesystem::path& dir, std::string* error);
