#pragma once
#include <QDialog>

#include <string>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

// The operator form: adds an operator (command word run_add) or gives the logged-in operator
// a new password (run_re). After "确定" the opener reads the three texts.
class CChild_Xitong_ManageUser_AddDlg : public QDialog {
    Q_OBJECT
public:
    explicit CChild_Xitong_ManageUser_AddDlg(QWidget* parent = nullptr);
    // Set by the opener before the form is shown.
    void SetCommand(const QString& command);
    const QString& Command() const { return m_command; }

    std::string UserName() const;
    std::string Password() const;
    std::string Note() const;

    QLineEdit* m_userName;
    QLabel* m_passwordLabel;
    QLineEdit* m_password;
    QPlainTextEdit* m_note;
    QPushButton* m_ok;
    QPushButton* m_cancel;

private:
    void OnOk();
    QString m_command;
};
