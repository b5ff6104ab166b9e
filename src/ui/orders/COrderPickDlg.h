#pragma once
#include "store/BillKindNames.h"

#include <QDialog>
#include <QString>

class CQueryTableModel;
class QPushButton;
class QTableView;

// The picker of "按订单": the open orders (未交货, 部分交货) of one kind, those of the business
// unit the bill names when it names one; a double click or 选择 takes the chosen order.
class COrderPickDlg : public QDialog {
    Q_OBJECT
public:
    COrderPickDlg(QWidget* parent, BillKind orderKind, const QString& customer);

    // The chosen order's number; empty until one was chosen.
    const QString& ChosenNumber() const { return m_chosen; }

    QTableView* m_list;
    CQueryTableModel* m_model;
    QPushButton* m_choose;
    QPushButton* m_back;

private:
    void Choose();

    QString m_chosen;
};
