#pragma once
#include <filesystem>
#include <string>

// Data/server.conf of a program folder: a libpq connection string that moves both data files
// of the folder to a PostgreSQL server. It may hold a password, so it must be readable by its
// owner alone.
struct ServerConfig {
    bool present = false; // the folder has Data/server.conf
    std::string conninfo; // the connection string, when usable
    std::string error;    // why it cannot be used (never quoting the string itself)
};

// Backup and restore of a folder whose data is on a server are the server's business.
inline constexpr const char* kServerBackupText =
    "这个程序文件夹的数据在数据库服务器上（Data/server.conf），请在服务器上备份和恢复数据。";

std::filesystem::path ServerConfigPath(const std::filesystem::path& folder);
ServerConfig ReadServerConfig(const std::filesystem::path& folder);
// Writes Data/server.conf with mode 0600 (created so, never widened in between).
bool WriteServerConfig(const std::filesystem::path& folder, const std::string& conninfo,
                       std::string* error);
