#pragma once
#include <QDialog>

#include <string>

class QTextBrowser;

// The help page shipped with the program, in a window of its own.
class CHelpDlg : public QDialog {
    Q_OBJECT
public:
    explicit CHelpDlg(QWidget* parent = nullptr);

    QTextBrowser* m_page;
};

// The installed version and where updates come from.
extern const char* const kProgramVersion; // "1.5"
std::string UpdateCheckText();
