#include "CChild_Xitong_ManageUserDlg.h"

#include "AdminActions.h"
#include "CChild_Xitong_ManageUser_AddDlg.h"
#include "CTextTableModel.h"
#include "admin/RoleAdmin.h"
#include "admin/UserAdmin.h"
#include "port/MessagePort.h"
#include "widgets/ModalRunner.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

CChild_Xitong_ManageUserDlg::CChild_Xitong_ManageUserDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("管理员管理"));
    setObjectName("CChild_Xitong_ManageUserDlg");

    m_model = new CTextTableModel({QStringLiteral("管理员"), QStringLiteral("创建时间"),
                                   QStringLiteral("最后登陆时间"), QStringLiteral("角色"),
                                   QStringLiteral("备注")},
                                  this);
    m_list = new QTableView(this);
    SetupAdminList(m_list, m_model, 138);

    m_add = new QPushButton(QStringLiteral("添加"), this);
    m_role = new QPushButton(QStringLiteral("修改角色"), this);
    m_delete = new QPushButton(QStringLiteral("删除"), this);
    m_back = new QPushButton(QStringLiteral("返回"), this);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_add);
    buttons->addWidget(m_role);
    buttons->addWidget(m_delete);
    buttons->addWidget(m_back);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_list, 1);
    layout->addLayout(buttons);
    resize(600, 380);

    connect(m_add, &QPushButton::clicked, this, &CChild_Xitong_ManageUserDlg::OnAdd);
    connect(m_role, &QPushButton::clicked, this, &CChild_Xitong_ManageUserDlg::OnRole);
    connect(m_list, &QTableView::doubleClicked, this, &CChild_Xitong_ManageUserDlg::OnRole);
    connect(m_delete, &QPushButton::clicked, this, &CChild_Xitong_ManageUserDlg::OnDelete);
    connect(m_back, &QPushButton::clicked, this, &QDialog::reject);
    m_list->installEventFilter(this);

    FillList();
}

void CChild_Xitong_ManageUserDlg::FillList() {
    // Each operator goes on top, so the list shows them in reverse.
    const auto users = LoadOperators();
    const auto roles = OperatorRoleNames().value_or(std::map<std::string, std::string>{});
    std::vector<QStringList> rows;
    rows.reserve(users.size());
    for (auto it = users.rbegin(); it != users.rend(); ++it) {
        const auto role = roles.find(it->UserName);
        rows.push_back({QString::fromStdString(it->UserName),
                        QString::fromStdString(it->CreateTime),
                        QString::fromStdString(it->LastLogin),
                        role == roles.end() ? QString() : QString::fromStdString(role->second),
                        QString::fromStdString(it->Note)});
    }
    m_model->SetRows(std::move(rows));
}

void CChild_Xitong_ManageUserDlg::OnAdd() {
    RunAddOperatorForm(this);
    FillList();
}

void CChild_Xitong_ManageUserDlg::OnRole() {
    const int row = FirstSelectedRow(m_list);
    if (row < 0) {
        Messages().Inform("请选中要修改角色的管理员！");
        return;
    }
    CChild_Xitong_ManageUser_AddDlg form(this);
    form.EditRoleOf(m_model->Row(row).at(0), m_model->Row(row).at(3));
    if (RunModal(form) == QDialog::Accepted)
        FillList();
}

void CChild_Xitong_ManageUserDlg::OnDelete() {
    const int row = FirstSelectedRow(m_list);
    if (row < 0) {
        DeleteOperator(std::nullopt); // says what to do first
        return;
    }
    DeleteOperator(m_model->Row(row).at(0).toStdString());
    FillList();
}

bool CChild_Xitong_ManageUserDlg::eventFilter(QObject* watched, QEvent* event) {
    // The Delete key on the list does what "删除" does.
    if (watched == m_list && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete) {
        OnDelete();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}
