// Opening data from the shell: opening stock from a file, an opening receivable or payable.
#include "Commands.h"

#include "app/Cferix_razazApp.h"
#include "bills/OpeningStock.h"
#include "port/MessagePort.h"

#include <iostream>
#include <unordered_map>

namespace {
const char* kUsage = "usage: ferix-cli opening stock FILE.csv [--force] | "
                     "ferix-cli opening balance NAME AMOUNT";

// Opening stock on goods that have moved already is most likely a file given twice: the question
// the window asks is refused with this text unless the command says --force.
class CMovementsAnswer : public IMessagePort {
public:
    explicit CMovementsAnswer(bool force) : m_force(force), m_below(SetMessagePort(this)) {}
    ~CMovementsAnswer() override { SetMessagePort(m_below); }
    CMovementsAnswer(const CMovementsAnswer&) = delete;
    CMovementsAnswer& operator=(const CMovementsAnswer&) = delete;

    void Inform(const std::string& text) override { m_below->Inform(text); }
    bool AskYesNo(const std::string& text) override {
        if (m_force)
            return true;
        m_below->Inform(text.substr(0, text.rfind("，确定")) + "！确实如此时请加 --force。");
        return false;
    }
    bool AskOkCancel(const std::string& text) override { return m_below->AskOkCancel(text); }

private:
    bool m_force;
    IMessagePort* m_below;
};

int Answer(PostOutcome outcome) {
    switch (outcome) {
    case PostOutcome::Posted:
        return kExitOk;
    case PostOutcome::ConnectFailed:
        return kExitData;
    default:
        return kExitRefused;
    }
}

int OpeningStock(CliContext& ctx) {
    const bool force = ctx.HasFlag("force");
    if (ctx.args.size() != 2 || !ctx.options.empty() || ctx.flags.size() != (force ? 1u : 0u))
        return UsageError(kUsage);
    auto text = ReadWholeFile(ctx.args[1]);
    if (!text)
        return kExitRefused;
    auto rows = ReadOpeningStockCsv(*text);
    if (!rows)
        return kExitRefused;
    if (!App().ReloadGoods())
        return kExitData;
    std::unordered_map<std::string, const GoodsRecord*> byCode;
    for (const auto& g : App().m_goods)
        byCode[g.Code] = &g;
    auto bills =
        MakeOpeningBills(*rows, [&](const std::string& code) -> std::optional<GoodsRecord> {
            auto it = byCode.find(code);
            if (it == byCode.end())
                return std::nullopt;
            return *it->second;
        });
    if (!bills)
        return kExitRefused;
    CMovementsAnswer answer(force);
    const PostOutcome outcome = PostOpeningBills(*bills);
    if (outcome == PostOutcome::Posted) {
        for (const CBill& bill : *bills)
            std::cout << bill.m_number << "\n";
    }
    return Answer(outcome);
}

int OpeningBalance(CliContext& ctx) {
    if (ctx.args.size() != 3 || !ctx.options.empty() || !ctx.flags.empty())
        return UsageError(kUsage);
    CBill bill(BillKind::OpeningBalance);
    bill.m_customer = ctx.args[1];
    bill.m_paid = ctx.args[2];
    const PostOutcome outcome = bill.Save();
    if (outcome == PostOutcome::Posted)
        std::cout << bill.m_number << "\n";
    return Answer(outcome);
}
} // namespace

int CmdOpening(CliContext& ctx) {
    if (!ctx.args.empty() && ctx.args[0] == "stock")
        return OpeningStock(ctx);
    if (!ctx.args.empty() && ctx.args[0] == "balance")
        return OpeningBalance(ctx);
    return UsageError(kUsage);
}
