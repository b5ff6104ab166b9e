// A stock count from a file of counted quantities.
#include "Commands.h"

#include "bills/StockCount.h"
#include "port/MessagePort.h"
#include "text/CsvReader.h"

#include <iostream>
#include <unordered_map>

namespace {
const char* kUsage = "usage: ferix-cli count WAREHOUSE FILE.csv [--class C] [--token HEX]";

std::string Lower(std::string s) {
    for (char& c : s) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return s;
}

// Puts the counted quantities of the file (`code,counted`, an optional header row of those
// names) into the count; goods not named keep their book quantity. False after a message.
bool ApplyCounted(const std::string& text, StockCount& count) {
    std::string error;
    auto records = ParseCsv(text, &error);
    if (!records) {
        Messages().Inform(error);
        return false;
    }
    std::unordered_map<std::string, size_t> lineOf, named;
    for (size_t i = 0; i < count.lines.size(); ++i)
        lineOf.emplace(count.lines[i].code, i);
    for (size_t r = 0; r < records->size(); ++r) {
        const CsvRecord& rec = (*records)[r];
        const std::string at = "第" + std::to_string(rec.line) + "行：";
        if (r == 0 && rec.fields.size() == 2 && Lower(rec.fields[0]) == "code" &&
            Lower(rec.fields[1]) == "counted")
            continue;
        // A blank line (an empty last line, a gap left in the sheet) counts nothing.
        if (rec.fields.size() == 1 && rec.fields[0].empty())
            continue;
        if (rec.fields.size() != 2) {
            Messages().Inform(at + "应有两个字段：商品编码和实盘数量！");
            return false;
        }
        const std::string& code = rec.fields[0];
        auto it = lineOf.find(code);
        if (it == lineOf.end()) {
            Messages().Inform(at + "商品编码“" + code + "”不在本次盘点的库存中！");
            return false;
        }
        auto [first, added] = named.emplace(code, rec.line);
        if (!added) {
            Messages().Inform(at + "商品编码“" + code + "”与第" + std::to_string(first->second) +
                              "行重复！");
            return false;
        }
        count.lines[it->second].counted = rec.fields[1];
    }
    return true;
}
} // namespace

int CmdCount(CliContext& ctx) {
    bool tokenValid = true;
    const auto token = TokenOption(ctx, tokenValid);
    if (ctx.args.size() != 2 || !ctx.flags.empty() || !tokenValid)
        return UsageError(kUsage);
    for (const auto& [name, value] : ctx.options) {
        if (name != "class" && name != "token")
            return UsageError(kUsage);
    }
    CountPosted posted;
    auto answer = [&](CountOutcome outcome) {
        switch (outcome) {
        case CountOutcome::Posted:
            if (!posted.gainNumber.empty())
                std::cout << posted.gainNumber << "\n";
            if (!posted.lossNumber.empty())
                std::cout << posted.lossNumber << "\n";
            return kExitOk;
        case CountOutcome::NoDifference:
            std::cout << kCountNoDifferenceText << "\n";
            return kExitOk;
        case CountOutcome::ConnectFailed:
            return kExitData;
        default:
            return kExitRefused;
        }
    };
    // A retry is answered by its token before the warehouse, the file and the quantities are
    // checked against stock that the stored count has changed.
    if (token) {
        if (const auto answered = CountAnsweredByToken(*token, posted))
            return answer(*answered);
    }
    auto text = ReadWholeFile(ctx.args[1]);
    if (!text)
        return kExitRefused;
    switch (CheckCountChoice(ctx.args[0], ctx.OptionOr("class", ""))) {
    case CountChoice::Valid:
        break;
    case CountChoice::Refused:
        return kExitRefused;
    case CountChoice::Failed:
        return kExitData;
    }
    auto count = LoadStockCount(ctx.args[0], ctx.OptionOr("class", ""));
    if (!count)
        return kExitData;
    if (!ApplyCounted(*text, *count))
        return kExitRefused;
    if (token)
        count->token = *token;
    const CountOutcome outcome = CountStock(*count, posted);
    if (outcome == CountOutcome::Failed)
        TellToken(count->token);
    return answer(outcome);
}
