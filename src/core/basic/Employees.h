#pragma once
#include "ListColumn.h"

#include <optional>
#include <string>
#include <vector>

// The fixed first row of the department list; it stands for all departments and is never stored.
extern const char* const kAllEmployees; // "所有员工"

struct EmployeeRow {
    std::string name, tel, addr, birthday, note;
};

// What the add window collects.
struct EmployeeForm {
    std::string name, department, tel, birthday, addr, note;
};

const std::vector<ListColumn>& EmployeeColumns();
const ListColumn& DepartmentColumn();

// What the employee window holds and does, without the window.
class CEmployeesState {
public:
    // Departments ("所有员工" first, then the departments newest first) and the employees of
    // every department, the last employee of the last department first.
    void FullFill();
    const std::vector<std::string>& DepartmentRows() const { return m_departments; }
    const std::vector<EmployeeRow>& EmployeeRows() const { return m_employees; }
    std::string EmployeeCell(size_t row, int column) const;

    // A department row was selected: "所有员工" fills everything again, another name shows that
    // department's employees (the first department of that name), an empty text does nothing.
    void SelectDepartment(const std::string& name);
    const std::string& SelectedDepartment() const { return m_selectedDepartment; }
    void SelectEmployee(const std::string& name) { m_selectedEmployee = name; }
    const std::string& SelectedEmployee() const { return m_selectedEmployee; }

    // Files the employee under the first department of the chosen name, then fills everything.
    void Add(const EmployeeForm& form);
    // Removes every employee named as the selected one, in all departments, then fills
    // everything. The selected employee stays.
    void Delete();

private:
    void ShowEmployees(const std::optional<std::string>& department);

    std::vector<std::string> m_departments;
    std::vector<EmployeeRow> m_employees;
    std::string m_selectedDepartment, m_selectedEmployee;
};

// The add window's check: "员工姓名或部门不能为空！" and false when name or department is empty.
bool CheckEmployeeForm(const EmployeeForm& form);
// The add window's department choice: every department name, sorted.
std::vector<std::string> DepartmentChoices();
