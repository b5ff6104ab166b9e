#pragma once
#include "port/AdminResult.h"
#include "store/Records.h"

#include <string>
#include <vector>

// The company settings window: name, telephone, fax, post code, address and the (hidden)
// stock-costing method.

// The costing methods the window offers, in list order; the first is the default.
const std::vector<std::string>& CostingMethods();
// The list entry whose text equals `stored`; 0 (the default) when none does.
int CostingMethodIndex(const std::string& stored);

// The settings as stored (six empty texts after the store's message when that fails).
SettingsRecord LoadCompanySettings();
// "确定": saves the six texts, writes the log entry "修改公司基本信息" and reloads the
// application's copy, so the next printout shows them. The log entry and the reload happen
// even when the save failed (its message has been shown).
AdminResult SaveCompanySettings(const SettingsRecord& settings);
