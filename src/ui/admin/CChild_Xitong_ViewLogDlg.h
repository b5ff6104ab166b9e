#pragma once
#include <QDialog>

class CTextTableModel;
class QPushButton;
class QTableView;

// "日志查看": the operation log, newest first; "清除日志" empties it.
class CChild_Xitong_ViewLogDlg : public QDialog {
    Q_OBJECT
public:
    explicit CChild_Xitong_ViewLogDlg(QWidget* parent = nullptr);

    QTableView* m_list;
    CTextTableModel* m_model;
    QPushButton* m_clear;
    QPushButton* m_back;

private:
    void FillList();
    void OnClear();
};
