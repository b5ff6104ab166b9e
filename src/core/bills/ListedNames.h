#pragma once
#include "config/ConfigLists.h"

#include <string>
#include <vector>

class CDataStore;

// A bill names its warehouses and its business unit as typed or picked; a name the lists do not
// hold makes a stock row nobody can pick, or a debt no receipt can settle. These are the checks
// and texts the bills and the stock count share.

std::string WarehouseNotListedText(const std::string& warehouse);
std::string UnitNotListedText(const std::string& unit);
std::string ClassNotListedText(const std::string& className);

// Whether the warehouse list holds exactly this name; says WarehouseNotListedText when not,
// after `at` (where the name was read, e.g. a file's line).
bool CheckWarehouseListed(const std::string& warehouse, const std::string& at = "");
// The warehouse list as the operator may pick from it: only the warehouses in the role's scope.
// Every warehouse drop-down and picker offers these.
std::vector<ConfigListEntry> ScopedWarehouseList();
// Whether the unit list holds a unit of exactly this name; says UnitNotListedText when not, or
// the store's failure.
bool CheckUnitListed(CDataStore& store, const std::string& unit);
