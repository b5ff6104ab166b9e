#include "BillKindNames.h"

std::optional<BillKind> BillKindFromCliName(const std::string& name) {
    for (const auto& k : kBillKindNames) {
        if (name == k.cliName)
            return k.kind;
    }
    return std::nullopt;
}

std::optional<BillKind> BillKindFromHistoryWord(const std::string& word) {
    for (const auto& k : kBillKindNames) {
        if (*k.historyWord && word == k.historyWord)
            return k.kind;
    }
    return std::nullopt;
}
