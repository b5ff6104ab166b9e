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
// Reads Data/server.conf: never through a symbolic link, only a regular file (a FIFO or device
// is refused at once, never waited on), only when it belongs to the user running the program
// and only that user can read it (else `error` says so).
ServerConfig ReadServerConfig(const std::filesystem::path& folder);
// Writes Data/server.conf with mode 0600 (created so, never widened in between): a new file,
// flushed to disk, then renamed over the old one.
bool WriteServerConfig(const std::filesystem::path& folder, const std::string& conninfo,
                       std::string* error);
