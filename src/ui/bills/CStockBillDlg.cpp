#include "CStockBillDlg.h"

#include "widgets/CListCtrlEx.h"
#include "widgets/CUnderLineEdit.h"

#include <QDateEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

CStockBillDlg::CStockBillDlg(QWidget* parent, BillKind kind, const QString& warehouseLabel,
                             bool withIntroduction)
    : CBillEntryDlg(parent, kind) {
    const bool transfer = kind == BillKind::Transfer;
    m_number = NewField();
    InitDate();
    m_warehouse = NewField();
    if (transfer) {
        m_toWarehouse = NewField();
        CreateBrowseParts();
    }
    m_department = NewField();
    m_employee = NewField();
    if (withIntroduction)
        m_introduction = NewField();
    m_warehouseLabel = NewLabel(warehouseLabel);

    auto* header = new QGridLayout;
    header->setHorizontalSpacing(8);
    header->setVerticalSpacing(10);
    header->addWidget(NewLabel(QStringLiteral("编号：")), 0, 0);
    header->addWidget(m_number, 0, 1);
    header->addWidget(NewLabel(QStringLiteral("录入日期：")), 0, 2);
    header->addWidget(m_date, 0, 3, Qt::AlignLeft);
    header->addWidget(m_warehouseLabel, 1, 0);
    header->addWidget(PickedField(m_warehouse, "palette_cangku"), 1, 1);
    if (transfer) {
        header->addWidget(m_standing, 0, 4, 1, 2); // the whole cell: no relayout per text
        header->addWidget(NewLabel(QStringLiteral("调入仓库：")), 1, 2);
        header->addWidget(PickedField(m_toWarehouse, "palette_cangku"), 1, 3);
        header->addWidget(NewLabel(QStringLiteral("部门：")), 1, 4);
        header->addWidget(PickedField(m_department, "palette_department"), 1, 5);
        header->addWidget(NewLabel(QStringLiteral("经手人：")), 2, 0);
        header->addWidget(PickedField(m_employee, "palette_employees"), 2, 1);
        header->addWidget(NewLabel(QStringLiteral("说明：")), 2, 2);
        header->addWidget(m_introduction, 2, 3, 1, 3);
    } else {
        header->addWidget(NewLabel(QStringLiteral("部门：")), 1, 2);
        header->addWidget(PickedField(m_department, "palette_department"), 1, 3);
        header->addWidget(NewLabel(QStringLiteral("经手人：")), 1, 4);
        header->addWidget(PickedField(m_employee, "palette_employees"), 1, 5);
    }
    if (m_introduction && !transfer) {
        header->addWidget(NewLabel(QStringLiteral("说明：")), 2, 0);
        header->addWidget(m_introduction, 2, 1, 1, 5);
    }
    for (int c : {1, 3, 5})
        header->setColumnStretch(c, 1);

    m_add = NewButton(QStringLiteral("添加"));
    m_change = NewButton(QStringLiteral("更改"));
    m_remove = NewButton(QStringLiteral("移除"));
    m_save = NewButton(QStringLiteral("确定"));
    m_save->setDefault(true);
    m_cancel = NewButton(QStringLiteral("取消"));

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(m_add);
    bottom->addWidget(m_change);
    bottom->addWidget(m_remove);
    bottom->addStretch(1);
    if (transfer) {
        bottom->addWidget(m_redo);
        bottom->addWidget(m_prev);
        bottom->addWidget(m_next);
        bottom->addSpacing(12);
    }
    bottom->addWidget(m_printBill);
    bottom->addWidget(m_save);
    bottom->addWidget(m_cancel);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 10, 16, 12);
    layout->addWidget(m_title);
    layout->addLayout(header);
    layout->addSpacing(4);
    layout->addWidget(LinesGroup(QStringLiteral("商品列表")), 1);
    layout->addLayout(bottom);

    std::vector<QWidget*> chain = {m_number, m_date, m_warehouse};
    if (m_toWarehouse)
        chain.push_back(m_toWarehouse);
    for (QWidget* w : {static_cast<QWidget*>(m_department), static_cast<QWidget*>(m_employee),
                       static_cast<QWidget*>(m_introduction), static_cast<QWidget*>(m_quickEntry),
                       static_cast<QWidget*>(m_grid), static_cast<QWidget*>(m_add),
                       static_cast<QWidget*>(m_change), static_cast<QWidget*>(m_remove),
                       static_cast<QWidget*>(m_redo), static_cast<QWidget*>(m_prev),
                       static_cast<QWidget*>(m_next), static_cast<QWidget*>(m_save),
                       static_cast<QWidget*>(m_cancel)})
        if (w)
            chain.push_back(w);
    for (size_t i = 1; i < chain.size(); ++i)
        setTabOrder(chain[i - 1], chain[i]);

    connect(m_add, &QPushButton::clicked, this, &CBillEntryDlg::OnAdd);
    connect(m_change, &QPushButton::clicked, this, &CBillEntryDlg::OnChange);
    connect(m_remove, &QPushButton::clicked, this, &CBillEntryDlg::OnRemove);
    connect(m_save, &QPushButton::clicked, this, &CBillEntryDlg::OnSave);
    connect(m_cancel, &QPushButton::clicked, this, &CBillEntryDlg::reject);

    ShowHeader();
    resize(960, 600);
}
