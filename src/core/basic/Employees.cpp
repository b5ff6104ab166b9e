#include "Employees.h"

#include "config/ConfigLists.h"
#include "port/MessagePort.h"
#include "text/TextOrder.h"

const char* const kAllEmployees = "所有员工";

const std::vector<ListColumn>& EmployeeColumns() {
    static const std::vector<ListColumn> columns = {
        {"员工姓名", 100}, {"联系电话", 100}, {"住址", 100}, {"出生日期", 100}, {"备注", 134}};
    return columns;
}

const ListColumn& DepartmentColumn() {
    static const ListColumn column = {"部门名称", 162};
    return column;
}

void CEmployeesState::FullFill() {
    m_departments.clear();
    m_departments.push_back(kAllEmployees);
    auto departments = ReadDepartments();
    for (auto it = departments.rbegin(); it != departments.rend(); ++it)
        m_departments.push_back(it->name);
    ShowEmployees(std::nullopt);
}

void CEmployeesState::ShowEmployees(const std::optional<std::string>& department) {
    m_employees.clear();
    auto employees = ReadEmployees(department);
    for (auto it = employees.rbegin(); it != employees.rend(); ++it)
        m_employees.push_back({it->name, it->tel, it->addr, it->birthday, it->note});
}

std::string CEmployeesState::EmployeeCell(size_t row, int column) const {
    if (row >= m_employees.size())
        return {};
    const EmployeeRow& e = m_employees[row];
    switch (column) {
    case 0:
        return e.name;
    case 1:
        return e.tel;
    case 2:
        return e.addr;
    case 3:
        return e.birthday;
    case 4:
        return e.note;
    default:
        return {};
    }
}

void CEmployeesState::SelectDepartment(const std::string& name) {
    m_selectedDepartment = name;
    if (name.empty())
        return;
    if (name == kAllEmployees)
        FullFill();
    else
        ShowEmployees(name);
}

void CEmployeesState::Add(const EmployeeForm& form) {
    AddEmployee(form.department, form.name, form.tel, form.addr, form.birthday, form.note);
    FullFill();
}

void CEmployeesState::Delete() {
    RemoveEmployees(m_selectedEmployee);
    FullFill();
}

bool CheckEmployeeForm(const EmployeeForm& form) {
    if (form.name.empty() || form.department.empty()) {
        Messages().Inform("员工姓名或部门不能为空！");
        return false;
    }
    return true;
}

std::vector<std::string> DepartmentChoices() {
    std::vector<std::string> names;
    for (const auto& d : ReadDepartments())
        names.push_back(d.name);
    SortByTextOrder(names);
    return names;
}
