#pragma once
#include <QDialog>

class CQueryTableModel;
class QPushButton;
class QTableView;

// "账户余额": money in and out of each account of the bank list, with a total row.
class CChild_Caiwu_ZhanghuDlg : public QDialog {
    Q_OBJECT
public:
    explicit CChild_Caiwu_ZhanghuDlg(QWidget* parent = nullptr);

    // Reads the accounts again ("刷新", and on opening).
    void Refresh();

    QTableView* m_list;
    CQueryTableModel* m_model;
    QPushButton* m_refresh;
    QPushButton* m_export;
    QPushButton* m_close;
};
