#include "Commands.h"

#include <algorithm>
#include <string>

const std::vector<CliCommand>& CliCommands() {
    static const std::vector<CliCommand> commands = {
        {"init", false, CmdInit, "init"},
        {"log", true, CmdLog, "log [--clear]"},
    };
    return commands;
}

bool IsValuelessFlag(const std::string& name) {
    static const std::vector<std::string> flags = {"clear"};
    return std::find(flags.begin(), flags.end(), name) != flags.end();
}
