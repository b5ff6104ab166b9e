#pragma once
#include <string_view>

// Code point of an XML or HTML 4 named character reference ("amp", "nbsp", "Alpha"), matched
// exactly; 0 when the name is not in the set.
unsigned long LookUpNamedReference(std::string_view name);
