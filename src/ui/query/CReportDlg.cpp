#include "CReportDlg.h"

#include "CQueryTableModel.h"
#include "DateRangeEdit.h"
#include "query/Reports.h"

#include <QButtonGroup>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>

namespace {
QStringList KindTexts() {
    QStringList texts;
    for (const ReportKind& kind : ReportKinds())
        texts << QString::fromUtf8(kind.radio);
    return texts;
}
} // namespace

// Purchase kinds in the first row, sale kinds in the second.
CReportDlg::CReportDlg(QWidget* parent)
    : CReportFrameDlg(parent, KindTexts(), 3, QStringLiteral("统计报表.csv"), "reports") {
    connect(m_kinds, &QButtonGroup::idClicked, this, [this](int id) {
        const ReportKind& kind = ReportKinds()[static_cast<size_t>(id)];
        SetUpList(kind);
        m_command = QString::fromUtf8(kind.word);
    });
    connect(m_run, &QPushButton::clicked, this, &CReportDlg::RunReport);
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

void CReportDlg::StartOn(const WindowPreset& preset) {
    ApplyDates(preset);
    RunReport();
}

void CReportDlg::RunReport() {
    const ReportKind* kind = FindReportKind(m_command.toStdString());
    if (!kind)
        return;
    RunAndShow([&] { return ::RunReport(*kind, IsoDate(m_from), IsoDate(m_to)).rows; });
}
