#pragma once
#include "widgets/WindowPreset.h"

#include <QDialog>
#include <QStringList>

#include <functional>
#include <string>
#include <vector>

class CQueryTableModel;
class QButtonGroup;
class QDateEdit;
class QPushButton;
class QRadioButton;
class QTableView;
class QVBoxLayout;

// The frame every report window shares: the date range and its "查看报表" button, the report
// kinds as radio buttons, the list with its export button, and 确定/取消. The window that
// derives from it says what a kind shows and what the button runs.
class CReportFrameDlg : public QDialog {
    Q_OBJECT
public:
    QDateEdit* m_from;
    QDateEdit* m_to;
    QPushButton* m_run;
    std::vector<QRadioButton*> m_radios; // in the order of the kinds
    QTableView* m_list;
    CQueryTableModel* m_model;
    QPushButton* m_export;
    QPushButton* m_ok;
    QPushButton* m_cancel;

protected:
    // `kinds` are the radio texts, `perRow` of them in a row; `exportName` is the file name
    // the export proposes; `function` the report's code in the function table.
    CReportFrameDlg(QWidget* parent, const QStringList& kinds, int perRow,
                    const QString& exportName, const char* function);

    // The preset's dates into the range (an empty one leaves its edit as it is).
    void ApplyDates(const WindowPreset& preset);
    // Runs a report under the wait cursor and shows its rows: the last is its total row.
    void RunAndShow(const std::function<std::vector<std::vector<std::string>>()>& run);

    QButtonGroup* m_kinds;     // ids are the radios' indexes
    QVBoxLayout* m_listLayout; // the list's box, for what goes under the list
};
