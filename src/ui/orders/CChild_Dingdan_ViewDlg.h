#pragma once
#include "store/BillKindNames.h"

#include <QDialog>

#include <memory>
#include <string>

class CGoodsPacking;
class CQueryTableModel;
class QComboBox;
class QDateEdit;
class QLabel;
class QPushButton;
class QTableView;

// The order list "采购订单" / "销售订单": the orders of a kind, status and date range with their
// status; below, the chosen order's lines with 订购, 已交, 未交 (base units, with 折合); and
// what can be done with an order: deliver it (生成进货单 / 生成销售单), close it, void it, print
// it, export the list, enter a new one.
class CChild_Dingdan_ViewDlg : public QDialog {
    Q_OBJECT
public:
    explicit CChild_Dingdan_ViewDlg(QWidget* parent = nullptr);
    ~CChild_Dingdan_ViewDlg() override;

    // run_caigou_dingdan or run_xiaoshou_dingdan: the kind on show; the list is read.
    void SetCommand(const QString& command);
    BillKind Kind() const;

    // "查询": the orders of the options, read afresh (their status too).
    void Query();
    // The order of the list's row `row` on show below (its lines) and in the buttons.
    void ShowOrderLines(int row);

    // What the buttons do with the order on show.
    void OnNew();
    void OnDeliver();
    void OnCloseOrder();
    void OnVoid();
    void OnPrint();
    void OnOpenOrder();

    QComboBox* m_kind;
    QComboBox* m_status;
    QDateEdit* m_from;
    QDateEdit* m_to;
    QPushButton* m_query;
    QTableView* m_list;
    CQueryTableModel* m_model;
    QLabel* m_linesLabel;
    QTableView* m_lines;
    CQueryTableModel* m_lineModel;
    QPushButton* m_new;
    QPushButton* m_deliver;
    QPushButton* m_close;
    QPushButton* m_void;
    QPushButton* m_print;
    QPushButton* m_export;
    QPushButton* m_back;

private:
    // The number of the order on show; empty when none.
    std::string ChosenNumber() const;
    void UpdateButtons();
    // After an action: the list read again, the same order chosen.
    void Refresh();

    std::string m_shown;
    std::unique_ptr<CGoodsPacking> m_packing; // read at the first lines shown
};
