#include "CChild_Caiwu_ZhanghuDlg.h"
#include "widgets/CColumnFitter.h"

#include "finance/Finance.h"
#include "query/CQueryTableModel.h"
#include "query/ListExport.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

CChild_Caiwu_ZhanghuDlg::CChild_Caiwu_ZhanghuDlg(QWidget* parent) : QDialog(parent) {
    setObjectName("CChild_Caiwu_ZhanghuDlg");
    setWindowTitle(QStringLiteral("账户余额"));
    m_model = new CQueryTableModel(this);
    m_model->SetHeaders({QStringLiteral("银行账户"), QStringLiteral("收入"), QStringLiteral("支出"),
                         QStringLiteral("余额")});
    m_model->SetNumericColumns({1, 2, 3});
    m_list = new QTableView(this);
    m_list->setModel(m_model);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->verticalHeader()->setDefaultSectionSize(m_list->fontMetrics().height() + 8);
    m_list->setColumnWidth(0, 200);
    for (int c = 1; c < 4; ++c)
        m_list->setColumnWidth(c, 130);
    CColumnFitter::Attach(m_list);
    auto* box = new QGroupBox(QStringLiteral("账户收支"), this);
    auto* boxLayout = new QVBoxLayout(box);
    boxLayout->addWidget(m_list);

    m_refresh = new QPushButton(QStringLiteral("刷新"), this);
    m_export = MakeExportButton(m_list, "accounts", QStringLiteral("账户余额.csv"), this);
    m_close = new QPushButton(QStringLiteral("返回"), this);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_refresh);
    buttons->addWidget(m_export);
    buttons->addStretch();
    buttons->addWidget(m_close);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(box, 1);
    layout->addLayout(buttons);
    resize(680, 420);

    connect(m_refresh, &QPushButton::clicked, this, &CChild_Caiwu_ZhanghuDlg::Refresh);
    connect(m_close, &QPushButton::clicked, this, &QDialog::reject);
    Refresh();
}

void CChild_Caiwu_ZhanghuDlg::Refresh() {
    m_model->Clear();
    auto accounts = ReadAccountBalances();
    if (!accounts)
        return;
    for (const auto& a : *accounts)
        m_model->AppendRow({a.Bank, a.In, a.Out, a.Balance});
    const AccountBalanceRecord total = AccountTotalRow(*accounts);
    m_model->AppendRow({total.Bank, total.In, total.Out, total.Balance}, true);
}
