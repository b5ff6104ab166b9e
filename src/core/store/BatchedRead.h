#pragma once
#include "CStatement.h"

#include <functional>
#include <string>

class CDataStore;

// A read of very many rows (every money row of years of bills): on a server through a cursor of
// its own transaction, fetched a few thousand rows at a time, since the client library holds a
// statement's result whole (a million rows are a hundred megabytes and more); on a file as Run
// (its rows are stepped one at a time already). Only outside a transaction. False with the
// store's last error.
bool RunInBatches(CDataStore& store, const std::string& sql, const SqlValues& values,
                  const std::function<void(const CStatement&)>& onRow);
