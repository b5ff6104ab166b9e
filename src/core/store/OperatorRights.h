#pragma once
#include "rights/RoleRights.h"

#include <cstdint>
#include <string>

class CDataStore;

// Reads a role whole: its rights, warehouses and hidden prices. False after a failed read (the
// store's LastError says why); a role that does not exist reads as one without any right.
bool LoadRole(CDataStore& store, const std::string& roleName, CRoleRights* rights);
// The role of the operator with that row id.
bool LoadOperatorRole(CDataStore& store, int64_t operatorId, CRoleRights* rights);
