#pragma once
#include <QString>

#include <memory>

class QGuiApplication;
class QPagedPaintDevice;
class QTextDocument;

// Paper and PDF of the filled print pages, for the print window and ferix-cli alike. Qt Gui
// only (text layout and the PDF writer), so a program without windows prints the same pages.

// Draws a document on a paged device (a printer, a PDF writer): laid out for the device's page
// and drawn page by page, without the page numbers Qt adds to documents it paginates itself.
// False when the device cannot be painted on (no printer, a PDF file that cannot be written).
bool DrawDocumentPages(const QTextDocument& document, QPagedPaintDevice* device);

// A filled page file read into a document, decoded by the rules it was written with; pictures
// it names are found beside it. Nothing after a message.
std::unique_ptr<QTextDocument> LoadPageDocument(const QString& path);

// Writes the document as an A4 PDF with 12 mm margins, titled `title`. False after the message
// "无法保存文件：FILE".
bool WriteDocumentPdf(const QTextDocument& document, const QString& file, const QString& title);

// A Gui application for a program that has none (ferix-cli), so text can be laid out: without a
// display it runs offscreen. Nothing when one is running already.
std::unique_ptr<QGuiApplication> StartPrintingGui();
