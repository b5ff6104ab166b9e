#pragma once
#include "port/AdminResult.h"
#include "store/Records.h"

#include <string>
#include <vector>

class CDataStore;

// The operation log view, and the entries of administrative acts.

// Every entry, in the order written (empty after the store's message when that fails).
std::vector<LogRecord> LoadOperationLog();
// Deletes every entry and writes the one saying who cleared the log and when, in one
// transaction: a cleared log is never silent about it. Failures are told as ExecuteSql tells them.
bool ClearLog(CDataStore& store);
// "清除日志": the question, then the entries are replaced by the clearing's own. Done only when
// the old entries are gone; the view reloads its list then.
AdminResult ClearOperationLog();

// The entry an administrative act (operators, settings, backup, restore, copy-to-server, the
// work role's rights) leaves, with the current operator and the time. Written after the act;
// a failure to write it has been told and does not undo the act.
bool LogAdminAct(const std::string& event);

// What the clearing of the log leaves behind.
inline constexpr const char* kLogClearedEvent = "清除操作日志";
