#include "CReportFrameDlg.h"

#include "CQueryTableModel.h"
#include "DateRangeEdit.h"
#include "ListExport.h"

#include <QApplication>
#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QVBoxLayout>

CReportFrameDlg::CReportFrameDlg(QWidget* parent, const QStringList& kinds, int perRow,
                                 const QString& exportName, const char* function)
    : QDialog(parent) {
    setWindowTitle(QStringLiteral("报表窗体"));
    m_from = MakeQueryDateEdit(this);
    m_to = MakeQueryDateEdit(this);
    m_run = new QPushButton(QStringLiteral("查看报表"), this);
    m_run->setDefault(true);
    auto* dates = new QHBoxLayout;
    auto* fromLabel = new QLabel(QStringLiteral("从："), this);
    fromLabel->setBuddy(m_from);
    dates->addWidget(fromLabel);
    dates->addWidget(m_from);
    dates->addWidget(new QLabel(QStringLiteral("到"), this));
    dates->addWidget(m_to);
    dates->addWidget(m_run);
    dates->addStretch();

    auto* kindsBox = new QGroupBox(QStringLiteral("查看报表类型"), this);
    auto* kindsGrid = new QGridLayout(kindsBox);
    m_kinds = new QButtonGroup(this);
    for (int i = 0; i < kinds.size(); ++i) {
        auto* radio = new QRadioButton(kinds[i], kindsBox);
        m_kinds->addButton(radio, i);
        kindsGrid->addWidget(radio, i / perRow, i % perRow);
        m_radios.push_back(radio);
    }

    m_model = new CQueryTableModel(this);
    m_list = MakeQueryListView(m_model, this);
    m_export = MakeExportButton(m_list, function, exportName, this);
    auto* listBox = new QGroupBox(QStringLiteral("报表"), this);
    m_listLayout = new QVBoxLayout(listBox);
    m_listLayout->addWidget(m_list);

    m_ok = new QPushButton(QStringLiteral("确定"), this);
    m_cancel = new QPushButton(QStringLiteral("取消"), this);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_export);
    buttons->addStretch();
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(dates);
    layout->addWidget(kindsBox);
    layout->addWidget(listBox, 1);
    layout->addLayout(buttons);
    resize(980, 600);

    setTabOrder(m_from, m_to);
    setTabOrder(m_to, m_run);
    QWidget* previous = m_run;
    for (QRadioButton* r : m_radios) {
        setTabOrder(previous, r);
        previous = r;
    }
    setTabOrder(previous, m_list);
    setTabOrder(m_list, m_export);
    setTabOrder(m_export, m_ok);
    setTabOrder(m_ok, m_cancel);

    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void CReportFrameDlg::ApplyDates(const WindowPreset& preset) {
    if (preset.from.isValid())
        m_from->setDate(preset.from);
    if (preset.to.isValid())
        m_to->setDate(preset.to);
}

void CReportFrameDlg::RunAndShow(
    const std::function<std::vector<std::vector<std::string>>()>& run) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    auto rows = run();
    QApplication::restoreOverrideCursor();
    m_model->SetRowsWithTotal(std::move(rows));
}
