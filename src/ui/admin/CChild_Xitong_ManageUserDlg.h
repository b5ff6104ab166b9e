#pragma once
#include <QDialog>

class CTextTableModel;
class QPushButton;
class QTableView;

// "管理员管理": the operators, newest last in the table and so first in the list; add and
// delete.
class CChild_Xitong_ManageUserDlg : public QDialog {
    Q_OBJECT
public:
    explicit CChild_Xitong_ManageUserDlg(QWidget* parent = nullptr);
    void FillList();

    QTableView* m_list;
    CTextTableModel* m_model;
    QPushButton* m_add;
    QPushButton* m_delete;
    QPushButton* m_back;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OnAdd();
    void OnDelete();
};
