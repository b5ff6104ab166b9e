#pragma once
#include <string>

// Whether a message tells of an error or a refusal (a failure, something missing, wrong or not
// allowed) rather than of something done: the program shows it with an error icon.
bool IsErrorMessage(const std::string& text);
