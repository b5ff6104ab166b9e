#pragma once
#include <sqlite3.h>

#include <string>

// Current schema versions (PRAGMA user_version) of the two data files.
constexpr int kMainSchemaVersion = 4;
constexpr int kOtherSchemaVersion = 1;

// Creates every table and index of a new data file and stamps its version.
bool CreateMainSchema(sqlite3* db, std::string* error);
bool CreateOtherSchema(sqlite3* db, std::string* error);
// Brings an older data file up to the current version, step by step. A file with no version
// and no tables is left alone (the connect's first statement then reports it).
bool UpgradeSchema(sqlite3* db, const std::string& relativePath, std::string* error);
