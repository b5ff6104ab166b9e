#pragma once
#include "basic/Employees.h"

#include <QDialog>

#include <functional>

class CListModel;
class QPushButton;
class QTableView;

// "员工管理": departments on the left ("所有员工" first), employees on the right.
class CChild_Jichu_EmployeesDlg : public QDialog {
    Q_OBJECT
public:
    explicit CChild_Jichu_EmployeesDlg(QWidget* parent = nullptr);
    const CEmployeesState& State() const { return m_state; }

    QTableView* m_departments;
    QTableView* m_employees;
    CListModel* m_departmentModel;
    CListModel* m_employeeModel;
    QPushButton* m_add;
    QPushButton* m_delete;
    QPushButton* m_manageDepartments;
    QPushButton* m_back;

private slots:
    void OnDepartmentSelected();
    void OnEmployeeSelected();
    void OnAdd();
    void OnDelete();
    void OnManageDepartments();

private:
    void Change(const std::function<void()>& change);

    CEmployeesState m_state;
    bool m_filling = false;
};
