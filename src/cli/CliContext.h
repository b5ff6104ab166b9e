#pragma once
#include <initializer_list>
#include <map>
#include <optional>
#include <string>
#include <vector>

enum ExitCode {
    kExitOk = 0,
    kExitRefused = 1,
    kExitUsage = 2,
    kExitLogin = 3,
    kExitData = 4,
    kExitNoRight = 5
};

// Parsed command line of one ferix-cli run.
struct CliContext {
    std::string format = "tsv"; // tsv, csv, json or xlsx
    std::string output;         // --output FILE: where an xlsx listing goes
    std::string command;
    std::vector<std::string> args;              // positional arguments after the command
    std::map<std::string, std::string> options; // --name value
    std::vector<std::string> flags;             // --name without a value (known flags only)

    bool HasFlag(const std::string& name) const;
    std::optional<std::string> Option(const std::string& name) const;
    std::string OptionOr(const std::string& name, const std::string& fallback) const;
    // True when every option given is one of `allowed` and no flag is given: a mistyped option
    // must not pass unnoticed (`users add bob --pasword x` would add bob without a password).
    bool OnlyOptions(std::initializer_list<const char*> allowed) const;
};

// Prints a listing: a header line of field names, then one line per row, in tsv, csv or json;
// with xlsx, writes it as a workbook to the --output file (ListingFailed() after its message).
void PrintTable(const CliContext& ctx, const std::vector<std::string>& header,
                const std::vector<std::vector<std::string>>& rows);
// True after a listing could not be written to its --output file.
bool ListingFailed();
// Prints a usage error on stderr; returns kExitUsage.
int UsageError(const std::string& text);
