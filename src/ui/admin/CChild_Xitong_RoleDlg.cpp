#include "CChild_Xitong_RoleDlg.h"

#include "CTextTableModel.h"
#include "admin/RoleAdmin.h"
#include "config/ConfigLists.h"
#include "port/MessagePort.h"
#include "widgets/FormRows.h"
#include "widgets/ModalRunner.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSplitter>
#include <QStandardItemModel>
#include <QTableView>
#include <QTreeView>
#include <QVBoxLayout>

#include <algorithm>
#include <functional>
#include <iterator>

namespace {
// The function's code rides on its name cell, so a row is found by the function it shows.
constexpr int kFunctionCodeRole = Qt::UserRole + 1;

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

bool Held(const std::vector<std::string>& names, const std::string& name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}
} // namespace

CChild_Xitong_Role_AddDlg::CChild_Xitong_Role_AddDlg(QWidget* parent, const QStringList& roles,
                                                     const QString& from)
    : QDialog(parent) {
    setWindowTitle(QStringLiteral("新建角色"));
    setObjectName("CChild_Xitong_Role_AddDlg");
    m_name = new QLineEdit(this);
    m_name->setMaxLength(kRoleNameMaxChars);
    m_from = new QComboBox(this);
    m_from->addItems(roles);
    m_from->setCurrentText(from);
    auto* form = new QFormLayout;
    AddFormRows(form, {{"角色名：", m_name}, {"复制自：", m_from}});
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(ConfirmButtonsRow(this, m_ok, m_cancel));
    setMinimumWidth(320);
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
}

CChild_Xitong_RoleDlg::CChild_Xitong_RoleDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("角色管理"));
    setObjectName("CChild_Xitong_RoleDlg");

    m_roleModel = new CTextTableModel(
        {QStringLiteral("角色"), QStringLiteral("管理员数"), QStringLiteral("备注")}, this);
    m_roles = new QTableView(this);
    // The count before the long notes, so that it shows without scrolling.
    SetupAdminList(m_roles, m_roleModel, 70);

    m_rightsModel = new QStandardItemModel(this);
    QStringList headers = {QStringLiteral("功能")};
    for (Action a : kAllActions)
        headers << QString::fromUtf8(ActionName(a));
    m_rightsModel->setHorizontalHeaderLabels(headers);
    m_rights = new QTreeView(this);
    m_rights->setModel(m_rightsModel);
    m_rights->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_rights->setSelectionMode(QAbstractItemView::NoSelection);
    m_rights->setAlternatingRowColors(true);
    m_rights->setUniformRowHeights(true);
    m_rights->header()->setSectionResizeMode(QHeaderView::Fixed);
    m_rights->header()->setStretchLastSection(false);
    m_rights->setColumnWidth(0, 190);
    for (int c = 1; c < m_rightsModel->columnCount(); ++c)
        m_rights->setColumnWidth(c, 52);

    m_warehouses = new QListWidget(this);
    m_warehouses->setMaximumHeight(120);
    m_warehouseNote = new QLabel(this);
    auto* warehouseBox = new QGroupBox(QStringLiteral("仓库"), this);
    auto* warehouseLayout = new QVBoxLayout(warehouseBox);
    warehouseLayout->addWidget(m_warehouses);
    warehouseLayout->addWidget(m_warehouseNote);

    auto* hiddenBox = new QGroupBox(QStringLiteral("隐藏的价格"), this);
    auto* hiddenLayout = new QHBoxLayout(hiddenBox);
    for (const char* price : kHiddenPrices) {
        auto* box = new QCheckBox(QString::fromUtf8(price), hiddenBox);
        m_hidden.push_back(box);
        hiddenLayout->addWidget(box);
    }
    hiddenLayout->addStretch();

    auto* right = new QWidget(this);
    auto* rightLayout = new QVBoxLayout(right);
    rightLayout->setContentsMargins(0, 0, 0, 0);
    rightLayout->addWidget(m_rights, 1);
    auto* lower = new QHBoxLayout;
    lower->addWidget(warehouseBox, 1);
    lower->addWidget(hiddenBox, 1, Qt::AlignTop);
    rightLayout->addLayout(lower);

    auto* split = new QSplitter(this);
    split->addWidget(m_roles);
    split->addWidget(right);
    split->setStretchFactor(1, 1);
    split->setSizes({300, 560});

    m_new = new QPushButton(QStringLiteral("新建"), this);
    m_save = new QPushButton(QStringLiteral("保存"), this);
    m_delete = new QPushButton(QStringLiteral("删除"), this);
    m_close = new QPushButton(QStringLiteral("关闭"), this);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    for (auto* b : {m_new, m_save, m_delete, m_close})
        buttons->addWidget(b);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(split, 1);
    layout->addLayout(buttons);
    resize(900, 640);

    connect(m_new, &QPushButton::clicked, this, &CChild_Xitong_RoleDlg::OnNew);
    connect(m_save, &QPushButton::clicked, this, &CChild_Xitong_RoleDlg::OnSave);
    connect(m_delete, &QPushButton::clicked, this, &CChild_Xitong_RoleDlg::OnDelete);
    connect(m_close, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_warehouses, &QListWidget::itemChanged, this,
            &CChild_Xitong_RoleDlg::UpdateWarehouseNote);
    connect(m_roles->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &CChild_Xitong_RoleDlg::ShowChosenRole);

    FillRoles();
}

void CChild_Xitong_RoleDlg::FillRoles(const QString& role) {
    const auto roles = ListRoles();
    std::vector<QStringList> rows;
    int chosen = 0;
    if (roles) {
        for (const auto& r : *roles) {
            if (Q(r.name) == role)
                chosen = static_cast<int>(rows.size());
            rows.push_back({Q(r.name), QString::number(r.operators), Q(r.note)});
        }
    }
    m_shownRole.clear();
    m_roleModel->SetRows(std::move(rows));
    if (m_roleModel->rowCount() > 0)
        m_roles->selectRow(chosen);
    ShowChosenRole();
}

QString CChild_Xitong_RoleDlg::ChosenRole() const {
    const int row = FirstSelectedRow(m_roles);
    return row < 0 ? QString() : m_roleModel->Row(row).at(0);
}

QStandardItem* CChild_Xitong_RoleDlg::RightCell(const char* function, Action action) const {
    for (int m = 0; m < m_rightsModel->rowCount(); ++m) {
        QStandardItem* module = m_rightsModel->item(m);
        for (int f = 0; f < module->rowCount(); ++f) {
            if (module->child(f)->data(kFunctionCodeRole).toString() == QLatin1String(function))
                return module->child(f, 1 + static_cast<int>(action));
        }
    }
    return nullptr;
}

void CChild_Xitong_RoleDlg::ShowChosenRole() {
    const QString role = ChosenRole();
    if (role == m_shownRole && !role.isEmpty())
        return;
    // Another role chosen: what was ticked for the one shown is saved or dropped first.
    KeepOrDropChanges();
    m_shownRole = role;
    m_held.clear();
    m_heldWarehouses.clear();
    m_heldHidden.clear();
    m_rightsModel->removeRows(0, m_rightsModel->rowCount());
    m_warehouses->clear();
    const bool admin = role == QString::fromUtf8(kAdminRole);
    if (!role.isEmpty()) {
        if (const auto rows = ShowRole(role.toStdString())) {
            for (const auto& r : *rows)
                m_held[r.function->code] = r.actions;
        }
        if (const auto roles = ListRoles()) {
            for (const auto& r : *roles) {
                if (Q(r.name) == role) {
                    m_heldWarehouses = r.warehouses;
                    m_heldHidden = r.hides;
                }
            }
        }
    }

    // Module rows in the order the function table first names them, their functions beneath.
    std::map<std::string, QStandardItem*> modules;
    for (const auto& f : Functions()) {
        QStandardItem*& module = modules[f.module];
        if (!module) {
            module = new QStandardItem(QString::fromUtf8(f.module));
            QFont bold = module->font();
            bold.setBold(true);
            module->setFont(bold);
            module->setFlags(Qt::ItemIsEnabled);
            QList<QStandardItem*> row = {module};
            for (size_t i = 0; i < std::size(kAllActions); ++i) {
                auto* blank = new QStandardItem;
                blank->setFlags(Qt::ItemIsEnabled);
                row << blank;
            }
            m_rightsModel->appendRow(row);
        }
        auto* name = new QStandardItem(QString::fromUtf8(f.name));
        name->setData(QString::fromLatin1(f.code), kFunctionCodeRole);
        name->setFlags(Qt::ItemIsEnabled);
        QList<QStandardItem*> row = {name};
        const auto held = m_held.find(f.code);
        const ActionSet actions = held == m_held.end() ? 0 : held->second;
        // 管理员 shows all it has and changes nothing; a function of 管理员 alone is never
        // given to another role.
        const bool editable = !role.isEmpty() && !admin && !f.adminOnly;
        for (Action a : kAllActions) {
            auto* cell = new QStandardItem;
            if (f.actions & Bit(a)) {
                cell->setCheckable(true);
                cell->setCheckState((admin || (actions & Bit(a))) ? Qt::Checked : Qt::Unchecked);
                cell->setFlags(editable ? Qt::ItemIsEnabled | Qt::ItemIsUserCheckable
                                        : Qt::ItemFlags());
            } else {
                cell->setFlags(Qt::NoItemFlags);
            }
            row << cell;
        }
        module->appendRow(row);
    }
    m_rights->expandAll();

    // The warehouses of the list, and any the role names that the list no longer holds.
    std::vector<std::string> names;
    for (const auto& entry : ReadConfigList("warehouse"))
        names.push_back(entry.name);
    for (const auto& w : m_heldWarehouses)
        if (!Held(names, w))
            names.push_back(w);
    m_warehouses->blockSignals(true);
    for (const auto& w : names) {
        auto* item = new QListWidgetItem(Q(w), m_warehouses);
        item->setFlags(admin || role.isEmpty() ? Qt::NoItemFlags
                                               : Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
        item->setCheckState(Held(m_heldWarehouses, w) ? Qt::Checked : Qt::Unchecked);
    }
    m_warehouses->blockSignals(false);
    UpdateWarehouseNote();

    for (size_t i = 0; i < m_hidden.size(); ++i) {
        m_hidden[i]->setChecked(Held(m_heldHidden, kHiddenPrices[i]));
        m_hidden[i]->setEnabled(!admin && !role.isEmpty());
    }
    m_save->setEnabled(!admin && !role.isEmpty());
    m_delete->setEnabled(!admin && !role.isEmpty());
}

void CChild_Xitong_RoleDlg::UpdateWarehouseNote() {
    int checked = 0;
    for (int i = 0; i < m_warehouses->count(); ++i)
        checked += m_warehouses->item(i)->checkState() == Qt::Checked;
    m_warehouseNote->setText(checked == 0 ? QStringLiteral("一个也不勾选：可以使用全部仓库。")
                                          : QStringLiteral("只能使用勾选的仓库。"));
}

void CChild_Xitong_RoleDlg::OnNew() {
    QStringList roles;
    for (int r = 0; r < m_roleModel->rowCount(); ++r)
        roles << m_roleModel->Row(r).at(0);
    // The copy is made of the stored role: what is ticked is saved first or dropped.
    KeepOrDropChanges();
    FillRoles(m_shownRole);
    CChild_Xitong_Role_AddDlg form(this, roles, ChosenRole());
    if (RunModal(form) != QDialog::Accepted)
        return;
    const QString name = form.m_name->text();
    if (AddRole(name.toStdString(), form.m_from->currentText().toStdString()) == AdminResult::Done)
        FillRoles(name);
}

std::vector<std::function<AdminResult()>> CChild_Xitong_RoleDlg::PendingChanges() const {
    std::vector<std::function<AdminResult()>> changes;
    const std::string role = m_shownRole.toStdString();
    if (role.empty() || role == kAdminRole)
        return changes;
    for (int m = 0; m < m_rightsModel->rowCount(); ++m) {
        QStandardItem* module = m_rightsModel->item(m);
        for (int f = 0; f < module->rowCount(); ++f) {
            const std::string code =
                module->child(f)->data(kFunctionCodeRole).toString().toStdString();
            ActionSet wanted = 0;
            for (Action a : kAllActions) {
                QStandardItem* cell = module->child(f, 1 + static_cast<int>(a));
                if (cell->isCheckable() && cell->checkState() == Qt::Checked)
                    wanted |= Bit(a);
            }
            const auto it = m_held.find(code);
            const ActionSet had = it == m_held.end() ? 0 : it->second;
            if (const ActionSet added = wanted & ~had)
                changes.push_back([=] { return GrantRight(role, code, ActionSetText(added)); });
            if (const ActionSet removed = had & ~wanted)
                changes.push_back([=] { return RevokeRight(role, code, ActionSetText(removed)); });
        }
    }
    std::vector<std::string> warehouses;
    for (int i = 0; i < m_warehouses->count(); ++i)
        if (m_warehouses->item(i)->checkState() == Qt::Checked)
            warehouses.push_back(m_warehouses->item(i)->text().toStdString());
    if (warehouses != m_heldWarehouses)
        changes.push_back([=] { return SetRoleWarehouses(role, warehouses); });
    std::vector<std::string> hidden;
    for (size_t i = 0; i < m_hidden.size(); ++i)
        if (m_hidden[i]->isChecked())
            hidden.push_back(kHiddenPrices[i]);
    if (hidden != m_heldHidden)
        changes.push_back([=] { return SetRoleHidden(role, hidden); });
    return changes;
}

void CChild_Xitong_RoleDlg::SaveShown() {
    // Each change is one call of the core (checked and logged one by one); their own success
    // texts are kept back so that one says the whole was saved, and a refusal or failure is
    // told and stops the rest.
    AdminResult result = AdminResult::Done;
    {
        CHeldMessages held;
        for (const auto& change : PendingChanges()) {
            result = change();
            if (result != AdminResult::Done) {
                held.Release();
                break;
            }
            held.Drop();
        }
    }
    if (result == AdminResult::Done)
        Messages().Inform("修改角色成功！");
}

void CChild_Xitong_RoleDlg::KeepOrDropChanges() {
    if (!PendingChanges().empty() &&
        Messages().AskYesNo("角色“" + m_shownRole.toStdString() + "”的修改还没有保存，是否保存？"))
        SaveShown();
}

void CChild_Xitong_RoleDlg::OnSave() {
    if (m_shownRole.isEmpty())
        return;
    SaveShown();
    // What was saved, and nothing else, shows again (a change refused stays unsaved).
    FillRoles(m_shownRole);
}

void CChild_Xitong_RoleDlg::reject() {
    KeepOrDropChanges();
    QDialog::reject();
}

void CChild_Xitong_RoleDlg::OnDelete() {
    const QString role = ChosenRole();
    if (role.isEmpty())
        return;
    if (!Messages().AskYesNo("确定要删除角色“" + role.toStdString() + "”吗？"))
        return;
    if (RemoveRole(role.toStdString()) == AdminResult::Done)
        FillRoles();
}
