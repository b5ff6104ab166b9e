#pragma once
#include "LabelSheet.h"

#include <QDialog>

#include <optional>
#include <string>
#include <utility>
#include <vector>

class QDoubleSpinBox;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTableWidget;

// "打印标签": how many labels of each chosen goods item, their size and layout; prints them or
// saves them as PDF.
class CLabelPrintDlg : public QDialog {
    Q_OBJECT
public:
    // The chosen goods as (code, name).
    CLabelPrintDlg(const std::vector<std::pair<std::string, std::string>>& goods,
                   QWidget* parent = nullptr);

    QTableWidget* m_grid; // 商品编码, 商品名称, 数量 (a spin box, 0 to 10000: 0 prints none)
    QSpinBox* Quantity(int row) const;
    QDoubleSpinBox* m_width;
    QDoubleSpinBox* m_height;
    QRadioButton* m_sheet; // A4 pages
    QRadioButton* m_roll;  // one label per page
    QPushButton* m_print;
    QPushButton* m_pdf;
    QPushButton* m_cancel;

private:
    void Print();
    void ExportPdf();
    struct Job {
        std::vector<GoodsLabel> labels;
        LabelSize size;
        bool roll; // one label per page
    };
    // The labels asked for, their size and layout; nothing after a message (a quantity or size
    // that will not do, a refusal).
    std::optional<Job> Wanted() const;
};
