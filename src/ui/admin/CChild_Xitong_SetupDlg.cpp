#include "CChild_Xitong_SetupDlg.h"

#include "admin/CompanySettings.h"
#include "widgets/FormRows.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

CChild_Xitong_SetupDlg::CChild_Xitong_SetupDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("系统设置"));
    setObjectName("CChild_Xitong_SetupDlg");

    m_name = new QLineEdit(this);
    m_tel = new QLineEdit(this);
    m_fax = new QLineEdit(this);
    m_zip = new QLineEdit(this);
    m_addr = new QLineEdit(this);
    m_costing = new QComboBox(this);
    m_costingLabel = new QLabel(QStringLiteral("成本核算："), this);
    m_costingLabel->setBuddy(m_costing);

    auto* frame = new QGroupBox(this);
    auto* grid = new QGridLayout(frame);
    const int row = AddFormRows(grid, 0,
                                {{"单位名称：", m_name},
                                 {"电话：", m_tel},
                                 {"传真：", m_fax},
                                 {"邮编：", m_zip},
                                 {"地址：", m_addr}});
    AddFormRows(grid, row, {{m_costingLabel, m_costing}});
    // The method cannot be changed here; it is kept as stored.
    m_costingLabel->hide();
    m_costing->hide();

    auto* buttons = ConfirmButtonsRow(this, m_ok, m_cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(frame);
    layout->addLayout(buttons);
    setMinimumWidth(420);

    connect(m_ok, &QPushButton::clicked, this, &CChild_Xitong_SetupDlg::OnOk);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);

    for (const auto& method : CostingMethods())
        m_costing->addItem(QString::fromStdString(method));
    m_costing->setCurrentIndex(0);
    const SettingsRecord s = LoadCompanySettings();
    m_name->setText(QString::fromStdString(s.CompanyName));
    m_tel->setText(QString::fromStdString(s.CompanyTel));
    m_fax->setText(QString::fromStdString(s.CompanyFax));
    m_zip->setText(QString::fromStdString(s.CompanyZip));
    m_addr->setText(QString::fromStdString(s.CompanyAddr));
    m_costing->setCurrentIndex(CostingMethodIndex(s.Chengben));
}

void CChild_Xitong_SetupDlg::OnOk() {
    SaveCompanySettings({m_name->text().toStdString(), m_tel->text().toStdString(),
                         m_fax->text().toStdString(), m_zip->text().toStdString(),
                         m_costing->currentText().toStdString(), m_addr->text().toStdString()});
    accept();
}
