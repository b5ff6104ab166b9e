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

    m_print = new QPushButton(QStringLiteral("打印"), this);
    m_pdf = new QPushButton(QStringLiteral("导出PDF"), this);
    m_cancel = new QPushButton(QStringLiteral("取消"), this);
    m_print->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_print);
    buttons->addWidget(m_pdf);
    buttons->addWidget(m_cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_grid, 1);
    layout->addLayout(form);
    layout->addLayout(buttons);

    connect(m_print, &QPushButton::clicked, this, &CLabelPrintDlg::Print);
    connect(m_pdf, &QPushButton::clicked, this, &CLabelPrintDlg::ExportPdf);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
}

QSpinBox* CLabelPrintDlg::Quantity(int row) const {
    return qobject_cast<QSpinBox*>(m_grid->cellWidget(row, kQuantityColumn));
}

bool CLabelPrintDlg::PrintTo(QPrinter& printer) {
    std::vector<std::pair<std::string, int>> wanted;
    for (int row = 0; row < m_grid->rowCount(); ++row) {
        const int count = Quantity(row)->value();
        if (count > 0)
            wanted.emplace_back(m_grid->item(row, 0)->text().toStdString(), count);
    }
    if (wanted.empty()) {
        Messages().Inform("请输入要打印的标签数量！");
        return false;
    }
    const LabelSize size{m_width->value(), m_height->value()};
    const bool roll = m_roll->isChecked();
    if (!roll && A4LabelGrid(size).PerPage() == 0) {
        Messages().Inform("标签尺寸超出A4纸的范围！");
        return false;
    }
    const auto labels = MakeGoodsLabels(wanted);
    if (!labels)
        return false;
    if (!PaintLabels(printer, *labels, size, roll)) {
        Messages().Inform("打印失败：无法使用打印机“" + printer.printerName().toStdString() +
                          "”。");
        return false;
    }
    return true;
}

void CLabelPrintDlg::Print() {
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(QStringLiteral("商品标签"));
    if (AskPrinter(&printer, this) && PrintTo(printer))
        accept();
}

void CLabelPrintDlg::ExportPdf() {
    const QString file =
        AskSaveFileName(this, QStringLiteral("导出PDF"), QStringLiteral("商品标签.pdf"),
                        QStringLiteral("PDF 文件 (*.pdf)"), QStringLiteral("pdf"));
    if (file.isEmpty())
        return;
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(file);
    if (PrintTo(printer))
        accept();
}
