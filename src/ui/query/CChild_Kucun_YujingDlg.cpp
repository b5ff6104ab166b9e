#include "CChild_Kucun_YujingDlg.h"

#include "CQueryTableModel.h"
#include "ListExport.h"
#include "WarehouseOptions.h"
#include "orders/CChild_Dingdan_KaidanDlg.h"
#include "query/StockView.h"
#include "query/StockWarnings.h"
#include "rights/Functions.h"
#include "store/RightCheck.h"
#include "widgets/ModalRunner.h"

#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

CChild_Kucun_YujingDlg::CChild_Kucun_YujingDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("库存预警"));

    const WarehouseOptions options = MakeWarehouseOptions(this);
    m_warehouse = options.warehouse;
    auto* optionsBox = options.box;

    m_model = new CQueryTableModel(this);
    m_model->SetHeaders(ToQStringList(StockWarningHeaders()) << QStringLiteral("折合"));
    m_model->SetNumericColumns({3, 4, 5, 7});
    m_list = MakeQueryListView(m_model, this);
    for (int c = 0; c < m_model->columnCount(); ++c)
        m_list->setColumnWidth(c, c == 1 ? 160 : 90);
    m_note = new QLabel(this);
    m_note->setStyleSheet("QLabel { color: #b71c1c; }");
    m_note->setWordWrap(true);
    m_note->hide();
    m_export = MakeExportButton(m_list, "stock_warnings", QStringLiteral("库存预警.csv"), this);
    auto* listBox = new QGroupBox(QStringLiteral("预警商品列表"), this);
    auto* listLayout = new QVBoxLayout(listBox);
    listLayout->addWidget(m_list);
    listLayout->addWidget(m_note);

    m_ok = new QPushButton(QStringLiteral("确定"), this);
    m_cancel = new QPushButton(QStringLiteral("取消"), this);
    m_ok->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_export);
    m_makeOrder = new QPushButton(QStringLiteral("生成采购订单"), this);
    buttons->addWidget(m_makeOrder);
    connect(m_makeOrder, &QPushButton::clicked, this, &CChild_Kucun_YujingDlg::OnMakeOrder);
    buttons->addStretch();
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(optionsBox);
    layout->addWidget(listBox, 1);
    layout->addLayout(buttons);
    resize(880, 520);

    setTabOrder(m_warehouse, m_list);
    setTabOrder(m_list, m_export);
    setTabOrder(m_export, m_ok);
    setTabOrder(m_ok, m_cancel);

    m_warehouse->addItems(ToQStringList(StockViewWarehouses()));
    m_warehouse->setCurrentIndex(m_warehouse->findText(QString::fromUtf8(kAllWarehouses)));
    FillList(m_warehouse->currentText());

    connect(m_warehouse, &QComboBox::currentIndexChanged, this,
            [this] { FillList(m_warehouse->currentText()); });
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void CChild_Kucun_YujingDlg::FillList(const QString& warehouse) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    StockWarnings warnings = LoadStockWarnings(warehouse.toStdString());
    QApplication::restoreOverrideCursor();
    if (!warnings.ok)
        return; // the store has said why; the list stays as it was
    std::vector<CQueryTableModel::Row> cells;
    cells.reserve(warnings.rows.size());
    std::map<int, QString> shortOnes; // drawn in red: these want buying
    m_toOrder.clear();
    for (const StockWarningRow& row : warnings.rows) {
        if (const auto quantity = OrderQuantityOf(row))
            m_toOrder.emplace_back(row.code, *quantity);
        if (row.state == kBelowLowerLimit)
            shortOnes[static_cast<int>(cells.size())] = QString::fromUtf8(kBelowLowerLimit);
        cells.push_back(StockWarningCells(row));
        cells.back().push_back(row.packed);
    }
    m_model->SetRows(std::move(cells));
    m_model->SetRowNotes(std::move(shortOnes));
    const std::string note = BadLimitsNote(warnings.badLimits);
    m_note->setText(QString::fromStdString(note));
    m_note->setVisible(!note.empty());
}

void CChild_Kucun_YujingDlg::OnMakeOrder() {
    const auto need = WindowNeed("CChild_Dingdan_KaidanDlg", "");
    if (!need || !CheckRight(need->function, need->action))
        return;
    CChild_Dingdan_KaidanDlg order(this);
    const QString warehouse = m_warehouse->currentText();
    order.FillSuggested(m_toOrder, warehouse == QString::fromUtf8(kAllWarehouses)
                                       ? std::string()
                                       : warehouse.toStdString());
    RunModal(order);
}
