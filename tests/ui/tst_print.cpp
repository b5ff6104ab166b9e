// The print window and the list export shared by the query windows.
#include "UiTestSupport.h"

#include "app/Cferix_razazApp.h"
#include "print/PagePrint.h"
#include "query/CPrintDlg.h"
#include "query/CQueryTableModel.h"
#include "query/ListExport.h"
#include "query/SaveFileDialog.h"

#include <QFile>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTextBrowser>
#include <QTextTable>

#include <cmath>
#include <cstdlib>
#include <numeric>

namespace {
StockRecord Row(const std::string& code, const std::string& name, const std::string& number) {
    StockRecord r;
    r.ProductCode = code;
    r.ProductName = name;
    r.Number = number;
    r.Price = "2.50";
    r.FirstEnterTime = "26-12-01";
    r.StoreHouse = "一号仓库";
    return r;
}

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QString TempPath(const CTempProgramFolder& folder, const char* name) {
    return QString::fromStdString((folder.Dir() / name).string());
}
} // namespace

class TestPrint : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { SetupTestApplication(); }
    void cleanup() {
        SetSaveFileNameForTest(nullptr);
        SetPrintDialogForTest(nullptr);
    }

    void showsFilledPageAndPrintsIt() {
        CTempProgramFolder folder;
        CScopedScriptedPort port;
        App().m_settings.CompanyName = "华东<贸易>";
        std::vector<StockRecord> rows;
        for (int i = 1; i <= 120; ++i)
            rows.push_back(Row("G" + std::to_string(i), "商品&" + std::to_string(i), "7"));
        CPrintDlg dlg;
        QCOMPARE(dlg.windowTitle(), QStringLiteral("打印"));
        QVERIFY(dlg.Prepare("全部", "所有商品", rows));
        QCOMPARE(dlg.Address(), QString::fromStdString(
                                    (folder.Dir() / "PrintView/temp_kucun_view.html").string()));
        dlg.show();
        QString shown = dlg.m_browser->toPlainText();
        QVERIFY(shown.contains(QStringLiteral("华东<贸易> 库存清单")));
        QVERIFY(shown.contains(QStringLiteral("商品&120")));
        QVERIFY(!shown.contains(QStringLiteral("[Data:")));
        SaveShot(&dlg, "print");

        // "打印" through the print dialog; the seam sends the printout to a PDF file.
        QString printed = TempPath(folder, "printed.pdf");
        SetPrintDialogForTest([&](QPrinter* p) {
            p->setOutputFormat(QPrinter::PdfFormat);
            p->setOutputFileName(printed);
            return true;
        });
        dlg.m_print->click();
        QVERIFY(ReadAll(printed).startsWith("%PDF"));
        QVERIFY(dlg.isVisible()); // the window stays open after printing

        // Cancelling the print dialog prints nothing.
        QFile::remove(printed);
        SetPrintDialogForTest([&](QPrinter* p) {
            p->setOutputFormat(QPrinter::PdfFormat);
            p->setOutputFileName(printed);
            return false;
        });
        dlg.m_print->click();
        QVERIFY(!QFile::exists(printed));

        // "导出PDF" asks for a file name and writes the page there; 120 rows need more than one
        // page.
        QString pdf = TempPath(folder, "stock.pdf");
        QString asked;
        SetSaveFileNameForTest([&](const QString& caption, const QString& suggested) {
            asked = caption + "|" + suggested;
            return pdf;
        });
        dlg.m_pdf->click();
        QCOMPARE(asked, QStringLiteral("导出PDF|库存清单.pdf"));
        QByteArray bytes = ReadAll(pdf);
        QVERIFY(bytes.startsWith("%PDF"));
        QVERIFY(bytes.count("/Type /Page\n") + bytes.count("/Type /Page\r") +
                    bytes.count("/Type /Page ") + bytes.count("/Type /Page>") >=
                2);
        if (const char* dir = std::getenv("FERIX_SHOTS")) {
            QString copy = QString::fromLocal8Bit(dir) + "/print.pdf";
            QFile::remove(copy);
            QFile::copy(pdf, copy);
        }
        QVERIFY(port.Texts().empty());

        // A PDF that cannot be written gives a message.
        QVERIFY(!dlg.SaveAsPdf(TempPath(folder, "no-such-folder/x.pdf")));
        QCOMPARE(port.Texts().size(), size_t(1));
        QVERIFY(port.Texts()[0].rfind("无法保存文件：", 0) == 0);

        dlg.m_cancel->click();
        QVERIFY(!dlg.isVisible());
    }

    // A long list is drawn a sheet of rows at a time: the same rows on each sheet, under
    // columns as wide as the whole list gives them, as the page laid out whole.
    void aLongListComesOutOnTheSameSheetsDrawnASheetAtATime() {
        CTempProgramFolder folder;
        CScopedScriptedPort port;
        std::vector<StockRecord> rows;
        for (int i = 1; i <= 150; ++i) {
            // One name far wider than the rest, on a later sheet: it widens 商品名称 on all.
            const std::string name = i == 140 ? "商品&140 加长的名称规格说明，一箱十二瓶装"
                                              : "商品&" + std::to_string(i);
            rows.push_back(Row("G" + std::to_string(i), name, std::to_string(i * 7)));
        }
        CPrintDlg dlg;
        QVERIFY(dlg.Prepare("全部", "所有商品", rows));
        const QSizeF a4(700, 1000);
        const PrintSheets whole = WholeSheets(*dlg.m_browser->document(), a4);
        const PrintSheets paged = PagedSheets(*dlg.m_browser->document(), a4);
        QVERIFY(whole.rows.size() >= 3);
        QCOMPARE(paged.rows, whole.rows);
        QCOMPARE(std::accumulate(paged.rows.begin(), paged.rows.end(), 0), 150);
        QCOMPARE(paged.columns.size(), whole.columns.size());
        for (size_t i = 0; i < paged.columns.size(); ++i) {
            QCOMPARE(paged.columns[i].size(), whole.columns[i].size());
            for (size_t c = 0; c < paged.columns[i].size(); ++c)
                QCOMPARE(std::round(paged.columns[i][c] * 10),
                         std::round(whole.columns[i][c] * 10));
        }
        QVERIFY(port.Texts().empty());
    }

    // Every value of a stock row in the cell under its own header: quantity and unit price
    // differ, so a swap of the two shows.
    void eachValueStandsInItsOwnColumn() {
        CTempProgramFolder folder;
        CScopedScriptedPort port;
        StockRecord first = Row("G7", "可乐", "7");
        first.Price = "3.25";
        StockRecord second = Row("G8", "雪碧", "40");
        second.Price = "0.50";
        second.FirstEnterTime = "26-11-30";
        second.StoreHouse = "二号仓库";
        CPrintDlg dlg;
        QVERIFY(dlg.Prepare("全部", "所有商品", {first, second}));
        dlg.show();
        // The page's second table is the list (the first holds warehouse, class and date).
        QTextTable* table = nullptr;
        for (QTextBlock b = dlg.m_browser->document()->begin(); b.isValid(); b = b.next()) {
            QTextTable* t = QTextCursor(b).currentTable();
            if (t && t->columns() == 7) {
                table = t;
                break;
            }
        }
        QVERIFY(table);
        QStringList rows;
        for (int r = 0; r < table->rows(); ++r) {
            QStringList cells;
            for (int c = 0; c < table->columns(); ++c) {
                QTextTableCell cell = table->cellAt(r, c);
                QTextCursor cursor = cell.firstCursorPosition();
                cursor.setPosition(cell.lastCursorPosition().position(), QTextCursor::KeepAnchor);
                cells << cursor.selectedText();
            }
            rows << cells.join(QLatin1Char('|'));
        }
        QCOMPARE(rows,
                 (QStringList{QStringLiteral("序号|商品编号|商品名称|数量|单价|首次入库|仓库"),
                              QStringLiteral("1|G7|可乐|7|3.25|26-12-01|一号仓库"),
                              QStringLiteral("2|G8|雪碧|40|0.50|26-11-30|二号仓库")}));
        QVERIFY(port.Texts().empty());
    }

    void missingTemplateKeepsTheWindowClosed() {
        CTempProgramFolder folder;
        CScopedScriptedPort port;
        std::filesystem::remove(folder.Dir() / "Templates/temp_kucun_view.html");
        CPrintDlg dlg;
        QVERIFY(!dlg.Prepare("全部", "所有商品", {Row("A", "B", "1")}));
        QCOMPARE(port.Texts().size(), size_t(1));
        QVERIFY(port.Texts()[0].rfind("找不到打印模板文件：", 0) == 0);
        QVERIFY(dlg.Address().isEmpty());
    }

    void exportSavesShownColumnsAsCsv() {
        CTempProgramFolder folder;
        CScopedScriptedPort port;
        CQueryTableModel model;
        model.SetHeaders({"是否有记录", "编码", "名称", "数量"});
        model.SetNumericColumns({3});
        model.AppendRow({"", "A,1", "say \"hi\"", "3"});
        model.AppendRow({"", "B", "两行\n文字", "4"});
        model.AppendRow({"统计汇总", "统计汇总", "", "7"}, true);
        QWidget window;
        QTableView view(&window);
        view.setModel(&model);
        // A zero-width column is not shown, so not saved.
        view.setColumnWidth(ColumnOf(&view, "是否有记录"), 0);
        QPushButton* button =
            MakeExportButton(&view, "reports", QStringLiteral("报表.csv"), &window);
        QCOMPARE(button->text(), QStringLiteral("导出"));
        QVERIFY(model.IsMarked(2));

        QString file = TempPath(folder, "out.csv");
        SetSaveFileNameForTest([&](const QString&, const QString& suggested) {
            return suggested == QStringLiteral("报表.csv") ? file : QString();
        });
        button->click();
        QCOMPARE(ReadAll(file), QByteArray("\xEF\xBB\xBF"
                                           "编码,名称,数量\r\n"
                                           "\"A,1\",\"say \"\"hi\"\"\",3\r\n"
                                           "B,\"两行\n文字\",4\r\n"
                                           "统计汇总,,7\r\n"));
        QVERIFY(port.Texts().empty());

        // The same list as a workbook: the figures of the right-aligned column as numbers, the
        // code "007" of the left-aligned one as text, the header bold.
        model.AppendRow({"", "007", "名", "12.50"});
        const QString book = TempPath(folder, "out.xlsx");
        SetSaveFileNameForTest([&](const QString&, const QString&) { return book; });
        button->click();
        QVERIFY(port.Texts().empty());
        if (QProcess::execute("/usr/bin/python3", {"-c", "import openpyxl"}) != 0)
            QSKIP("Debian's python3-openpyxl is missing");
        QProcess python;
        python.start("/usr/bin/python3",
                     {"-c",
                      "import openpyxl, sys\n"
                      "ws = openpyxl.load_workbook(sys.argv[1]).active\n"
                      "for row in ws.iter_rows():\n"
                      "    print('|'.join(repr(c.value) + ':' + c.number_format + (':b' if "
                      "c.font.b else '') for c in row))\n",
                      book});
        QVERIFY(python.waitForFinished(30000));
        QCOMPARE(python.exitCode(), 0);
        QCOMPARE(QString::fromUtf8(python.readAllStandardOutput()),
                 QStringLiteral("'编码':General:b|'名称':General:b|'数量':General:b\n"
                                "'A,1':General|'say \"hi\"':General|3:0\n"
                                "'B':General|'两行\\n文字':General|4:0\n"
                                "'统计汇总':General|None:General|7:0\n"
                                "'007':General|'名':General|12.5:0.00\n"));

        // Cancelling the file dialog writes nothing; an unwritable place gives a message.
        SetSaveFileNameForTest([](const QString&, const QString&) { return QString(); });
        QVERIFY(!ExportListAsCsv(&view, "reports", QStringLiteral("x.csv"), &window));
        SetSaveFileNameForTest(
            [&](const QString&, const QString&) { return TempPath(folder, "missing/out.csv"); });
        QVERIFY(!ExportListAsCsv(&view, "reports", QStringLiteral("x.csv"), &window));
        QCOMPARE(port.Texts().size(), size_t(1));
        QVERIFY(port.Texts()[0].rfind("无法保存文件：", 0) == 0);
    }
};

QTEST_MAIN(TestPrint)
#include "tst_print.moc"
