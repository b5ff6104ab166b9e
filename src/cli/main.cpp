// ferix-cli: the command-line companion of the desktop program, over the same core.
#include "CliContext.h"
#include "CommandRights.h"
#include "Commands.h"

#include "admin/RoleAdmin.h"
#include "app/Cferix_razazApp.h"
#include "app/ProgramFolderSetup.h"
#include "app/ServerStart.h"
#include "port/MessagePort.h"
#include "port/ProcessSecrets.h"
#include "query/BillPrint.h"
#include "store/CDataStore.h"
#include "store/WarehouseScope.h"

#include <termios.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <iostream>
#include <optional>

namespace {
// Messages go to stderr; a command is its own confirmation, so questions are answered yes.
class CStderrMessagePort : public IMessagePort {
public:
    void Inform(const std::string& text) override { Print(text); }
    bool AskYesNo(const std::string& text) override {
        (void)text;
        return true;
    }
    bool AskOkCancel(const std::string& text) override {
        (void)text;
        return true;
    }
    // On a terminal the text is the prompt and the typing is not shown; otherwise the next
    // line of standard input is the answer, its end the cancel.
    std::optional<std::string> AskSecret(const std::string& text) override {
        std::string line;
        if (!::isatty(STDIN_FILENO)) {
            if (!std::getline(std::cin, line))
                return std::nullopt;
        } else {
            std::cerr << text << std::flush;
            termios old{};
            const bool quiet = ::tcgetattr(STDIN_FILENO, &old) == 0;
            if (quiet) {
                termios hidden = old;
                hidden.c_lflag &= ~static_cast<tcflag_t>(ECHO);
                ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &hidden);
            }
            const bool read = static_cast<bool>(std::getline(std::cin, line));
            if (quiet)
                ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &old);
            std::cerr << "\n";
            if (!read)
                return std::nullopt;
        }
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        return line;
    }

private:
    static void Print(const std::string& text) {
        std::string out;
        for (size_t i = 0; i < text.size(); ++i) {
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                continue;
            out += text[i];
        }
        std::cerr << out << "\n";
    }
};

int Usage() {
    std::string text =
        "usage: ferix-cli [--user NAME] [--password-stdin | --password PW] "
        "[--format tsv|csv|json|xlsx [--output FILE]] COMMAND [ARGUMENTS]\ncommands:\n";
    for (const auto& c : CliCommands())
        text += std::string("  ") + c.usage + "\n";
    text += "  help";
    return UsageError(text);
}
} // namespace

int main(int argc, char** argv) {
    // Before anything holds a password: a crash must not write one into a core file.
    DisableCoreDumps();
    // Read once, then gone from the environment (and from /proc/PID/environ).
    std::optional<std::string> password = TakeEnvironmentSecret("FERIX_PASSWORD");
    CStderrMessagePort port;
    SetMessagePort(&port);
    // A password or service file that a killed run of either program left behind.
    RemoveLeftSecretFiles(ProgramFolder() / "Temp");

    CliContext ctx;
    std::string user;
    if (const char* u = std::getenv("FERIX_USER"))
        user = u;

    int i = 1;
    bool passwordStdin = false;
    // Global options come before the command.
    for (; i < argc && std::strncmp(argv[i], "--", 2) == 0; i += 2) {
        std::string name = argv[i] + 2;
        if (name == "password-stdin") {
            passwordStdin = true;
            --i; // no value
            continue;
        }
        if (i + 1 >= argc)
            return Usage();
        std::string value = argv[i + 1];
        if (name == "user") {
            user = value;
        } else if (name == "password") {
            // Kept for old scripts: other users see it in the process list.
            password = value;
        } else if (name == "format") {
            if (value != "tsv" && value != "csv" && value != "json" && value != "xlsx")
                return Usage();
            ctx.format = value;
        } else if (name == "output") {
            ctx.output = value;
        } else {
            return Usage();
        }
    }
    if (i >= argc)
        return Usage();
    // A workbook is not text for a terminal: it goes to a file named beforehand.
    if ((ctx.format == "xlsx") != !ctx.output.empty())
        return UsageError(ctx.format == "xlsx" ? "--format xlsx needs --output FILE"
                                               : "--output is for --format xlsx");
    ctx.command = argv[i++];
    for (; i < argc; ++i) {
        std::string a = argv[i];
        if (a.size() > 2 && a.compare(0, 2, "--") == 0) {
            std::string name = a.substr(2);
            if (IsValuelessFlag(name)) {
                ctx.flags.push_back(name);
            } else {
                if (i + 1 >= argc)
                    return UsageError("option --" + name + " needs a value");
                ctx.options[name] = argv[++i];
            }
        } else {
            ctx.args.push_back(a);
        }
    }
    if (ctx.command == "help" || ctx.command == "--help") {
        Usage();
        return kExitOk;
    }

    const CliCommand* command = nullptr;
    for (const auto& c : CliCommands()) {
        if (ctx.command == c.name)
            command = &c;
    }
    if (!command)
        return Usage();

    if (command->needsLogin) {
        if (!ProgramFolderExists(ProgramFolder())) {
            std::cerr
                << "这里没有程序文件夹（找不到 Data/main_data.tdb）；请先运行 ferix-cli init。\n";
            return kExitData;
        }
        // A server that is not up, or tables this role may not upgrade: said once.
        const ServerStartCheck start = CheckServerStart();
        if (start.state != ServerStartCheck::Ready) {
            Messages().Inform(start.detail.empty() || start.state == ServerStartCheck::Failed
                                  ? start.text
                                  : start.text + "\r\n" + ServerStartDetailText(start.detail));
            return kExitData;
        }
        // An older folder gets the bill templates made since (quietly: a read-only folder
        // still answers, and a print tells what it lacks).
        WriteMissingBillTemplates(ProgramFolder(), nullptr);
        // The login password is the first line of standard input, before the command's own.
        if (passwordStdin)
            password = Messages().AskSecret("密码：");
        else if (!password && ::isatty(STDIN_FILENO))
            password = Messages().AskSecret("“" + user + "”的密码：");
        CDataStore store;
        if (!store.ConnectOther())
            return kExitData;
        if (!store.CheckLogin(user, password.value_or(""))) {
            std::cerr << "密码错误，请重新登陆！\n";
            return kExitLogin;
        }
        App().LoadApplicationSettings();
        // The role read with the login decides, before the command touches anything.
        if (const auto need = CommandNeed(ctx); need && !CheckRight(need->function, need->action))
            return kExitNoRight;
    }
    // A refusal of the core's own check (an entry point the command line's function does not
    // name) ends as the command line's own refusal would; so does a warehouse outside the role's
    // scope.
    const int refusals = RightRefusals();
    int code = command->run(ctx);
    if (code == kExitOk && ListingFailed())
        code = kExitData;
    return code != kExitOk && (RightRefusals() != refusals || WarehouseScopeRefused())
               ? kExitNoRight
               : code;
}
