#pragma once
#include "port/AdminResult.h"

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

// Backups of the main data file in the Backup folder, and restoring one of them. A folder whose
// data is on a server backs up all of this program's tables there instead (an archive of the
// server's own client programs) and restores the main data's tables from it in one transaction.

// "/Backup/" + the time formatted "%y-%m-%d@%H-%M-%S.bak": the name the log entry shows. The
// `n`th backup made in the same second (n > 1) gets "-n" before ".bak".
std::string BackupRelativeName(std::time_t when, int n = 1);
// "%.2f MB" of the size in whole kilobytes, as the restore list shows it.
std::string FormatBackupSize(std::uintmax_t bytes);

struct BackupFile {
    std::string name; // file name, without folder
    std::uintmax_t bytes = 0;
    std::string sizeText;
};
// Every file (not folder) in the Backup folder, whatever its extension, ordered by name, so
// time-stamped backups come oldest first. A missing folder gives an empty list.
std::vector<BackupFile> ListBackups();

// "备份数据": the question, the copy, the log entry and the message. `fileName` receives the
// new backup's file name: the first of BackupRelativeName(now, 1, 2, ...) not yet taken.
AdminResult BackupAction(std::string* fileName = nullptr);

// The question a restore on a server asks for the connection string of the tables' owner; an
// empty answer (or none) restores through the folder's own connection.
inline constexpr const char* kRestoreOwnerQuestion =
    "恢复数据需要数据表所有者的连接字符串（只用于这次恢复，不会保存）。直接确定则使用本程序文件夹的"
    "连接：";

// "恢复": the chosen file name (nullopt: nothing selected), the soundness check of the file,
// the question, a backup of the current data, the restore, the log entry and the message.
// Anything refused or failed leaves the data file as it was.
AdminResult RestoreAction(const std::optional<std::string>& fileName);
