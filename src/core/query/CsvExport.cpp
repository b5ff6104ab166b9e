#include "CsvExport.h"

#include "port/MessagePort.h"
#include "store/RightCheck.h"

#include <cerrno>
#include <cstdio>
#include <system_error>

namespace fs = std::filesystem;

namespace {
void AppendField(std::string& out, const std::string& field) {
    if (field.find_first_of(",\"\r\n") == std::string::npos) {
        out += field;
        return;
    }
    out += '"';
    for (char c : field) {
        if (c == '"')
            out += '"';
        out += c;
    }
    out += '"';
}

void AppendLine(std::string& out, const std::vector<std::string>& fields) {
    for (size_t i = 0; i < fields.size(); ++i) {
        if (i)
            out += ',';
        AppendField(out, fields[i]);
    }
    out += "\r\n";
}
} // namespace

std::string FormatCsv(const std::vector<std::string>& header,
                      const std::vector<std::vector<std::string>>& rows) {
    std::string out = "\xEF\xBB\xBF";
    AppendLine(out, header);
    for (const auto& row : rows)
        AppendLine(out, row);
    return out;
}

bool WriteCsvFile(const fs::path& path, const std::vector<std::string>& header,
                  const std::vector<std::vector<std::string>>& rows) {
    std::string bytes = FormatCsv(header, rows);
    // Written beside the target and renamed over it, so a failed write never leaves a
    // half-written list in place of an earlier one.
    fs::path temp = path;
    temp += ".part";
    auto fail = [&](int error) {
        std::error_code ec;
        fs::remove(temp, ec);
        Messages().Inform("无法保存文件：" + path.string() + "\r\n" +
                          std::generic_category().message(error ? error : EIO));
        return false;
    };
    errno = 0;
    std::FILE* f = std::fopen(temp.c_str(), "wb");
    if (!f)
        return fail(errno);
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    int error = errno;
    if (std::fclose(f) != 0 && ok) {
        ok = false;
        error = errno;
    }
    if (!ok)
        return fail(error);
    std::error_code ec;
    fs::rename(temp, path, ec);
    if (ec)
        return fail(ec.value());
    return true;
}

bool ExportCsvFile(std::string_view function, const fs::path& path,
                   const std::vector<std::string>& header,
                   const std::vector<std::vector<std::string>>& rows,
                   const std::vector<XlsxColumn>& kinds) {
    if (!CheckRight(function, Action::Export))
        return false;
    return IsXlsxPath(path) ? WriteXlsxFile(path, header, rows, kinds)
                            : WriteCsvFile(path, header, rows);
}
