#pragma once
#include <QString>

#include <functional>
#include <string>

class QPushButton;
class QTableView;
class QWidget;

// The function whose 导出 right a list's export needs, asked when the button is pressed (a
// window showing several kinds knows only then which one).
using ExportFunction = std::function<std::string()>;

// The "导出" button placed beside a list: it saves the list's shown columns as a CSV file.
QPushButton* MakeExportButton(QTableView* view, ExportFunction function,
                              const QString& suggestedName, QWidget* parent);
QPushButton* MakeExportButton(QTableView* view, const char* function, const QString& suggestedName,
                              QWidget* parent);

// Asks for a file name and saves the view's rows (hidden columns left out). False when the
// operator may not export the list, the user cancelled or the file could not be written (after
// its message).
bool ExportListAsCsv(QTableView* view, const std::string& function, const QString& suggestedName,
                     QWidget* parent);
