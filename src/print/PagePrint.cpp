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
#include <QTextTable>
#include <QUrl>

#include <algorithm>
#include <optional>

#include <cstdio>
#include <cstdlib>

namespace {
const char* const kPageHtmlProperty = "ferixPageHtml";

// The page's longest table cut at its rows: what comes before it on the first sheet, what a
// later sheet starts with (the page up to its <body>), the table's start up to its first row
// below the header (<thead> rows stay in it: Qt repeats them on every sheet), the rows, and
// the rest from </table> on. The rows are views of the page's HTML, which must outlive them.
struct TableSplit {
    QString first, next, tableHead, after;
    std::vector<QStringView> rows;
};

qsizetype FindTag(const QString& html, QLatin1StringView tag, qsizetype from) {
    return html.indexOf(tag, from, Qt::CaseInsensitive);
}

// Whether the tag name ends at `at` (so "<tr" is not "<track").
bool TagEnds(const QString& html, qsizetype at) {
    return at < html.size() && (html[at] == u'>' || html[at].isSpace() || html[at] == u'/');
}

std::optional<TableSplit> SplitLongestTable(const QString& html) {
    struct Table {
        qsizetype start = 0, close = 0, headEnd = -1;
        std::vector<qsizetype> rows;
    };
    std::vector<Table> done, open;
    // One pass over the tags that matter; rows and header ends count for the innermost table.
    for (qsizetype at = html.indexOf(u'<'); at >= 0; at = html.indexOf(u'<', at + 1)) {
        auto is = [&](QLatin1StringView tag) {
            return QStringView(html).mid(at, tag.size()).compare(tag, Qt::CaseInsensitive) == 0 &&
                   TagEnds(html, at + tag.size());
        };
        if (is(QLatin1StringView("<table"))) {
            open.push_back({at, 0, -1, {}});
        } else if (is(QLatin1StringView("</table")) && !open.empty()) {
            open.back().close = at;
            done.push_back(std::move(open.back()));
            open.pop_back();
        } else if (!open.empty() && is(QLatin1StringView("<tr"))) {
            open.back().rows.push_back(at);
        } else if (!open.empty() && is(QLatin1StringView("</thead"))) {
            open.back().headEnd = at;
        }
    }
    const qsizetype body = FindTag(html, QLatin1StringView("<body"), 0);
    const qsizetype bodyEnd = body < 0 ? -1 : html.indexOf(u'>', body);
    if (done.empty() || bodyEnd < 0)
        return std::nullopt;
    Table* longest = &done.front();
    for (Table& t : done) {
        if (t.rows.size() > longest->rows.size())
            longest = &t;
    }
    auto& rows = longest->rows;
    rows.erase(
        std::remove_if(rows.begin(), rows.end(), [&](qsizetype r) { return r < longest->headEnd; }),
        rows.end());
    if (rows.size() < 2 || longest->start < bodyEnd)
        return std::nullopt;
    TableSplit split;
    split.first = html.left(longest->start);
    split.next = html.left(bodyEnd + 1);
    split.tableHead = html.mid(longest->start, rows.front() - longest->start);
    split.after = html.mid(longest->close);
    const QStringView all(html);
    for (size_t i = 0; i < rows.size(); ++i) {
        const qsizetype end = i + 1 < rows.size() ? rows[i + 1] : longest->close;
        split.rows.push_back(all.mid(rows[i], end - rows[i]));
    }
    return split;
}

// The table of the document with the most rows.
QTextTable* LongestTable(QTextFrame* frame) {
    QTextTable* best = qobject_cast<QTextTable*>(frame);
    for (QTextFrame* child : frame->childFrames()) {
        QTextTable* t = LongestTable(child);
        if (t && (!best || t->rows() > best->rows()))
            best = t;
    }
    return best;
}

// The texts of a row's cells, their tags taken out (enough to tell which row is widest).
std::vector<QString> CellTexts(QStringView row) {
    std::vector<QString> cells;
    QString* cell = nullptr;
    for (qsizetype at = 0; at < row.size();) {
        if (row[at] != u'<') {
            if (cell)
                *cell += row[at];
            ++at;
            continue;
        }
        const QStringView tag = row.mid(at, 3);
        if ((tag.compare(u"<td", Qt::CaseInsensitive) == 0 ||
             tag.compare(u"<th", Qt::CaseInsensitive) == 0) &&
            (at + 3 >= row.size() || row[at + 3] == u'>' || row[at + 3].isSpace())) {
            cells.emplace_back();
            cell = &cells.back();
        }
        const qsizetype end = row.indexOf(u'>', at);
        at = end < 0 ? row.size() : end + 1;
    }
    return cells;
}

// The rows that set the table's column widths: for each column the row with its widest text,
// and the first and last rows. A table of these alone gets the widths of the whole table.
std::vector<size_t> WidestRows(const TableSplit& split, const QFont& font) {
    const QFontMetricsF metrics(font);
    std::vector<std::pair<qreal, size_t>> widest;
    for (size_t r = 0; r < split.rows.size(); ++r) {
        const std::vector<QString> cells = CellTexts(split.rows[r]);
        if (widest.size() < cells.size())
            widest.resize(cells.size(), {-1, 0});
        for (size_t c = 0; c < cells.size(); ++c) {
            const qreal w = metrics.horizontalAdvance(cells[c]);
            if (w > widest[c].first)
                widest[c] = {w, r};
        }
    }
    std::vector<size_t> rows = {0, split.rows.size() - 1};
    for (const auto& [w, r] : widest)
        rows.push_back(r);
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

// A document of the page's settings for sheets of `page` on `device` (none: the screen), not
// laid out until asked: `columns` (when given) are set on its longest table first.
std::unique_ptr<QTextDocument> SheetDocument(const QTextDocument& source, const QString& html,
                                             QPagedPaintDevice* device, const QSizeF& page,
                                             const QList<QTextLength>* columns = nullptr) {
    auto doc = std::make_unique<QTextDocument>();
    // No layout until the sheet's size is set: a document without a page size is not laid out,
    // and one laid out before would be laid out again for the columns and for the sheet.
    doc->setPageSize(QSizeF(0, 0));
    doc->setDefaultFont(source.defaultFont());
    doc->setDefaultStyleSheet(source.defaultStyleSheet());
    doc->setDefaultTextOption(source.defaultTextOption());
    doc->setDocumentMargin(source.documentMargin());
    doc->setIndentWidth(source.indentWidth());
    doc->setUseDesignMetrics(source.useDesignMetrics());
    doc->setBaseUrl(source.baseUrl());
    doc->setHtml(html);
    if (columns) {
        if (QTextTable* table = LongestTable(doc->rootFrame());
            table && table->columns() == columns->size()) {
            QTextTableFormat format = table->format();
            format.setColumnWidthConstraints(*columns);
            table->setFormat(format);
        }
    }
    if (device)
        doc->documentLayout()->setPaintDevice(device);
    doc->setPageSize(page);
    return doc;
}

// How many of the table's last `count` rows start on each sheet of the laid-out document.
std::vector<int> RowsOnSheets(QTextDocument& doc, int count, qreal sheetHeight) {
    std::vector<int> sheets(static_cast<size_t>(std::max(1, doc.pageCount())), 0);
    QTextTable* table = LongestTable(doc.rootFrame());
    if (!table || table->rows() < count)
        return {};
    for (int r = table->rows() - count; r < table->rows(); ++r) {
        const QTextBlock block = table->cellAt(r, 0).firstCursorPosition().block();
        const qreal top = doc.documentLayout()->blockBoundingRect(block).top();
        const auto sheet = static_cast<size_t>(std::max(0.0, top / sheetHeight));
        if (sheet >= sheets.size())
            return {};
        ++sheets[sheet];
    }
    return sheets;
}

// Where the columns of the table's first row of single cells start, laid out; empty when
// every row joins cells.
std::vector<qreal> ColumnLefts(QTextDocument& doc) {
    doc.pageCount(); // laid out
    QTextTable* table = LongestTable(doc.rootFrame());
    for (int r = 0; table && r < table->rows(); ++r) {
        std::vector<qreal> lefts;
        for (int c = 0; c < table->columns(); ++c) {
            const QTextTableCell cell = table->cellAt(r, c);
            if (cell.column() != c || cell.columnSpan() != 1)
                break;
            lefts.push_back(
                doc.documentLayout()->blockBoundingRect(cell.firstCursorPosition().block()).left());
        }
        if (lefts.size() == static_cast<size_t>(table->columns()))
            return lefts;
    }
    return {};
}

// A sheet to draw: page `page` of `doc`.
struct Sheet {
    std::shared_ptr<QTextDocument> doc;
    int page = 0;
    int rows = 0;
    std::vector<qreal> columns; // ColumnLefts of its document
};

// The sheets of a page with a long table, laid out a sheet of rows at a time: each document
// holds the rows of one sheet and a few more, and its first page is that sheet; the last holds
// the rest of the page. Empty when the page is better drawn whole (no HTML kept, no long table,
// the part before the table filling the first sheet, a row taller than a sheet).
std::vector<Sheet> PlanSheets(const QTextDocument& source, QPagedPaintDevice* device,
                              const QSizeF& page) {
    const QString html = source.property(kPageHtmlProperty).toString();
    const auto split = html.isEmpty() ? std::nullopt : SplitLongestTable(html);
    if (!split)
        return {};
    // Each sheet's table gets the column widths the whole table has: those of a table of the
    // rows with each column's widest text, all but the last column fixed (it takes the rest).
    QString probeHtml = split->next + split->tableHead;
    for (size_t r : WidestRows(*split, source.defaultFont()))
        probeHtml += split->rows[r];
    probeHtml += QStringLiteral("</table></body></html>");
    const auto probe = SheetDocument(source, probeHtml, device, page);
    const std::vector<qreal> lefts = ColumnLefts(*probe);
    QTextTable* probeTable = LongestTable(probe->rootFrame());
    const qreal tableWidth =
        probeTable ? probe->documentLayout()->frameBoundingRect(probeTable).width() : 0;
    if (lefts.empty() || tableWidth <= 0)
        return {};
    // As shares of the table's width: a fixed length is scaled again by the layout for a
    // printer's resolution, a share is not. A hair wider than measured, so the widest text of
    // a column does not wrap; the last column takes what is left.
    QList<QTextLength> columns;
    for (size_t c = 0; c + 1 < lefts.size(); ++c)
        columns.append(QTextLength(QTextLength::PercentageLength,
                                   (lefts[c + 1] - lefts[c]) * 100.4 / tableWidth));
    columns.append(QTextLength());
    std::vector<Sheet> sheets;
    const auto total = static_cast<int>(split->rows.size());
    int from = 0;
    int wanted = 60; // about a sheet of one-line rows
    while (from < total) {
        const int count = std::min(wanted, total - from);
        const bool last = from + count == total;
        QString text = from == 0 ? split->first : split->next;
        text += split->tableHead;
        for (int r = from; r < from + count; ++r)
            text += split->rows[static_cast<size_t>(r)];
        text += last ? split->after : QStringLiteral("</table></body></html>");
        std::shared_ptr<QTextDocument> doc = SheetDocument(source, text, device, page, &columns);
        const std::vector<int> onSheets = RowsOnSheets(*doc, count, page.height());
        if (onSheets.empty() || onSheets.front() == 0)
            return {};
        if (last) {
            for (size_t i = 0; i < onSheets.size(); ++i)
                sheets.push_back({doc, static_cast<int>(i), onSheets[i], {}});
            break;
        }
        if (onSheets.front() == count) {
            wanted += wanted / 2; // all of them fit on the sheet: try with more
            continue;
        }
        sheets.push_back({doc, 0, onSheets.front(), {}});
        from += onSheets.front();
        // The next sheet holds about as many (its rows are laid out twice when it holds more).
        wanted = onSheets.front() + 3;
    }
    return sheets;
}

QRectF PageRect(QPagedPaintDevice* device) {
    QRectF page = device->pageLayout().paintRectPixels(device->logicalDpiX());
    page.moveTo(0, 0);
    return page;
}

void DrawSheet(QTextDocument& doc, int index, const QRectF& page, QPainter& painter) {
    painter.save();
    QRectF clip(0, index * page.height(), page.width(), page.height());
    painter.translate(0, -clip.top());
    painter.setClipRect(clip);
    QAbstractTextDocumentLayout::PaintContext context;
    context.clip = clip;
    doc.documentLayout()->draw(&painter, context);
    painter.restore();
}
} // namespace

void KeepPageHtml(QTextDocument& document, const QString& html) {
    document.setProperty(kPageHtmlProperty, html);
}

void SetPageHtml(QTextDocument& document, const QString& html) {
    document.setHtml(html);
    KeepPageHtml(document, html);
}

PrintSheets PagedSheets(const QTextDocument& document, const QSizeF& pageSize) {
    PrintSheets out;
    for (const Sheet& sheet : PlanSheets(document, nullptr, pageSize)) {
        out.rows.push_back(sheet.rows);
        out.columns.push_back(ColumnLefts(*sheet.doc));
    }
    return out;
}

PrintSheets WholeSheets(const QTextDocument& document, const QSizeF& pageSize) {
    const QString html = document.property(kPageHtmlProperty).toString();
    const auto split = html.isEmpty() ? std::nullopt : SplitLongestTable(html);
    if (!split)
        return {};
    const auto doc = SheetDocument(document, html, nullptr, pageSize);
    PrintSheets out;
    out.rows = RowsOnSheets(*doc, static_cast<int>(split->rows.size()), pageSize.height());
    out.columns.assign(out.rows.size(), ColumnLefts(*doc));
    return out;
}

bool DrawDocumentPages(const QTextDocument& document, QPagedPaintDevice* device) {
    const QRectF page = PageRect(device);
    std::vector<Sheet> sheets = PlanSheets(document, device, page.size());
    std::shared_ptr<QTextDocument> whole;
    if (sheets.empty()) {
        whole.reset(document.clone());
        whole->documentLayout()->setPaintDevice(device);
        whole->setPageSize(page.size());
        for (int i = 0; i < whole->pageCount(); ++i)
            sheets.push_back({whole, i, 0, {}});
    }
    QPainter painter;
    if (!painter.begin(device))
        return false;
    for (size_t i = 0; i < sheets.size(); ++i) {
        if (i > 0)
            device->newPage();
        DrawSheet(*sheets[i].doc, sheets[i].page, page, painter);
    }
    return painter.end();
}

std::unique_ptr<QTextDocument> LoadPageDocument(const QString& path) {
    auto text = ReadHtmlFile(path.toStdString(), "打印");
    if (!text)
        return nullptr;
    auto doc = std::make_unique<QTextDocument>();
    doc->setBaseUrl(QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()));
    SetPageHtml(*doc, QString::fromStdString(*text));
    return doc;
}

bool WriteDocumentPdf(const QTextDocument& document, const QString& file, const QString& title) {
    bool ok;
    {
        QPdfWriter writer(file);
        // The page's pixels are CSS pixels, a 96th of an inch: its 1px rules print at their
        // width, not as hairlines. Text and rules stay vectors, and the page is laid out in
        // two thirds of the time it takes at the writer's own 1200 dpi.
        writer.setResolution(96);
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
