#include "CChild_Jichu_Customer_AddDlg.h"

#include "basic/BusinessUnits.h"
#include "basic/SimpleList.h"
#include "widgets/FormRows.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
std::string Text(const QLineEdit* edit) {
    return edit->text().toStdString();
}
} // namespace

CChild_Jichu_Customer_AddDlg::CChild_Jichu_Customer_AddDlg(
    std::function<bool(const BusinessUnitRecord&)> store, QWidget* parent)
    : QDialog(parent), m_store(std::move(store)) {
    setObjectName("CChild_Jichu_Customer_AddDlg");
    setWindowTitle(QStringLiteral("添加往来单位信息"));
    setWindowIcon(QIcon(QStringLiteral(":/icons/customer.svg")));

    auto* basic = new QGroupBox(QStringLiteral("基本信息"), this);
    m_code = new QLineEdit(basic);
    m_name = new QLineEdit(basic);
    m_contact = new QLineEdit(basic);
    m_mobile = new QLineEdit(basic);
    m_tel = new QLineEdit(basic);
    m_fax = new QLineEdit(basic);
    m_zip = new QLineEdit(basic);
    m_addr = new QLineEdit(basic);
    m_area = new QComboBox(basic);
    m_area->setEditable(true);
    m_area->setInsertPolicy(QComboBox::NoInsert);
    for (const auto& name : SortedConfigNames("area"))
        m_area->addItem(QString::fromStdString(name));
    m_area->setCurrentIndex(-1);
    m_type = new QComboBox(basic);
    for (const auto& type : UnitTypeChoices())
        m_type->addItem(QString::fromStdString(type));
    m_type->setCurrentIndex(-1); // nothing preselected
    auto* basicForm = new QFormLayout(basic);
    AddFormRows(basicForm, {{"单位编码：", m_code},
                            {"单位名称：", m_name},
                            {"联系人：", m_contact},
                            {"手机号码：", m_mobile},
                            {"电话：", m_tel},
                            {"传真：", m_fax},
                            {"邮编：", m_zip},
                            {"地址：", m_addr},
                            {"地区：", m_area},
                            {"类型：", m_type}});

    auto* more = new QGroupBox(QStringLiteral("补充信息"), this);
    m_website = new QLineEdit(more);
    m_email = new QLineEdit(more);
    m_msn = new QLineEdit(more);
    m_qq = new QLineEdit(more);
    m_note = new QLineEdit(more);
    auto* moreForm = new QFormLayout(more);
    AddFormRows(moreForm, {{"网址：", m_website},
                           {"Email：", m_email},
                           {"MSN:", m_msn},
                           {"QQ:", m_qq},
                           {"备注：", m_note}});

    auto* buttons = ConfirmButtonsRow(this, m_ok, m_back, "返回");

    auto* right = new QVBoxLayout;
    right->addWidget(more);
    right->addStretch();
    auto* columns = new QHBoxLayout;
    columns->addWidget(basic, 1);
    columns->addLayout(right, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(columns);
    layout->addLayout(buttons);
    setMinimumWidth(640);

    ChainTabOrder({m_code, m_name, m_contact, m_mobile, m_tel, m_fax, m_zip, m_addr, m_area, m_type,
                   m_website, m_email, m_msn, m_qq, m_note, m_ok, m_back});
    m_code->setFocus();

    connect(m_ok, &QPushButton::clicked, this, &CChild_Jichu_Customer_AddDlg::OnConfirm);
    connect(m_back, &QPushButton::clicked, this, &QDialog::reject);
}

CChild_Jichu_Customer_AddDlg::CChild_Jichu_Customer_AddDlg(
    const BusinessUnitRecord& stored, std::function<bool(const BusinessUnitRecord&)> store,
    QWidget* parent)
    : CChild_Jichu_Customer_AddDlg(std::move(store), parent) {
    setWindowTitle(QStringLiteral("修改往来单位信息"));
    auto set = [](QLineEdit* edit, const std::string& text) {
        edit->setText(QString::fromStdString(text));
    };
    set(m_code, stored.CustomerCode);
    m_code->setReadOnly(true);
    set(m_name, stored.CustomerName);
    set(m_contact, stored.CustomerContact);
    set(m_mobile, stored.CustomerMobile);
    set(m_tel, stored.CustomerTel);
    set(m_fax, stored.CustomerFax);
    set(m_zip, stored.CustomerZip);
    set(m_addr, stored.CustomerAddr);
    m_area->setCurrentText(QString::fromStdString(stored.CustomerArea));
    m_type->setCurrentIndex(m_type->findText(QString::fromStdString(stored.CustomerType)));
    set(m_website, stored.CustomerWebsite);
    set(m_email, stored.CustomerEmail);
    set(m_msn, stored.CustomerMsn);
    set(m_qq, stored.CustomerQq);
    set(m_note, stored.CustomerNote);
    m_name->setFocus();
}

void CChild_Jichu_Customer_AddDlg::OnConfirm() {
    BusinessUnitRecord u;
    u.CustomerCode = Text(m_code);
    u.CustomerName = Text(m_name);
    u.CustomerContact = Text(m_contact);
    u.CustomerMobile = Text(m_mobile);
    u.CustomerTel = Text(m_tel);
    u.CustomerFax = Text(m_fax);
    u.CustomerZip = Text(m_zip);
    u.CustomerAddr = Text(m_addr);
    u.CustomerArea = m_area->currentText().toStdString();
    u.CustomerType = m_type->currentText().toStdString();
    u.CustomerWebsite = Text(m_website);
    u.CustomerEmail = Text(m_email);
    u.CustomerMsn = Text(m_msn);
    u.CustomerQq = Text(m_qq);
    u.CustomerNote = Text(m_note);
    m_unit = u;
    if (!CheckBusinessUnitForm(m_unit))
        return;
    if (m_store && !m_store(m_unit))
        return;
    accept();
}
