#pragma once
#include <QString>

#include <functional>

class QWidget;

// Asks where to save a file (the suggested name in the home folder, the suffix added when
// missing). An empty text when the user cancels.
QString AskSaveFileName(QWidget* parent, const QString& caption, const QString& suggestedName,
                        const QString& filter, const QString& suffix);

// Test seam: when set, AskSaveFileName returns what this gives for (caption, suggested name).
void SetSaveFileNameForTest(std::function<QString(const QString&, const QString&)> answer);
