#pragma once
#include <QDialog>

class QPushButton;

// About window: the program's name and version, where updates come from, and "返回" (only
// "返回" closes it).
class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent = nullptr);
    void reject() override; // Escape does not close it

    QPushButton* m_back;

protected:
    void closeEvent(QCloseEvent* e) override;
};
