#include "CChild_Xitong_ViewLogDlg.h"

#include "CTextTableModel.h"
#include "admin/OperationLog.h"
#include "widgets/CColumnFitter.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

CChild_Xitong_ViewLogDlg::CChild_Xitong_ViewLogDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("日志查看"));
    setObjectName("CChild_Xitong_ViewLogDlg");

    m_model = new CTextTableModel(
        {QStringLiteral("操作记录"), QStringLiteral("操作者"), QStringLiteral("操作时间")}, this);
    m_list = new QTableView(this);
    SetupAdminList(m_list, m_model, 138);
    CColumnFitter::Of(m_list)->SetNameLimit(0); // an entry is read whole

    m_clear = new QPushButton(QStringLiteral("清除日志"), this);
    m_back = new QPushButton(QStringLiteral("返回"), this);
    // Enter leaves the window; clearing the log takes a deliberate click.
    m_clear->setAutoDefault(false);
    m_back->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_clear);
    buttons->addWidget(m_back);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_list, 1);
    layout->addLayout(buttons);
    // Wide enough for an entry with its operator and time, within a 1366-pixel screen.
    resize(860, 480);

    connect(m_clear, &QPushButton::clicked, this, &CChild_Xitong_ViewLogDlg::OnClear);
    connect(m_back, &QPushButton::clicked, this, &QDialog::reject);

    FillList();
}

void CChild_Xitong_ViewLogDlg::FillList() {
    // Newest first: the list is the log in reverse.
    const auto log = LoadOperationLog();
    std::vector<QStringList> rows;
    rows.reserve(log.size());
    for (auto it = log.rbegin(); it != log.rend(); ++it)
        rows.push_back({QString::fromStdString(it->Event), QString::fromStdString(it->User),
                        QString::fromStdString(it->Time)});
    m_model->SetRows(std::move(rows));
}

void CChild_Xitong_ViewLogDlg::OnClear() {
    // The list changes only when the entries are really gone; the clearing's own entry remains.
    if (ClearOperationLog() == AdminResult::Done)
        FillList();
}
