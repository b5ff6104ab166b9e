#pragma once
#include "query/CReportFrameDlg.h"

class QLabel;
enum class ProfitKey;

// Sales profit report "销售利润报表": what the sales of a date range earned over their cost, by
// goods item, customer, handler or month, with the 统计汇总 row last. Sale lines whose cost is
// not known are counted in the amount only, and the note under the list says how many.
class CReportProfitDlg : public CReportFrameDlg {
    Q_OBJECT
public:
    explicit CReportProfitDlg(QWidget* parent = nullptr);

    // Opened from a figure: the preset's range, the report run at once.
    void StartOn(const WindowPreset& preset);

    // "查看报表": runs the chosen grouping over the date range and fills the list.
    void RunReport();
    ProfitKey Key() const { return m_key; }

    QLabel* m_note;

private:
    void SetUpList(ProfitKey key);

    ProfitKey m_key;
};
