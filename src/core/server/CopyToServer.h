#pragma once
#include "port/AdminResult.h"

#include <cstdint>
#include <string>

// Moving a program folder's data from its two SQLite files to a PostgreSQL server.

inline constexpr const char* kCopyFolderOnServerText =
    "这个程序文件夹的数据已经在数据库服务器上（Data/server.conf），不需要再复制。";
inline constexpr const char* kCopyServerNotEmptyText =
    "服务器上的数据库已有本程序的数据，不能复制到那里。请指定一个空的数据库。";
inline constexpr const char* kCopyBadConninfoText = "数据库的连接字符串格式不正确。";
// The operation log's entry of a copy, written in the copy's own transaction.
inline constexpr const char* kCopiedToServerEvent = "数据复制到数据库服务器成功";
inline constexpr const char* kCopyFailedText = "复制数据到服务器失败：";
inline constexpr const char* kCopyNothingChangedText =
    "服务器上没有留下任何数据，程序文件夹没有改变。";
inline constexpr const char* kCopyNotSwitchedText =
    "数据已经复制到服务器上，但程序文件夹没有切换过去，仍在使用原来的数据文件。"
    "请排除上述问题后，把服务器上的这些表删除，再复制一次。";

struct CopyToServerSummary {
    int tables = 0;   // tables copied, both data files together
    int64_t rows = 0; // rows copied, the configuration document not counted
};

// Copies both data files of the program folder in the current directory (brought up to the
// current schema first, as every connect does) and its configuration document (as its exact
// bytes) into the database `conninfo` names (the owner's connection), which must not hold this
// program's tables yet. Only the program's own tables are copied, by the names its schema gives
// them; anything else a file holds stays behind. One server transaction: the tables are made,
// every row is copied keeping its id, each table's row count on the server is checked against
// the file's; only after the server's COMMIT succeeded is the folder switched: Data/server.conf
// is written (owner-only) with `workConninfo`, or `conninfo` when that is empty, and the files
// become Data/main_data.tdb.bak, Data/other_data.tdb.bak and Data/ferix_config.data.bak. The
// files are held against writers from the first row read until the switch. Any failure before
// the COMMIT rolls the server back and leaves the folder as it was, after a message.
AdminResult CopyFolderToServer(const std::string& conninfo, CopyToServerSummary* summary = nullptr,
                               const std::string& workConninfo = {});
