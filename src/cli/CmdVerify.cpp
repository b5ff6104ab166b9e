// Checking the bill journal: every posted document against the chain of its entries.
#include "Commands.h"

#include "bills/BillJournal.h"

#include <iostream>

int CmdVerify(CliContext& ctx) {
    if (!ctx.args.empty() || !ctx.OnlyOptions({}))
        return UsageError("usage: ferix-cli verify");
    const JournalCheck check = VerifyBillJournal();
    switch (check.finding) {
    case JournalCheck::Finding::Complete:
        std::cout << JournalCheckText(check) << "\n";
        return kExitOk;
    case JournalCheck::Finding::Failed:
        // A failed connect has told its reason already.
        if (!check.error.empty())
            std::cerr << JournalCheckText(check) << "\n";
        return kExitData;
    default:
        std::cerr << JournalCheckText(check) << "\n";
        return kExitRefused;
    }
}
