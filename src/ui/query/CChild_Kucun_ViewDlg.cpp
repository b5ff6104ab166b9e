#include "CChild_Kucun_ViewDlg.h"

#include "CPrintDlg.h"
#include "CQueryTableModel.h"
#include "ListExport.h"
#include "WarehouseOptions.h"
#include "basic/ClassTree.h"
#include "query/StockView.h"
#include "widgets/CSearchBox.h"
#include "widgets/ClassTreeFiller.h"
#include "widgets/ModalRunner.h"

#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QTreeWidget>
#include <QVBoxLayout>

CChild_Kucun_ViewDlg::CChild_Kucun_ViewDlg(QWidget* parent)
    : QDialog(parent), m_className(QString::fromUtf8(kAllGoods)) {
    setWindowTitle(QStringLiteral("库存状态查看"));

    m_title = new QLabel(QStringLiteral("库存状态"), this);
    QFont titleFont = m_title->font();
    titleFont.setPixelSize(26);
    titleFont.setBold(true);
    m_title->setFont(titleFont);

    m_tree = new QTreeWidget(this);
    m_tree->setHeaderHidden(true);
    auto* classBox = new QGroupBox(QStringLiteral("商品分类"), this);
    auto* classLayout = new QVBoxLayout(classBox);
    classLayout->addWidget(m_tree);

    const WarehouseOptions options = MakeWarehouseOptions(this);
    m_warehouse = options.warehouse;
    auto* optionsBox = options.box;
    auto* optionsLayout = options.layout;

    m_model = new CQueryTableModel(this);
    QStringList headers = ToQStringList(StockViewHeaders());
    headers << QString::fromUtf8(kPackedHeader);
    m_model->SetHeaders(headers);
    m_model->SetNumericColumns({2, 3, 6, 7});
    // 折合 is told for the rows drawn or exported only: for 60,000 rows it cost more than the
    // rest of the list.
    m_model->SetComputedColumn(
        static_cast<int>(headers.size()) - 1, [this](const CQueryTableModel::Row& cells) {
            return m_packing ? StockPackedText(cells, *m_packing) : std::string();
        });
    m_list = MakeQueryListView(m_model, this);
    for (int c = 0; c < m_model->columnCount(); ++c)
        m_list->setColumnWidth(c, 100);
    m_search = new CSearchBox(m_list, QStringLiteral("编码、名称、助记码或条码"), optionsBox);
    m_search->setObjectName("stockSearch");
    optionsLayout->addSpacing(12);
    optionsLayout->addLayout(m_search->Row(), 2);
    m_export = MakeExportButton(m_list, "stock_view", QStringLiteral("库存状态.csv"), this);
    auto* listBox = new QGroupBox(QStringLiteral("库存商品列表"), this);
    auto* listLayout = new QVBoxLayout(listBox);
    listLayout->addWidget(m_list);
    auto* exportRow = new QHBoxLayout;
    exportRow->addStretch();
    exportRow->addWidget(m_export);
    listLayout->addLayout(exportRow);

    m_print = new QPushButton(QIcon(":/icons/print.svg"), QStringLiteral("打印"), this);
    m_ok = new QPushButton(QStringLiteral("确定"), this);
    m_cancel = new QPushButton(QStringLiteral("取消"), this);
    m_ok->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_print);
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancel);

    auto* right = new QVBoxLayout;
    right->addWidget(optionsBox);
    right->addWidget(listBox, 1);
    auto* body = new QHBoxLayout;
    body->addWidget(classBox, 1);
    body->addLayout(right, 5);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_title);
    layout->addLayout(body, 1);
    layout->addLayout(buttons);
    resize(1220, 600); // the nine columns of 100 without scrolling

    setTabOrder(m_tree, m_warehouse);
    setTabOrder(m_warehouse, m_search);
    setTabOrder(m_search, m_list);
    setTabOrder(m_list, m_export);
    setTabOrder(m_export, m_print);
    setTabOrder(m_print, m_ok);
    setTabOrder(m_ok, m_cancel);

    // Class tree, warehouse list, then the stock of every goods item in every warehouse.
    FillClassTree(m_tree);
    m_tree->expandAll();
    if (m_tree->topLevelItemCount() > 0)
        m_tree->setCurrentItem(m_tree->topLevelItem(0));
    m_warehouse->addItems(ToQStringList(StockViewWarehouses()));
    // The list below is filled for "全部", so the drop-down list shows "全部" too.
    m_warehouse->setCurrentIndex(m_warehouse->findText(QString::fromUtf8(kAllWarehouses)));
    FillStockList(QString::fromUtf8(kAllWarehouses));
    m_initialising = false;

    connect(m_tree, &QTreeWidget::currentItemChanged, this, &CChild_Kucun_ViewDlg::OnClassSelected);
    connect(m_warehouse, &QComboBox::currentIndexChanged, this,
            &CChild_Kucun_ViewDlg::OnWarehouseChanged);
    connect(m_search, &QLineEdit::textChanged, this, &CChild_Kucun_ViewDlg::ApplySearch);
    connect(m_print, &QPushButton::clicked, this, &CChild_Kucun_ViewDlg::Print);
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void CChild_Kucun_ViewDlg::FillStockList(const QString& warehouse) {
    std::optional<CGoodsPacking> packing;
    auto cells = LoadStockViewCells(warehouse.toStdString(), m_className.toStdString(), &packing);
    if (!cells)
        return; // nothing could be read: the list stays as it was
    m_packing = std::move(packing);
    ShowFound(std::move(*cells));
}

namespace {
// The 合计 row, its 折合 cell empty: units differ from goods item to goods item.
std::vector<std::string> TotalCells(const std::vector<std::vector<std::string>>& rows) {
    auto cells = StockViewTotalCells(rows);
    cells.emplace_back();
    return cells;
}
} // namespace

void CChild_Kucun_ViewDlg::ShowFound(std::vector<std::vector<std::string>> cells) {
    m_allCells = std::move(cells);
    m_allInModel = false;
    m_indexed = false;
    ApplySearch();
}

void CChild_Kucun_ViewDlg::LendAllRows() {
    // All the rows on show: the model takes them (60,000 rows are not copied) and gives them
    // back when a search narrows the list.
    m_allCells.push_back(TotalCells(m_allCells));
    m_model->SetRowsWithTotal(std::move(m_allCells));
    m_allCells.clear();
    m_allInModel = true;
}

void CChild_Kucun_ViewDlg::ApplySearch() {
    const std::string typed = m_search->text().toStdString();
    if (SearchKey(typed).empty()) {
        if (!m_allInModel)
            LendAllRows();
        return;
    }
    const bool lent = m_allInModel;
    if (lent) {
        m_allCells = m_model->TakeRows();
        m_allCells.pop_back(); // the 合计 row
        m_allInModel = false;
    }
    // The goods' 助记码 and barcodes are read once per list, when it is first searched. When
    // they cannot be read the list stays as it was.
    if (!m_indexed && !IndexStockRows(m_allCells, m_index)) {
        if (lent)
            LendAllRows();
        return;
    }
    m_indexed = true;
    // The 合计 row adds up the rows found.
    std::vector<std::vector<std::string>> found;
    for (size_t row : m_index.Find(typed))
        found.push_back(m_allCells[row]);
    found.push_back(TotalCells(found));
    m_model->SetRowsWithTotal(std::move(found));
}

void CChild_Kucun_ViewDlg::OnClassSelected() {
    QTreeWidgetItem* item = m_tree->currentItem();
    if (m_initialising || !item || item->text(0).isEmpty())
        return;
    m_className = item->text(0);
    FillStockList(m_warehouse->currentText());
}

void CChild_Kucun_ViewDlg::OnWarehouseChanged() {
    if (m_initialising)
        return;
    FillStockList(m_warehouse->currentText());
}

void CChild_Kucun_ViewDlg::Print() {
    std::vector<StockRecord> rows;
    rows.reserve(m_model->Rows().size());
    for (size_t i = 0; i < m_model->Rows().size(); ++i) {
        if (m_model->IsMarked(static_cast<int>(i)))
            continue; // the 合计 row is the template's own total, not a stock row
        const auto& cells = m_model->Rows()[i];
        StockRecord r;
        r.ProductCode = cells[0];
        r.ProductName = cells[1];
        r.Number = cells[2];
        r.Price = cells[3];
        r.FirstEnterTime = cells[4];
        r.StoreHouse = cells[5];
        r.CostPrice = cells[6];
        rows.push_back(std::move(r));
    }
    CPrintDlg dlg(this);
    if (dlg.Prepare(m_warehouse->currentText().toStdString(), m_className.toStdString(), rows))
        RunModal(dlg);
}
