#pragma once
#include "XlsxExport.h"

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

// A list saved for a spreadsheet program: RFC 4180 comma-separated values, CR LF line ends,
// UTF-8 with a byte order mark so that Chinese texts open correctly.
std::string FormatCsv(const std::vector<std::string>& header,
                      const std::vector<std::vector<std::string>>& rows);

// Writes the list to `path` (replacing the file only when the whole list is written). False,
// with a message, when the file cannot be written.
bool WriteCsvFile(const std::filesystem::path& path, const std::vector<std::string>& header,
                  const std::vector<std::vector<std::string>>& rows);

// The export of a list of `function` (a code of the function table): the operator's right to
// 导出 it first, then the writer the file's suffix names: WriteXlsxFile for .xlsx (with the
// columns' `kinds`), else WriteCsvFile. False after the refusal or the write's message.
bool ExportCsvFile(std::string_view function, const std::filesystem::path& path,
                   const std::vector<std::string>& header,
                   const std::vector<std::vector<std::string>>& rows,
                   const std::vector<XlsxColumn>& kinds = {});
