#include "CChild_History_ViewDlg.h"
#include "widgets/CColumnFitter.h"

#include "CQueryTableModel.h"
#include "DateRangeEdit.h"
#include "ListExport.h"
#include "bills/CChild_Jinhuo_KaidanDlg.h"
#include "bills/CChild_Kucun_YikuDlg.h"
#include "query/History.h"
#include "rights/Functions.h"

#include <QApplication>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>
#include <map>
#include <set>

CChild_History_ViewDlg::CChild_History_ViewDlg(QWidget* parent) : QDialog(parent) {
    m_from = MakeQueryDateEdit(this);
    m_to = MakeQueryDateEdit(this);
    m_query = new QPushButton(QStringLiteral("查询"), this);
    m_query->setDefault(true);
    auto* optionsBox = new QGroupBox(QStringLiteral("查询选项"), this);
    auto* options = new QHBoxLayout(optionsBox);
    auto* fromLabel = new QLabel(QStringLiteral("时间："), this);
    fromLabel->setBuddy(m_from);
    options->addWidget(fromLabel);
    options->addWidget(m_from);
    options->addWidget(new QLabel(QStringLiteral("到"), this));
    options->addWidget(m_to);
    options->addWidget(m_query);
    options->addStretch();

    m_status = new QLabel(this);
    m_model = new CQueryTableModel(this);
    m_list = new QTableView(this);
    m_list->setModel(m_model);
    m_list->setShowGrid(true);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->verticalHeader()->setDefaultSectionSize(m_list->fontMetrics().height() + 8);
    CColumnFitter::Attach(m_list);
    m_hint = new QLabel(QStringLiteral("双击列表中的项可以查看详细信息！"), this);
    // The history of a kind exports as that kind's bills.
    m_export = MakeExportButton(
        m_list,
        [this] {
            const auto need = WindowNeed("CChild_History_ViewDlg", m_command.toStdString());
            return need ? need->function : std::string();
        },
        QStringLiteral("历史记录.csv"), this);
    m_ok = new QPushButton(QStringLiteral("确定"), this);
    m_cancel = new QPushButton(QStringLiteral("取消"), this);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(m_hint);
    bottom->addStretch();
    bottom->addWidget(m_export);
    bottom->addWidget(m_ok);
    bottom->addWidget(m_cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(optionsBox);
    layout->addWidget(m_status);
    layout->addWidget(m_list, 1);
    layout->addLayout(bottom);
    resize(1180, 600);

    setTabOrder(m_from, m_to);
    setTabOrder(m_to, m_query);
    setTabOrder(m_query, m_list);
    setTabOrder(m_list, m_export);
    setTabOrder(m_export, m_ok);
    setTabOrder(m_ok, m_cancel);

    SetCommand(QStringLiteral("run_caigou"));

    connect(m_query, &QPushButton::clicked, this, &CChild_History_ViewDlg::Query);
    connect(m_list, &QTableView::doubleClicked, this, [this] {
        QModelIndexList selected = m_list->selectionModel()->selectedRows();
        if (!selected.isEmpty())
            OpenRow(selected.first().row());
    });
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void CChild_History_ViewDlg::SetCommand(const QString& command) {
    m_command = command;
    const HistoryKind* kind = FindHistoryKind(command.toStdString());
    if (!kind)
        kind = &HistoryKinds().front();
    setWindowTitle(QString::fromUtf8(kind->caption));
    m_status->setText(QString::fromUtf8(kind->label));
    const bool transfers = IsTransferHistory(kind->word);
    const auto* other = OtherHistoryColumns(kind->word);
    QStringList headers;
    if (other) {
        for (const auto& c : *other)
            headers << QString::fromUtf8(c.header);
    } else {
        for (const auto& h : transfers ? TransferHistoryHeaders() : HistoryHeaders(kind->word))
            headers << QString::fromStdString(h);
    }
    // Each kind names its own customer, warehouse and money.
    if (!m_headersSet || headers != m_model->Headers()) {
        m_transfers = transfers;
        m_other = other != nullptr;
        // These kinds have no window that shows a stored bill: nothing opens on a double click.
        m_hint->setVisible(!m_other);
        m_headersSet = true;
        m_model->SetHeaders(headers);
        if (other) {
            std::set<int> numeric;
            for (auto field : {&BillHeaderRecord::Number, &BillHeaderRecord::Total}) {
                if (int c = OtherHistoryColumnOf(kind->word, field); c >= 0)
                    numeric.insert(c);
            }
            m_model->SetNumericColumns(numeric);
        } else if (transfers)
            m_model->SetNumericColumns({kTransferNumberColumn});
        else
            m_model->SetNumericColumns({kHistoryNumberColumn, kHistoryTotalColumn, 9});
        // A transfer's number and its red bill's ("-H") are read whole; its remark is long.
        for (int c = 0; c < m_model->columnCount(); ++c)
            m_list->setColumnWidth(c, !transfers ? 100 : c == 0 ? 170 : c == 6 ? 300 : 100);
    }
}

void CChild_History_ViewDlg::Query() {
    m_status->setText(QStringLiteral("正在查询..."));
    m_model->Clear();
    // The query holds the event loop until it is done: paint the label before it starts.
    m_status->repaint();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    if (m_transfers) {
        QueryTransfers();
        return;
    }
    if (m_other) {
        QueryOther();
        return;
    }
    const std::string word = m_command.toStdString();
    std::vector<BillHeaderRecord> bills = QueryHistory(word, IsoDate(m_from), IsoDate(m_to));
    QApplication::restoreOverrideCursor();
    std::vector<CQueryTableModel::Row> rows;
    rows.reserve(bills.size());
    std::map<int, QString> notes; // reversed and red bills
    // Each bill has always been put at the top of the list: the last one found comes first.
    for (auto it = bills.rbegin(); it != bills.rend(); ++it) {
        if (const char* mark = HistoryRowMark(it->Canceled))
            notes[int(rows.size())] = QString::fromUtf8(mark);
        rows.push_back(HistoryCells(word, *it));
    }
    m_model->SetRows(std::move(rows));
    m_model->SetRowNotes(std::move(notes));
    m_status->setText(QString::fromStdString(HistoryStatusText(word, bills.size())));
    m_model->AppendRow(HistoryTotalCells(word, bills), true);
}

namespace {
// Shows bills newest first, reversed ones marked, with the status text and the total row.
template <class Bill, class Cells>
void ShowBills(CQueryTableModel& model, QLabel& status, const std::vector<Bill>& bills,
               Cells cellsOf, const std::string& statusText, CQueryTableModel::Row total) {
    std::vector<CQueryTableModel::Row> rows;
    rows.reserve(bills.size());
    std::map<int, QString> notes;
    for (auto it = bills.rbegin(); it != bills.rend(); ++it) {
        if (const char* mark = HistoryRowMark(it->Canceled))
            notes[int(rows.size())] = QString::fromUtf8(mark);
        rows.push_back(cellsOf(*it));
    }
    model.SetRows(std::move(rows));
    model.SetRowNotes(std::move(notes));
    status.setText(QString::fromStdString(statusText));
    model.AppendRow(std::move(total), true);
}
} // namespace

void CChild_History_ViewDlg::QueryTransfers() {
    std::vector<TransferRecord> bills = QueryTransferHistory(IsoDate(m_from), IsoDate(m_to));
    QApplication::restoreOverrideCursor();
    ShowBills(*m_model, *m_status, bills, TransferHistoryCells,
              TransferHistoryStatusText(bills.size()), TransferHistoryTotalCells(bills));
}

void CChild_History_ViewDlg::QueryOther() {
    const std::string word = m_command.toStdString();
    std::vector<BillHeaderRecord> bills = QueryOtherHistory(word, IsoDate(m_from), IsoDate(m_to));
    QApplication::restoreOverrideCursor();
    ShowBills(
        *m_model, *m_status, bills,
        [&](const BillHeaderRecord& b) { return OtherHistoryCells(word, b); },
        OtherHistoryStatusText(word, bills.size()), OtherHistoryTotalCells(word, bills));
}

void CChild_History_ViewDlg::OpenRow(int row) {
    QString billId = m_model->Cell(row, 0);
    if (m_other) // these kinds have no window that shows a stored bill
        return;
    if (m_model->IsMarked(row) || billId.isEmpty() || billId == QString::fromUtf8(kTotalRowText))
        return;
    if (m_transfers) {
        if (CChild_Kucun_YikuDlg::ShowStoredBill(this, billId))
            Query();
        return;
    }
    // The purchase entry window shows every trade kind read-only; the kind word names the
    // table.
    if (CChild_Jinhuo_KaidanDlg::ShowStoredBill(this, m_command, billId))
        Query(); // a reversal there added a red bill and changed a bill's standing
}
