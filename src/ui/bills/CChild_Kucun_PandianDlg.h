#pragma once
#include "basic/GoodsUnits.h"
#include "bills/StockCount.h"

#include <QDialog>

#include <optional>

class CListCtrlEx;
class CUnderLineEdit;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QToolButton;

// "盘点单": the stock of a warehouse (optionally of one goods class) is loaded with its book
// quantities; the user types the counted quantities and saves, which posts the differences as
// a gain and a loss bill.
class CChild_Kucun_PandianDlg : public QDialog {
    Q_OBJECT
public:
    explicit CChild_Kucun_PandianDlg(QWidget* parent = nullptr);
    ~CChild_Kucun_PandianDlg() override;

    // The loaded count as edited so far; nothing before 载入库存.
    const std::optional<StockCount>& Count() const { return m_count; }

    // ---- the window's parts (tests drive them)
    QLabel* m_title = nullptr;
    CUnderLineEdit* m_number = nullptr;
    CUnderLineEdit* m_warehouse = nullptr;
    QToolButton* m_warehouseIcon = nullptr;
    QComboBox* m_class = nullptr;
    QPushButton* m_load = nullptr;
    QGroupBox* m_linesGroup = nullptr;
    CListCtrlEx* m_grid = nullptr;
    QPushButton* m_save = nullptr;
    QPushButton* m_cancel = nullptr;

    // ---- actions (buttons and the picker icon call these)
    void OnPickWarehouse();
    void OnLoad();
    void OnSave();

protected:
    bool eventFilter(QObject* object, QEvent* event) override;

private:
    void ShowCount();
    void OnCellEdited(int row, int column);
    // Another warehouse or class: the loaded count no longer answers the choice.
    void DropCount();

    std::optional<StockCount> m_count;
    // The goods' units, read with the count, for the 折合 of each book quantity.
    std::optional<CGoodsPacking> m_packing;
};
