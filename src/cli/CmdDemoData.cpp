// demo-data: sample reference data, goods, business units and posted bills.
#include "Commands.h"

#include "app/DemoData.h"
#include "store/CDataStore.h"
#include "text/Money.h"

#include <iostream>
#include <unistd.h>

int CmdDemoData(CliContext& ctx) {
    const char* usage = "usage: ferix-cli demo-data [--goods N] [--customers N] [--bills N] "
                        "[--lines-per-bill N]";
    if (!ctx.args.empty() || !ctx.flags.empty())
        return UsageError(usage);
    DemoDataOptions options;
    const std::pair<const char*, int*> counts[] = {{"goods", &options.goods},
                                                   {"customers", &options.customers},
                                                   {"bills", &options.bills},
                                                   {"lines-per-bill", &options.linesPerBill}};
    for (const auto& [name, value] : ctx.options) {
        int* target = nullptr;
        for (const auto& [known, field] : counts) {
            if (name == known)
                target = field;
        }
        if (!target)
            return UsageError(usage);
        auto number = ParseWholeNumber(value);
        if (!number || *number < 0 || *number > 100'000'000)
            return UsageError("--" + name + " 必须是不小于零的整数");
        *target = static_cast<int>(*number);
    }
    if (std::string problem = CheckDemoDataOptions(options); !problem.empty())
        return UsageError(problem);
    {
        CDataStore store;
        if (!store.ConnectMain())
            return kExitData;
    }
    // A large data set takes a while: show how far it got, on a terminal only.
    const bool showProgress = isatty(STDERR_FILENO) && options.bills >= 1000;
    if (showProgress) {
        const int total = options.bills;
        options.progress = [total](int posted) {
            std::cerr << "\r" << posted << " / " << total << std::flush;
        };
    }
    bool ok = FillDemoData(options);
    if (showProgress)
        std::cerr << "\n";
    return ok ? kExitOk : kExitRefused;
}
