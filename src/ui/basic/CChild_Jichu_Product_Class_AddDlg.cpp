#include "CChild_Jichu_Product_Class_AddDlg.h"

#include "basic/GoodsClasses.h"
#include "widgets/FormRows.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QIcon>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

CChild_Jichu_Product_Class_AddDlg::CChild_Jichu_Product_Class_AddDlg(
    const std::string& parentName, std::function<bool(const std::string&)> store, QWidget* parent)
    : QDialog(parent), m_store(std::move(store)) {
    setObjectName("CChild_Jichu_Product_Class_AddDlg");
    setWindowTitle(QStringLiteral("添加类别"));
    setWindowIcon(QIcon(QStringLiteral(":/icons/classes.svg")));

    m_parent = new QLineEdit(QString::fromStdString(parentName), this);
    m_parent->setReadOnly(true);
    m_parent->setFocusPolicy(Qt::NoFocus);
    m_name = new QLineEdit(this);
    auto* form = new QFormLayout;
    AddFormRows(form, {{"上级分类：", m_parent}, {"输入类名：", m_name}});

    auto* buttons = ConfirmButtonsRow(this, m_ok, m_cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons);
    setMinimumWidth(340);
    m_name->setFocus();

    connect(m_ok, &QPushButton::clicked, this, &CChild_Jichu_Product_Class_AddDlg::OnConfirm);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void CChild_Jichu_Product_Class_AddDlg::OnConfirm() {
    m_className = m_name->text().toStdString();
    if (!CheckClassName(m_className))
        return;
    if (m_store && !m_store(m_className)) {
        m_name->setFocus();
        m_name->selectAll();
        return;
    }
    accept();
}
