#pragma once
#include "store/Records.h"

#include <QDialog>

#include <functional>
#include <vector>

class QHBoxLayout;
class QPrinter;
class QPushButton;
class QTextBrowser;

// The print window "打印": shows the filled stock page and prints it, or saves it as PDF.
class CPrintDlg : public QDialog {
    Q_OBJECT
public:
    explicit CPrintDlg(QWidget* parent = nullptr);

    // Fills the stock template with the rows and writes the page; the window then shows it.
    // False (after the message) when the page could not be made: the window is not to be shown.
    bool Prepare(const std::string& warehouse, const std::string& className,
                 const std::vector<StockRecord>& rows);
    // The full path of the page to show; the page is read into the browser at once.
    void SetAddress(const QString& path);
    QString Address() const { return m_address; }
    // What the page is called: the PDF export proposes it as the file name ("库存清单" unless
    // set), and a printed or saved document carries it as its title.
    void SetDocumentName(const QString& name) { m_documentName = name; }
    // Reads the page into the browser again; false after a message.
    bool LoadPage();

    // Prints the shown page on the printer, page by page, with no page header or footer.
    bool PrintTo(QPrinter* printer);
    // Saves the shown page as a PDF file; false after a message.
    bool SaveAsPdf(const QString& file);

    QTextBrowser* m_browser;
    QPushButton* m_print;
    QPushButton* m_pdf;
    QPushButton* m_cancel;

private:
    void Print();
    void ExportPdf();

    QString m_address;
    QString m_documentName = QStringLiteral("库存清单");
};

// Test seam: when set, "打印" calls this instead of showing the system print dialog; true means
// the user chose to print (the function may set the printer up, e.g. to write a PDF file).
void SetPrintDialogForTest(std::function<bool(QPrinter*)> answer);
// The system print dialog "打印" for the printer (or the seam above); true when the user chose to
// print.
bool AskPrinter(QPrinter* printer, QWidget* parent);

// What the print windows (the page and the labels) share.
// Their buttons: "打印" (the default), "导出PDF" and "取消" (rejects `dialog`) at the right of a
// row for the window's layout; 打印 and 导出PDF call `print` and `pdf`.
struct PrintButtons {
    QPushButton* print;
    QPushButton* pdf;
    QPushButton* cancel;
    QHBoxLayout* row;
};
PrintButtons MakePrintButtons(QDialog* dialog, std::function<void()> print,
                              std::function<void()> pdf);
// "打印": a printer for the document `name`, chosen by the user (AskPrinter), then `draw` on it;
// a printer `draw` could not use is told ("打印失败：无法使用打印机“X”。"). False when the user
// cancelled or `draw` failed.
bool PrintOnChosenPrinter(QWidget* parent, const QString& name,
                          const std::function<bool(QPrinter&)>& draw);
