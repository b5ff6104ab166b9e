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

std::filesystem::path ServerConfigPath(const std::filesystem::path& folder);
ServerConfig ReadServerConfig(const std::filesystem::path& folder);
// Writes Data/server.conf with mode 0600 (created so, never widened in between).
bool WriteServerConfig(const std::filesystem::path& folder, const std::string& conninfo,
                       std::string* error);
