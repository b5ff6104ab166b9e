#include "PagePrint.h"

#include "port/MessagePort.h"
#include "query/TemplatePrint.h"

#include <QAbstractTextDocumentLayout>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QTextDocument>
#include <QUrl>

#include <cstdio>
#include <cstdlib>

bool DrawDocumentPages(const QTextDocument& document, QPagedPaintDevice* device) {
    std::unique_ptr<QTextDocument> doc(document.clone());
    doc->documentLayout()->setPaintDevice(device);
    QRectF page = device->pageLayout().paintRectPixels(device->logicalDpiX());
    page.moveTo(0, 0);
    doc->setPageSize(page.size());
    QPainter painter;
    if (!painter.begin(device))
        return false;
    const int pages = doc->pageCount();
    for (int i = 0; i < pages; ++i) {
        if (i > 0)
            device->newPage();
        painter.save();
        QRectF clip(0, i * page.height(), page.width(), page.height());
        painter.translate(0, -clip.top());
        painter.setClipRect(clip);
        QAbstractTextDocumentLayout::PaintContext context;
        context.clip = clip;
        doc->documentLayout()->draw(&painter, context);
        painter.restore();
    }
    return painter.end();
}

std::unique_ptr<QTextDocument> LoadPageDocument(const QString& path) {
    auto text = ReadHtmlFile(path.toStdString(), "打印");
    if (!text)
        return nullptr;
    auto doc = std::make_unique<QTextDocument>();
    doc->setBaseUrl(QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()));
    doc->setHtml(QString::fromStdString(*text));
    return doc;
}

bool WriteDocumentPdf(const QTextDocument& document, const QString& file, const QString& title) {
    bool ok;
    {
        QPdfWriter writer(file);
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setPageMargins(QMarginsF(12, 12, 12, 12), QPageLayout::Millimeter);
        writer.setTitle(title);
        writer.setCreator(QStringLiteral("ferix_razaz"));
        ok = DrawDocumentPages(document, &writer);
    } // the file is complete once the writer is gone
    if (!ok || QFileInfo(file).size() == 0) {
        Messages().Inform("无法保存文件：" + file.toStdString());
        return false;
    }
    return true;
}

std::unique_ptr<QGuiApplication> StartPrintingGui() {
    if (QCoreApplication::instance())
        return nullptr;
    const char* display = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    if (!std::getenv("QT_QPA_PLATFORM") && !(display && *display) && !(wayland && *wayland))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    // Qt's own notes (a missing runtime folder, a painter that could not start) are not the
    // program's messages: what failed is told through the message port.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
        if (type == QtFatalMsg)
            std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
    });
    static int argc = 1;
    static char name[] = "ferix-cli";
    static char* argv[] = {name, nullptr};
    return std::make_unique<QGuiApplication>(argc, argv);
}
