#include "COrderPickDlg.h"

#include "orders/Orders.h"
#include "query/CQueryTableModel.h"
#include "rights/PriceVisibility.h"
#include "store/CDataStore.h"
#include "store/Session.h"

#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

COrderPickDlg::COrderPickDlg(QWidget* parent, BillKind orderKind, const QString& customer)
    : QDialog(parent) {
    setWindowTitle(QStringLiteral("按订单"));
    m_model = new CQueryTableModel(this);
    m_model->SetHeaders({QStringLiteral("编号"), QStringLiteral("日期"), QStringLiteral("往来单位"),
                         QStringLiteral("仓库"), QStringLiteral("金额"), QStringLiteral("交货日期"),
                         QStringLiteral("状态")});
    m_model->SetNumericColumns({4});
    m_list = MakeQueryListView(m_model, this);
    m_choose = new QPushButton(QStringLiteral("选择"), this);
    m_back = new QPushButton(QStringLiteral("返回"), this);

    CDataStore store;
    std::vector<CQueryTableModel::Row> rows;
    if (store.ConnectMain()) {
        const std::string unit = customer.trimmed().toStdString();
        const PriceKind prices = BillPriceKind(KindNames(orderKind).cliName);
        for (const OrderListRow& o : ListOrders(store, orderKind, "", "", std::nullopt)
                                         .value_or(std::vector<OrderListRow>{})) {
            const bool open =
                o.status == OrderStatus::NotDelivered || o.status == OrderStatus::Partial;
            if (open && (unit.empty() || o.Customer == unit))
                rows.push_back({o.Bill_ID, o.Bill_Date, o.Customer, o.Warehouse,
                                ShownFigure(Session().rights, prices, o.Total), o.Delivery_Date,
                                OrderStatusText(o.status)});
        }
    }
    const bool none = rows.empty();
    m_model->SetRows(std::move(rows));

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(new QLabel(
        none ? QStringLiteral("没有未交货的订单！") : QStringLiteral("双击订单选择"), this));
    buttons->addStretch();
    buttons->addWidget(m_choose);
    buttons->addWidget(m_back);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_list, 1);
    layout->addLayout(buttons);
    resize(760, 420);

    connect(m_list, &QTableView::doubleClicked, this, &COrderPickDlg::Choose);
    connect(m_choose, &QPushButton::clicked, this, &COrderPickDlg::Choose);
    connect(m_back, &QPushButton::clicked, this, &QDialog::reject);
}

void COrderPickDlg::Choose() {
    const QModelIndexList selected = m_list->selectionModel()->selectedRows();
    if (selected.isEmpty())
        return;
    m_chosen = m_model->Cell(selected.first().row(), 0);
    accept();
}
