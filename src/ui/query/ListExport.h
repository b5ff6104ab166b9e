#pragma once
#include <QString>

class QPushButton;
class QTableView;
class QWidget;

// The "导出" button placed beside a list: it saves the list's shown columns as a CSV file.
QPushButton* MakeExportButton(QTableView* view, const QString& suggestedName, QWidget* parent);

// Asks for a file name and saves the view's rows (hidden columns left out). False when the user
// cancelled or the file could not be written (after its message).
bool ExportListAsCsv(QTableView* view, const QString& suggestedName, QWidget* parent);
