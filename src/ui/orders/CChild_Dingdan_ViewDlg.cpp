#include "CChild_Dingdan_ViewDlg.h"

#include "CChild_Dingdan_KaidanDlg.h"
#include "admin/RoleAdmin.h"
#include "app/CommandRouting.h"
#include "basic/GoodsUnits.h"
#include "bills/CChild_Jinhuo_KaidanDlg.h"
#include "bills/CChild_Xiaoshou_KaidanDlg.h"
#include "orders/Orders.h"
#include "port/MessagePort.h"
#include "query/BillPrint.h"
#include "query/CPrintDlg.h"
#include "query/CQueryTableModel.h"
#include "query/DateRangeEdit.h"
#include "query/ListExport.h"
#include "rights/Functions.h"
#include "rights/PriceVisibility.h"
#include "store/CDataStore.h"
#include "store/RightCheck.h"
#include "store/Session.h"
#include "widgets/CColumnFitter.h"
#include "widgets/ModalRunner.h"

#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace {
QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

constexpr int kStatusColumn = 7;

// Opens the purchase (sale) window on the open rest of an order and runs it.
template <class Dlg> void DeliverIn(QWidget* parent, const std::string& number) {
    Dlg dlg(parent);
    if (dlg.FillFromOrder(number))
        RunModal(dlg);
}
} // namespace

CChild_Dingdan_ViewDlg::CChild_Dingdan_ViewDlg(QWidget* parent) : QDialog(parent) {
    m_kind = new QComboBox(this);
    for (BillKind k : {BillKind::PurchaseOrder, BillKind::SaleOrder})
        m_kind->addItem(QString::fromUtf8(KindNames(k).titleText), int(k));
    m_status = new QComboBox(this);
    m_status->addItem(QStringLiteral("全部"));
    for (OrderStatus s : {OrderStatus::NotDelivered, OrderStatus::Partial, OrderStatus::Complete,
                          OrderStatus::Closed, OrderStatus::Voided})
        m_status->addItem(QString::fromUtf8(OrderStatusText(s)));
    m_from = MakeQueryDateEdit(this);
    m_from->setDate(m_from->date().addMonths(-1)); // orders wait longer than a day
    m_to = MakeQueryDateEdit(this);
    m_query = new QPushButton(QStringLiteral("查询"), this);
    m_query->setDefault(true);

    auto* optionsBox = new QGroupBox(QStringLiteral("查询选项"), this);
    auto* options = new QHBoxLayout(optionsBox);
    options->addWidget(new QLabel(QStringLiteral("类型："), this));
    options->addWidget(m_kind);
    options->addWidget(new QLabel(QStringLiteral("状态："), this));
    options->addWidget(m_status);
    options->addWidget(new QLabel(QStringLiteral("时间："), this));
    options->addWidget(m_from);
    options->addWidget(new QLabel(QStringLiteral("到"), this));
    options->addWidget(m_to);
    options->addWidget(m_query);
    options->addStretch();

    m_model = new CQueryTableModel(this);
    m_model->SetHeaders({QStringLiteral("编号"), QStringLiteral("日期"), QStringLiteral("往来单位"),
                         QStringLiteral("仓库"), QStringLiteral("经手人"), QStringLiteral("金额"),
                         QStringLiteral("交货日期"), QStringLiteral("状态")});
    m_model->SetNumericColumns({5});
    m_list = MakeQueryListView(m_model, this);
    m_list->setObjectName("orderList");
    m_list->setColumnWidth(0, 170); // a number is read whole

    m_linesLabel = new QLabel(this);
    m_lineModel = new CQueryTableModel(this);
    m_lineModel->SetHeaders({QStringLiteral("商品编码"), QStringLiteral("商品名称"),
                             QStringLiteral("数量"), QStringLiteral("单位"), QStringLiteral("单价"),
                             QStringLiteral("金额"), QStringLiteral("订购"), QStringLiteral("已交"),
                             QStringLiteral("未交"), QStringLiteral("备注")});
    m_lineModel->SetNumericColumns({2, 4, 5, 6, 7, 8});
    m_lines = MakeQueryListView(m_lineModel, this);
    m_lines->setObjectName("orderLines");
    // Ten columns share the width: each starts at what its contents need, figures stay narrow,
    // and a goods name or a note is read whole; the room left over is shared out.
    for (int c = 0; c < m_lineModel->columnCount(); ++c)
        m_lines->setColumnWidth(c, 1);
    CColumnFitter::Of(m_lines)->SetNameLimit(0);

    m_new = new QPushButton(QStringLiteral("新建"), this);
    m_deliver = new QPushButton(this);
    m_close = new QPushButton(QStringLiteral("关闭订单"), this);
    m_void = new QPushButton(QStringLiteral("作废"), this);
    m_print = new QPushButton(QStringLiteral("打印"), this);
    m_export = MakeExportButton(
        m_list, [this] { return KindFunction(KindNames(Kind()).cliName); },
        QStringLiteral("订单.csv"), this);
    m_back = new QPushButton(QStringLiteral("返回"), this);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(m_new);
    bottom->addWidget(m_deliver);
    bottom->addWidget(m_close);
    bottom->addWidget(m_void);
    bottom->addStretch();
    bottom->addWidget(m_print);
    bottom->addWidget(m_export);
    bottom->addWidget(m_back);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(optionsBox);
    layout->addWidget(m_list, 3);
    layout->addWidget(m_linesLabel);
    layout->addWidget(m_lines, 2);
    layout->addLayout(bottom);
    resize(1100, 680);

    connect(m_query, &QPushButton::clicked, this, &CChild_Dingdan_ViewDlg::Query);
    connect(m_kind, &QComboBox::currentIndexChanged, this, &CChild_Dingdan_ViewDlg::Query);
    connect(m_status, &QComboBox::currentIndexChanged, this, &CChild_Dingdan_ViewDlg::Query);
    connect(m_list->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) { ShowOrderLines(current.row()); });
    connect(m_list, &QTableView::doubleClicked, this, &CChild_Dingdan_ViewDlg::OnOpenOrder);
    connect(m_new, &QPushButton::clicked, this, &CChild_Dingdan_ViewDlg::OnNew);
    connect(m_deliver, &QPushButton::clicked, this, &CChild_Dingdan_ViewDlg::OnDeliver);
    connect(m_close, &QPushButton::clicked, this, &CChild_Dingdan_ViewDlg::OnCloseOrder);
    connect(m_void, &QPushButton::clicked, this, &CChild_Dingdan_ViewDlg::OnVoid);
    connect(m_print, &QPushButton::clicked, this, &CChild_Dingdan_ViewDlg::OnPrint);
    connect(m_back, &QPushButton::clicked, this, &QDialog::reject);
    SetCommand(Q(KindNames(BillKind::PurchaseOrder).historyWord));
}

CChild_Dingdan_ViewDlg::~CChild_Dingdan_ViewDlg() = default;

BillKind CChild_Dingdan_ViewDlg::Kind() const {
    return BillKind(m_kind->currentData().toInt());
}

void CChild_Dingdan_ViewDlg::SetCommand(const QString& command) {
    const BillKind kind = command == QLatin1String(KindNames(BillKind::SaleOrder).historyWord)
                              ? BillKind::SaleOrder
                              : BillKind::PurchaseOrder;
    const QSignalBlocker quiet(m_kind);
    m_kind->setCurrentIndex(m_kind->findData(int(kind)));
    Query();
}

void CChild_Dingdan_ViewDlg::Query() {
    const BillKind kind = Kind();
    setWindowTitle(QString::fromUtf8(KindNames(kind).titleText));
    m_deliver->setText(kind == BillKind::PurchaseOrder ? QStringLiteral("生成进货单")
                                                       : QStringLiteral("生成销售单"));
    const auto status = OrderStatusFromText(m_status->currentText().toStdString());
    std::vector<CQueryTableModel::Row> rows;
    CDataStore store;
    // The window opens on one kind; the other kind's orders need their own right.
    if (CheckRight(KindFunction(KindNames(kind).cliName), Action::View) && store.ConnectMain()) {
        const PriceKind prices = BillPriceKind(KindNames(kind).cliName);
        const auto orders = ListOrders(store, kind, IsoDate(m_from), IsoDate(m_to), status);
        rows.reserve(orders ? orders->size() : 0);
        for (const OrderListRow& o : orders.value_or(std::vector<OrderListRow>{}))
            rows.push_back({o.Bill_ID, o.Bill_Date, o.Customer, o.Warehouse, o.Employee,
                            ShownFigure(Session().rights, prices, o.Total), o.Delivery_Date,
                            OrderStatusText(o.status)});
    }
    m_model->SetRows(std::move(rows));
    ShowOrderLines(-1);
}

void CChild_Dingdan_ViewDlg::ShowOrderLines(int row) {
    m_shown = row >= 0 && row < m_model->rowCount() ? m_model->Cell(row, 0).toStdString() : "";
    m_lineModel->Clear();
    m_linesLabel->setText(m_shown.empty() ? QStringLiteral("订单明细")
                                          : QStringLiteral("订单明细：") + Q(m_shown));
    if (!m_shown.empty()) {
        CDataStore store;
        std::optional<StoredOrder> order;
        if (store.ConnectMain())
            order = FindOrder(store, Kind(), m_shown);
        if (order && !m_packing) {
            m_packing = std::make_unique<CGoodsPacking>();
            if (!m_packing->Load(store))
                m_packing.reset();
        }
        const PriceKind prices = BillPriceKind(KindNames(Kind()).cliName);
        auto packed = [this](const std::string& code, int64_t base) {
            return m_packing ? m_packing->Packed(code, base) : std::to_string(base);
        };
        std::vector<CQueryTableModel::Row> lines;
        for (const OrderLineRecord& l : order ? order->lines : std::vector<OrderLineRecord>{})
            lines.push_back({l.Product_ID, l.Product_Name, l.Product_Number, l.Product_Unit,
                             ShownFigure(Session().rights, prices, OrderPriceText(l.Product_Price)),
                             ShownFigure(Session().rights, prices, l.Product_Total),
                             packed(l.Product_ID, l.ordered), packed(l.Product_ID, l.delivered),
                             packed(l.Product_ID, OpenQuantity(order->header, l)), l.Product_Note});
        m_lineModel->SetRows(std::move(lines));
    }
    UpdateButtons();
}

std::string CChild_Dingdan_ViewDlg::ChosenNumber() const {
    return m_shown;
}

void CChild_Dingdan_ViewDlg::UpdateButtons() {
    QString status;
    for (int r = 0; r < m_model->rowCount() && !m_shown.empty(); ++r)
        if (m_model->Cell(r, 0).toStdString() == m_shown)
            status = m_model->Cell(r, kStatusColumn);
    const bool open = status == QString::fromUtf8(OrderStatusText(OrderStatus::NotDelivered)) ||
                      status == QString::fromUtf8(OrderStatusText(OrderStatus::Partial));
    // Greyed as a courtesy; the core asks the rights and the status again.
    const std::string function = KindFunction(KindNames(Kind()).cliName);
    const auto deliverNeed = WindowNeed(
        Kind() == BillKind::PurchaseOrder ? "CChild_Jinhuo_KaidanDlg" : "CChild_Xiaoshou_KaidanDlg",
        "");
    const CRoleRights& rights = CurrentRights();
    m_new->setEnabled(rights.Allows(function, Action::Enter));
    m_deliver->setEnabled(open && deliverNeed &&
                          rights.Allows(deliverNeed->function, deliverNeed->action));
    m_close->setEnabled(open && rights.Allows(function, Action::Enter));
    // A partly delivered order may be asked to void too: the core says why it cannot be.
    m_void->setEnabled(open && rights.Allows(function, Action::Delete));
    m_print->setEnabled(!m_shown.empty() && rights.Allows(function, Action::Print));
}

void CChild_Dingdan_ViewDlg::Refresh() {
    const std::string keep = m_shown;
    Query();
    for (int r = 0; r < m_model->rowCount(); ++r)
        if (m_model->Cell(r, 0).toStdString() == keep)
            m_list->selectRow(r);
}

void CChild_Dingdan_ViewDlg::OnNew() {
    OpenWindow(this, QStringLiteral("CChild_Dingdan_KaidanDlg"), Q(KindNames(Kind()).historyWord));
    Refresh();
}

void CChild_Dingdan_ViewDlg::OnDeliver() {
    if (m_shown.empty())
        return;
    const bool purchase = Kind() == BillKind::PurchaseOrder;
    const auto need =
        WindowNeed(purchase ? "CChild_Jinhuo_KaidanDlg" : "CChild_Xiaoshou_KaidanDlg", "");
    if (!need || !CheckRight(need->function, need->action))
        return;
    if (purchase)
        DeliverIn<CChild_Jinhuo_KaidanDlg>(this, m_shown);
    else
        DeliverIn<CChild_Xiaoshou_KaidanDlg>(this, m_shown);
    Refresh();
}

void CChild_Dingdan_ViewDlg::OnCloseOrder() {
    if (m_shown.empty() ||
        !Messages().AskYesNo("确定要关闭订单“" + m_shown + "”吗？\r\n未交的商品将不再交货。"))
        return;
    CloseOrder(Kind(), m_shown);
    Refresh();
}

void CChild_Dingdan_ViewDlg::OnVoid() {
    if (m_shown.empty() || !Messages().AskYesNo("确定要作废订单“" + m_shown + "”吗？"))
        return;
    VoidOrder(Kind(), m_shown);
    Refresh();
}

void CChild_Dingdan_ViewDlg::OnPrint() {
    if (m_shown.empty())
        return;
    const BillPrintResult printed = PrepareBillPrint(Kind(), m_shown);
    if (printed.outcome != BillPrintResult::Outcome::Written)
        return;
    CPrintDlg dlg(this);
    dlg.SetDocumentName(Q(printed.title + " " + m_shown));
    dlg.SetAddress(Q(printed.page.string()));
    RunModal(dlg);
}

void CChild_Dingdan_ViewDlg::OnOpenOrder() {
    if (m_shown.empty())
        return;
    CChild_Dingdan_KaidanDlg dlg(this);
    dlg.SetCommand(Q(KindNames(Kind()).historyWord));
    dlg.ShowOrder(m_shown);
    RunModal(dlg);
}
