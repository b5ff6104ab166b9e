#pragma once
#include "basic/SimpleList.h"

#include <QDialog>

#include <string>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

// The add window of a simple list: a name and a note in a frame "添加", "确定" and "取消".
class CSimpleList_AddDlg : public QDialog {
    Q_OBJECT
public:
    const SimpleListInfo& Info() const { return m_info; }

    // Taken from the fields as typed when the window is confirmed.
    std::string m_name, m_note;

    QGroupBox* m_frame;
    QLabel* m_nameLabel;
    QLineEdit* m_nameEdit;
    QLabel* m_noteLabel;
    QLineEdit* m_noteEdit;
    QPushButton* m_ok;
    QPushButton* m_cancel;

protected:
    CSimpleList_AddDlg(SimpleListKind kind, QWidget* parent);

private slots:
    void OnConfirm();

private:
    const SimpleListInfo& m_info;
};
