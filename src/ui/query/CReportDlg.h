#pragma once
#include "CReportFrameDlg.h"

struct ReportKind;

// Statistics report window: purchases or sales of a date range summed by goods item, handler
// or department. The command word picks the kind; the radio buttons switch among the six.
class CReportDlg : public CReportFrameDlg {
    Q_OBJECT
public:
    explicit CReportDlg(QWidget* parent = nullptr);
    // One of the six report command words (run_caigou_product, ...).
    void SetCommand(const QString& command);
    QString Command() const { return m_command; }

    // Opened from a figure: the preset's range, the report run at once.
    void StartOn(const WindowPreset& preset);

    // "查看报表": runs the current kind over the date range and fills the list.
    void RunReport();

private:
    void SetUpList(const ReportKind& kind);

    QString m_command;
};
