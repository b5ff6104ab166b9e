#include "CTradeBillDlg.h"

#include "basic/GoodsStore.h"
#include "bills/BillBrowse.h"
#include "bills/BillFile.h"
#include "bills/TradeBillTexts.h"
#include "orders/COrderPickDlg.h"
#include "orders/Orders.h"
#include "port/MessagePort.h"
#include "store/CDataStore.h"
#include "widgets/ModalRunner.h"

#include "widgets/CDateEditEx.h"
#include "widgets/CListCtrlEx.h"
#include "widgets/CUnderLineEdit.h"

#include <QDateEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

CTradeBillDlg::CTradeBillDlg(QWidget* parent, BillKind kind) : CBillEntryDlg(parent, kind) {
    m_number = NewField();
    InitDate();
    m_customer = NewField();
    m_department = NewField();
    m_warehouse = NewField();
    m_employee = NewField();
    // An order moves no money: its third row holds the delivery date instead of the account and
    // the paid amount, and it is never browsed nor reversed.
    const bool order = IsOrderKind(kind);
    if (order) {
        m_deliveryDate = new CDateEditEx(this);
        m_deliveryDate->setObjectName("deliveryDate");
        m_deliveryDate->setCalendarPopup(true);
        m_deliveryDate->setDisplayFormat(m_date->displayFormat());
        m_deliveryDate->setMinimumWidth(130);
    } else {
        m_account = NewField();
        m_paid = new QLineEdit(this);
    }
    m_introduction = NewField();
    m_quantityTotal = new QLineEdit(this);
    m_amountTotal = new QLineEdit(this);
    for (QLineEdit* total : {m_quantityTotal, m_amountTotal}) {
        total->setReadOnly(true);
        total->setFocusPolicy(Qt::ClickFocus);
        total->setAlignment(Qt::AlignRight);
        // Room for a total in the hundreds of millions, however narrow the window is made.
        const int wide = total->fontMetrics().horizontalAdvance(QStringLiteral("-999999999.99"));
        total->setMinimumWidth(wide + 16);
        total->setMaximumWidth(std::max(160, wide + 40));
    }

    m_customerLabel = NewLabel(QStringLiteral("供货单位："));
    m_warehouseLabel = NewLabel(QStringLiteral("收货仓库："));
    if (!order) {
        m_accountLabel = NewLabel(QStringLiteral("付款账户："));
        m_paidLabel = NewLabel(QStringLiteral("付款金额："));
    }
    m_quantityLabel = NewLabel(QStringLiteral("数量："));
    m_amountLabel = NewLabel(QStringLiteral("金额合计："));
    if (!order)
        CreateBrowseParts();

    auto* header = new QGridLayout;
    header->setHorizontalSpacing(8);
    header->setVerticalSpacing(10);
    header->addWidget(NewLabel(QStringLiteral("编号：")), 0, 0);
    header->addWidget(m_number, 0, 1);
    header->addWidget(NewLabel(QStringLiteral("录入日期：")), 0, 2);
    header->addWidget(m_date, 0, 3, Qt::AlignLeft);
    if (m_standing)
        header->addWidget(m_standing, 0, 4, 1, 2); // the whole cell: no relayout per text
    header->addWidget(m_customerLabel, 1, 0);
    header->addWidget(PickedField(m_customer, "palette_wanglaidanwei"), 1, 1);
    header->addWidget(NewLabel(QStringLiteral("部门：")), 1, 2);
    header->addWidget(PickedField(m_department, "palette_department"), 1, 3);
    header->addWidget(m_warehouseLabel, 1, 4);
    header->addWidget(PickedField(m_warehouse, "palette_cangku"), 1, 5);
    header->addWidget(NewLabel(QStringLiteral("经手人：")), 2, 0);
    header->addWidget(PickedField(m_employee, "palette_employees"), 2, 1);
    if (order) {
        header->addWidget(NewLabel(QStringLiteral("交货日期：")), 2, 2);
        header->addWidget(m_deliveryDate, 2, 3, Qt::AlignLeft);
    } else {
        header->addWidget(m_accountLabel, 2, 2);
        header->addWidget(PickedField(m_account, "palette_account"), 2, 3);
        header->addWidget(m_paidLabel, 2, 4);
        header->addWidget(m_paid, 2, 5);
    }
    header->addWidget(NewLabel(QStringLiteral("说明：")), 3, 0);
    header->addWidget(m_introduction, 3, 1, 1, 5);
    for (int c : {1, 3, 5})
        header->setColumnStretch(c, 1);

    m_add = NewButton(QStringLiteral("添加"));
    m_change = NewButton(QStringLiteral("更改"));
    m_remove = NewButton(QStringLiteral("移除"));
    m_save = NewButton(QStringLiteral("保存"));
    m_cancel = NewButton(QStringLiteral("取消"));

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(m_quantityLabel);
    bottom->addWidget(m_quantityTotal);
    bottom->addSpacing(12);
    bottom->addWidget(m_amountLabel);
    bottom->addWidget(m_amountTotal);
    bottom->addStretch(1);
    bottom->addWidget(m_add);
    bottom->addWidget(m_change);
    bottom->addWidget(m_remove);
    bottom->addSpacing(12);
    if (!order) {
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
    layout->addWidget(LinesGroup(QStringLiteral("进货商品列表")), 1);
    layout->addLayout(bottom);

    QWidget* chain[] = {m_number,     m_date,    m_customer, m_department,   m_warehouse,
                        m_employee,   m_account, m_paid,     m_deliveryDate, m_introduction,
                        m_quickEntry, m_grid,    m_add,      m_change,       m_remove,
                        m_redo,       m_prev,    m_next,     m_save,         m_cancel};
    QWidget* previous = nullptr;
    for (QWidget* w : chain) {
        if (!w)
            continue; // a part this kind does not have
        if (previous)
            setTabOrder(previous, w);
        previous = w;
    }

    connect(m_add, &QPushButton::clicked, this, &CBillEntryDlg::OnAdd);
    connect(m_change, &QPushButton::clicked, this, &CBillEntryDlg::OnChange);
    connect(m_remove, &QPushButton::clicked, this, &CBillEntryDlg::OnRemove);
    connect(m_save, &QPushButton::clicked, this, &CBillEntryDlg::OnSave);
    connect(m_cancel, &QPushButton::clicked, this, &CBillEntryDlg::reject);

    if (IsTradeKind(kind)) {
        m_byOrder = NewButton(QStringLiteral("按订单"));
        bottom->insertWidget(bottom->indexOf(m_add), m_byOrder);
        connect(m_byOrder, &QPushButton::clicked, this, &CTradeBillDlg::OnByOrder);
    }

    SetEnterGoesToGrid(true);
    ShowHeader();
    resize(1100, 660);
}

void CTradeBillDlg::OnByOrder() {
    const auto orderKind = OrderKindDeliveredBy(Bill().Kind());
    if (IsViewMode() || !orderKind)
        return;
    COrderPickDlg picker(this, *orderKind, m_customer->text());
    if (RunModal(picker) != QDialog::Accepted || picker.ChosenNumber().isEmpty())
        return;
    if (!ConfirmLeaveEntry(Bill()))
        return;
    FillFromOrder(picker.ChosenNumber().toStdString());
}

bool CTradeBillDlg::FillFromOrder(const std::string& number) {
    CBill bill(Bill().Kind());
    // What the user typed that an order does not say stays.
    bill.m_account = m_account ? m_account->text().toStdString() : std::string();
    bill.m_introduction = m_introduction->text().toStdString();
    CDataStore store;
    const bool connected = store.ConnectMain();
    const GoodsLookup findGoods = [&](const std::string& code) {
        return connected ? FindGoods(store, code) : std::nullopt;
    };
    std::string error;
    if (!FromOrder(bill, number, findGoods, &error)) {
        Messages().Inform(error);
        return false;
    }
    LoadBill(std::move(bill));
    return true;
}

void CTradeBillDlg::ApplyKindTexts(BillKind kind) {
    if (m_byOrder) // a purchase or sale being entered, not its return nor a stored bill
        m_byOrder->setVisible(!IsViewMode() && OrderKindDeliveredBy(kind).has_value());
    if (IsOrderKind(kind)) {
        m_customerLabel->setText(kind == BillKind::PurchaseOrder ? QStringLiteral("供货单位：")
                                                                 : QStringLiteral("客户："));
        m_warehouseLabel->setText(kind == BillKind::PurchaseOrder ? QStringLiteral("收货仓库：")
                                                                  : QStringLiteral("出货仓库："));
        if (m_linesGroup)
            m_linesGroup->setTitle(QStringLiteral("订货商品列表"));
        return;
    }
    const TradeBillTexts& texts = TradeBillTextsOf(kind);
    m_customerLabel->setText(QString::fromUtf8(texts.customer));
    m_warehouseLabel->setText(QString::fromUtf8(texts.warehouse));
    m_accountLabel->setText(QString::fromUtf8(texts.account));
    m_paidLabel->setText(QString::fromUtf8(texts.paid));
    if (m_linesGroup)
        m_linesGroup->setTitle(QString::fromUtf8(texts.lines));
}
