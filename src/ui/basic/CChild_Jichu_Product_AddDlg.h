#pragma once
#include "basic/GoodsUnits.h"
#include "store/Records.h"

#include <QDialog>

#include <array>
#include <optional>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QToolButton;
class QPushButton;
class QTableWidget;

// "添加商品窗口": the goods fields; the class is chosen through the class window. Opened with a
// stored goods item it changes that item ("修改商品窗口"): the fields filled in, the code fixed.
class CChild_Jichu_Product_AddDlg : public QDialog {
    Q_OBJECT
public:
    explicit CChild_Jichu_Product_AddDlg(QWidget* parent = nullptr);
    CChild_Jichu_Product_AddDlg(const GoodsRecord& stored, QWidget* parent = nullptr);

    // The record built from the fields, as typed, when the window is confirmed.
    GoodsRecord m_goods;

    QLineEdit* m_code;
    QLineEdit* m_name;
    QLineEdit* m_smartName;
    QLineEdit* m_className; // read-only, set by the class chooser
    QToolButton* m_chooseClass;
    QComboBox* m_unit;
    QLineEdit* m_partNumber;
    QLineEdit* m_specifications;
    QComboBox* m_origin;
    QLineEdit* m_retailPrice;
    QLineEdit* m_priceIn;
    QLineEdit* m_barCode;
    QLineEdit* m_shelfLife;
    QLineEdit* m_inventoryLow;
    QLineEdit* m_inventoryHigh;
    QCheckBox* m_available;
    std::array<QLineEdit*, 4> m_userDefined;
    QLineEdit* m_note;
    // The goods' further units (单位, 换算, 条码, 进价, 售价), one row each, saved with the goods.
    QTableWidget* m_units;
    QPushButton* m_addUnit;
    QPushButton* m_removeUnit;
    QPushButton* m_ok;
    QPushButton* m_cancel;

private slots:
    void OnChooseClass();
    void OnConfirm();

private:
    GoodsRecord ReadFields() const;
    // The units as typed; a row left wholly empty is no unit. A hidden price is the stored one.
    std::vector<GoodsUnit> ReadUnits() const;
    void AddUnitRow(const GoodsUnit& unit);
    // A price the role does not see shows "***" and cannot be typed; saving keeps the stored one.
    void HidePrices();

    // The item being changed; its columns the form does not show are stored again as they were.
    std::optional<GoodsRecord> m_stored;
    std::vector<GoodsUnit> m_storedUnits;

    QString m_autoSmartName; // the 助记码 last filled from the name
};
