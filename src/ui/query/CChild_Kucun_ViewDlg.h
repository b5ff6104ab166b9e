#pragma once
#include "basic/GoodsSearch.h"
#include "basic/GoodsUnits.h"

#include <optional>

#include <QDialog>

class CQueryTableModel;
class CSearchBox;
class QComboBox;
class QLabel;
class QPushButton;
class QTableView;
class QTreeWidget;

// Stock view "库存状态查看": the stock rows of a goods class (tree on the left) in a warehouse
// (drop-down list), printable through the stock template.
class CChild_Kucun_ViewDlg : public QDialog {
    Q_OBJECT
public:
    explicit CChild_Kucun_ViewDlg(QWidget* parent = nullptr);

    QString CurrentClass() const { return m_className; }
    // Refills the stock list for the current class and the warehouse text.
    void FillStockList(const QString& warehouse);

    QLabel* m_title;
    QTreeWidget* m_tree;
    QComboBox* m_warehouse;
    CSearchBox* m_search; // "查找：", within the class and warehouse
    QTableView* m_list;
    CQueryTableModel* m_model;
    QPushButton* m_export;
    QPushButton* m_print;
    QPushButton* m_ok;
    QPushButton* m_cancel;

private:
    void OnClassSelected();
    void OnWarehouseChanged();
    void Print();
    // The rows of the class and warehouse, shown as the search box narrows them.
    void ShowFound(std::vector<std::vector<std::string>> cells);
    void ApplySearch();
    // Hands every row of the class and warehouse, with their 合计 row, to the model.
    void LendAllRows();

    QString m_className;
    bool m_initialising = true;
    // The rows of the class and warehouse; lent to the model while they are all on show.
    std::vector<std::vector<std::string>> m_allCells;
    bool m_allInModel = false;
    std::optional<CGoodsPacking> m_packing; // the units for 折合, read with the rows
    CSearchIndex m_index;                   // of the rows, made when first searched
    bool m_indexed = false;
};
