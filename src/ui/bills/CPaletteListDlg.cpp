#include "CPaletteListDlg.h"

#include "app/CommandRouting.h"
#include "bills/PaletteLists.h"
#include "port/MessagePort.h"
#include "widgets/CListCtrlEx.h"
#include "widgets/ClassTreeFiller.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {
// The picker's size for a long list; a short one gets a smaller window.
const QSize kFullSize(820, 480);
CPaletteListDlg::Script& TestScript() {
    static CPaletteListDlg::Script script;
    return script;
}

// The maintenance window of each kind, opened by "管理列表".
QString ManageWindow(const QString& kind) {
    static const std::pair<const char*, const char*> windows[] = {
        {"palette_wanglaidanwei", "CChild_Jichu_CustomerDlg"},
        {"palette_kehu", "CChild_Jichu_CustomerDlg"},
        {"palette_gongyingshang", "CChild_Jichu_CustomerDlg"},
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

    m_search = new QLineEdit(this);
    m_search->setObjectName("paletteSearch");
    m_search->setClearButtonEnabled(true);
    auto* searchLabel = new QLabel(QStringLiteral("查找："), this);
    searchLabel->setBuddy(m_search);
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

    auto* search = new QHBoxLayout;
    search->addWidget(searchLabel);
    search->addWidget(m_search, 1);
    auto* lists = new QHBoxLayout;
    lists->addWidget(m_list, 1);
    lists->addWidget(m_tree);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_choose);
    buttons->addWidget(m_manage);
    buttons->addWidget(m_back);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(search);
    layout->addLayout(lists, 1);
    layout->addLayout(buttons);
    resize(kFullSize);

    m_list->installEventFilter(this);
    m_search->installEventFilter(this);
    connect(m_search, &QLineEdit::textChanged, this, &CPaletteListDlg::ApplySearch);
    connect(m_list, &QAbstractItemView::clicked, this,
            [this](const QModelIndex& index) { ClickRow(index.row()); });
    connect(m_list, &QAbstractItemView::doubleClicked, this,
            [this](const QModelIndex& index) { DoubleClickRow(index.row()); });
    connect(m_tree, &QTreeWidget::itemSelectionChanged, this, &CPaletteListDlg::OnTreeSelection);
    connect(m_choose, &QPushButton::clicked, this, [this] {
        // A row highlighted from the keyboard is chosen as a clicked one is.
        if (const int row = m_list->GetSelectedRow(); row >= 0)
            ClickRow(row);
        accept();
    });
    connect(m_manage, &QPushButton::clicked, this, &CPaletteListDlg::OnManage);
    connect(m_back, &QPushButton::clicked, this, &QDialog::reject);
}

int CPaletteListDlg::exec() {
    Fill();
    m_search->setFocus();
    m_search->selectAll();
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
    m_search->setPlaceholderText(m_info ? QString::fromStdString(PaletteSearchHint(*m_info))
                                        : QString());
    if (!m_info) {
        m_tree->hide();
        m_allRows.clear();
        m_index.Clear();
        return;
    }
    int column = 0;
    for (const auto& c : m_info->columns)
        m_list->InsertColumn(column++, QString::fromUtf8(c.header), c.width);
    m_list->setShowGrid(m_info->gridLines);

    SetAllRows(PaletteRows(*m_info, std::nullopt));

    const auto items = PaletteTreeItems(*m_info);
    {
        const QSignalBlocker block(m_tree);
        FillClassTree(m_tree, items);
        m_tree->expandAll();
    }
    m_tree->setVisible(m_info->tree != PaletteTree::None);
    FitToRows();
}

// A short list gets a window just big enough for its rows and columns; a long or wide one the
// usual size, scrolled.
void CPaletteListDlg::FitToRows() {
    int listWidth = 2 * m_list->frameWidth() + m_list->verticalScrollBar()->sizeHint().width();
    for (int c = 0; c < m_list->model()->columnCount(); ++c)
        if (!m_list->isColumnHidden(c))
            listWidth += m_list->columnWidth(c);
    const int listHeight =
        2 * m_list->frameWidth() + m_list->horizontalHeader()->sizeHint().height() +
        std::max(1, m_list->GetItemCount()) * m_list->verticalHeader()->defaultSectionSize();
    const QMargins margins = layout()->contentsMargins();
    const int spacing = layout()->spacing();
    int width = margins.left() + margins.right() + listWidth;
    if (!m_tree->isHidden())
        width += spacing + m_tree->maximumWidth();
    const int height = margins.top() + margins.bottom() + m_search->sizeHint().height() +
                       listHeight + m_choose->sizeHint().height() + 2 * spacing;
    const QSize least = minimumSizeHint();
    resize(std::clamp(width, std::max(least.width(), 360), kFullSize.width()),
           std::clamp(height, least.height(), kFullSize.height()));
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
    if (object == m_search && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Up || key == Qt::Key_Down || key == Qt::Key_PageUp ||
            key == Qt::Key_PageDown) {
            MoveHighlight(key);
            return true;
        }
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            // The highlighted row, else the list's current one, as Enter in the list does.
            int row = m_list->GetSelectedRow();
            if (row < 0)
                row = m_list->currentIndex().row();
            if (row >= 0)
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
    SetAllRows(PaletteRows(*m_info, selected.first()->text(0).toStdString()));
}

void CPaletteListDlg::SetAllRows(const std::vector<std::vector<std::string>>& rows) {
    const std::vector<int> columns = PaletteSearchColumns(*m_info);
    m_allRows.clear();
    m_allRows.reserve(rows.size());
    m_index.Clear();
    std::vector<std::string_view> texts;
    for (const auto& row : rows) {
        QStringList cells;
        cells.reserve(qsizetype(row.size()));
        for (const auto& cell : row)
            cells << QString::fromStdString(cell);
        m_allRows.push_back(std::move(cells));
        texts.clear();
        for (int c : columns)
            if (size_t(c) < row.size())
                texts.push_back(row[size_t(c)]);
        m_index.AddRow(texts);
    }
    ApplySearch();
}

void CPaletteListDlg::SetSearchText(const QString& text) {
    m_search->setText(text);
}

void CPaletteListDlg::ApplySearch() {
    const QString typed = m_search->text();
    const std::vector<size_t>& found = m_index.Find(typed.toStdString());
    std::vector<QStringList> rows;
    rows.reserve(found.size());
    for (size_t row : found)
        rows.push_back(m_allRows[row]);
    m_list->SetRows(std::move(rows));
    // What was typed is meant: the first row found is ready for Enter.
    if (!typed.trimmed().isEmpty() && m_list->GetItemCount() > 0)
        m_list->SelectRow(0);
}

void CPaletteListDlg::MoveHighlight(int key) {
    const int count = m_list->GetItemCount();
    if (count == 0)
        return;
    const int page = std::max(1, m_list->viewport()->height() / std::max(1, m_list->rowHeight(0)));
    int row = m_list->GetSelectedRow();
    if (row < 0)
        row = key == Qt::Key_Up || key == Qt::Key_PageUp ? count - 1 : 0;
    else if (key == Qt::Key_Down)
        row = std::min(row + 1, count - 1);
    else if (key == Qt::Key_Up)
        row = std::max(row - 1, 0);
    else if (key == Qt::Key_PageDown)
        row = std::min(row + page, count - 1);
    else
        row = std::max(row - page, 0);
    m_list->SelectRow(row);
    m_list->scrollTo(m_list->model()->index(row, 0));
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
