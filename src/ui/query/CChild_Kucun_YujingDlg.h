#pragma once
#include <QDialog>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

class CQueryTableModel;
class QComboBox;
class QLabel;
class QPushButton;
class QTableView;

// Stock warnings "库存预警": the goods whose stock in the chosen warehouse (or all of them) is
// below their lower limit or above their upper limit, with what to buy to reach the lower one.
class CChild_Kucun_YujingDlg : public QDialog {
    Q_OBJECT
public:
    explicit CChild_Kucun_YujingDlg(QWidget* parent = nullptr);

    // Refills the list for the warehouse text ("全部" or one warehouse).
    void FillList(const QString& warehouse);
    void OnMakeOrder();

    QComboBox* m_warehouse;
    QTableView* m_list;
    CQueryTableModel* m_model;
    QLabel* m_note;
    QPushButton* m_export;
    // "生成采购订单": the goods below their lower limit with what to buy, in a new order.
    QPushButton* m_makeOrder;
    QPushButton* m_ok;
    QPushButton* m_cancel;

private:
    std::vector<std::pair<std::string, int64_t>> m_toOrder; // goods code, quantity to buy
};
