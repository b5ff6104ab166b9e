// A stored bill on paper from the shell: the filled page, or its PDF.
#include "Commands.h"

#include "print/PagePrint.h"
#include "query/BillPrint.h"

#include <QGuiApplication>
#include <QString>
#include <QTextDocument>

#include <iostream>

int CmdPrintBill(CliContext& ctx) {
    const char* usage = "usage: ferix-cli print-bill KIND NUMBER [--pdf FILE]  (KIND: purchase, "
                        "purchase-return, sale, sale-return, loss, gain, price, transfer, "
                        "receipt, payment)";
    if (ctx.args.size() != 2 || !ctx.OnlyOptions({"pdf"}))
        return UsageError(usage);
    const auto kind = BillKindFromCliName(ctx.args[0]);
    if (!kind)
        return UsageError(usage);
    const BillPrintResult result = PrepareBillPrint(*kind, ctx.args[1]);
    switch (result.outcome) {
    case BillPrintResult::Outcome::Written:
        break;
    case BillPrintResult::Outcome::Failed:
        return kExitData;
    case BillPrintResult::Outcome::Refused:
    case BillPrintResult::Outcome::NotFound:
        return kExitRefused;
    }
    const auto pdf = ctx.Option("pdf");
    if (!pdf) {
        std::cout << result.page.string() << "\n";
        return kExitOk;
    }
    const auto gui = StartPrintingGui();
    const QString page = QString::fromStdString(result.page.string());
    const auto document = LoadPageDocument(page);
    const QString file = QString::fromStdString(*pdf);
    if (!document || !WriteDocumentPdf(*document, file, QString::fromStdString(result.title)))
        return kExitRefused;
    std::cout << *pdf << "\n";
    return kExitOk;
}
