#pragma once
#include "bills/CStockBillDlg.h"
#include "finance/CFundBillDlg.h"

#include <QDialog>

class QTabWidget;

// "期初库存": a warehouse's opening stock at its cost, on the stock bill layout.
class COpeningStockPage : public CStockBillDlg {
    Q_OBJECT
public:
    explicit COpeningStockPage(QWidget* parent = nullptr);
};

// "期初应收应付": a business unit's opening receivable or payable, on the money bill layout
// without an account.
class COpeningBalancePage : public CFundBillDlg {
    Q_OBJECT
public:
    explicit COpeningBalancePage(QWidget* parent = nullptr);
};

// "期初数据" (基础数据): the two kinds of opening data on two tabs. Closing either page (取消,
// or No after posting) closes the window.
class CChild_Jichu_QichuDlg : public QDialog {
    Q_OBJECT
public:
    explicit CChild_Jichu_QichuDlg(QWidget* parent = nullptr);

    QTabWidget* m_tabs = nullptr;
    COpeningStockPage* m_stock = nullptr;
    COpeningBalancePage* m_balance = nullptr;
};
