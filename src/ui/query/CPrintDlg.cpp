#include "CPrintDlg.h"

#include "SaveFileDialog.h"
#include "port/MessagePort.h"
#include "print/PagePrint.h"
#include "query/TemplatePrint.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QTextBrowser>
#include <QTextDocument>
#include <QUrl>
#include <QVBoxLayout>

namespace {
std::function<bool(QPrinter*)>& PrintDialogAnswer() {
    static std::function<bool(QPrinter*)> answer;
    return answer;
}
} // namespace

void SetPrintDialogForTest(std::function<bool(QPrinter*)> answer) {
    PrintDialogAnswer() = std::move(answer);
}

bool AskPrinter(QPrinter* printer, QWidget* parent) {
    if (PrintDialogAnswer())
        return PrintDialogAnswer()(printer);
    QPrintDialog dialog(printer, parent);
    dialog.setWindowTitle(QStringLiteral("打印"));
    return dialog.exec() == QDialog::Accepted;
}

CPrintDlg::CPrintDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("打印"));
    m_browser = new QTextBrowser(this);
    // Links in a template do not navigate anywhere: the page is only for printing.
    m_browser->setOpenLinks(false);
    m_browser->setOpenExternalLinks(false);
    m_print = new QPushButton(QIcon(":/icons/print.svg"), QStringLiteral("打印"), this);
    m_pdf = new QPushButton(QStringLiteral("导出PDF"), this);
    m_cancel = new QPushButton(QStringLiteral("取消"), this);
    m_print->setDefault(true);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_print);
    buttons->addWidget(m_pdf);
    buttons->addWidget(m_cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_browser, 1);
    layout->addLayout(buttons);
    resize(900, 640);

    connect(m_print, &QPushButton::clicked, this, &CPrintDlg::Print);
    connect(m_pdf, &QPushButton::clicked, this, &CPrintDlg::ExportPdf);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
}

bool CPrintDlg::Prepare(const std::string& warehouse, const std::string& className,
                        const std::vector<StockRecord>& rows) {
    auto path = PrepareStockPrint(warehouse, className, rows);
    if (!path)
        return false;
    SetAddress(QString::fromStdString(path->string()));
    return true;
}

void CPrintDlg::SetAddress(const QString& path) {
    m_address = path;
    LoadPage();
}

bool CPrintDlg::LoadPage() {
    if (m_address.isEmpty())
        return false;
    // The page is decoded by the same rules it was written with (its byte order mark or
    // declared charset), so a GBK page shows as well as a UTF-8 one.
    auto text = ReadHtmlFile(m_address.toStdString(), "打印");
    if (!text)
        return false;
    QFileInfo info(m_address);
    m_browser->setSearchPaths({info.absolutePath()});
    m_browser->document()->setBaseUrl(QUrl::fromLocalFile(info.absoluteFilePath()));
    m_browser->setHtml(QString::fromStdString(*text));
    return true;
}

bool CPrintDlg::PrintTo(QPrinter* printer) {
    return DrawDocumentPages(*m_browser->document(), printer);
}

void CPrintDlg::Print() {
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(m_documentName);
    if (AskPrinter(&printer, this) && !PrintTo(&printer))
        Messages().Inform("打印失败：无法使用打印机“" + printer.printerName().toStdString() +
                          "”。");
}

bool CPrintDlg::SaveAsPdf(const QString& file) {
    return WriteDocumentPdf(*m_browser->document(), file, m_documentName);
}

void CPrintDlg::ExportPdf() {
    QString file = AskSaveFileName(this, QStringLiteral("导出PDF"), m_documentName + ".pdf",
                                   QStringLiteral("PDF 文件 (*.pdf)"), QStringLiteral("pdf"));
    if (!file.isEmpty())
        SaveAsPdf(file);
}
