#pragma once
#include <QDialog>

class QLineEdit;
class QPushButton;

// The program's addresses.
extern const char* const kHomePageUrl;
extern const char* const kSupportPageUrl;

// About window: name, home page address, "打开网站" and "返回" (only "返回" closes it).
class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent = nullptr);
    void reject() override; // Escape and the close box open the web site instead

    QLineEdit* m_url;
    QPushButton* m_open;
    QPushButton* m_back;

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    void OpenSite();
};
