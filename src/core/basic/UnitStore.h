#pragma once
#include "store/Records.h"

#include <optional>
#include <string>

class CDataStore;

// The unit of that code; nothing when there is none or the read failed (LastError()).
std::optional<BusinessUnitRecord> FindBusinessUnit(CDataStore& store, const std::string& code);
// "没有单位编码为“X”的往来单位！"
std::string UnitNotFoundText(const std::string& code);
// Stores a changed unit under its code, which never changes. Balances are kept by the name the
// bills carry, so the name cannot change once a trade bill, receipt or payment names it: that
// is refused with a message, as is a code no unit has. Bills already posted keep the name they
// were posted with. The form's checks are made before.
bool StoreChangedBusinessUnit(const BusinessUnitRecord& unit);
// The same on an open store.
bool UpdateBusinessUnit(CDataStore& store, const BusinessUnitRecord& unit);
