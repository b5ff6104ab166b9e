#pragma once
#include <string>

// The checks the add windows of the reference lists make before anything is written, with their
// messages; the windows and ferix-cli both call them. Each shows its message through the
// message port and returns false when the entry is refused.

// `list` is a simple list key (area, bank, unit, warehouse, income, spending) or "departments".
// An empty name is refused for areas, banks, departments, units and warehouses; income and
// spending items accept it. A name of one space is a name.
bool CheckConfigEntryName(const std::string& list, const std::string& name);

// An employee needs a name and a department.
bool CheckEmployeeEntry(const std::string& name, const std::string& department);
