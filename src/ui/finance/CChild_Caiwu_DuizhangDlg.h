#pragma once
#include "store/Records.h"
#include "widgets/WindowPreset.h"

#include <QDialog>

#include <optional>

class CQueryTableModel;
class CUnderLineEdit;
class QDateEdit;
class QLineEdit;
class QPushButton;
class QTableView;
class QToolButton;

// "往来对账": one business unit's statement over a date range: the opening balance, each
// document in date order with the balance after it, the closing balance. Printed through the
// statement template and exported as CSV.
class CChild_Caiwu_DuizhangDlg : public QDialog {
    Q_OBJECT
public:
    explicit CChild_Caiwu_DuizhangDlg(QWidget* parent = nullptr);

    // Opened from a figure: the preset's unit and dates; with a unit its statement is read at once.
    void StartOn(const WindowPreset& preset);
    // "查询": reads the statement of the unit typed or picked into the list.
    void RunQuery();
    // "打印": fills the statement template and shows the page in the print window.
    void Print();
    const std::optional<UnitStatementRecord>& Statement() const { return m_statement; }

    CUnderLineEdit* m_unit;
    QToolButton* m_pick;
    QDateEdit* m_from;
    QDateEdit* m_to;
    QPushButton* m_run;
    QTableView* m_list;
    CQueryTableModel* m_model;
    QLineEdit* m_closing;
    QPushButton* m_print;
    QPushButton* m_export;
    QPushButton* m_close;

private:
    void PickUnit();
    std::optional<UnitStatementRecord> m_statement;
};
