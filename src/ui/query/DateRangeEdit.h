#pragma once
#include <QDateEdit>

// A date picker of the query windows: the system's short date format, a calendar to pick
// from, starting at today's date (the program's clock).
QDateEdit* MakeQueryDateEdit(QWidget* parent);
// The date as the database compares it: ISO yyyy-MM-dd.
std::string IsoDate(const QDateEdit* edit);
