#pragma once
#include <QDialog>

#include <functional>
#include <string>

class QLineEdit;
class QPushButton;

// "添加类别": the parent class (read-only, empty for a top-level class) and the new name.
class CChild_Jichu_Product_Class_AddDlg : public QDialog {
    Q_OBJECT
public:
    // `store` saves the typed name; when it refuses (its message was shown) the window stays
    // open with what was typed.
    CChild_Jichu_Product_Class_AddDlg(const std::string& parentName,
                                      std::function<bool(const std::string& name)> store,
                                      QWidget* parent = nullptr);

    std::string m_className; // as typed, when confirmed

    QLineEdit* m_parent;
    QLineEdit* m_name;
    QPushButton* m_ok;
    QPushButton* m_cancel;

private slots:
    void OnConfirm();

private:
    std::function<bool(const std::string&)> m_store;
};
