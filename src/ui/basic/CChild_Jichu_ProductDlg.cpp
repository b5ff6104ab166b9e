#include "CChild_Jichu_ProductDlg.h"

#include "CChild_Jichu_Product_AddDlg.h"
#include "CChild_Jichu_Product_Class_Dlg.h"
#include "CLabelPrintDlg.h"
#include "admin/RoleAdmin.h"
#include "port/MessagePort.h"
#include "widgets/CListModel.h"
#include "widgets/CSearchBox.h"
#include "widgets/ClassTreeFiller.h"
#include "widgets/ModalRunner.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QItemSelectionModel>
#include <QPushButton>
#include <QTableView>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {
std::vector<ListColumn> Columns() {
    std::vector<ListColumn> columns;
    for (const auto& c : GoodsListColumns())
        columns.push_back({c.header, kGoodsColumnWidth});
    return columns;
}
} // namespace

CChild_Jichu_ProductDlg::CChild_Jichu_ProductDlg(QWidget* parent) : QDialog(parent) {
    setObjectName("CChild_Jichu_ProductDlg");
    setWindowTitle(QStringLiteral("商品管理"));
    setWindowIcon(QIcon(QStringLiteral(":/icons/goods.svg")));

    auto* classFrame = new QGroupBox(QStringLiteral("商品分类"), this);
    m_tree = new QTreeWidget(classFrame);
    m_tree->setHeaderHidden(true);
    m_tree->setColumnCount(1);
    m_tree->setFixedWidth(200);
    m_manageClasses = new QPushButton(QIcon(QStringLiteral(":/icons/classes.svg")),
                                      QStringLiteral("类别管理"), classFrame);
    auto* classLayout = new QVBoxLayout(classFrame);
    classLayout->addWidget(m_tree, 1);
    classLayout->addWidget(m_manageClasses);

    auto* listFrame = new QGroupBox(QStringLiteral("商品类列表"), this);
    m_model = new CListModel(
        Columns(), [this] { return m_state.RowCount(); },
        [this](size_t row, int column) { return m_state.Cell(row, column); }, this);
    m_list = new QTableView(listFrame);
    SetupListView(m_list, m_model, true);
    m_list->setMinimumSize(620, 420);
    // Labels are printed for several goods at once; changing and deleting take the first chosen.
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_search = new CSearchBox(m_list, QStringLiteral("编码、名称、助记码或条码"), listFrame);
    m_search->setObjectName("goodsSearch");
    QHBoxLayout* search = m_search->Row();
    auto* listLayout = new QVBoxLayout(listFrame);
    listLayout->addLayout(search);
    listLayout->addWidget(m_list);

    m_add =
        new QPushButton(QIcon(QStringLiteral(":/icons/goods.svg")), QStringLiteral("添加"), this);
    m_modify = new QPushButton(QStringLiteral("修改"), this);
    m_delete = new QPushButton(QStringLiteral("删除"), this);
    m_labels = new QPushButton(QStringLiteral("打印标签"), this);
    m_labels->setEnabled(CurrentRights().Allows("goods", Action::Print));
    m_back = new QPushButton(QStringLiteral("返回"), this);
    m_add->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_add);
    buttons->addWidget(m_modify);
    buttons->addWidget(m_delete);
    buttons->addWidget(m_labels);
    buttons->addWidget(m_back);

    auto* panes = new QHBoxLayout;
    panes->addWidget(classFrame);
    panes->addWidget(listFrame, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(panes, 1);
    layout->addLayout(buttons);
    resize(1100, 600);

    QWidget* order[] = {m_tree,   m_manageClasses, m_search, m_list, m_add,
                        m_modify, m_delete,        m_labels, m_back};
    for (size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);

    connect(m_tree, &QTreeWidget::itemSelectionChanged, this,
            &CChild_Jichu_ProductDlg::OnClassChanged);
    connect(m_manageClasses, &QPushButton::clicked, this,
            &CChild_Jichu_ProductDlg::OnManageClasses);
    connect(m_search, &QLineEdit::textChanged, this, &CChild_Jichu_ProductDlg::OnSearch);
    connect(m_add, &QPushButton::clicked, this, &CChild_Jichu_ProductDlg::OnAdd);
    connect(m_modify, &QPushButton::clicked, this, &CChild_Jichu_ProductDlg::OnModify);
    connect(m_list, &QAbstractItemView::doubleClicked, this, &CChild_Jichu_ProductDlg::OnModify);
    connect(m_delete, &QPushButton::clicked, this, &CChild_Jichu_ProductDlg::OnDelete);
    connect(m_labels, &QPushButton::clicked, this, &CChild_Jichu_ProductDlg::OnLabels);
    connect(m_back, &QPushButton::clicked, this, &QDialog::reject);

    FillTree();
    m_state.ShowAll();
    m_model->Reload();
}

void CChild_Jichu_ProductDlg::FillTree() {
    m_filling = true;
    FillClassTree(m_tree);
    m_filling = false;
}

void CChild_Jichu_ProductDlg::OnClassChanged() {
    const QList<QTreeWidgetItem*> items = m_tree->selectedItems();
    if (m_filling || items.isEmpty())
        return;
    if (m_state.ShowClass(items.first()->text(0).toStdString()))
        m_model->Reload();
}

void CChild_Jichu_ProductDlg::OnManageClasses() {
    CChild_Jichu_Product_Class_Dlg dlg(this);
    RunModal(dlg);
    FillTree(); // the goods list stays as it is
}

void CChild_Jichu_ProductDlg::OnAdd() {
    CChild_Jichu_Product_AddDlg dlg(this);
    if (RunModal(dlg) != QDialog::Accepted)
        return;
    // The new item shows at the top of all goods; the tree keeps its selection.
    m_state.ShowAll();
    m_model->Reload();
}

void CChild_Jichu_ProductDlg::OnModify() {
    const int row = SelectedRow(m_list);
    auto goods = m_state.ItemToChange(row < 0 ? std::nullopt : std::optional<size_t>(size_t(row)));
    if (!goods)
        return;
    CChild_Jichu_Product_AddDlg dlg(*goods, this);
    if (RunModal(dlg) != QDialog::Accepted)
        return;
    // The changed item stays where it was, in the class and search shown.
    m_state.Reload();
    m_model->Reload();
    if (row < m_model->rowCount())
        m_list->selectRow(row);
}

void CChild_Jichu_ProductDlg::OnDelete() {
    int row = SelectedRow(m_list);
    if (m_state.Delete(row < 0 ? std::nullopt : std::optional<size_t>(size_t(row))))
        m_model->Reload();
}

void CChild_Jichu_ProductDlg::OnSearch() {
    m_state.Search(m_search->text().toStdString());
    m_model->Reload();
}

void CChild_Jichu_ProductDlg::OnLabels() {
    std::vector<std::pair<std::string, std::string>> goods;
    QModelIndexList rows = m_list->selectionModel()->selectedRows();
    std::sort(rows.begin(), rows.end(),
              [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
    for (const QModelIndex& index : rows) {
        const auto row = static_cast<size_t>(index.row());
        goods.emplace_back(m_state.Cell(row, 0), m_state.Cell(row, 1)); // code, name
    }
    if (goods.empty()) {
        Messages().Inform("请选择要打印标签的商品！");
        return;
    }
    CLabelPrintDlg dlg(goods, this);
    RunModal(dlg);
}
