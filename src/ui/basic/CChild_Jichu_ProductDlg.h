#pragma once
#include "basic/GoodsList.h"

#include <QDialog>

class CListModel;
class CSearchBox;
class QPushButton;
class QTableView;
class QTreeWidget;

// "商品管理": the class tree on the left, the goods of the selected class on the right.
class CChild_Jichu_ProductDlg : public QDialog {
    Q_OBJECT
public:
    explicit CChild_Jichu_ProductDlg(QWidget* parent = nullptr);
    const CGoodsListState& State() const { return m_state; }

    QTreeWidget* m_tree;
    QPushButton* m_manageClasses;
    CSearchBox* m_search; // "查找："
    QTableView* m_list;
    CListModel* m_model;
    QPushButton* m_add;
    QPushButton* m_modify; // also a double click on a row
    QPushButton* m_delete;
    QPushButton* m_labels; // "打印标签" for the selected goods
    QPushButton* m_back;

private slots:
    void OnClassChanged();
    void OnManageClasses();
    void OnAdd();
    void OnModify();
    void OnDelete();
    void OnSearch();
    void OnLabels();

private:
    void FillTree();

    CGoodsListState m_state;
    bool m_filling = false;
};
