#include "CLabelPrintDlg.h"

#include "LabelSheet.h"
#include "port/MessagePort.h"
#include "query/CPrintDlg.h"
#include "query/SaveFileDialog.h"

#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {
constexpr int kQuantityColumn = 2;
constexpr int kMaxLabelsOfOne = 10000;

QDoubleSpinBox* MillimetreBox(double value, QWidget* parent) {
    auto* box = new QDoubleSpinBox(parent);
    box->setRange(10, 200);
    box->setDecimals(1);
    box->setSuffix(QStringLiteral(" mm"));
    box->setValue(value);
    return box;
}
} // namespace

CLabelPrintDlg::CLabelPrintDlg(const std::vector<std::pair<std::string, std::string>>& goods,
                               QWidget* parent)
    : QDialog(parent) {
    setObjectName("CLabelPrintDlg");
    setWindowTitle(QStringLiteral("打印标签"));

    m_grid = new QTableWidget(static_cast<int>(goods.size()), 3, this);
    m_grid->setHorizontalHeaderLabels(
        {QStringLiteral("商品编码"), QStringLiteral("商品名称"), QStringLiteral("数量")});
    m_grid->verticalHeader()->hide();
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    for (int row = 0; row < static_cast<int>(goods.size()); ++row) {
        for (int column = 0; column < 2; ++column) {
            const std::string& text = column == 0 ? goods[row].first : goods[row].second;
            auto* item = new QTableWidgetItem(QString::fromStdString(text));
            item->setFlags(item->flags() & ~Qt::ItemIsEditable);
            m_grid->setItem(row, column, item);
        }
        auto* quantity = new QSpinBox(m_grid);
        quantity->setRange(0, kMaxLabelsOfOne);
        quantity->setValue(1);
        quantity->setFrame(false);
        m_grid->setCellWidget(row, kQuantityColumn, quantity);
    }
    m_grid->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
    m_grid->setMinimumSize(420, 200);

    const LabelSize standard;
    m_width = MillimetreBox(standard.widthMm, this);
    m_height = MillimetreBox(standard.heightMm, this);
    auto* size = new QHBoxLayout;
    size->addWidget(m_width);
    size->addWidget(new QLabel(QStringLiteral("×"), this));
    size->addWidget(m_height);
    size->addStretch();
    m_sheet = new QRadioButton(QStringLiteral("A4 纸，排满每页"), this);
    m_roll = new QRadioButton(QStringLiteral("每页一张（标签打印机）"), this);
    m_sheet->setChecked(true);
    auto* layoutChoice = new QHBoxLayout;
    layoutChoice->addWidget(m_sheet);
    layoutChoice->addWidget(m_roll);
    layoutChoice->addStretch();
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("标签尺寸："), size);
    form->addRow(QStringLiteral("排版："), layoutChoice);

    const PrintButtons buttons = MakePrintButtons(
        this, [this] { Print(); }, [this] { ExportPdf(); });
    m_print = buttons.print;
    m_pdf = buttons.pdf;
    m_cancel = buttons.cancel;

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_grid, 1);
    layout->addLayout(form);
    layout->addLayout(buttons.row);
}

QSpinBox* CLabelPrintDlg::Quantity(int row) const {
    return qobject_cast<QSpinBox*>(m_grid->cellWidget(row, kQuantityColumn));
}

std::optional<CLabelPrintDlg::Job> CLabelPrintDlg::Wanted() const {
    std::vector<std::pair<std::string, int>> wanted;
    for (int row = 0; row < m_grid->rowCount(); ++row) {
        const int count = Quantity(row)->value();
        if (count > 0)
            wanted.emplace_back(m_grid->item(row, 0)->text().toStdString(), count);
    }
    if (wanted.empty()) {
        Messages().Inform("请输入要打印的标签数量！");
        return std::nullopt;
    }
    Job job{{}, LabelSize{m_width->value(), m_height->value()}, m_roll->isChecked()};
    if (!job.roll && A4LabelGrid(job.size).PerPage() == 0) {
        Messages().Inform("标签尺寸超出A4纸的范围！");
        return std::nullopt;
    }
    auto labels = MakeGoodsLabels(wanted);
    if (!labels)
        return std::nullopt;
    job.labels = std::move(*labels);
    return job;
}

void CLabelPrintDlg::Print() {
    // What cannot be printed is said before a printer is chosen.
    const auto job = Wanted();
    if (job && PrintOnChosenPrinter(this, QStringLiteral("商品标签"), [&](QPrinter& printer) {
            return PaintLabels(printer, job->labels, job->size, job->roll);
        }))
        accept();
}

void CLabelPrintDlg::ExportPdf() {
    const auto job = Wanted();
    if (!job)
        return;
    const QString file =
        AskSaveFileName(this, QStringLiteral("导出PDF"), QStringLiteral("商品标签.pdf"),
                        QStringLiteral("PDF 文件 (*.pdf)"), QStringLiteral("pdf"));
    if (file.isEmpty())
        return;
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(file);
    if (PaintLabels(printer, job->labels, job->size, job->roll))
        accept();
    else
        Messages().Inform("打印失败：无法使用打印机“" + printer.printerName().toStdString() +
                          "”。");
}
