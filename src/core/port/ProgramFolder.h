#pragma once
#include <filesystem>

// The program folder: the process's current directory, read at every call. Everything the
// program reads and writes lives below it.
std::filesystem::path ProgramFolder();
