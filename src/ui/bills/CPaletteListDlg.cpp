#include "CPaletteListDlg.h"

#include "app/CommandRouting.h"
#include "app/MessagePort.h"
#include "bills/PaletteLists.h"
#include "widgets/CListCtrlEx.h"
#include "widgets/ClassTreeFiller.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {
CPaletteListDlg::Script& TestScript() {
    static CPaletteListDlg::Script script;
    return script;
}

// The maintenance window of each kind, opened by "管理列表".
QString ManageWindow(const QString& kind) {
    static const std::pair<const char*, const char*> windows[] = {
        {"palette_wanglaidanwei", "CChild_Jichu_CustomerDlg"},
        {"palette_department", "CChild_Jichu_BumenDlg"},
        {"palette_cangku", "CChild_Jichu_WarehouseDlg"},
        {"palette_employees", "CChild_Jichu_EmployeesDlg"},
        {"palette_product", "CChild_Jichu_ProductDlg"},
        {"palette_account", "CChild_Jichu_BankDlg"},
    };
    for (const auto& [k, window] : windows)
        if (kind == QLatin1String(k))
            return QString::fromLatin1(window);
    return {};
}

QTreeWidgetItem* FindItem(QTreeWidgetItem* item, const QString& text) {
    if (item->text(0) == text)
        return item;
    for (int i = 0; i < item->childCount(); ++i)
        if (QTreeWidgetItem* found = FindItem(item->child(i), text))
            return found;
    return nullptr;
}
} // namespace

void CPaletteListDlg::SetScriptForTest(Script script) {
    TestScript() = std::move(script);
}

CPaletteListDlg::CPaletteListDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("请在列表中选择"));
    setObjectName("CPaletteListDlg");

    m_list = new CListCtrlEx(this);
    m_list->setObjectName("paletteList");
    m_tree = new QTreeWidget(this);
    m_tree->setObjectName("paletteTree");
    m_tree->setHeaderHidden(true);
    m_tree->setSelectionMode(QAbstractItemView::SingleSelection);
    m_tree->setMinimumWidth(180);
    m_tree->setMaximumWidth(240);

    m_choose = new QPushButton(QStringLiteral("选择"), this);
    m_choose->setDefault(true);
    m_manage = new QPushButton(QStringLiteral("管理列表"), this);
    m_manage->setAutoDefault(false);
    m_back = new QPushButton(QStringLiteral("返回"), this);
    m_back->setAutoDefault(false);

    auto* lists = new QHBoxLayout;
    lists->addWidget(m_list, 1);
    lists->addWidget(m_tree);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_choose);
    buttons->addWidget(m_manage);
    buttons->addWidget(m_back);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(lists, 1);
    layout->addLayout(buttons);
    resize(820, 480);

    m_list->installEventFilter(this);
    connect(m_list, &QAbstractItemView::clicked, this,
            [this](const QModelIndex& index) { ClickRow(index.row()); });
    connect(m_list, &QAbstractItemView::doubleClicked, this,
            [this](const QModelIndex& index) { DoubleClickRow(index.row()); });
    connect(m_tree, &QTreeWidget::itemSelectionChanged, this, &CPaletteListDlg::OnTreeSelection);
    connect(m_choose, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_manage, &QPushButton::clicked, this, &CPaletteListDlg::OnManage);
    connect(m_back, &QPushButton::clicked, this, &QDialog::reject);
}

int CPaletteListDlg::exec() {
    Fill();
    m_list->setFocus();
    if (TestScript()) {
        TestScript()(*this);
        return result();
    }
    return QDialog::exec();
}

void CPaletteListDlg::Fill() {
    m_list->DeleteAllItems();
    m_list->DeleteAllColumns();
    {
        // Rebuilding the tree is not a choice of the user: no filtering meanwhile.
        const QSignalBlocker block(m_tree);
        m_tree->clear();
    }
    if (m_kind.isEmpty())
        Messages().Inform(kPaletteNoKind);
    m_info = FindPaletteKind(m_kind.toStdString());
    if (!m_info) {
        m_tree->hide();
        return;
    }
    int column = 0;
    for (const auto& c : m_info->columns)
        m_list->InsertColumn(column++, QString::fromUtf8(c.header), c.width);
    m_list->setShowGrid(m_info->gridLines);

    std::vector<QStringList> rows;
    for (const auto& row : PaletteRows(*m_info, std::nullopt)) {
        QStringList cells;
        cells.reserve(qsizetype(row.size()));
        for (const auto& cell : row)
            cells << QString::fromStdString(cell);
        rows.push_back(std::move(cells));
    }
    m_list->SetRows(std::move(rows));

    const auto items = PaletteTreeItems(*m_info);
    {
        const QSignalBlocker block(m_tree);
        FillClassTree(m_tree, items);
        m_tree->expandAll();
    }
    m_tree->setVisible(m_info->tree != PaletteTree::None);
}

bool CPaletteListDlg::eventFilter(QObject* object, QEvent* event) {
    // Enter on the current row chooses it as a double click does (work without the mouse).
    if (object == m_list && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        const int row = m_list->currentIndex().row();
        if ((key == Qt::Key_Return || key == Qt::Key_Enter) && row >= 0) {
            DoubleClickRow(row);
            return true;
        }
    }
    return QDialog::eventFilter(object, event);
}

void CPaletteListDlg::OnTreeSelection() {
    const auto selected = m_tree->selectedItems();
    if (!m_info || selected.isEmpty())
        return;
    std::vector<QStringList> rows;
    for (const auto& row : PaletteRows(*m_info, selected.first()->text(0).toStdString())) {
        QStringList cells;
        for (const auto& cell : row)
            cells << QString::fromStdString(cell);
        rows.push_back(std::move(cells));
    }
    m_list->SetRows(std::move(rows));
}

void CPaletteListDlg::ClickRow(int row) {
    if (!m_info || row < 0 || row >= m_list->GetItemCount())
        return;
    m_list->SelectRow(row);
    if (m_info->goods) {
        if (auto goods = ChooseGoodsByCode(m_list->GetItemText(row, 0).toStdString()))
            m_chosenGoods = *goods;
    } else {
        m_chosenName = m_list->GetItemText(row, m_info->chosenColumn);
    }
}

void CPaletteListDlg::DoubleClickRow(int row) {
    if (!m_info || row < 0 || row >= m_list->GetItemCount())
        return;
    ClickRow(row);
    accept();
}

bool CPaletteListDlg::SelectTreeItem(const QString& text) {
    for (int i = 0; i < m_tree->topLevelItemCount(); ++i) {
        if (QTreeWidgetItem* item = FindItem(m_tree->topLevelItem(i), text)) {
            m_tree->setCurrentItem(item);
            item->setSelected(true);
            return true;
        }
    }
    return false;
}

int CPaletteListDlg::FindRow(int column, const QString& text) const {
    for (int row = 0; row < m_list->GetItemCount(); ++row)
        if (m_list->GetItemText(row, column) == text)
            return row;
    return -1;
}

void CPaletteListDlg::OnManage() {
    const QString window = ManageWindow(m_kind);
    if (!window.isEmpty())
        OpenWindow(this, window, QString());
    Fill();
}
