#include "CLoginDlg.h"

#include "app/Login.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

CLoginDlg::CLoginDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("用户登陆"));
    setObjectName("CLoginDlg");

    auto* banner = new QLabel(QStringLiteral("ferix_razaz 进销存管理"), this);
    banner->setObjectName("loginBanner");
    banner->setAlignment(Qt::AlignCenter);
    banner->setStyleSheet("QLabel#loginBanner { font-size: 18pt; font-weight: bold; color: #1f4e79;"
                          " padding: 16px; background: qlineargradient(x1:0, y1:0, x2:0, y2:1,"
                          " stop:0 #e9f1fb, stop:1 #cfe0f5); border-radius: 6px; }");

    m_user = new QComboBox(this);
    m_user->setEditable(true);
    m_user->setInsertPolicy(QComboBox::NoInsert);
    m_user->setMinimumWidth(200);
    m_password = new QLineEdit(this);
    m_password->setEchoMode(QLineEdit::Password);
    auto* pwRow = new QHBoxLayout;
    pwRow->addWidget(m_password, 1);
    pwRow->addWidget(new QLabel(QStringLiteral("（初始为空）"), this));

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("用户："), m_user);
    form->addRow(QStringLiteral("密码："), pwRow);

    m_login = new QPushButton(QStringLiteral("登陆"), this);
    m_login->setDefault(true);
    m_cancel = new QPushButton(QStringLiteral("取消"), this);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_login);
    buttons->addWidget(m_cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(banner);
    layout->addSpacing(8);
    layout->addLayout(form);
    layout->addSpacing(8);
    layout->addLayout(buttons);

    connect(m_login, &QPushButton::clicked, this, &CLoginDlg::OnLogin);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);

    // Sorted list; the first name is the one shown.
    for (const auto& name : LoginUserNames())
        m_user->addItem(QString::fromStdString(name));
    if (m_user->count() > 0)
        m_user->setCurrentIndex(0);
    m_password->setFocus();
}

void CLoginDlg::OnLogin() {
    if (TryLogin(m_user->currentText().toStdString(), m_password->text().toStdString())) {
        accept();
        return;
    }
    m_password->clear();
    m_password->setFocus();
}
