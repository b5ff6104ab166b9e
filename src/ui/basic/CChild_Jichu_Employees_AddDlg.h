#pragma once
#include "basic/Employees.h"

#include <QDialog>

class QComboBox;
class QDateEdit;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

// "增加员工": name, department (from the department list), telephone, birthday, address, note.
class CChild_Jichu_Employees_AddDlg : public QDialog {
    Q_OBJECT
public:
    explicit CChild_Jichu_Employees_AddDlg(QWidget* parent = nullptr);

    // Taken from the fields as typed when the window is confirmed.
    EmployeeForm m_form;

    QLineEdit* m_name;
    QComboBox* m_department;
    QLineEdit* m_tel;
    QDateEdit* m_birthday;
    QLineEdit* m_addr;
    QPlainTextEdit* m_note;
    QPushButton* m_ok;
    QPushButton* m_cancel;

private slots:
    void OnConfirm();
};
