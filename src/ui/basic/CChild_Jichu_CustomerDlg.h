#pragma once
#include "basic/BusinessUnits.h"

#include <QDialog>

class CListModel;
class CSearchBox;
class QPushButton;
class QTableView;

// "   往来单位信息管理": unit types on the left, the units of the chosen type on the right.
class CChild_Jichu_CustomerDlg : public QDialog {
    Q_OBJECT
public:
    explicit CChild_Jichu_CustomerDlg(QWidget* parent = nullptr);
    const CBusinessUnitsState& State() const { return m_state; }

    CSearchBox* m_search; // "查找："
    QTableView* m_types;
    CListModel* m_typeModel;
    QTableView* m_list;
    CListModel* m_model;
    QPushButton* m_add;
    QPushButton* m_modify; // also a double click on a row
    QPushButton* m_delete;
    QPushButton* m_back;

private slots:
    void OnTypeSelected();
    void OnUnitSelected();
    void OnAdd();
    void OnModify();
    void OnDelete();
    void OnSearch();

private:
    CBusinessUnitsState m_state;
    bool m_filling = false;
};
