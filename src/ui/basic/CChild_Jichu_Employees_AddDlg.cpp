#include "CChild_Jichu_Employees_AddDlg.h"

#include "widgets/CDateEditEx.h"
#include "widgets/FormRows.h"

#include <QComboBox>
#include <QDateEdit>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLineEdit>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

CChild_Jichu_Employees_AddDlg::CChild_Jichu_Employees_AddDlg(QWidget* parent) : QDialog(parent) {
    setObjectName("CChild_Jichu_Employees_AddDlg");
    setWindowTitle(QStringLiteral("增加员工"));
    setWindowIcon(QIcon(QStringLiteral(":/icons/employee.svg")));

    auto* frame = new QGroupBox(QStringLiteral("增加员工"), this);
    m_name = new QLineEdit(frame);
    m_department = new QComboBox(frame);
    for (const auto& name : DepartmentChoices())
        m_department->addItem(QString::fromStdString(name));
    m_department->setCurrentIndex(-1); // nothing chosen until the user picks one
    m_tel = new QLineEdit(frame);
    m_birthday = new CDateEditEx(frame);
    m_birthday->setDate(QDate::currentDate());
    // The birthday is stored as the field shows it: the short date of the program's locale.
    m_birthday->setDisplayFormat(QLocale().dateFormat(QLocale::ShortFormat));
    m_birthday->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_birthday->setCalendarPopup(true);
    m_addr = new QLineEdit(frame);
    m_note = new QPlainTextEdit(frame);
    m_note->setTabChangesFocus(true);
    m_note->setFixedHeight(m_note->fontMetrics().height() * 4 + 12);

    auto* form = new QFormLayout(frame);
    AddFormRows(form, {{"姓名：", m_name},
                       {"部门：", m_department},
                       {"联系电话", m_tel},
                       {"出生日期：", m_birthday},
                       {"住址：", m_addr},
                       {"备注：", m_note}});

    auto* buttons = ConfirmButtonsRow(this, m_ok, m_cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(frame);
    layout->addLayout(buttons);
    setMinimumWidth(380);

    ChainTabOrder({m_name, m_department, m_tel, m_birthday, m_addr, m_note, m_ok, m_cancel});
    m_name->setFocus();

    connect(m_ok, &QPushButton::clicked, this, &CChild_Jichu_Employees_AddDlg::OnConfirm);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void CChild_Jichu_Employees_AddDlg::OnConfirm() {
    m_form.name = m_name->text().toStdString();
    m_form.department = m_department->currentText().toStdString();
    m_form.tel = m_tel->text().toStdString();
    m_form.birthday = m_birthday->text().toStdString();
    m_form.addr = m_addr->text().toStdString();
    m_form.note = m_note->toPlainText().toStdString();
    if (!CheckEmployeeForm(m_form))
        return;
    accept();
}
