#include "CReportProfitDlg.h"

#include "cost/ProfitReport.h"
#include "query/CQueryTableModel.h"
#include "query/DateRangeEdit.h"

#include <QButtonGroup>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QVBoxLayout>

namespace {
QStringList KindTexts() {
    QStringList texts;
    for (const ProfitKind& kind : ProfitKinds())
        texts << QString::fromUtf8(kind.radio);
    return texts;
}

// The five figures after the key columns.
constexpr int kFigureColumns = 5;
} // namespace

CReportProfitDlg::CReportProfitDlg(QWidget* parent)
    : CReportFrameDlg(parent, KindTexts(), 4, QStringLiteral("销售利润报表.csv"), "profit"),
      m_key(ProfitKinds().front().key) {
    setWindowTitle(QStringLiteral("销售利润报表"));
    m_note = new QLabel(this);
    m_note->setStyleSheet("QLabel { color: #b71c1c; }");
    m_note->setWordWrap(true);
    m_note->hide();
    m_listLayout->addWidget(m_note);

    connect(m_kinds, &QButtonGroup::idClicked, this,
            [this](int id) { SetUpList(ProfitKinds()[static_cast<size_t>(id)].key); });
    connect(m_run, &QPushButton::clicked, this, &CReportProfitDlg::RunReport);
    m_radios.front()->setChecked(true);
    SetUpList(m_key);
}

void CReportProfitDlg::SetUpList(ProfitKey key) {
    m_key = key;
    const std::vector<std::string> headers = ProfitHeaders(key);
    m_model->SetHeaders(ToQStringList(headers));
    const int figures = static_cast<int>(headers.size()) - kFigureColumns;
    std::set<int> numeric;
    for (int c = figures; c < static_cast<int>(headers.size()); ++c) {
        numeric.insert(c);
        m_list->setColumnWidth(c, 110);
    }
    m_model->SetNumericColumns(numeric);
    for (int c = 0; c < figures; ++c)
        m_list->setColumnWidth(c, figures == 1 ? 160 : 120);
    m_note->hide();
}

void CReportProfitDlg::StartOn(const WindowPreset& preset) {
    ApplyDates(preset);
    RunReport();
}

void CReportProfitDlg::RunReport() {
    int64_t unknown = 0;
    RunAndShow([&] {
        ProfitReportResult result = RunProfitReport(m_key, IsoDate(m_from), IsoDate(m_to));
        unknown = result.unknownCostLines;
        return std::move(result.rows);
    });
    m_note->setText(unknown > 0 ? QString::fromStdString(UnknownCostNote(unknown)) : QString());
    m_note->setVisible(unknown > 0);
}
