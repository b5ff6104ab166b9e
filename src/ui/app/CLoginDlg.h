#pragma once
#include <QDialog>

class QComboBox;
class QLineEdit;
class QPushButton;

// "用户登陆": operator and password; OK only after a successful check.
class CLoginDlg : public QDialog {
    Q_OBJECT
public:
    explicit CLoginDlg(QWidget* parent = nullptr);

    QComboBox* m_user;
    QLineEdit* m_password;
    QPushButton* m_login;
    QPushButton* m_cancel;

private slots:
    void OnLogin();
};
