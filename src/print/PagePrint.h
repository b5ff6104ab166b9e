#pragma once
#include <QString>

#include <memory>
#include <vector>

class QGuiApplication;
class QPagedPaintDevice;
class QSizeF;
class QTextDocument;

// Paper and PDF of the filled print pages, for the print window and ferix-cli alike. Qt Gui
// only (text layout and the PDF writer), so a program without windows prints the same pages.

// Draws a document on a paged device (a printer, a PDF writer): laid out for the device's page
// and drawn page by page, without the page numbers Qt adds to documents it paginates itself.
// False when the device cannot be painted on (no printer, a PDF file that cannot be written).
bool DrawDocumentPages(const QTextDocument& document, QPagedPaintDevice* device);

// The page's HTML into the document, kept beside it: a page whose list runs over many sheets is
// then drawn a sheet of rows at a time (the same rows on the same sheets as the whole document
// would give), which Qt's table layout does many times faster than the whole list at once.
void SetPageHtml(QTextDocument& document, const QString& html);
// The same kept for a document whose HTML was set elsewhere (a print window's browser).
void KeepPageHtml(QTextDocument& document, const QString& html);

// How a page with a long table comes out on sheets of `pageSize`: the table's rows starting on
// each sheet and where its columns start there. PagedSheets: as drawn, a sheet of rows at a
// time (empty when the page is drawn whole: no HTML kept, no long table); WholeSheets: the whole
// page laid out at once, as Qt would draw it.
struct PrintSheets {
    std::vector<int> rows;
    std::vector<std::vector<double>> columns;
};
PrintSheets PagedSheets(const QTextDocument& document, const QSizeF& pageSize);
PrintSheets WholeSheets(const QTextDocument& document, const QSizeF& pageSize);

// A filled page file read into a document, decoded by the rules it was written with; pictures
// it names are found beside it. Nothing after a message.
std::unique_ptr<QTextDocument> LoadPageDocument(const QString& path);

// Writes the document as an A4 PDF with 12 mm margins, titled `title`. False after the message
// "无法保存文件：FILE".
bool WriteDocumentPdf(const QTextDocument& document, const QString& file, const QString& title);

// A Gui application for a program that has none (ferix-cli), so text can be laid out: without a
// display it runs offscreen. Nothing when one is running already.
std::unique_ptr<QGuiApplication> StartPrintingGui();
