#pragma once
#include "port/AdminResult.h"
#include "rights/Functions.h"

#include <QDialog>

#include <functional>
#include <map>
#include <string>
#include <vector>

class CTextTableModel;
class QComboBox;
class QLineEdit;
class QCheckBox;
class QLabel;
class QListWidget;
class QPushButton;
class QStandardItem;
class QStandardItemModel;
class QTableView;
class QTreeView;

// "新建角色": the new role's name and the role it starts as a copy of.
class CChild_Xitong_Role_AddDlg : public QDialog {
    Q_OBJECT
public:
    CChild_Xitong_Role_AddDlg(QWidget* parent, const QStringList& roles, const QString& from);

    QLineEdit* m_name;
    QComboBox* m_from;
    QPushButton* m_ok;
    QPushButton* m_cancel;
};

// "角色管理": the roles on the left; on the right the chosen role's rights (functions grouped by
// module, one check-box column per action), its warehouses and its hidden prices. Every change
// is made by the core's role functions, so it is checked and logged as ferix-cli's is.
class CChild_Xitong_RoleDlg : public QDialog {
    Q_OBJECT
public:
    explicit CChild_Xitong_RoleDlg(QWidget* parent = nullptr);

    // Rereads the roles and chooses `role` (the first one when it is not listed).
    void FillRoles(const QString& role = {});
    QString ChosenRole() const;
    // The check-box cell of a function's action in the rights grid (invalid when none).
    QStandardItem* RightCell(const char* function, Action action) const;
    // 关闭, Escape and the close box: unsaved changes are offered for saving first.
    void reject() override;

    QTableView* m_roles;
    CTextTableModel* m_roleModel;
    QTreeView* m_rights;
    QStandardItemModel* m_rightsModel;
    QListWidget* m_warehouses;
    QLabel* m_warehouseNote;
    std::vector<QCheckBox*> m_hidden; // 进价, 成本, 售价
    QPushButton* m_new;
    QPushButton* m_save;
    QPushButton* m_delete;
    QPushButton* m_close;

private:
    void ShowChosenRole();
    void OnNew();
    void OnSave();
    // The core calls that would make the shown role what the window shows, in order.
    std::vector<std::function<AdminResult()>> PendingChanges() const;
    // Makes them, stopping at the first refusal (its message told); "修改角色成功！" when all
    // went through.
    void SaveShown();
    // Asks whether to save the changes not yet saved (Yes saves them, No drops them).
    void KeepOrDropChanges();
    void OnDelete();
    void UpdateWarehouseNote();

    // What the chosen role held when it was shown, to save only what changed.
    std::map<std::string, ActionSet> m_held;
    std::vector<std::string> m_heldWarehouses;
    std::vector<std::string> m_heldHidden;
    QString m_shownRole;
};
