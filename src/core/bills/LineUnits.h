#pragma once
#include "CBill.h"

#include <cstdint>
#include <optional>
#include <vector>

class CDataStore;

// How many base units one of each line's unit holds, in the lines' order: 1 for the goods' base
// unit, an empty unit and any unit of goods that have no further units (a name only, as bill
// files have always used); the unit's factor for one of the goods' further units. Read with one
// query for the whole bill. Nothing after a refusal (a unit the goods do not have, named with
// the goods) or a failed read, told through the message port; with `failed` given, a failed
// read sets it and is left to the caller to tell.
std::optional<std::vector<int64_t>>
LineFactors(CDataStore& store, const std::vector<BillLine>& lines, bool* failed = nullptr);

// `quantity` × `factor`, nothing (after the message naming `name`) when it is beyond range.
std::optional<int64_t> BaseQuantityOf(const std::string& name, int64_t quantity, int64_t factor);
