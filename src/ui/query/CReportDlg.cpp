#include "CReportDlg.h"

#include "CQueryTableModel.h"
#include "DateRangeEdit.h"
#include "ListExport.h"
#include "query/Reports.h"

#include <QApplication>
#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QVBoxLayout>

CReportDlg::CReportDlg(QWidget* parent) : QDialog(parent) {
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
    auto* kinds = new QGridLayout(kindsBox);
    auto* group = new QButtonGroup(this);
    const auto& all = ReportKinds();
    for (size_t i = 0; i < all.size(); ++i) {
        auto* radio = new QRadioButton(QString::fromUtf8(all[i].radio), kindsBox);
        group->addButton(radio, static_cast<int>(i));
        // Purchase kinds in the first row, sale kinds in the second.
        kinds->addWidget(radio, static_cast<int>(i / 3), static_cast<int>(i % 3));
        m_radios.push_back(radio);
        const ReportKind* kind = &all[i];
        connect(radio, &QRadioButton::clicked, this, [this, kind] {
            SetUpList(*kind);
            m_command = QString::fromUtf8(kind->word);
        });
    }

    m_model = new CQueryTableModel(this);
    m_list = new QTableView(this);
    m_list->setModel(m_model);
    m_list->setShowGrid(true);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->verticalHeader()->setDefaultSectionSize(m_list->fontMetrics().height() + 8);
    m_export = MakeExportButton(m_list, QStringLiteral("统计报表.csv"), this);
    auto* listBox = new QGroupBox(QStringLiteral("报表"), this);
    auto* listLayout = new QVBoxLayout(listBox);
    listLayout->addWidget(m_list);

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

    connect(m_run, &QPushButton::clicked, this, &CReportDlg::RunReport);
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void CReportDlg::SetCommand(const QString& command) {
    m_command = command;
    const ReportKind* kind = FindReportKind(command.toStdString());
    if (!kind)
        return;
    SetUpList(*kind);
    const auto& all = ReportKinds();
    for (size_t i = 0; i < all.size(); ++i)
        m_radios[i]->setChecked(&all[i] == kind);
}

void CReportDlg::SetUpList(const ReportKind& kind) {
    std::vector<ReportColumn> columns = ReportColumns(kind);
    QStringList headers;
    for (const auto& c : columns)
        headers << QString::fromStdString(c.header);
    m_model->SetHeaders(headers);
    std::set<int> numeric = {ReportQuantityColumn(kind)};
    if (kind.grouping == ReportGrouping::Goods)
        numeric.insert(7); // unit price
    m_model->SetNumericColumns(numeric);
    for (size_t c = 0; c < columns.size(); ++c) {
        int column = static_cast<int>(c);
        m_list->setColumnHidden(column, columns[c].width == 0);
        if (columns[c].width > 0)
            m_list->setColumnWidth(column, columns[c].width);
    }
    setWindowTitle(QString::fromUtf8(kind.caption));
}

void CReportDlg::RunReport() {
    const ReportKind* kind = FindReportKind(m_command.toStdString());
    if (!kind)
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    auto rows = ::RunReport(*kind, IsoDate(m_from), IsoDate(m_to)).rows;
    QApplication::restoreOverrideCursor();
    bool hasTotal = !rows.empty();
    std::vector<CQueryTableModel::Row> body(rows.begin(), rows.end() - (hasTotal ? 1 : 0));
    m_model->SetRows(std::move(body));
    if (hasTotal)
        m_model->AppendRow(rows.back(), true);
}
