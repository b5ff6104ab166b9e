#include "CChild_Xitong_ManageUser_AddDlg.h"

#include "admin/RoleAdmin.h"
#include "admin/UserAdmin.h"
#include "widgets/FormRows.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

CChild_Xitong_ManageUser_AddDlg::CChild_Xitong_ManageUser_AddDlg(QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(QStringLiteral("添加管理员"));
    setObjectName("CChild_Xitong_ManageUser_AddDlg");

    m_userName = new QLineEdit(this);
    m_passwordLabel = new QLabel(this);
    m_password = new QLineEdit(this);
    m_password->setEchoMode(QLineEdit::Password);
    m_note = new QPlainTextEdit(this);
    m_note->setTabChangesFocus(true);
    m_note->setMinimumHeight(80);
    m_passwordLabel->setBuddy(m_password);
    m_role = new QComboBox(this);
    if (const auto roles = ListRoles()) {
        for (const auto& r : *roles)
            m_role->addItem(QString::fromStdString(r.name));
    }

    auto* form = m_form = new QFormLayout;
    AddFormRows(form, {{"用户名：", m_userName},
                       {m_passwordLabel, m_password},
                       {"角色：", m_role},
                       {"备注：", m_note}});

    auto* buttons = ConfirmButtonsRow(this, m_ok, m_cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons);
    setMinimumWidth(360);

    connect(m_ok, &QPushButton::clicked, this, &CChild_Xitong_ManageUser_AddDlg::OnOk);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
    SetCommand(QString::fromLatin1(kRunAdd));
}

void CChild_Xitong_ManageUser_AddDlg::SetCommand(const QString& command) {
    m_command = command;
    setWindowTitle(QStringLiteral("添加管理员"));
    // A new operator starts with the least: a clerk, never an administrator by default.
    const bool adding = command != QLatin1String(kRunRe);
    m_form->setRowVisible(m_role, adding);
    m_form->setRowVisible(m_password, true);
    m_note->setEnabled(true);
    if (adding)
        m_role->setCurrentText(QStringLiteral("营业员"));
    const OperatorFormSetup setup = OperatorFormFor(command.toStdString());
    m_userName->setText(QString::fromStdString(setup.userName));
    m_userName->setEnabled(setup.userEditable);
    m_passwordLabel->setText(QString::fromStdString(setup.passwordLabel));
    m_password->clear();
    m_note->setPlainText(QString::fromStdString(setup.note));
    if (setup.userEditable)
        m_userName->setFocus();
    else
        m_password->setFocus();
}

std::string CChild_Xitong_ManageUser_AddDlg::UserName() const {
    return m_userName->text().toStdString();
}

std::string CChild_Xitong_ManageUser_AddDlg::Password() const {
    return m_password->text().toStdString();
}

std::string CChild_Xitong_ManageUser_AddDlg::Role() const {
    return m_role->currentText().toStdString();
}

void CChild_Xitong_ManageUser_AddDlg::EditRoleOf(const QString& user, const QString& role) {
    SetCommand(QString::fromLatin1(kRunRole));
    setWindowTitle(QStringLiteral("修改角色"));
    m_userName->setText(user);
    m_userName->setEnabled(false);
    m_form->setRowVisible(m_password, false);
    m_note->setEnabled(false);
    m_role->setCurrentText(role);
    m_role->setFocus();
}

std::string CChild_Xitong_ManageUser_AddDlg::Note() const {
    return m_note->toPlainText().toStdString();
}

void CChild_Xitong_ManageUser_AddDlg::OnOk() {
    // A refused role change (the last 管理员) keeps the form open with nothing changed.
    if (m_command == QLatin1String(kRunRole)) {
        if (SetOperatorRole(UserName(), Role()) == AdminResult::Done)
            accept();
        return;
    }
    if (!CheckOperatorForm(UserName())) {
        m_userName->setFocus();
        return;
    }
    accept();
}
