#include "ListExport.h"

#include "SaveFileDialog.h"
#include "query/CsvExport.h"
#include "store/RightCheck.h"

#include <QAbstractItemModel>
#include <QHeaderView>
#include <QPushButton>
#include <QTableView>

#include <algorithm>

bool ExportListAsCsv(QTableView* view, const std::string& function, const QString& suggestedName,
                     QWidget* parent) {
    // Refused before the file is asked for; the export itself asks again.
    if (!CheckRight(function, Action::Export))
        return false;
    QString file = AskSaveFileName(parent, QStringLiteral("导出"), suggestedName,
                                   QStringLiteral("CSV 文件 (*.csv);;Excel 工作簿 (*.xlsx)"),
                                   QStringLiteral("csv"));
    if (file.isEmpty())
        return false;
    QAbstractItemModel* model = view->model();
    // The columns as the user sees them: a zero-width column is as hidden as a hidden one.
    std::vector<int> columns;
    for (int logical = 0; logical < model->columnCount(); ++logical) {
        if (!view->isColumnHidden(logical) && view->columnWidth(logical) > 0)
            columns.push_back(logical);
    }
    std::sort(columns.begin(), columns.end(), [&](int a, int b) {
        return view->horizontalHeader()->visualIndex(a) < view->horizontalHeader()->visualIndex(b);
    });
    std::vector<std::string> header;
    // A right-aligned column holds figures; the others hold texts (codes stay texts) and dates.
    std::vector<XlsxColumn> kinds;
    for (int c : columns) {
        header.push_back(model->headerData(c, Qt::Horizontal).toString().toStdString());
        const auto align = model->index(0, c).data(Qt::TextAlignmentRole);
        const bool right = align.isValid() && (align.value<Qt::Alignment>() & Qt::AlignRight);
        kinds.push_back(right ? XlsxColumn::Number : XlsxColumn::Plain);
    }
    std::vector<std::vector<std::string>> rows;
    rows.reserve(static_cast<size_t>(model->rowCount()));
    for (int r = 0; r < model->rowCount(); ++r) {
        std::vector<std::string> row;
        row.reserve(columns.size());
        for (int c : columns)
            row.push_back(model->index(r, c).data().toString().toStdString());
        rows.push_back(std::move(row));
    }
    return ExportCsvFile(function, file.toStdString(), header, rows, kinds);
}

QPushButton* MakeExportButton(QTableView* view, ExportFunction function,
                              const QString& suggestedName, QWidget* parent) {
    auto* button = new QPushButton(QStringLiteral("导出"), parent);
    button->setToolTip(QStringLiteral("把列表保存为 CSV 文件或 Excel 工作簿"));
    QObject::connect(button, &QPushButton::clicked, parent,
                     [view, function, suggestedName, parent] {
                         ExportListAsCsv(view, function(), suggestedName, parent);
                     });
    return button;
}

QPushButton* MakeExportButton(QTableView* view, const char* function, const QString& suggestedName,
                              QWidget* parent) {
    return MakeExportButton(
        view, [code = std::string(function)] { return code; }, suggestedName, parent);
}
