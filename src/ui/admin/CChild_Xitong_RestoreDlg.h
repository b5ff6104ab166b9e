#pragma once
#include <QDialog>

class CTextTableModel;
class QGroupBox;
class QPushButton;
class QTableView;

// "数据恢复": the files of the Backup folder with their sizes; restores the chosen one and
// closes once a restore has been tried.
class CChild_Xitong_RestoreDlg : public QDialog {
    Q_OBJECT
public:
    explicit CChild_Xitong_RestoreDlg(QWidget* parent = nullptr);
    void FillList();

    QGroupBox* m_frame;
    QTableView* m_list;
    CTextTableModel* m_model;
    QPushButton* m_restore;
    QPushButton* m_cancel;

private:
    void OnRestore();
};
