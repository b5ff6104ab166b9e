#include "CChild_Caiwu_DuizhangDlg.h"
#include "widgets/CColumnFitter.h"

#include "bills/CPaletteListDlg.h"
#include "finance/Finance.h"
#include "port/MessagePort.h"
#include "query/CPrintDlg.h"
#include "query/CQueryTableModel.h"
#include "query/DateRangeEdit.h"
#include "query/ListExport.h"
#include "query/TemplatePrint.h"
#include "widgets/CUnderLineEdit.h"
#include "widgets/ModalRunner.h"

#include <QApplication>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>

CChild_Caiwu_DuizhangDlg::CChild_Caiwu_DuizhangDlg(QWidget* parent) : QDialog(parent) {
    setObjectName("CChild_Caiwu_DuizhangDlg");
    setWindowTitle(QStringLiteral("往来对账"));
    m_unit = new CUnderLineEdit(this);
    m_unit->setMinimumWidth(220);
    m_pick = new QToolButton(this);
    m_pick->setIcon(QIcon(":/icons/picker.svg"));
    m_pick->setIconSize(QSize(18, 18));
    m_pick->setAutoRaise(true);
    m_pick->setToolTip(QStringLiteral("请在列表中选择"));
    m_pick->setFocusPolicy(Qt::NoFocus);
    m_from = MakeQueryDateEdit(this);
    // A statement starts at the beginning of the year unless told otherwise.
    m_from->setDate(QDate(m_from->date().year(), 1, 1));
    m_to = MakeQueryDateEdit(this);
    m_run = new QPushButton(QStringLiteral("查询"), this);
    m_run->setDefault(true);

    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel(QStringLiteral("往来单位："), this));
    top->addWidget(m_unit);
    top->addWidget(m_pick);
    top->addSpacing(12);
    top->addWidget(new QLabel(QStringLiteral("从："), this));
    top->addWidget(m_from);
    top->addWidget(new QLabel(QStringLiteral("到"), this));
    top->addWidget(m_to);
    top->addWidget(m_run);
    top->addStretch();

    m_model = new CQueryTableModel(this);
    m_model->SetHeaders({QStringLiteral("日期"), QStringLiteral("单据编号"),
                         QStringLiteral("单据类型"), QStringLiteral("增加"), QStringLiteral("减少"),
                         QStringLiteral("余额")});
    m_model->SetNumericColumns({3, 4, 5});
    m_list = new QTableView(this);
    m_list->setModel(m_model);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->verticalHeader()->setDefaultSectionSize(m_list->fontMetrics().height() + 8);
    const int widths[] = {100, 190, 100, 110, 110, 120};
    for (int c = 0; c < 6; ++c)
        m_list->setColumnWidth(c, widths[c]);
    CColumnFitter::Attach(m_list);
    auto* listBox = new QGroupBox(QStringLiteral("对账明细"), this);
    auto* listLayout = new QVBoxLayout(listBox);
    listLayout->addWidget(m_list);

    m_closing = new QLineEdit(this);
    m_closing->setReadOnly(true);
    m_closing->setAlignment(Qt::AlignRight);
    m_closing->setMaximumWidth(160);
    m_print = new QPushButton(QStringLiteral("打印"), this);
    m_export = MakeExportButton(m_list, "statement", QStringLiteral("往来对账.csv"), this);
    m_close = new QPushButton(QStringLiteral("返回"), this);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(new QLabel(QStringLiteral("期末余额："), this));
    bottom->addWidget(m_closing);
    bottom->addStretch();
    bottom->addWidget(m_print);
    bottom->addWidget(m_export);
    bottom->addWidget(m_close);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(listBox, 1);
    layout->addLayout(bottom);
    resize(900, 560);

    QWidget* chain[] = {m_unit, m_from, m_to, m_run, m_list, m_print, m_export, m_close};
    for (size_t i = 1; i < std::size(chain); ++i)
        setTabOrder(chain[i - 1], chain[i]);

    connect(m_pick, &QToolButton::clicked, this, &CChild_Caiwu_DuizhangDlg::PickUnit);
    connect(m_run, &QPushButton::clicked, this, &CChild_Caiwu_DuizhangDlg::RunQuery);
    connect(m_print, &QPushButton::clicked, this, &CChild_Caiwu_DuizhangDlg::Print);
    connect(m_close, &QPushButton::clicked, this, &QDialog::reject);
}

void CChild_Caiwu_DuizhangDlg::PickUnit() {
    CPaletteListDlg picker(this);
    picker.SetKind(QStringLiteral("palette_wanglaidanwei"));
    if (picker.exec() == QDialog::Accepted && !picker.m_chosenName.isEmpty())
        m_unit->setText(picker.m_chosenName);
}

void CChild_Caiwu_DuizhangDlg::StartOn(const WindowPreset& preset) {
    if (preset.from.isValid())
        m_from->setDate(preset.from);
    if (preset.to.isValid())
        m_to->setDate(preset.to);
    if (preset.unit.isEmpty())
        return;
    m_unit->setText(preset.unit);
    RunQuery();
}

void CChild_Caiwu_DuizhangDlg::RunQuery() {
    const std::string unit = m_unit->text().toStdString();
    const std::string from = IsoDate(m_from), to = IsoDate(m_to);
    if (auto refusal = StatementRequestRefusal(unit, from, to)) {
        Messages().Inform(*refusal);
        return;
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const std::optional<UnitStatementRecord> statement = LoadStatement(unit, from, to);
    QApplication::restoreOverrideCursor();
    m_statement = statement;
    m_model->Clear();
    m_closing->clear();
    if (!statement)
        return;
    const auto rows = StatementListRows(*statement);
    for (size_t i = 0; i < rows.size(); ++i) {
        const auto& r = rows[i];
        const bool edge = i == 0 || i + 1 == rows.size(); // opening and closing rows
        m_model->AppendRow({r.Bill_Date, r.Bill_ID, r.Kind, r.Increase, r.Decrease, r.Balance},
                           edge);
    }
    m_closing->setText(QString::fromStdString(statement->Closing));
    // Stored paid amounts that are no money are named, not silently taken as nothing.
    std::string notes;
    for (const auto& note : statement->Notes)
        notes += (notes.empty() ? "" : "\n") + note;
    if (!notes.empty())
        Messages().Inform(notes);
}

void CChild_Caiwu_DuizhangDlg::Print() {
    if (!m_statement) {
        Messages().Inform("请先查询对账明细！");
        return;
    }
    auto page = PrepareStatementPrint(*m_statement);
    if (!page)
        return;
    CPrintDlg dlg(this);
    dlg.SetDocumentName(QStringLiteral("往来对账单"));
    dlg.SetAddress(QString::fromStdString(page->string()));
    RunModal(dlg);
}
