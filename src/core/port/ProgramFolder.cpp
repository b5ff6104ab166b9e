#include "ProgramFolder.h"

std::filesystem::path ProgramFolder() {
    std::error_code ec;
    auto p = std::filesystem::current_path(ec);
    return ec ? std::filesystem::path(".") : p;
}
