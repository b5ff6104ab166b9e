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

PrintButtons MakePrintButtons(QDialog* dialog, std::function<void()> print,
                              std::function<void()> pdf) {
    PrintButtons b;
    b.print = new QPushButton(QIcon(":/icons/print.svg"), QStringLiteral("打印"), dialog);
    b.pdf = new QPushButton(QStringLiteral("导出PDF"), dialog);
    b.cancel = new QPushButton(QStringLiteral("取消"), dialog);
    b.print->setDefault(true);
    b.row = new QHBoxLayout;
    b.row->addStretch();
    b.row->addWidget(b.print);
    b.row->addWidget(b.pdf);
    b.row->addWidget(b.cancel);
    QObject::connect(b.print, &QPushButton::clicked, dialog, std::move(print));
    QObject::connect(b.pdf, &QPushButton::clicked, dialog, std::move(pdf));
    QObject::connect(b.cancel, &QPushButton::clicked, dialog, &QDialog::reject);
    return b;
}

bool PrintOnChosenPrinter(QWidget* parent, const QString& name,
                          const std::function<bool(QPrinter&)>& draw) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(name);
    if (!AskPrinter(&printer, parent))
        return false;
    if (draw(printer))
        return true;
    Messages().Inform("打印失败：无法使用打印机“" + printer.printerName().toStdString() + "”。");
    return false;
}

CPrintDlg::CPrintDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("打印"));
    m_browser = new QTextBrowser(this);
    // Links in a template do not navigate anywhere: the page is only for printing.
    m_browser->setOpenLinks(false);
    m_browser->setOpenExternalLinks(false);
    const PrintButtons buttons = MakePrintButtons(
        this, [this] { Print(); }, [this] { ExportPdf(); });
    m_print = buttons.print;
    m_pdf = buttons.pdf;
    m_cancel = buttons.cancel;
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_browser, 1);
    layout->addLayout(buttons.row);
    resize(900, 640);
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
    const QString html = QString::fromStdString(*text);
    m_browser->setHtml(html);
    KeepPageHtml(*m_browser->document(), html); // a long list is printed a sheet at a time
    return true;
}

bool CPrintDlg::PrintTo(QPrinter* printer) {
    return DrawDocumentPages(*m_browser->document(), printer);
}

void CPrintDlg::Print() {
    PrintOnChosenPrinter(this, m_documentName,
                         [this](QPrinter& printer) { return PrintTo(&printer); });
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
