#include "CChild_Jichu_EmployeesDlg.h"

#include "CChild_Jichu_Employees_AddDlg.h"
#include "SimpleListWindows.h"
#include "widgets/CListModel.h"
#include "widgets/ModalRunner.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QItemSelectionModel>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

CChild_Jichu_EmployeesDlg::CChild_Jichu_EmployeesDlg(QWidget* parent) : QDialog(parent) {
    setObjectName("CChild_Jichu_EmployeesDlg");
    setWindowTitle(QStringLiteral("员工管理"));
    setWindowIcon(QIcon(QStringLiteral(":/icons/employee.svg")));

    auto* departmentFrame = new QGroupBox(QStringLiteral("部门管理"), this);
    m_departmentModel = new CListModel(
        {DepartmentColumn()}, [this] { return m_state.DepartmentRows().size(); },
        [this](size_t row, int column) {
            return column == 0 && row < m_state.DepartmentRows().size()
                       ? m_state.DepartmentRows()[row]
                       : std::string();
        },
        this);
    m_departments = new QTableView(departmentFrame);
    SetupListView(m_departments, m_departmentModel, false);
    m_departments->setFixedWidth(ListViewWidthForColumns(m_departments));
    (new QVBoxLayout(departmentFrame))->addWidget(m_departments);

    auto* employeeFrame = new QGroupBox(QStringLiteral("员工列表"), this);
    m_employeeModel = new CListModel(
        EmployeeColumns(), [this] { return m_state.EmployeeRows().size(); },
        [this](size_t row, int column) { return m_state.EmployeeCell(row, column); }, this);
    m_employees = new QTableView(employeeFrame);
    SetupListView(m_employees, m_employeeModel, true);
    m_employees->setMinimumWidth(ListViewWidthForColumns(m_employees));
    m_employees->setMinimumHeight(320);
    (new QVBoxLayout(employeeFrame))->addWidget(m_employees);

    m_add = new QPushButton(QIcon(QStringLiteral(":/icons/employee.svg")),
                            QStringLiteral("增加员工"), this);
    m_delete = new QPushButton(QStringLiteral("删除员工"), this);
    m_manageDepartments = new QPushButton(QIcon(QStringLiteral(":/icons/department.svg")),
                                          QStringLiteral("管理部门"), this);
    m_back = new QPushButton(QStringLiteral("返回"), this);
    m_add->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_add);
    buttons->addWidget(m_delete);
    buttons->addWidget(m_manageDepartments);
    buttons->addStretch();
    buttons->addWidget(m_back);

    auto* lists = new QHBoxLayout;
    lists->addWidget(departmentFrame);
    lists->addWidget(employeeFrame, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(lists, 1);
    layout->addLayout(buttons);

    QWidget* order[] = {m_departments, m_employees, m_add, m_delete, m_manageDepartments, m_back};
    for (size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);

    connect(m_departments->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &CChild_Jichu_EmployeesDlg::OnDepartmentSelected);
    connect(m_employees->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &CChild_Jichu_EmployeesDlg::OnEmployeeSelected);
    connect(m_add, &QPushButton::clicked, this, &CChild_Jichu_EmployeesDlg::OnAdd);
    connect(m_delete, &QPushButton::clicked, this, &CChild_Jichu_EmployeesDlg::OnDelete);
    connect(m_manageDepartments, &QPushButton::clicked, this,
            &CChild_Jichu_EmployeesDlg::OnManageDepartments);
    connect(m_back, &QPushButton::clicked, this, &QDialog::reject);

    Change([this] { m_state.FullFill(); });
}

void CChild_Jichu_EmployeesDlg::Change(const std::function<void()>& change) {
    // Refilling clears the views' selections; that is not the user's choice.
    m_filling = true;
    change();
    m_departmentModel->Reload();
    m_employeeModel->Reload();
    m_filling = false;
}

void CChild_Jichu_EmployeesDlg::OnDepartmentSelected() {
    if (m_filling)
        return;
    int row = SelectedRow(m_departments);
    std::string name = row < 0 ? std::string() : m_state.DepartmentRows()[size_t(row)];
    if (name == kAllEmployees) {
        Change([&] { m_state.SelectDepartment(name); });
        return;
    }
    // One department: only the employee list changes, the department row stays selected.
    m_filling = true;
    m_state.SelectDepartment(name);
    m_employeeModel->Reload();
    m_filling = false;
}

void CChild_Jichu_EmployeesDlg::OnEmployeeSelected() {
    if (m_filling)
        return;
    int row = SelectedRow(m_employees);
    m_state.SelectEmployee(row < 0 ? std::string() : m_state.EmployeeCell(size_t(row), 0));
}

void CChild_Jichu_EmployeesDlg::OnAdd() {
    CChild_Jichu_Employees_AddDlg dlg(this);
    if (RunModal(dlg) != QDialog::Accepted)
        return;
    Change([&] { m_state.Add(dlg.m_form); });
}

void CChild_Jichu_EmployeesDlg::OnDelete() {
    Change([this] { m_state.Delete(); });
}

void CChild_Jichu_EmployeesDlg::OnManageDepartments() {
    CChild_Jichu_BumenDlg dlg(this);
    RunModal(dlg);
    Change([this] { m_state.FullFill(); });
}
