#include "CliContext.h"

#include "query/XlsxExport.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdio>
#include <iostream>

bool CliContext::HasFlag(const std::string& name) const {
    return std::find(flags.begin(), flags.end(), name) != flags.end();
}

std::optional<std::string> CliContext::Option(const std::string& name) const {
    auto it = options.find(name);
    if (it == options.end())
        return std::nullopt;
    return it->second;
}

std::string CliContext::OptionOr(const std::string& name, const std::string& fallback) const {
    auto v = Option(name);
    return v ? *v : fallback;
}

namespace {
std::string CsvField(const std::string& s) {
    if (s.find_first_of(",\"\r\n") == std::string::npos)
        return s;
    std::string out = "\"";
    for (char c : s) {
        if (c == '"')
            out += '"';
        out += c;
    }
    return out + "\"";
}

// Tabs and line breaks inside a field would break the line structure of tsv output.
std::string TsvField(const std::string& s) {
    std::string out;
    for (char c : s) {
        if (c == '\t')
            out += "\\t";
        else if (c == '\n')
            out += "\\n";
        else if (c == '\r')
            out += "\\r";
        else if (c == '\\')
            out += "\\\\";
        else
            out += c;
    }
    return out;
}

// A text that is not UTF-8 (written by another tool) shows each bad sequence as U+FFFD, so the
// output is always valid JSON; tsv and csv hand the stored bytes on as they are.
std::string JsonString(const std::string& s) {
    return nlohmann::json(s).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

bool& ListingFailedFlag() {
    static bool failed = false;
    return failed;
}
} // namespace

bool ListingFailed() {
    return ListingFailedFlag();
}

void PrintTable(const CliContext& ctx, const std::vector<std::string>& header,
                const std::vector<std::vector<std::string>>& rows) {
    if (ctx.format == "xlsx") {
        if (!WriteXlsxFile(ctx.output, header, rows))
            ListingFailedFlag() = true;
        return;
    }
    std::string out;
    if (ctx.format == "json") {
        out += "[";
        for (size_t r = 0; r < rows.size(); ++r) {
            out += r ? ",\n {" : "\n {";
            for (size_t i = 0; i < header.size(); ++i) {
                if (i)
                    out += ", ";
                out += JsonString(header[i]) + ": " +
                       JsonString(i < rows[r].size() ? rows[r][i] : std::string());
            }
            out += "}";
        }
        out += rows.empty() ? "]\n" : "\n]\n";
    } else {
        const bool csv = ctx.format == "csv";
        auto line = [&](const std::vector<std::string>& fields) {
            for (size_t i = 0; i < header.size(); ++i) {
                if (i)
                    out += csv ? "," : "\t";
                const std::string& f = i < fields.size() ? fields[i] : std::string();
                out += csv ? CsvField(f) : TsvField(f);
            }
            out += csv ? "\r\n" : "\n";
        };
        line(header);
        for (const auto& r : rows)
            line(r);
    }
    std::fwrite(out.data(), 1, out.size(), stdout);
}

int UsageError(const std::string& text) {
    std::cerr << text << "\n";
    return kExitUsage;
}

bool CliContext::OnlyOptions(std::initializer_list<const char*> allowed) const {
    for (const auto& [name, value] : options) {
        bool known = false;
        for (const char* a : allowed)
            known = known || name == a;
        if (!known)
            return false;
    }
    return flags.empty();
}
