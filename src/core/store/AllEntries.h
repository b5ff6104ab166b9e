#pragma once

// The pseudo-entries of the warehouse list, the class tree and the unit-type list: each stands
// for "no filter" and is never stored. The store's list operations take them as such; every
// window and command offers them by these texts.
inline constexpr const char* kAllWarehouses = "全部";    // every warehouse
inline constexpr const char* kAllGoods = "所有商品";     // every goods class: the tree's root
inline constexpr const char* kAllUnitTypes = "所有类型"; // every business-unit type
