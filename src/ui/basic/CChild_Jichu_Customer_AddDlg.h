#pragma once
#include "store/Records.h"

#include <QDialog>

#include <functional>

class QComboBox;
class QLineEdit;
class QPushButton;

// "添加往来单位信息": the fifteen values of a business unit, in "基本信息" and "补充信息".
// Opened with a stored unit it changes that unit ("修改往来单位信息"): the fields filled in,
// the code fixed.
class CChild_Jichu_Customer_AddDlg : public QDialog {
    Q_OBJECT
public:
    // `store` saves the unit; when it refuses (its message was shown) the window stays open
    // with what was typed.
    CChild_Jichu_Customer_AddDlg(std::function<bool(const BusinessUnitRecord&)> store,
                                 QWidget* parent = nullptr);
    CChild_Jichu_Customer_AddDlg(const BusinessUnitRecord& stored,
                                 std::function<bool(const BusinessUnitRecord&)> store,
                                 QWidget* parent = nullptr);

    // The record built from the fields, as typed, when the window is confirmed.
    BusinessUnitRecord m_unit;

    QLineEdit* m_code;
    QLineEdit* m_name;
    QLineEdit* m_contact;
    QLineEdit* m_mobile;
    QLineEdit* m_tel;
    QLineEdit* m_fax;
    QLineEdit* m_zip;
    QLineEdit* m_addr;
    QComboBox* m_area;
    QComboBox* m_type;
    QLineEdit* m_website;
    QLineEdit* m_email;
    QLineEdit* m_msn;
    QLineEdit* m_qq;
    QLineEdit* m_note;
    QPushButton* m_ok;
    QPushButton* m_back;

private slots:
    void OnConfirm();

private:
    std::function<bool(const BusinessUnitRecord&)> m_store;
};
