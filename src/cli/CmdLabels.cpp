#include "Commands.h"

#include "LabelSheet.h"
#include "basic/GoodsLabels.h"

#include <QGuiApplication>

#include <iostream>
#include <memory>

namespace {
constexpr const char* kLabelsUsage =
    "usage: ferix-cli labels CODE[:COUNT]... --pdf FILE [--size 40x30] [--roll]";
constexpr int kMaxLabelsOfOne = 10000;

// "G1" once, "G1:25" 25 times; the code may hold ':' itself, the count is after the last one.
bool ReadWanted(const std::string& arg, std::pair<std::string, int>& out) {
    const size_t colon = arg.rfind(':');
    if (colon == std::string::npos) {
        out = {arg, 1};
        return !arg.empty();
    }
    const std::string count = arg.substr(colon + 1);
    if (count.empty() || count.size() > 5 ||
        count.find_first_not_of("0123456789") != std::string::npos)
        return false;
    out = {arg.substr(0, colon), std::stoi(count)};
    return !out.first.empty() && out.second >= 1 && out.second <= kMaxLabelsOfOne;
}
} // namespace

int CmdLabels(CliContext& ctx) {
    for (const auto& [name, value] : ctx.options) {
        if (name != "pdf" && name != "size")
            return UsageError(kLabelsUsage);
    }
    for (const auto& flag : ctx.flags) {
        if (flag != "roll")
            return UsageError(kLabelsUsage);
    }
    const auto pdf = ctx.Option("pdf");
    if (ctx.args.empty() || !pdf || pdf->empty())
        return UsageError(kLabelsUsage);
    const auto size = ParseLabelSize(ctx.OptionOr("size", "40x30"));
    if (!size)
        return UsageError("--size: width x height in millimetres, fitting an A4 page (40x30)");
    std::vector<std::pair<std::string, int>> wanted;
    for (const auto& arg : ctx.args) {
        std::pair<std::string, int> one;
        if (!ReadWanted(arg, one))
            return UsageError("“" + arg + "”: CODE or CODE:COUNT (1 to 10000)");
        wanted.push_back(one);
    }
    const auto labels = MakeGoodsLabels(wanted);
    if (!labels)
        return kExitRefused;
    // Text layout and the PDF writer need a Gui application; this one never shows a window.
    std::unique_ptr<QGuiApplication> app;
    if (!QCoreApplication::instance()) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        // Qt's notes about its own set-up (no runtime folder for a root shell) are not the
        // command's output; its failures reach the user through the write's own message.
        qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
            if (type == QtCriticalMsg || type == QtFatalMsg)
                std::cerr << text.toStdString() << "\n";
        });
        static int argc = 1;
        static char name[] = "ferix-cli";
        static char* argv[] = {name, nullptr};
        app = std::make_unique<QGuiApplication>(argc, argv);
    }
    if (!WriteLabelsPdf(*pdf, *labels, *size, ctx.HasFlag("roll")))
        return kExitData;
    std::cout << *pdf << "\n";
    return kExitOk;
}
