#include "CChild_Jichu_CustomerDlg.h"

#include "CChild_Jichu_Customer_AddDlg.h"
#include "widgets/CListModel.h"
#include "widgets/CSearchBox.h"
#include "widgets/ModalRunner.h"

#include <QHBoxLayout>
#include <QIcon>
#include <QItemSelectionModel>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace {
std::vector<ListColumn> Columns() {
    std::vector<ListColumn> columns;
    for (const auto& c : UnitListColumns())
        columns.push_back({c.header, kUnitColumnWidth});
    return columns;
}
} // namespace

CChild_Jichu_CustomerDlg::CChild_Jichu_CustomerDlg(QWidget* parent) : QDialog(parent) {
    setObjectName("CChild_Jichu_CustomerDlg");
    // The caption starts with three blanks.
    setWindowTitle(QStringLiteral("   往来单位信息管理"));
    setWindowIcon(QIcon(QStringLiteral(":/icons/customer.svg")));

    m_typeModel = new CListModel(
        {UnitTypeColumn()}, [] { return UnitTypeRows().size(); },
        [](size_t row, int column) {
            return column == 0 && row < UnitTypeRows().size() ? UnitTypeRows()[row] : std::string();
        },
        this);
    m_types = new QTableView(this);
    SetupListView(m_types, m_typeModel, false);
    m_types->setFixedWidth(ListViewWidthForColumns(m_types));

    m_model = new CListModel(
        Columns(), [this] { return m_state.RowCount(); },
        [this](size_t row, int column) { return m_state.Cell(row, column); }, this);
    m_list = new QTableView(this);
    SetupListView(m_list, m_model, true);
    m_list->setMinimumSize(640, 420);

    m_add = new QPushButton(QIcon(QStringLiteral(":/icons/customer.svg")),
                            QStringLiteral("增加往来单位"), this);
    m_modify = new QPushButton(QStringLiteral("修改"), this);
    m_delete = new QPushButton(QStringLiteral("删除"), this);
    m_back = new QPushButton(QStringLiteral("返回"), this);
    m_add->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_add);
    buttons->addWidget(m_modify);
    buttons->addWidget(m_delete);
    buttons->addWidget(m_back);

    m_search = new CSearchBox(m_list, QStringLiteral("编码、名称、联系人或电话"), this);
    m_search->setObjectName("unitSearch");
    QHBoxLayout* search = m_search->Row();
    auto* right = new QVBoxLayout;
    right->addLayout(search);
    right->addWidget(m_list, 1);

    auto* lists = new QHBoxLayout;
    lists->addWidget(m_types);
    lists->addLayout(right, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(lists, 1);
    layout->addLayout(buttons);
    resize(1150, 600);

    QWidget* order[] = {m_types, m_search, m_list, m_add, m_modify, m_delete, m_back};
    for (size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);

    connect(m_types->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &CChild_Jichu_CustomerDlg::OnTypeSelected);
    connect(m_list->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &CChild_Jichu_CustomerDlg::OnUnitSelected);
    connect(m_search, &QLineEdit::textChanged, this, &CChild_Jichu_CustomerDlg::OnSearch);
    connect(m_add, &QPushButton::clicked, this, &CChild_Jichu_CustomerDlg::OnAdd);
    connect(m_modify, &QPushButton::clicked, this, &CChild_Jichu_CustomerDlg::OnModify);
    connect(m_list, &QAbstractItemView::doubleClicked, this, &CChild_Jichu_CustomerDlg::OnModify);
    connect(m_delete, &QPushButton::clicked, this, &CChild_Jichu_CustomerDlg::OnDelete);
    connect(m_back, &QPushButton::clicked, this, &QDialog::reject);

    m_state.Open();
    m_model->Reload();
}

void CChild_Jichu_CustomerDlg::OnTypeSelected() {
    int row = SelectedRow(m_types);
    m_filling = true;
    m_state.SelectType(row < 0 ? std::string() : UnitTypeRows()[size_t(row)]);
    m_model->Reload();
    m_filling = false;
}

void CChild_Jichu_CustomerDlg::OnUnitSelected() {
    if (m_filling)
        return;
    int row = SelectedRow(m_list);
    m_state.SelectUnit(row < 0 ? std::string() : m_state.Cell(size_t(row), 0));
}

void CChild_Jichu_CustomerDlg::OnAdd() {
    bool added = false;
    CChild_Jichu_Customer_AddDlg dlg(
        [&](const BusinessUnitRecord& unit) { return added = m_state.Add(unit); }, this);
    RunModal(dlg);
    if (added) {
        m_filling = true;
        m_model->Reload();
        m_filling = false;
    }
}

void CChild_Jichu_CustomerDlg::OnModify() {
    auto unit = m_state.UnitToChange();
    if (!unit)
        return;
    bool changed = false;
    CChild_Jichu_Customer_AddDlg dlg(
        *unit, [&](const BusinessUnitRecord& u) { return changed = m_state.Change(u); }, this);
    RunModal(dlg);
    if (changed) {
        m_filling = true; // the selected code stays
        m_model->Reload();
        m_filling = false;
    }
}

void CChild_Jichu_CustomerDlg::OnDelete() {
    if (!m_state.Delete())
        return;
    m_filling = true;
    m_model->Reload();
    m_filling = false;
}

void CChild_Jichu_CustomerDlg::OnSearch() {
    m_filling = true; // the selected code stays, as after a refill
    m_state.Search(m_search->text().toStdString());
    m_model->Reload();
    m_filling = false;
}
