#include "Commands.h"

#include "app/Cferix_razazApp.h"
#include "net/NoticeFetch.h"

#include <iostream>

int CmdNotice(CliContext& ctx) {
    const char* usage = "usage: ferix-cli notice [--host URL]";
    if (!ctx.args.empty())
        return UsageError(usage);
    for (const auto& [name, value] : ctx.options) {
        if (name != "host")
            return UsageError(usage);
    }
    std::string host = ctx.OptionOr("host", NoticeHost());
    while (!host.empty() && host.back() == '/')
        host.pop_back();
    NoticeFetchResult result = FetchNotice(host, ProgramFolder());
    if (!result.notice) {
        std::cerr << result.error << "\n";
        return kExitRefused;
    }
    PrintTable(ctx, {"title", "content", "url"},
               {{result.notice->title, result.notice->content, result.notice->url}});
    return kExitOk;
}
