#pragma once
#include <filesystem>
#include <string>
#include <vector>

// How the cells of one column go into a workbook.
enum class XlsxColumn {
    Infer,  // numbers when every filled cell is a plain number (or "***"), else as Plain
    Number, // each cell that reads as a number is one; any other cell stays text
    Plain,  // text, but for dates (yyyy-mm-dd) and date-times (yyyy-mm-dd hh:mm:ss)
};

// A cell's number: its value and the decimals it shows (12.50 → 2). Empty for anything that
// is not a plain decimal number, for whole numbers with a leading zero ("007" is a code) and for
// whole numbers of more than ten digits (barcodes, telephone numbers).
struct XlsxNumber {
    double value = 0;
    int decimals = 0;
};
bool ReadXlsxNumber(const std::string& text, XlsxNumber& out);

// The width a text takes in a spreadsheet column, in characters: East Asian wide characters
// count two.
int XlsxTextWidth(const std::string& text);

// Writes the list as a workbook of one sheet: a bold header row, numbers as numbers in the
// decimals they show ("0.00", "0.0000"), dates as dates ("yyyy-mm-dd"), every other cell (a
// hidden "***" too) as text, the columns as wide as their longest cell. `kinds` gives a kind per
// column; missing ones are Infer. Replaces the file only when the whole workbook is written;
// false, with a message, otherwise.
bool WriteXlsxFile(const std::filesystem::path& path, const std::vector<std::string>& header,
                   const std::vector<std::vector<std::string>>& rows,
                   const std::vector<XlsxColumn>& kinds = {});

// True when `path` names a workbook (ends in .xlsx, in any case).
bool IsXlsxPath(const std::filesystem::path& path);
