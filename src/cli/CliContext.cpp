#include "CliContext.h"

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

std::string JsonString(const std::string& s) {
    std::string out = "\"";
    for (unsigned char c : s) {
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (c < 0x20) {
                char buf[8];
                std::snprintf(buf, sizeof buf, "\\u%04x", c);
                out += buf;
            } else {
                out += static_cast<char>(c);
            }
        }
    }
    return out + "\"";
}
} // namespace

void PrintTable(const CliContext& ctx, const std::vector<std::string>& header,
                const std::vector<std::vector<std::string>>& rows) {
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
