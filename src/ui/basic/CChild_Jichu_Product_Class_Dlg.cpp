#include "CChild_Jichu_Product_Class_Dlg.h"

#include "CChild_Jichu_Product_Class_AddDlg.h"
#include "widgets/ClassTreeFiller.h"
#include "widgets/ModalRunner.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QIcon>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

CChild_Jichu_Product_Class_Dlg::CChild_Jichu_Product_Class_Dlg(QWidget* parent) : QDialog(parent) {
    setObjectName("CChild_Jichu_Product_Class_Dlg");
    setWindowTitle(QStringLiteral("商品分类管理"));
    setWindowIcon(QIcon(QStringLiteral(":/icons/classes.svg")));

    m_tree = new QTreeWidget(this);
    m_tree->setHeaderHidden(true);
    m_tree->setRootIsDecorated(true);
    m_tree->setColumnCount(1);
    m_tree->setMinimumSize(280, 360);

    m_choose = new QPushButton(QStringLiteral("选择"), this);
    m_choose->setDefault(true);
    m_addTop = new QPushButton(QIcon(QStringLiteral(":/icons/classes.svg")),
                               QStringLiteral("添加大类"), this);
    m_addSub = new QPushButton(QStringLiteral("添加下级分类"), this);
    m_delete = new QPushButton(QStringLiteral("删除选中的分类"), this);
    m_back = new QPushButton(QStringLiteral("返回"), this);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(m_choose);
    buttons->addSpacing(12);
    buttons->addWidget(m_addTop);
    buttons->addWidget(m_addSub);
    buttons->addWidget(m_delete);
    buttons->addStretch();
    buttons->addWidget(m_back);

    auto* layout = new QHBoxLayout(this);
    layout->addWidget(m_tree, 1);
    layout->addLayout(buttons);

    QWidget* order[] = {m_tree, m_choose, m_addTop, m_addSub, m_delete, m_back};
    for (size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);

    // The selection counts, not the focus: a tree that only gets the focus selects nothing.
    connect(m_tree, &QTreeWidget::itemSelectionChanged, this,
            &CChild_Jichu_Product_Class_Dlg::OnSelectionChanged);
    connect(m_tree, &QTreeWidget::itemDoubleClicked, this,
            &CChild_Jichu_Product_Class_Dlg::OnChoose);
    connect(m_choose, &QPushButton::clicked, this, &CChild_Jichu_Product_Class_Dlg::OnChoose);
    connect(m_addTop, &QPushButton::clicked, this, &CChild_Jichu_Product_Class_Dlg::OnAddTop);
    connect(m_addSub, &QPushButton::clicked, this, &CChild_Jichu_Product_Class_Dlg::OnAddSub);
    connect(m_delete, &QPushButton::clicked, this, &CChild_Jichu_Product_Class_Dlg::OnDelete);
    connect(m_back, &QPushButton::clicked, this, &QDialog::reject);

    FillTree();
}

void CChild_Jichu_Product_Class_Dlg::FillTree() {
    m_filling = true;
    FillClassTree(m_tree, m_state.Fill());
    m_filling = false;
    // The new tree selects nothing: a class remembered from the old one may be gone.
    m_state.Select(std::string());
}

std::string CChild_Jichu_Product_Class_Dlg::SelectedText() const {
    const QList<QTreeWidgetItem*> items = m_tree->selectedItems();
    return items.isEmpty() ? std::string() : items.first()->text(0).toStdString();
}

void CChild_Jichu_Product_Class_Dlg::OnSelectionChanged() {
    if (!m_filling)
        m_state.Select(SelectedText());
}

void CChild_Jichu_Product_Class_Dlg::OnChoose() {
    if (m_state.Choose(SelectedText()))
        accept();
}

void CChild_Jichu_Product_Class_Dlg::RunAddWindow(const std::string& parentName) {
    CChild_Jichu_Product_Class_AddDlg dlg(
        parentName,
        [this, parentName](const std::string& name) { return m_state.AddClass(name, parentName); },
        this);
    if (RunModal(dlg) == QDialog::Accepted)
        FillTree();
}

void CChild_Jichu_Product_Class_Dlg::OnAddTop() {
    RunAddWindow(std::string());
}

void CChild_Jichu_Product_Class_Dlg::OnAddSub() {
    if (std::optional<std::string> parentName = m_state.SubClassParent())
        RunAddWindow(*parentName);
}

void CChild_Jichu_Product_Class_Dlg::OnDelete() {
    if (m_state.DeleteSelected())
        FillTree();
}
