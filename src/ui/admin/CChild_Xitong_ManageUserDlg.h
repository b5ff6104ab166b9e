#pragma once
#include <QDialog>

class CTextTableModel;
class QPushButton;
class QTableView;

// "管理员管理": the operators with their roles, newest last in the table and so first in the
// list; add, another role (also a double click on a row) and delete.
class CChild_Xitong_ManageUserDlg : public QDialog {
    Q_OBJECT
public:
    explicit CChild_Xitong_ManageUserDlg(QWidget* parent = nullptr);
    void FillList();

    QTableView* m_list;
    CTextTableModel* m_model;
    QPushButton* m_add;
    QPushButton* m_role;
    QPushButton* m_delete;
    QPushButton* m_back;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OnAdd();
    void OnDelete();
    void OnRole();
};
