#pragma once
#include <QDialog>

#include <string>

class QComboBox;
class QFormLayout;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

// Command word of the operator form that gives an existing operator another role.
inline constexpr const char* kRunRole = "run_role";

// The operator form: adds an operator (command word run_add) with its role, gives the logged-in
// operator a new password (run_re), or gives an operator another role (run_role, through
// EditRoleOf). After "确定" the opener reads the texts; the role change is made by the form.
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
    std::string Role() const;
    // run_role: the operator and the role it has now.
    void EditRoleOf(const QString& user, const QString& role);

    QLineEdit* m_userName;
    QLabel* m_passwordLabel;
    QLineEdit* m_password;
    QPlainTextEdit* m_note;
    QComboBox* m_role;
    QPushButton* m_ok;
    QPushButton* m_cancel;

private:
    void OnOk();
    QString m_command;
    QFormLayout* m_form;
};
