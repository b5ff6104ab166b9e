#pragma once
#include "basic/GoodsClasses.h"

#include <QDialog>

class QPushButton;
class QTreeWidget;

// "商品分类管理": the class tree; adds and deletes classes, and chooses one. When it closes as
// confirmed, SelectedClass() is the chosen class (the goods add window's class chooser reads it).
class CChild_Jichu_Product_Class_Dlg : public QDialog {
    Q_OBJECT
public:
    explicit CChild_Jichu_Product_Class_Dlg(QWidget* parent = nullptr);
    const std::string& SelectedClass() const { return m_state.SelectedClass(); }

    QTreeWidget* m_tree;
    QPushButton* m_choose;
    QPushButton* m_addTop;
    QPushButton* m_addSub;
    QPushButton* m_delete;
    QPushButton* m_back;

private slots:
    void OnSelectionChanged();
    void OnChoose();
    void OnAddTop();
    void OnAddSub();
    void OnDelete();

private:
    void FillTree();
    std::string SelectedText() const;
    void RunAddWindow(const std::string& parentName);

    CGoodsClassState m_state;
    bool m_filling = false;
};
