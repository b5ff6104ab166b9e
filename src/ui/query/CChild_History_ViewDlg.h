#pragma once
#include <QDialog>

class CQueryTableModel;
class QDateEdit;
class QLabel;
class QPushButton;
class QTableView;

// Bill history view: the posted bills of one trade kind or the transfers (the command word) in
// a date range, with a total row; a double click shows a bill read-only.
class CChild_History_ViewDlg : public QDialog {
    Q_OBJECT
public:
    explicit CChild_History_ViewDlg(QWidget* parent = nullptr);
    // run_caigou, run_caigou_tuihuo, run_sale, run_sale_tuihuo or run_yiku: caption, label and
    // columns follow.
    void SetCommand(const QString& command);
    QString Command() const { return m_command; }

    // "查询": the bills of the date range, newest found first, then the total row.
    void Query();
    // What a double click on a row does.
    void OpenRow(int row);

    QDateEdit* m_from;
    QDateEdit* m_to;
    QPushButton* m_query;
    QLabel* m_status;
    QTableView* m_list;
    CQueryTableModel* m_model;
    QLabel* m_hint;
    QPushButton* m_export;
    QPushButton* m_ok;
    QPushButton* m_cancel;

private:
    void QueryTransfers();
    // Losses, gains, price adjustments, receipts and payments: each kind its own columns.
    void QueryOther();

    QString m_command;
    bool m_transfers = false;
    bool m_other = false;
    bool m_headersSet = false;
};
