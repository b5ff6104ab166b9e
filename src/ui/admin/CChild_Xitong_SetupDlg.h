#pragma once
#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

// "系统设置": the company's name, telephone, fax, post code and address. The costing method
// list is hidden but its value is loaded and saved with the rest.
class CChild_Xitong_SetupDlg : public QDialog {
    Q_OBJECT
public:
    explicit CChild_Xitong_SetupDlg(QWidget* parent = nullptr);

    QLineEdit* m_name;
    QLineEdit* m_tel;
    QLineEdit* m_fax;
    QLineEdit* m_zip;
    QLineEdit* m_addr;
    QLabel* m_costingLabel;
    QComboBox* m_costing;
    QPushButton* m_ok;
    QPushButton* m_cancel;

private:
    void OnOk();
};
