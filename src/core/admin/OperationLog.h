#pragma once
#include "port/AdminResult.h"
#include "store/Records.h"

#include <vector>

class CDataStore;

// The operation log view.

// Every entry, in the order written (empty after the store's message when that fails).
std::vector<LogRecord> LoadOperationLog();
// Deletes every entry; failures are told as ExecuteSql tells them.
bool ClearLog(CDataStore& store);
// "清除日志": the question, then every entry is deleted. Done only when the entries are gone;
// the view empties its list only then.
AdminResult ClearOperationLog();
