#pragma once
#include <string>

// True for a real calendar date written yyyy-MM-dd ("2026-02-29" is not one).
bool IsIsoDate(const std::string& text);
